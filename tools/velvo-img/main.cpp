// velvo-img: the engine's codecs and filters from the command line, for tests, for
// reproducing fuzz findings and for batch work.
#include <QGuiApplication>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "imaging/metafile/MetafileRenderer.h"

namespace {
void usage() {
    std::fputs("usage: velvo-img convert IN OUT\n"
               "       velvo-img info FILE\n"
               "       velvo-img filter IN OUT OP...\n"
               "       velvo-img fit PHOTO [HAIR.GIF] OUT\n"
               "           writes the 241 x 313 document window after framing the face and prints\n"
               "           'face X Y W H roll A zoom Z view VX VY hair L T W H' (no hair part without a\n"
               "           hairstyle: the face then takes the default opening, 40 % of the window's\n"
               "           width at 45 % of its height), or 'face none' with the whole photo fitted;\n"
               "           A is the head's roll in degrees, clockwise as seen, and the hairstyle is\n"
               "           turned by it. A second line 'keypoints X Y ...' gives the right eye, left\n"
               "           eye, nose tip, mouth, right ear and left ear in photo pixels ('keypoints\n"
               "           none' when only the older finder found the face)\n"
               "       velvo-img render PHOTO [HAIR.GIF] OUT [--size WxH]\n"
               "           the same framing and placement drawn at high resolution from the photo at its\n"
               "           own size and the hairstyle's master (N.png beside N.GIF, else the GIF), with a\n"
               "           soft edge; by default the framed region at the photo's resolution, at most 2000\n"
               "           pixels on the long side; another shape shows more of the photo around the try.\n"
               "           Prints the same lines as fit\n",
               stderr);
}

// Metafile text is laid out by Qt's font machinery, which needs a GUI application; the
// offscreen one costs tens of milliseconds, so only a metafile argument pays for it.
bool namesAMetafile(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(), [](std::string a) {
        std::transform(a.begin(), a.end(), a.begin(), [](unsigned char c) { return std::tolower(c); });
        return a.size() > 4 && (a.ends_with(".wmf") || a.ends_with(".emf"));
    });
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    velvo::imaging::installMetafileRenderer();
    std::unique_ptr<QGuiApplication> gui;
    if (namesAMetafile(args)) {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        if (!platform || !*platform)
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        gui = std::make_unique<QGuiApplication>(argc, argv);
    }
    try {
        if (command == "convert")
            return runConvert(args);
        if (command == "info")
            return runInfo(args);
        if (command == "filter")
            return runFilter(args);
        if (command == "fit")
            return runFit(args);
        if (command == "render")
            return runRender(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velvo-img: %s\n", e.what());
        return 1;
    }
    usage();
    return 2;
}
