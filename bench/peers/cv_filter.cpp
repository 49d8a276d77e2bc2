// velvo-img's filter job written with OpenCV, for the whole-process benchmark: colour offsets,
// lightness, saturation and sharpen on a 24-bit bitmap file, on one thread.
// Usage: cv_filter IN OUT RED GREEN BLUE LIGHTNESS SATURATION SHARPEN
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

int main(int argc, char** argv) {
    if (argc != 9) {
        std::fputs("usage: cv_filter IN OUT RED GREEN BLUE LIGHTNESS SATURATION SHARPEN\n", stderr);
        return 2;
    }
    cv::setNumThreads(1);
    const int red = std::atoi(argv[3]), green = std::atoi(argv[4]), blue = std::atoi(argv[5]);
    const int lightness = std::atoi(argv[6]), saturation = std::atoi(argv[7]);
    const int distance = std::atoi(argv[8]);
    cv::Mat picture = cv::imread(argv[1], cv::IMREAD_COLOR);
    if (picture.empty())
        return 1;
    // Offsets, then lightness toward white or black, in one table per channel.
    cv::Mat table(1, 256, CV_8UC3);
    const int offsets[3] = {blue, green, red};
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) {
            const int v = std::clamp(i + offsets[c], 0, 255);
            const int lit =
                lightness >= 0 ? v + (255 - v) * lightness / 255 : v + v * lightness / 255;
            table.at<cv::Vec3b>(i)[c] = uint8_t(std::clamp(lit, 0, 255));
        }
    cv::LUT(picture, table, picture);
    // Saturation: each channel moved from the pixel's grey by saturation / 256.
    const float k = float(saturation) / 256.f, g = (1.f - k) / 3.f;
    const cv::Matx33f mix(k + g, g, g, g, k + g, g, g, g, k + g);
    cv::transform(picture, picture, mix);
    // Sharpen: twice the centre less the mean of the eight neighbours at the distance.
    const int side = 2 * distance + 1;
    cv::Mat kernel = cv::Mat::zeros(side, side, CV_32F);
    for (int y : {0, distance, side - 1})
        for (int x : {0, distance, side - 1})
            kernel.at<float>(y, x) = -1.f / 8.f;
    kernel.at<float>(distance, distance) = 2.f;
    cv::Mat sharpened;
    cv::filter2D(picture, sharpened, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    return cv::imwrite(argv[2], sharpened) ? 0 : 1;
}
