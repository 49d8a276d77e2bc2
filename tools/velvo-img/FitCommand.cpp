// velvo-img fit PHOTO [HAIR.GIF] OUT: frames the client's face as a document window would and
// writes what the window shows, with the hairstyle fitted over the face when one is given
// (turned with a rolled head). Prints the face, its roll and the framing on one line and the
// detector's six points on a second.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "Commands.h"
#include "fit/FaceFinder.h"
#include "fit/FramedRender.h"
#include "fit/HairOpening.h"
#include "fit/TurnedHair.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

namespace fs = std::filesystem;
using namespace velvo;

namespace {

// The folder the executable lies in when it holds the face models (a program folder's own
// models and cascades come first), else the build's program folder.
fs::path programFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && fs::is_directory(exe.parent_path() / fit::FaceFinder::kModelFolder, ec))
        return exe.parent_path();
#ifdef VELVO_PROGRAM_DIR
    if (fs::is_directory(fs::path(VELVO_PROGRAM_DIR) / fit::FaceFinder::kModelFolder, ec))
        return VELVO_PROGRAM_DIR;
#endif
    return ec ? fs::path() : exe.parent_path();
}

imaging::Raster load(const fs::path& file) {
    std::optional<imaging::Raster> picture = imaging::loadImageFile(file);
    if (!picture)
        throw Error(file.string(), "not a picture format the studio reads");
    warnIfIncomplete(file.string(), *picture);
    return std::move(*picture);
}

} // namespace

FitFraming frameForFit(const fs::path& photoFile, const std::optional<fs::path>& hairFile) {
    FitFraming f;
    f.photo = load(photoFile);
    const fit::Size photoSize{f.photo.width, f.photo.height};
    const fit::Size window = fit::kDocumentWindow;

    f.opening = fit::defaultOpening(window);
    fit::Size hairSize = window;
    if (hairFile) {
        f.hair = load(*hairFile);
        const fit::OpeningResult r = fit::openingFor(*hairFile, *f.hair, fit::hairKey(*f.hair));
        if (!r.error.empty())
            std::fprintf(stderr, "velvo-img: %s (the measured opening is used)\n", r.error.c_str());
        f.opening = r.opening;
        hairSize = {f.hair->width, f.hair->height};
    }

    const fit::FaceFinder finder(programFolder());
    if (const std::string missing = finder.missingModels(); !missing.empty())
        std::fprintf(stderr, "velvo-img: %s\n", missing.c_str());
    if (!finder.available())
        std::fputs("velvo-img: no face model nor cascade found (install opencv-data)\n", stderr);
    f.face = finder.findInFile(photoFile);
    if (!f.face) {
        f.view = fit::fitWhole(photoSize, window);
        f.line = "face none";
        return f;
    }
    if (f.hair) {
        fit::TurnedHair turned = fit::turnHair(*f.hair, fit::hairKey(*f.hair), f.opening, f.face->roll);
        f.hair = std::move(turned.picture);
        f.opening = turned.opening;
        hairSize = {f.hair->width, f.hair->height};
    }
    f.view = fit::frameFace(photoSize, *f.face, window, hairSize, f.opening);
    const fit::FaceBox& box = f.face->box;
    char text[160];
    std::snprintf(text, sizeof text, "face %d %d %d %d roll %.1f zoom %d view %d %d", box.x, box.y, box.w, box.h,
                  f.face->roll, f.view.zoom, f.view.viewX, f.view.viewY);
    f.line = text;
    if (f.hair) {
        f.place = fit::placeHair(*f.face, f.view, hairSize, f.opening);
        std::snprintf(text, sizeof text, " hair %d %d %d %d", f.place->left, f.place->top, f.place->width,
                      f.place->height);
        f.line += text;
    }
    f.line += "\nkeypoints";
    if (f.face->keypoints)
        for (const fit::Point& p : *f.face->keypoints) {
            std::snprintf(text, sizeof text, " %ld %ld", std::lround(p.x), std::lround(p.y));
            f.line += text;
        }
    else
        f.line += " none";
    return f;
}

int runFit(const std::vector<std::string>& args) {
    if (args.size() != 2 && args.size() != 3) {
        std::fputs("usage: velvo-img fit PHOTO [HAIR.GIF] OUT\n", stderr);
        return 2;
    }
    const fs::path outFile = args.back();
    const FitFraming f =
        frameForFit(args[0], args.size() == 3 ? std::optional<fs::path>(args[1]) : std::nullopt);
    const imaging::Raster picture =
        f.place ? fit::renderFramed(f.photo, f.view, fit::kDocumentWindow, &*f.hair, &*f.place)
                : fit::renderFramed(f.photo, f.view, fit::kDocumentWindow);
    if (!imaging::saveImageFile(outFile, picture))
        throw Error(outFile.string(), "no writer for this extension");
    std::printf("%s\n", f.line.c_str());
    return 0;
}
