#pragma once
// The face finder with landmarks: MediaPipe's BlazeFace, its front model (128 x 128, faces that
// fill the photo) and its back model (256 x 256, smaller faces), run by OpenCV's DNN module.
// Finds faces rolled well past 40 degrees, with both eyes, nose tip, mouth and both ears.
#include <filesystem>
#include <memory>

#include "fit/FaceDetector.h"

namespace velvo::fit {

class LandmarkFinder : public FaceDetector {
public:
    static constexpr const char* kFrontModel = "face_detection_front_128x128_barracuda.onnx";
    static constexpr const char* kBackModel = "face_detection_back_256x256_barracuda.onnx";
    // Below this confidence a patch of skin, a print on a shirt or a pattern in the wallpaper
    // passes for a face more often than a real face is missed.
    static constexpr double kMinScore = 0.6;
    // Detections of one face overlap by more than this (intersection over union).
    static constexpr double kSameFace = 0.3;

    // Loads whichever of the two models `modelFolder` holds. A model that cannot be read is
    // reported by files() and the other one still serves. Loading runs each model once, so
    // the first photo does not pay OpenCV's set-up.
    explicit LandmarkFinder(const std::filesystem::path& modelFolder);
    ~LandmarkFinder() override;
    LandmarkFinder(const LandmarkFinder&) = delete;
    LandmarkFinder& operator=(const LandmarkFinder&) = delete;

    // At least one model loaded.
    bool available() const override;
    // Both models loaded.
    bool complete() const;
    // Every face either model finds, overlapping detections merged (weighted by confidence).
    std::vector<Face> detect(const uint8_t* bgr, int width, int height,
                             size_t stride) const override;
    std::vector<DetectorFile> files() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velvo::fit
