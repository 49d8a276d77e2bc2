// velvo-img fit PHOTO [HAIR.GIF] OUT: frames the client's face as a document window would and
// writes what the window shows, with the hairstyle fitted over the face when one is given.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "Commands.h"
#include "fit/FaceFinder.h"
#include "fit/FramedRender.h"
#include "fit/HairOpening.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

namespace fs = std::filesystem;
using namespace velvo;

namespace {

// The folder the executable lies in: a program folder's own cascades come first there.
fs::path programFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
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
    if (!finder.available())
        std::fputs("velvo-img: no face cascade found (install opencv-data)\n", stderr);
    const std::optional<fit::FaceBox> face = finder.findInFile(photoFile);
    std::string line;
    imaging::Raster picture;
    if (!face) {
        picture = fit::renderFramed(photo, fit::fitWhole(photoSize, window), window);
        line = "face none";
    } else {
        const fit::View view = fit::frameFace(photoSize, *face, window, hairSize, opening);
        char text[160];
        std::snprintf(text, sizeof text, "face %d %d %d %d zoom %d view %d %d", face->x, face->y, face->w,
                      face->h, view.zoom, view.viewX, view.viewY);
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
    }
    if (!imaging::saveImageFile(outFile, picture))
        throw Error(outFile.string(), "no writer for this extension");
    std::printf("%s\n", line.c_str());
    return 0;
}
