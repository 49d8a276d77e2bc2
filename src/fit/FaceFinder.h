#pragma once
// Finds the client's faces in a photo, on the machine: the landmark finder first, the cascades
// where it finds nothing (or has no model). Only the finders behind it know OpenCV.
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

class CascadeFinder;
class LandmarkFinder;

class FaceFinder {
public:
    // The models are looked for in `programFolder`/facemodels, the cascades as CascadeFinder
    // looks for them. Loading everything costs some 30 ms of one core, so a finder is made
    // once and kept; it serves one thread at a time.
    explicit FaceFinder(const std::filesystem::path& programFolder = {});
    ~FaceFinder();
    FaceFinder(const FaceFinder&) = delete;
    FaceFinder& operator=(const FaceFinder&) = delete;

    static constexpr const char* kModelFolder = "facemodels";

    // Some finder can look for faces.
    bool available() const;

    // Every face found, in photo pixels, the largest and most central first
    // (orderByProminence). Empty when none is found.
    std::vector<Face> findAll(const uint8_t* bgr, int width, int height, size_t stride) const;
    std::vector<Face> findAll(const imaging::Raster& photo) const;
    // The same from a file; a JPEG is read reduced by DCT scaling. Throws velvo::Error when the
    // file cannot be read.
    std::vector<Face> findAllInFile(const std::filesystem::path& photoFile) const;
    // The first of findAll().
    std::optional<Face> find(const imaging::Raster& photo) const;
    std::optional<Face> findInFile(const std::filesystem::path& photoFile) const;

    // Every model and cascade, where it was loaded from or why not, models first.
    std::vector<DetectorFile> files() const;
    // Empty when both models are loaded; otherwise one sentence for the stylist naming the
    // model files missing or damaged, and that the older finder is used instead.
    std::string missingModels() const;

private:
    std::unique_ptr<LandmarkFinder> landmarks_;
    std::unique_ptr<CascadeFinder> cascades_;
};

} // namespace velvo::fit
