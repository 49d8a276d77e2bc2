#include "fit/CascadeFinder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <system_error>

#include <opencv2/core.hpp>
#include <opencv2/objdetect.hpp>

#include "fit/GreyCopy.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "imaging/codecs/JpegThumbnail.h"

namespace fs = std::filesystem;

namespace velvo::fit {

namespace {

// Eye centres lie this far apart for a face box of width 1, as the Haar cascade frames a face
// (measured on the sample portrait and on its copies scaled 2.5 to 6 times: 0.43 .. 0.48).
constexpr double kEyeSpanPerFaceWidth = 0.45;
// The eyes' span is found in coarser steps than the mean of the face hits (its width varied by
// 12 % over the scaled copies against 5 % for the hits), so it only tempers the width; their
// midpoint is as steady as the hits' centre and counts half.
constexpr double kEyeWeightWidth = 0.25, kEyeWeightCentre = 0.5;

bool load(cv::CascadeClassifier& c, const std::vector<fs::path>& folders, const std::string& name,
          fs::path& found) {
    std::error_code ec;
    for (const fs::path& dir : folders) {
        const fs::path file = dir / name;
        if (!fs::is_regular_file(file, ec))
            continue;
        try {
            if (c.load(file.string()) && !c.empty()) {
                found = file;
                return true;
            }
        } catch (const cv::Exception&) {
            // A damaged copy in the program folder: the system's may still do.
        }
    }
    return false;
}

struct Box {
    double x, y, w, h;
};

// Where the second look is made: the first box's neighbourhood, resampled so the face is
// about kCropFace pixels wide whatever the photo's size. The same face framed the same way
// then gives the same box, wherever it sits in the photo and however large it is.
constexpr int kCropFace = 128;
constexpr int kCropSide = 2 * kCropFace;

cv::Mat matOf(const GreyCopy& g) {
    return cv::Mat(g.height, g.width, CV_8UC1, const_cast<uint8_t*>(g.pixels.data()));
}

} // namespace

struct CascadeFinder::Impl {
    mutable cv::CascadeClassifier face, refine, eyes;
    bool haveFace = false, haveRefine = false, haveEyes = false;
    fs::path faceFile, refineFile, eyesFile;
    std::vector<fs::path> folders;
    std::string faceName;

    // OpenCV reports its own faults by exception; for the studio they mean no face was found.
    std::optional<Box> detectSafely(const uint8_t* bgr, int width, int height, size_t stride) const {
        try {
            return detect(bgr, width, height, stride);
        } catch (const cv::Exception&) {
            return std::nullopt;
        }
    }

    // The face in pixels of the picture given (which may itself be a reduced photo).
    std::optional<Box> detect(const uint8_t* bgr, int width, int height, size_t stride) const {
        const GreyCopy grey = reducedGrey(bgr, width, height, stride, kWorkingSide);
        if (!haveFace || grey.width < kMinFace || grey.height < kMinFace)
            return std::nullopt;
        // A coarse first look (few scales, few neighbours) finds the candidates quickly; the
        // second look over each one's neighbourhood confirms it and gives the exact box.
        std::vector<cv::Rect> faces;
        face.detectMultiScale(matOf(grey), faces, 1.15, 2, 0, cv::Size(kMinFace, kMinFace));
        std::sort(faces.begin(), faces.end(), [](const cv::Rect& a, const cv::Rect& b) { return a.area() > b.area(); });
        const double kx = double(width) / grey.width, ky = double(height) / grey.height;
        for (size_t i = 0; i < faces.size() && i < kMaxCandidates; ++i) {
            const cv::Rect& f = faces[i];
            Box box{f.x * kx, f.y * ky, f.width * kx, f.height * ky};
            if (!haveRefine)
                return box;
            if (refineClose(bgr, width, height, stride, box))
                return box;
        }
        return std::nullopt;
    }

    bool refineClose(const uint8_t* bgr, int width, int height, size_t stride, Box& box) const {
        const double side = 2 * std::max(box.w, box.h);
        const double cx = box.x + box.w / 2, cy = box.y + box.h / 2;
        const double x0 = cx - side / 2, y0 = cy - side / 2, k = side / kCropSide;
        const GreyCopy crop = greyCrop(bgr, width, height, stride, x0, y0, side, side, kCropSide, kCropSide);
        const cv::Mat m = matOf(crop);
        // Every raw hit, not the grouped ones: the hits of one face come at several scales and
        // offsets, and their mean moves smoothly with the face where a single grouped box jumps
        // by a whole scale step.
        std::vector<cv::Rect> hits;
        refine.detectMultiScale(m, hits, 1.02, 0, 0, cv::Size(kCropFace * 3 / 4, kCropFace * 3 / 4),
                                cv::Size(kCropFace * 4 / 3, kCropFace * 4 / 3));
        const double centre = kCropSide / 2.0;
        double sx = 0, sy = 0, sw = 0, sh = 0;
        int n = 0;
        for (const cv::Rect& r : hits)
            if (std::hypot(r.x + r.width / 2.0 - centre, r.y + r.height / 2.0 - centre) < 0.25 * kCropFace) {
                sx += r.x, sy += r.y, sw += r.width, sh += r.height;
                ++n;
            }
        // A lone hit is as likely a pattern in the background as a face.
        if (n < 3)
            return false;
        const cv::Rect f(int(std::lround(sx / n)), int(std::lround(sy / n)), int(std::lround(sw / n)),
                         int(std::lround(sh / n)));
        Box inCrop{sx / n, sy / n, sw / n, sh / n};
        refineByEyes(m, f, inCrop);
        box = {x0 + inCrop.x * k, y0 + inCrop.y * k, inCrop.w * k, inCrop.h * k};
        return true;
    }

    // Two eyes level with each other, one either side of the box's middle, in its upper half:
    // their midpoint is a steadier centre than the box's, and their span a steadier width.
    void refineByEyes(const cv::Mat& m, const cv::Rect& f, Box& box) const {
        if (!haveEyes)
            return;
        const cv::Rect upper = cv::Rect(f.x, f.y, f.width, f.height / 2) & cv::Rect(0, 0, m.cols, m.rows);
        if (upper.width < 40 || upper.height < 20)
            return;
        std::vector<cv::Rect> found;
        eyes.detectMultiScale(m(upper), found, 1.1, 3, 0, cv::Size(20, 20), cv::Size(f.width / 2, f.width / 2));
        const double mid = f.width / 2.0;
        std::optional<cv::Rect> left, right;
        for (const cv::Rect& e : found) {
            const double cx = e.x + e.width / 2.0;
            std::optional<cv::Rect>& side = cx < mid ? left : right;
            if (!side || e.area() > side->area())
                side = e;
        }
        if (!left || !right)
            return;
        const double lx = f.x + left->x + left->width / 2.0, rx = f.x + right->x + right->width / 2.0;
        const double ly = left->y + left->height / 2.0, ry = right->y + right->height / 2.0;
        const double span = rx - lx;
        if (span < 0.3 * f.width || span > 0.55 * f.width || std::abs(ly - ry) > 0.12 * f.width)
            return;
        const double width = (1 - kEyeWeightWidth) * box.w + kEyeWeightWidth * span / kEyeSpanPerFaceWidth;
        const double centreX =
            (1 - kEyeWeightCentre) * (box.x + box.w / 2) + kEyeWeightCentre * (lx + rx) / 2.0;
        box.x = centreX - width / 2;
        box.w = width;
    }

    static constexpr int kMinFace = 24; // the LBP cascade's own window
    static constexpr size_t kMaxCandidates = 3;
};

CascadeFinder::CascadeFinder(const fs::path& programFolder) : CascadeFinder(programFolder, kDefaultFaceCascade) {}

CascadeFinder::CascadeFinder(const fs::path& programFolder, const std::string& faceCascade)
    : impl_(std::make_unique<Impl>()) {
    const auto folders = CascadeFinder::cascadeFolders(programFolder);
    impl_->folders = folders;
    impl_->faceName = faceCascade;
    impl_->haveFace = load(impl_->face, folders, faceCascade, impl_->faceFile);
    impl_->haveRefine = impl_->haveFace && load(impl_->refine, folders, kRefineCascade, impl_->refineFile);
    impl_->haveEyes = impl_->haveFace && load(impl_->eyes, folders, kEyeCascade, impl_->eyesFile);
}

std::vector<Face> CascadeFinder::detect(const uint8_t* bgr, int width, int height, size_t stride) const {
    std::vector<Face> faces;
    if (const auto box = find(bgr, width, height, stride))
        faces.emplace_back(*box);
    return faces;
}

std::vector<DetectorFile> CascadeFinder::files() const {
    std::string where;
    for (const fs::path& dir : impl_->folders)
        where += (where.empty() ? "" : ", ") + dir.string();
    auto entry = [&](const char* role, const std::string& name, bool tried, const fs::path& file) {
        DetectorFile f{role, name, file, {}};
        if (file.empty())
            f.problem = tried ? "not found, or damaged, in " + where : "not loaded without the face cascade";
        return f;
    };
    return {entry("face cascade", impl_->faceName, true, impl_->faceFile),
            entry("refining cascade", kRefineCascade, impl_->haveFace, impl_->refineFile),
            entry("eye cascade", kEyeCascade, impl_->haveFace, impl_->eyesFile)};
}

CascadeFinder::~CascadeFinder() = default;

bool CascadeFinder::available() const {
    return impl_->haveFace;
}

fs::path CascadeFinder::faceCascadeFile() const {
    return impl_->faceFile;
}

std::optional<FaceBox> CascadeFinder::find(const imaging::Raster& photo) const {
    if (photo.empty() || photo.pixels.size() < size_t(photo.height) * photo.stride())
        return std::nullopt;
    return find(photo.pixels.data(), photo.width, photo.height, photo.stride());
}

namespace {
FaceBox toPhoto(const Box& b, double sx, double sy, int photoW, int photoH) {
    FaceBox f;
    f.x = std::clamp(int(std::lround(b.x * sx)), 0, photoW - 1);
    f.y = std::clamp(int(std::lround(b.y * sy)), 0, photoH - 1);
    f.w = std::clamp(int(std::lround(b.w * sx)), 1, photoW - f.x);
    f.h = std::clamp(int(std::lround(b.h * sy)), 1, photoH - f.y);
    return f;
}
} // namespace

std::optional<FaceBox> CascadeFinder::find(const uint8_t* bgr, int width, int height, size_t stride) const {
    if (!bgr || width <= 0 || height <= 0 || stride < size_t(width) * 3 || !available())
        return std::nullopt;
    const auto box = impl_->detectSafely(bgr, width, height, stride);
    if (!box)
        return std::nullopt;
    return toPhoto(*box, 1, 1, width, height);
}

std::optional<FaceBox> CascadeFinder::findInFile(const fs::path& photoFile) const {
    const std::string name = photoFile.string();
    std::string ext = photoFile.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") {
        const std::vector<uint8_t> bytes = imaging::readFile(photoFile);
        imaging::JpegThumbnailInfo info;
        // DCT scaling gives the short side at least this much, which keeps the long side at
        // about the working size for ordinary photo proportions.
        const int atLeast = kWorkingSide * 3 / 4;
        const imaging::Raster small = imaging::decodeJpegAtLeast(bytes, name, atLeast, atLeast, &info);
        if (!available() || small.empty())
            return std::nullopt;
        const auto box = impl_->detectSafely(small.pixels.data(), small.width, small.height, small.stride());
        if (!box)
            return std::nullopt;
        return toPhoto(*box, double(info.fullWidth) / small.width, double(info.fullHeight) / small.height,
                       info.fullWidth, info.fullHeight);
    }
    const std::optional<imaging::Raster> photo = imaging::loadImageFile(photoFile);
    if (!photo)
        throw Error(name, "not a picture format the studio reads");
    return find(*photo);
}

std::vector<fs::path> CascadeFinder::cascadeFolders(const fs::path& programFolder) {
    std::vector<fs::path> folders;
    if (!programFolder.empty())
        folders.push_back(programFolder / "cascades");
    for (const char* dir : {"/usr/share/opencv4/haarcascades", "/usr/share/opencv4/lbpcascades",
                            "/usr/share/opencv/haarcascades", "/usr/share/opencv/lbpcascades"})
        folders.emplace_back(dir);
    return folders;
}

} // namespace velvo::fit
