#include <cstdio>

#include "Commands.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/ImageFile.h"

using namespace velvo::imaging;

void warnIfIncomplete(const std::string& file, const Raster& picture) {
    if (picture.incomplete)
        std::fprintf(stderr,
                     "velvo-img: warning: %s: the picture is incomplete (the file is cut short or "
                     "damaged); the part that could not be read is filled\n",
                     file.c_str());
}

int runConvert(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fputs("usage: velvo-img convert IN OUT\n", stderr);
        return 2;
    }
    std::optional<Raster> picture = loadImageFile(args[0]);
    if (!picture) {
        std::fprintf(stderr, "velvo-img: %s: no reader for this file name extension\n", args[0].c_str());
        return 1;
    }
    warnIfIncomplete(args[0], *picture);
    if (!saveImageFile(args[1], *picture)) {
        std::fprintf(stderr, "velvo-img: %s: no writer for this file name extension\n", args[1].c_str());
        return 1;
    }
    return 0;
}

int runInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs("usage: velvo-img info FILE\n", stderr);
        return 2;
    }
    const ImageFormat format = detectFileFormat(args[0], false);
    if (format == ImageFormat::None) {
        std::fprintf(stderr, "velvo-img: %s: not a picture file this program knows\n", args[0].c_str());
        return 1;
    }
    // Read by the detected format rather than the extension, so a misnamed file still reports.
    const FileBytes data(args[0]);
    std::optional<Raster> picture = decodeByFormat(format, data.bytes(), args[0]);
    warnIfIncomplete(args[0], *picture);
    std::printf("%s %dx%d\n", formatName(format), picture->width, picture->height);
    return 0;
}
