#pragma once
// The engine's two colour operations on a 24-bit image, and the hue/saturation/value model
// they share with the colour picker: hue 0..359, saturation and value 0..99.
#include <QImage>
#include <QPolygon>
#include <QRect>
#include <cstdint>

namespace velvo::imaging {

struct Hsv {
    int h = 0, s = 0, v = 0;
    friend bool operator==(const Hsv&, const Hsv&) = default;
};
struct Rgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Channels 0..255 to the model. Channels are first scaled to 0..99 with rounding half to
// even; the divisions truncate toward zero; ties for the maximum go to red, then green.
Hsv rgbToHsv(int red, int green, int blue);
// The model (h 0..359, s and v 0..99) back to channels 0..255, each scaled as round(x/99*255).
Rgb hsvToRgb(int hue, int saturation, int value);
// Scalings between 0..255 and 0..99, rounded half to even.
int to99(int channel);
int to255(int level);

// Which pixels an operation covers: no shown selection, or a shown one without points, is the
// whole image; a shown axis-aligned four-point rectangle is its box directly; any other polygon
// covers the pixels of its box that the polygon covers (see polygonCoverage).
struct Selection {
    bool visible = false;
    QPolygon points;
};

// Both need Format_BGR888 or Format_RGB888; other images are left alone (returns false).
// Adds each offset to its channel, clamped to 0..255.
bool adjustRgb(QImage& image, const Selection& selection, int red, int green, int blue);
// Per pixel: to the model, add the offsets, clamp (hue 0..359, not wrapped; s, v 0..99), back.
bool adjustHsv(QImage& image, const Selection& selection, int hue, int saturation, int value);

} // namespace velvo::imaging
