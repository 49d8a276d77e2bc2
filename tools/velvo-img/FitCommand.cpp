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

int runFit(const std::vector<std::string>& args) {
    if (args.size() != 2 && args.size() != 3) {
        std::fputs("usage: velvo-img fit PHOTO [HAIR.GIF] OUT\n", stderr);
        return 2;
    }
    const fs::path photoFile = args[0], outFile = args.back();
    const imaging::Raster photo = load(photoFile);
    const fit::Size photoSize{photo.width, photo.height};
    const fit::Size window = fit::kDocumentWindow;

    std::optional<imaging::Raster> hair;
    fit::Opening opening = fit::defaultOpening(window);
    fit::Size hairSize = window;
    if (args.size() == 3) {
        hair = load(args[1]);
        const fit::OpeningResult r = fit::openingFor(args[1], *hair, fit::hairKey(*hair));
        if (!r.error.empty())
            std::fprintf(stderr, "velvo-img: %s (the measured opening is used)\n", r.error.c_str());
        opening = r.opening;
        hairSize = {hair->width, hair->height};
    }

    const fit::FaceFinder finder(programFolder());
    if (const std::string missing = finder.missingModels(); !missing.empty())
        std::fprintf(stderr, "velvo-img: %s\n", missing.c_str());
    if (!finder.available())
        std::fputs("velvo-img: no face model nor cascade found (install opencv-data)\n", stderr);
    const std::optional<fit::Face> face = finder.findInFile(photoFile);
    std::string line;
    imaging::Raster picture;
    if (!face) {
        picture = fit::renderFramed(photo, fit::fitWhole(photoSize, window), window);
        line = "face none";
    } else {
        if (hair) {
            fit::TurnedHair turned = fit::turnHair(*hair, fit::hairKey(*hair), opening, face->roll);
            hair = std::move(turned.picture);
            opening = turned.opening;
            hairSize = {hair->width, hair->height};
        }
        const fit::View view = fit::frameFace(photoSize, *face, window, hairSize, opening);
        const fit::FaceBox& box = face->box;
        char text[160];
        std::snprintf(text, sizeof text, "face %d %d %d %d roll %.1f zoom %d view %d %d", box.x, box.y, box.w,
                      box.h, face->roll, view.zoom, view.viewX, view.viewY);
        line = text;
        if (hair) {
            const fit::HairPlacement place = fit::placeHair(*face, view, hairSize, opening);
            std::snprintf(text, sizeof text, " hair %d %d %d %d", place.left, place.top, place.width,
                          place.height);
            line += text;
            picture = fit::renderFramed(photo, view, window, &*hair, &place);
        } else {
            picture = fit::renderFramed(photo, view, window);
        }
        line += "\nkeypoints";
        if (face->keypoints)
            for (const fit::Point& p : *face->keypoints) {
                std::snprintf(text, sizeof text, " %ld %ld", std::lround(p.x), std::lround(p.y));
                line += text;
            }
        else
            line += " none";
    }
    if (!imaging::saveImageFile(outFile, picture))
        throw Error(outFile.string(), "no writer for this extension");
    std::printf("%s\n", line.c_str());
    return 0;
}
