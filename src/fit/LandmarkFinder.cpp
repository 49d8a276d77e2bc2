#include "fit/LandmarkFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <system_error>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

namespace fs = std::filesystem;

namespace velvo::fit {

namespace {

// Both models answer with two grids of anchors: a fine one with 2 anchors a cell and a coarse
// one with 6 (the coarser layers of the network share its cells), 512 + 384 = 896 in all.
// The grids' strides are those of the network's input: 8 and 16 pixels for the front model's
// 128, 16 and 32 for the back model's 256. Each anchor's regressor holds 16 numbers: the box's
// centre offset, width and height, then six (x, y) points, all in input pixels relative to the
// anchor's centre; its classifier a logit.
constexpr int kAnchorsPerCell[2] = {2, 6};
constexpr int kRegressorLength = 4 + 2 * kKeypointCount;

struct Anchor {
    float x, y; // cell centre, in input pixels
};

struct Model {
    const char* role;
    const char* name;
    int side;
    int strides[2];
    // Faces narrower than this share of the input are left to the other model: the front
    // model still finds them, but reads their eye line some degrees off (measured on the sample
    // portrait at 1/5 of the frame: 4 to 20 degrees against the back model's 1).
    double leastShare;
    cv::dnn::Net net;
    std::vector<cv::String> outputs; // fine scores, coarse scores, fine boxes, coarse boxes
    std::vector<Anchor> anchors;
    fs::path file;
    std::string problem;
    bool loaded() const { return !file.empty(); }
};

std::vector<Anchor> anchorsFor(const Model& m) {
    std::vector<Anchor> a;
    for (int layer = 0; layer < 2; ++layer) {
        const int cells = m.side / m.strides[layer];
        for (int y = 0; y < cells; ++y)
            for (int x = 0; x < cells; ++x)
                for (int k = 0; k < kAnchorsPerCell[layer]; ++k)
                    a.push_back(
                        {float((x + 0.5) * m.strides[layer]), float((y + 0.5) * m.strides[layer])});
    }
    return a;
}

size_t cellsOf(const Model& m, int layer) {
    const size_t cells = size_t(m.side / m.strides[layer]);
    return cells * cells * kAnchorsPerCell[layer];
}

// A detection in the network's input pixels, before merging.
struct Raw {
    float score;
    float x0, y0, x1, y1;
    std::array<float, 2 * kKeypointCount> points;
};

float overlap(const Raw& a, const Raw& b) {
    const float w = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
    const float h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
    if (w <= 0 || h <= 0)
        return 0;
    const float inter = w * h;
    return inter / ((a.x1 - a.x0) * (a.y1 - a.y0) + (b.x1 - b.x0) * (b.y1 - b.y0) - inter);
}

// The network answers each face with several neighbouring anchors; their confidence-weighted
// mean is steadier than the best one alone, which matters for the roll read off two points.
std::vector<Raw> merge(std::vector<Raw> raws, double sameFace) {
    std::sort(raws.begin(), raws.end(),
              [](const Raw& a, const Raw& b) { return a.score > b.score; });
    std::vector<Raw> kept;
    std::vector<bool> used(raws.size(), false);
    for (size_t i = 0; i < raws.size(); ++i) {
        if (used[i])
            continue;
        Raw sum{raws[i].score, 0, 0, 0, 0, {}};
        float weight = 0;
        for (size_t j = i; j < raws.size(); ++j) {
            if (used[j] || overlap(raws[i], raws[j]) <= sameFace)
                continue;
            used[j] = true;
            const float w = raws[j].score;
            weight += w;
            sum.x0 += w * raws[j].x0, sum.y0 += w * raws[j].y0, sum.x1 += w * raws[j].x1,
                sum.y1 += w * raws[j].y1;
            for (size_t k = 0; k < sum.points.size(); ++k)
                sum.points[k] += w * raws[j].points[k];
        }
        sum.x0 /= weight, sum.y0 /= weight, sum.x1 /= weight, sum.y1 /= weight;
        for (float& p : sum.points)
            p /= weight;
        kept.push_back(sum);
    }
    return kept;
}

} // namespace

struct LandmarkFinder::Impl {
    fs::path folder;
    // Mutable: OpenCV's forward pass keeps its buffers in the net.
    mutable std::array<Model, 2> models{
        Model{"front model", kFrontModel, 128, {8, 16}, 0.3, {}, {}, {}, {}, {}},
        Model{"back model", kBackModel, 256, {16, 32}, 0.0, {}, {}, {}, {}, {}}};

    void load(Model& m) {
        const fs::path file = folder / m.name;
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) {
            m.problem = "not found in " + folder.string();
            return;
        }
        m.anchors = anchorsFor(m);
        try {
            m.net = cv::dnn::readNetFromONNX(file.string());
            m.outputs = m.net.getUnconnectedOutLayersNames();
            if (m.net.empty() || m.outputs.size() != 4) {
                m.problem = "not the face detector's model (its outputs differ)";
                return;
            }
            std::vector<Raw> ignored;
            if (!run(m, cv::Mat(m.side, m.side, CV_8UC3, cv::Scalar(0, 0, 0)), ignored)) {
                m.problem = "not the face detector's model (its outputs have other sizes)";
                return;
            }
        } catch (const cv::Exception& e) {
            m.problem = "damaged: " + std::string(e.what()).substr(0, 200);
            return;
        }
        m.file = file;
    }

    // `input` is the letterboxed photo, side x side BGR; false when the answer's shape is not
    // the one decoded here.
    bool run(Model& m, const cv::Mat& input, std::vector<Raw>& found) const {
        // NHWC, red first, -1..1.
        cv::Mat tensor({1, m.side, m.side, 3}, CV_32F);
        float* t = tensor.ptr<float>();
        for (int y = 0; y < m.side; ++y) {
            const uint8_t* p = input.ptr<uint8_t>(y);
            for (int x = 0; x < m.side; ++x, p += 3, t += 3) {
                t[0] = p[2] / 127.5f - 1.f;
                t[1] = p[1] / 127.5f - 1.f;
                t[2] = p[0] / 127.5f - 1.f;
            }
        }
        m.net.setInput(tensor);
        std::vector<cv::Mat> out;
        m.net.forward(out, m.outputs);
        if (out.size() != 4)
            return false;
        size_t first = 0;
        for (int layer = 0; layer < 2; ++layer) {
            const cv::Mat& scores = out[size_t(layer)];
            const cv::Mat& boxes = out[size_t(layer) + 2];
            const size_t n = cellsOf(m, layer);
            if (scores.type() != CV_32F || boxes.type() != CV_32F || !scores.isContinuous() ||
                !boxes.isContinuous() || scores.total() != n ||
                boxes.total() != n * kRegressorLength)
                return false;
            decode(m, scores.ptr<float>(), boxes.ptr<float>(), first, n, found);
            first += n;
        }
        return true;
    }

    static void decode(const Model& m, const float* scores, const float* boxes, size_t first,
                       size_t n, std::vector<Raw>& found) {
        const float minLogit = float(std::log(kMinScore / (1 - kMinScore)));
        for (size_t i = 0; i < n; ++i) {
            if (!(scores[i] >= minLogit))
                continue;
            const float* r = boxes + i * kRegressorLength;
            const Anchor& a = m.anchors[first + i];
            const float cx = a.x + r[0], cy = a.y + r[1], w = std::abs(r[2]), h = std::abs(r[3]);
            if (!(w > 1 && h > 1) || !std::isfinite(cx) || !std::isfinite(cy) ||
                w < m.leastShare * m.side)
                continue;
            Raw raw{float(1 / (1 + std::exp(-std::min(scores[i], 100.f)))),
                    cx - w / 2,
                    cy - h / 2,
                    cx + w / 2,
                    cy + h / 2,
                    {}};
            for (int k = 0; k < 2 * kKeypointCount; k += 2) {
                raw.points[size_t(k)] = a.x + r[4 + k];
                raw.points[size_t(k) + 1] = a.y + r[5 + k];
            }
            found.push_back(raw);
        }
    }
};

LandmarkFinder::LandmarkFinder(const fs::path& modelFolder) : impl_(std::make_unique<Impl>()) {
    impl_->folder = modelFolder;
    for (Model& m : impl_->models)
        impl_->load(m);
}

LandmarkFinder::~LandmarkFinder() = default;

bool LandmarkFinder::available() const {
    return impl_->models[0].loaded() || impl_->models[1].loaded();
}

bool LandmarkFinder::complete() const {
    return impl_->models[0].loaded() && impl_->models[1].loaded();
}

std::vector<DetectorFile> LandmarkFinder::files() const {
    std::vector<DetectorFile> list;
    for (const Model& m : impl_->models)
        list.push_back({m.role, m.name, m.file, m.problem});
    return list;
}

std::vector<Face> LandmarkFinder::detect(const uint8_t* bgr, int width, int height,
                                         size_t stride) const {
    std::vector<Face> faces;
    if (!bgr || width <= 0 || height <= 0 || stride < size_t(width) * 3 || !available())
        return faces;
    // Each model sees the whole photo, shrunk to its side and centred on a black square.
    const int longer = std::max(width, height);
    std::vector<Raw> raws;
    try {
        const cv::Mat full(height, width, CV_8UC3, const_cast<uint8_t*>(bgr), stride);
        // A large photo is first averaged down by a whole factor to about twice the larger
        // model's side: OpenCV's area resize has a fast path for whole factors only, and the
        // general one costs a 12-megapixel photo some 40 ms. The few rows and columns the
        // factor leaves over at the right and bottom edges are dropped.
        const int factor = longer / (2 * impl_->models[1].side);
        cv::Mat photo = full;
        if (factor >= 2) {
            const int fw = width / factor, fh = height / factor;
            cv::resize(full(cv::Rect(0, 0, fw * factor, fh * factor)), photo, cv::Size(fw, fh), 0, 0,
                       cv::INTER_AREA);
        }
        // Photo pixels per pixel of `photo`, and its longer side.
        const int step = factor >= 2 ? factor : 1;
        const int reduced = std::max(photo.cols, photo.rows);
        // The back model first: it sees faces of every size. The front model, a sixth of its
        // cost, is asked only when no face was found or one is large enough for it to read
        // better; smaller ones it would leave anyway.
        Model& front = impl_->models[0];
        for (Model* model : {&impl_->models[1], &front}) {
            Model& m = *model;
            if (!m.loaded())
                continue;
            if (&m == &front && !raws.empty()) {
                float widest = 0;
                for (const Raw& r : raws)
                    widest = std::max(widest, r.x1 - r.x0);
                if (widest < 0.8 * front.leastShare * longer)
                    continue;
            }
            const int w = std::max(1, int(std::lround(double(photo.cols) * m.side / reduced)));
            const int h = std::max(1, int(std::lround(double(photo.rows) * m.side / reduced)));
            cv::Mat input(m.side, m.side, CV_8UC3, cv::Scalar(0, 0, 0));
            const int ox = (m.side - w) / 2, oy = (m.side - h) / 2;
            cv::resize(photo, input(cv::Rect(ox, oy, w, h)), cv::Size(w, h), 0, 0, cv::INTER_AREA);
            std::vector<Raw> found;
            if (!impl_->run(m, input, found))
                continue;
            // Into photo pixels, so both models' detections can be merged.
            const double kx = double(photo.cols) * step / w, ky = double(photo.rows) * step / h;
            for (Raw& r : found) {
                r.x0 = float((r.x0 - ox) * kx), r.x1 = float((r.x1 - ox) * kx);
                r.y0 = float((r.y0 - oy) * ky), r.y1 = float((r.y1 - oy) * ky);
                for (size_t k = 0; k < r.points.size(); k += 2) {
                    r.points[k] = float((r.points[k] - ox) * kx);
                    r.points[k + 1] = float((r.points[k + 1] - oy) * ky);
                }
                raws.push_back(r);
            }
        }
    } catch (const cv::Exception&) {
        // OpenCV reports its own faults by exception; for the studio they mean no face.
        return faces;
    }
    for (const Raw& r : merge(std::move(raws), kSameFace)) {
        FaceBox box;
        box.x = std::clamp(int(std::lround(r.x0)), 0, width - 1);
        box.y = std::clamp(int(std::lround(r.y0)), 0, height - 1);
        box.w = std::clamp(int(std::lround(r.x1)) - box.x, 1, width - box.x);
        box.h = std::clamp(int(std::lround(r.y1)) - box.y, 1, height - box.y);
        Keypoints points;
        for (size_t k = 0; k < points.size(); ++k)
            points[k] = {r.points[2 * k], r.points[2 * k + 1]};
        faces.push_back(faceFromKeypoints(box, points, r.score));
    }
    return faces;
}

} // namespace velvo::fit
