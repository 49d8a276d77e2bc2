#pragma once
// The fallback face finder: OpenCV's cascades (2001's scheme), which see upright frontal faces
// only and give a box without landmarks.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fit/FaceDetector.h"
#include "imaging/codecs/Raster.h"

namespace velvo::fit {

class CascadeFinder : public FaceDetector {
public:
    // Looks for the cascades in `programFolder`/cascades first, then in the system's OpenCV
    // data folders. A finder without cascades finds nothing (available() is false).
    // Loading the three cascades costs about 12-16 ms of one core (more on a cold disk), so a
    // finder is made once and kept.
    explicit CascadeFinder(const std::filesystem::path& programFolder = {});
    // The same with another face cascade file name (looked for in the same folders), for
    // comparing cascades.
    CascadeFinder(const std::filesystem::path& programFolder, const std::string& faceCascade);
    ~CascadeFinder() override;
    CascadeFinder(const CascadeFinder&) = delete;
    CascadeFinder& operator=(const CascadeFinder&) = delete;

    // One finder serves one thread at a time (the cascades keep scratch state).
    bool available() const override;
    // The face find() gives, as the only one (the cascade looks for the largest).
    std::vector<Face> detect(const uint8_t* bgr, int width, int height, size_t stride) const override;
    // The three cascades, each found or not.
    std::vector<DetectorFile> files() const override;
    // The face cascade in use; empty when none was found.
    std::filesystem::path faceCascadeFile() const;

    // The first look over the whole photo is fast (LBP); the second, over the face's
    // neighbourhood only, is the more exact Haar cascade.
    static constexpr const char* kDefaultFaceCascade = "lbpcascade_frontalface.xml";
    static constexpr const char* kRefineCascade = "haarcascade_frontalface_alt2.xml";
    static constexpr const char* kEyeCascade = "haarcascade_eye.xml";
    // The longer side of the grey copy searched is 1 to 2 times this: faces from about 1/16
    // of the photo's longer side upwards are found.
    static constexpr int kWorkingSide = 480;

    // Where the cascades are looked for, in order: the program folder's own copies first.
    static std::vector<std::filesystem::path> cascadeFolders(const std::filesystem::path& programFolder);

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
