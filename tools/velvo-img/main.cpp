// velvo-img: the engine's codecs and filters from the command line, for tests, for
// reproducing fuzz findings and for batch work.
#include <cstdio>
#include <exception>
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
               "           'face X Y W H zoom Z view VX VY hair L T W H' (no hair part without a\n"
               "           hairstyle: the face then takes the default opening, 40 % of the window's\n"
               "           width at 45 % of its height), or 'face none' with the whole photo fitted\n",
               stderr);
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
    try {
        if (command == "convert")
            return runConvert(args);
        if (command == "info")
            return runInfo(args);
        if (command == "filter")
            return runFilter(args);
        if (command == "fit")
            return runFit(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velvo-img: %s\n", e.what());
        return 1;
    }
    usage();
    return 2;
}
