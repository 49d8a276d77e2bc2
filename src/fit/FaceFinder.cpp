#include "fit/FaceFinder.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "fit/CascadeFinder.h"
#include "fit/LandmarkFinder.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "imaging/codecs/JpegThumbnail.h"

namespace fs = std::filesystem;

namespace velvo::fit {

namespace {

// The reduced JPEG's shorter side is at least this: the back model looks at 256 pixels and the
// cascades at about 480 on the longer side.
constexpr int kReducedJpegSide = CascadeFinder::kWorkingSide * 3 / 4;

void scaleFaces(std::vector<Face>& faces, double sx, double sy, int photoW, int photoH) {
    for (Face& f : faces) {
        FaceBox& b = f.box;
        const int x0 = std::clamp(int(std::lround(b.x * sx)), 0, photoW - 1);
        const int y0 = std::clamp(int(std::lround(b.y * sy)), 0, photoH - 1);
        b = {x0, y0, std::clamp(int(std::lround(b.w * sx)), 1, photoW - x0),
             std::clamp(int(std::lround(b.h * sy)), 1, photoH - y0)};
        if (f.keypoints)
            for (Point& p : *f.keypoints)
                p = {p.x * sx, p.y * sy};
    }
}

} // namespace

FaceFinder::FaceFinder(const fs::path& programFolder)
    : landmarks_(std::make_unique<LandmarkFinder>(
          programFolder.empty() ? fs::path() : programFolder / kModelFolder)),
      cascades_(std::make_unique<CascadeFinder>(programFolder)) {}

FaceFinder::~FaceFinder() = default;

bool FaceFinder::available() const {
    return landmarks_->available() || cascades_->available();
}

std::vector<Face> FaceFinder::findAll(const uint8_t* bgr, int width, int height,
                                      size_t stride) const {
    if (!bgr || width <= 0 || height <= 0 || stride < size_t(width) * 3)
        return {};
    std::vector<Face> faces = landmarks_->detect(bgr, width, height, stride);
    if (faces.empty())
        faces = cascades_->detect(bgr, width, height, stride);
    orderByProminence(faces, width, height);
    return faces;
}

std::vector<Face> FaceFinder::findAll(const imaging::Raster& photo) const {
    if (photo.empty() || photo.pixels.size() < size_t(photo.height) * photo.stride())
        return {};
    return findAll(photo.pixels.data(), photo.width, photo.height, photo.stride());
}

std::vector<Face> FaceFinder::findAllInFile(const fs::path& photoFile) const {
    std::string ext = photoFile.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") {
        const std::vector<uint8_t> bytes = imaging::readFile(photoFile);
        imaging::JpegThumbnailInfo info;
        const imaging::Raster small = imaging::decodeJpegAtLeast(
            bytes, photoFile.string(), kReducedJpegSide, kReducedJpegSide, &info);
        std::vector<Face> faces = findAll(small);
        if (!small.empty())
            scaleFaces(faces, double(info.fullWidth) / small.width,
                       double(info.fullHeight) / small.height, info.fullWidth, info.fullHeight);
        return faces;
    }
    const std::optional<imaging::Raster> photo = imaging::loadImageFile(photoFile);
    if (!photo)
        throw Error(photoFile.string(), "not a picture format the studio reads");
    return findAll(*photo);
}

std::optional<Face> FaceFinder::find(const imaging::Raster& photo) const {
    std::vector<Face> faces = findAll(photo);
    return faces.empty() ? std::nullopt : std::optional<Face>(faces.front());
}

std::optional<Face> FaceFinder::findInFile(const fs::path& photoFile) const {
    std::vector<Face> faces = findAllInFile(photoFile);
    return faces.empty() ? std::nullopt : std::optional<Face>(faces.front());
}

std::vector<DetectorFile> FaceFinder::files() const {
    std::vector<DetectorFile> all = landmarks_->files();
    for (DetectorFile& f : cascades_->files())
        all.push_back(std::move(f));
    return all;
}

std::string FaceFinder::missingModels() const {
    if (landmarks_->complete())
        return {};
    std::string names;
    for (const DetectorFile& f : landmarks_->files())
        if (!f.loaded())
            names += (names.empty() ? "" : "; ") + f.name + " (" + f.problem + ")";
    return "Modelo de detecção de rosto ausente: " + names +
           (landmarks_->available()
                ? ". Rostos menores ou maiores podem não ser encontrados."
                : ". O enquadramento usa o detector antigo, só para rostos retos.");
}

} // namespace velvo::fit
