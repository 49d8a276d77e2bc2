// velvo-img filter IN OUT OP...: the colour filters and the engine's colour operations.
#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>

#include "Commands.h"
#include "imaging/ColorOps.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "pixel/PixelFilters.h"
#include "pixel/TPixelBitmap.h"

namespace {

using velvo::imaging::Selection;
using velvo::pixel::TPixelBitmap;
using Op = std::function<void(QImage&, const Selection&)>;

void usage() {
    std::fputs("usage: velvo-img filter IN OUT OP...\n"
               "  offset=R,G,B      -255..255 each\n"
               "  lightness=V       -255..255\n"
               "  contrast=V        -255..255\n"
               "  saturation=S      0..1023 (255 about unchanged)\n"
               "  sharpen=A         1..1000\n"
               "  mirror\n"
               "  rgb=R,G,B         -255..255 each\n"
               "  hsv=H,S,V         -359..359, -99..99, -99..99\n"
               "  select=X,Y;X,Y;...  restricts the following rgb and hsv to the polygon\n",
               stderr);
}

// Exactly `count` integers separated by `sep`, each within [low, high].
std::optional<std::vector<int>> parseInts(const std::string& text, char sep, size_t count,
                                          int low, int high) {
    std::vector<int> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, sep)) {
        size_t used = 0;
        int v;
        try {
            v = std::stoi(item, &used);
        } catch (const std::exception&) {
            return std::nullopt;
        }
        if (used != item.size() || v < low || v > high)
            return std::nullopt;
        out.push_back(v);
    }
    if (out.size() != count || (!text.empty() && text.back() == sep))
        return std::nullopt;
    return out;
}

// Runs a pixel filter on the whole picture through a fast bitmap.
Op throughBitmap(std::function<void(TPixelBitmap&)> filter) {
    return [filter](QImage& image, const Selection&) {
        TPixelBitmap bitmap;
        bitmap.LoadFromBitmapHandle(image);
        filter(bitmap);
        bitmap.DrawAt(image, 0, 0);
    };
}

std::optional<Op> parseOp(const std::string& arg, Selection& selection) {
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
    if (name == "mirror" && eq == std::string::npos)
        return throughBitmap([](TPixelBitmap& b) { velvo::pixel::MirrorRows(b); });
    if (eq == std::string::npos)
        return std::nullopt;
    auto one = [&](int low, int high) { return parseInts(value, ',', 1, low, high); };
    auto three = [&](int l0, int h0, int l1, int h1) -> std::optional<std::vector<int>> {
        auto v = parseInts(value, ',', 3, std::min(l0, l1), std::max(h0, h1));
        if (!v || (*v)[0] < l0 || (*v)[0] > h0 || (*v)[1] < l1 || (*v)[1] > h1 || (*v)[2] < l1 ||
            (*v)[2] > h1)
            return std::nullopt;
        return v;
    };
    if (name == "offset") {
        if (auto v = three(-255, 255, -255, 255))
            return throughBitmap([v = *v](TPixelBitmap& b) {
                velvo::pixel::OffsetChannels(b, v[0], v[1], v[2]);
            });
    } else if (name == "lightness") {
        if (auto v = one(-255, 255))
            return throughBitmap([v = (*v)[0]](TPixelBitmap& b) { velvo::pixel::ApplyLightness(b, v); });
    } else if (name == "contrast") {
        if (auto v = one(-255, 255))
            return throughBitmap([v = (*v)[0]](TPixelBitmap& b) { velvo::pixel::ApplyContrast(b, v); });
    } else if (name == "saturation") {
        if (auto v = one(0, 1023))
            return throughBitmap([v = (*v)[0]](TPixelBitmap& b) { velvo::pixel::ApplySaturation(b, v); });
    } else if (name == "sharpen") {
        if (auto v = one(1, 1000))
            return throughBitmap([v = (*v)[0]](TPixelBitmap& b) { velvo::pixel::ApplySharpen(b, v); });
    } else if (name == "rgb") {
        if (auto v = three(-255, 255, -255, 255))
            return Op([v = *v](QImage& image, const Selection& sel) {
                velvo::imaging::adjustRgb(image, sel, v[0], v[1], v[2]);
            });
    } else if (name == "hsv") {
        if (auto v = three(-359, 359, -99, 99))
            return Op([v = *v](QImage& image, const Selection& sel) {
                velvo::imaging::adjustHsv(image, sel, v[0], v[1], v[2]);
            });
    } else if (name == "select") {
        std::stringstream in(value);
        std::string point;
        QPolygon polygon;
        while (std::getline(in, point, ';')) {
            auto xy = parseInts(point, ',', 2, -1000000, 1000000);
            if (!xy)
                return std::nullopt;
            polygon << QPoint((*xy)[0], (*xy)[1]);
        }
        if (polygon.size() < 3 || value.back() == ';')
            return std::nullopt;
        selection = {true, polygon};
        return Op([](QImage&, const Selection&) {});
    }
    return std::nullopt;
}

} // namespace

int runFilter(const std::vector<std::string>& args) {
    if (args.size() < 3) {
        usage();
        return 2;
    }
    // Every operation is checked before the input is read; each keeps the selection that was
    // in force where it stands on the command line.
    std::vector<std::pair<Op, Selection>> ops;
    Selection selection;
    for (size_t i = 2; i < args.size(); ++i) {
        auto op = parseOp(args[i], selection);
        if (!op) {
            std::fprintf(stderr, "velvo-img: bad filter operation '%s'\n", args[i].c_str());
            usage();
            return 2;
        }
        ops.emplace_back(*op, selection);
    }
    auto raster = velvo::imaging::loadImageFile(args[0]);
    if (!raster)
        throw velvo::Error(args[0], "no reader for this file name extension");
    QImage image = velvo::imaging::toQImage(*raster);
    for (const auto& [op, sel] : ops)
        op(image, sel);
    if (!velvo::imaging::saveImageFile(args[1], velvo::imaging::toRaster(image)))
        throw velvo::Error(args[1], "no writer for this file name extension");
    return 0;
}
