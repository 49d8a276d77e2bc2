#pragma once
// Finds the client's face in a photo, on the machine. Only this class knows OpenCV.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fit/Framing.h"
#include "imaging/codecs/Raster.h"

namespace velvo::fit {

class FaceFinder {
public:
    // Looks for the cascades in `programFolder`/cascades first, then in the system's OpenCV
    // data folders. A finder without cascades finds nothing (available() is false).
    explicit FaceFinder(const std::filesystem::path& programFolder = {});
    ~FaceFinder();
    FaceFinder(const FaceFinder&) = delete;
    FaceFinder& operator=(const FaceFinder&) = delete;

    bool available() const;

    // The largest frontal face, in photo pixels, refined by the eyes where they are found.
    // Works on a grey reduced copy; the photo is not changed.
    std::optional<FaceBox> find(const imaging::Raster& photo) const;
    // The same over rows of blue, green, red held elsewhere (a QImage::Format_BGR888's bits),
    // without copying them.
    std::optional<FaceBox> find(const uint8_t* bgr, int width, int height, size_t stride) const;
    // The same from a file; a JPEG is read reduced by DCT scaling. Throws velvo::Error when the
    // file cannot be read.
    std::optional<FaceBox> findInFile(const std::filesystem::path& photoFile) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velvo::fit
