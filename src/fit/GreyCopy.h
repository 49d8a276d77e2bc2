#pragma once
// The small grey picture the face finder works on, made without OpenCV's image processing.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velvo::fit {

struct GreyCopy {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels; // rows of `width` bytes
};

// Blue-green-red rows reduced by a whole factor (the largest that keeps the longer side at
// least `longSide`, so it ends below twice that; each output pixel the mean of its f x f block; the last partial blocks
// are left out), made grey (0.299 R + 0.587 G + 0.114 B) and equalised so a dim or flat photo
// spreads over the whole grey range.
GreyCopy reducedGrey(const uint8_t* bgr, int width, int height, size_t stride, int longSide);

// The grey of the photo area (x, y, w, h) in photo pixels, resampled to outW x outH: the mean
// of each output pixel's footprint when reducing, bilinear when enlarging; outside the photo
// the nearest edge pixel. Equalised like reducedGrey.
GreyCopy greyCrop(const uint8_t* bgr, int width, int height, size_t stride, double x, double y,
                  double w, double h, int outW, int outH);

// Histogram equalisation in place: each grey becomes its rank in the cumulative histogram,
// spread over 0..255 from the darkest grey present.
void equalise(GreyCopy& grey);

} // namespace velvo::fit
