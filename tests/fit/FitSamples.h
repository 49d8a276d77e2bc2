#pragma once
// Pictures the face framing checks share: the sample portrait, copies of it scaled into a
// large canvas, and a finder or a reason to skip.
#include <filesystem>
#include <optional>
#include <string>

#include "fit/CascadeFinder.h"
#include "fit/FaceFinder.h"
#include "imaging/codecs/ImageFile.h"

namespace velvo::fit::testing {

inline const std::filesystem::path kProgram = VELVO_PROGRAM_DIR;

// The sample portrait (its face near (225, 115), about 100 pixels wide as the cascades frame
// it), or nothing when the build has none.
inline std::optional<imaging::Raster> portrait() {
    const std::filesystem::path file = kProgram / "Modelo.JPG";
    if (!std::filesystem::exists(file))
        return std::nullopt;
    return imaging::loadImageFile(file);
}

// `p` enlarged `scale` times (nearest pixels) with its top-left at (x, y) of a grey-blue
// width x height canvas.
inline imaging::Raster placed(const imaging::Raster& p, int scale, int x, int y, int width, int height) {
    imaging::Raster c = imaging::Raster::create(width, height, "canvas", {90, 110, 130});
    for (int cy = std::max(0, y); cy < std::min(height, y + p.height * scale); ++cy)
        for (int cx = std::max(0, x); cx < std::min(width, x + p.width * scale); ++cx)
            c.set(cx, cy, p.at((cx - x) / scale, (cy - y) / scale));
    return c;
}

} // namespace velvo::fit::testing

// Skips the test when no face cascade is installed; otherwise `finder` is ready.
#define VELVO_CASCADES_OR_SKIP(finder)                                                              \
    const velvo::fit::CascadeFinder finder(velvo::fit::testing::kProgram);                          \
    if (!finder.available())                                                                        \
        GTEST_SKIP() << "no face cascade in " << velvo::fit::testing::kProgram / "cascades"         \
                     << " nor in the system's OpenCV data folders (Debian's opencv-data)"
