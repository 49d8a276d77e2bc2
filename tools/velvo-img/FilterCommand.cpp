// velvo-img filter IN OUT OP...: the colour filters and the engine's colour operations.
//
// The picture lives in one fast bitmap from reading to writing: a 24-bit bitmap file is read
// straight into it and written straight from it, the colour filters run in place, and a run of
// them in the colour panel's order goes through the panel's fused pipeline. The engine
// operations (rgb, hsv) borrow a QImage copy for their run, so at most two picture-sized
// buffers are alive at any time.
#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <variant>

#include "Commands.h"
#include "imaging/ColorOps.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/ImageFile.h"
#include "pixel/PixelBitmapQt.h"
#include "pixel/PixelFilters.h"
#include "pixel/TPixelBitmap.h"

namespace {

using velvo::imaging::Selection;
using velvo::pixel::PanelSettings;
using velvo::pixel::TPixelBitmap;

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

// One of the panel's five filters: its place in the panel's order and its setting.
struct PanelStep {
    enum Stage { Offsets, Lightness, Contrast, Saturation, Sharpen } stage;
    PanelSettings settings; // neutral but for this stage
};
struct Mirror {};
// An engine operation on the QImage, with the selection in force where it stood.
struct EngineStep {
    bool hsv;
    int a, b, c;
    Selection selection;
};
using Step = std::variant<PanelStep, Mirror, EngineStep>;

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

PanelStep panel(PanelStep::Stage stage, auto set) {
    PanelStep step{stage, {}};
    set(step.settings);
    return step;
}

// A "select" changes `selection` and yields no step of its own.
std::optional<std::optional<Step>> parseOp(const std::string& arg, Selection& selection) {
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
    if (name == "mirror" && eq == std::string::npos)
        return Step(Mirror{});
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
            return Step(panel(PanelStep::Offsets, [&](PanelSettings& s) {
                s.red = (*v)[0], s.green = (*v)[1], s.blue = (*v)[2];
            }));
    } else if (name == "lightness") {
        if (auto v = one(-255, 255))
            return Step(
                panel(PanelStep::Lightness, [&](PanelSettings& s) { s.lightness = (*v)[0]; }));
    } else if (name == "contrast") {
        if (auto v = one(-255, 255))
            return Step(
                panel(PanelStep::Contrast, [&](PanelSettings& s) { s.contrast = (*v)[0]; }));
    } else if (name == "saturation") {
        if (auto v = one(0, 1023))
            return Step(
                panel(PanelStep::Saturation, [&](PanelSettings& s) { s.saturation = (*v)[0]; }));
    } else if (name == "sharpen") {
        if (auto v = one(1, 1000))
            return Step(panel(PanelStep::Sharpen, [&](PanelSettings& s) { s.sharpen = (*v)[0]; }));
    } else if (name == "rgb") {
        if (auto v = three(-255, 255, -255, 255))
            return Step(EngineStep{false, (*v)[0], (*v)[1], (*v)[2], selection});
    } else if (name == "hsv") {
        if (auto v = three(-359, 359, -99, 99))
            return Step(EngineStep{true, (*v)[0], (*v)[1], (*v)[2], selection});
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
        return std::optional<Step>();
    }
    return std::nullopt;
}

// A 24-bit uncompressed bitmap file, the layout of the fast bitmap itself.
bool isPlainBitmapFile(std::span<const uint8_t> f) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M')
        return false;
    auto le = [&](size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | f[at + size_t(i)];
        return v;
    };
    const uint32_t infoSize = le(14, 4);
    return (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 ||
            infoSize == 124) &&
           le(28, 2) == 24 && le(30, 4) == 0;
}

void loadPicture(const std::string& file, TPixelBitmap& bitmap) {
    if (velvo::imaging::formatFromExtension(file) == velvo::imaging::ImageFormat::Bmp) {
        const velvo::imaging::FileBytes bytes(file);
        if (isPlainBitmapFile(bytes.bytes())) {
            bitmap.LoadFromBytes(bytes.bytes().data(), bytes.bytes().size(), file);
            return;
        }
    }
    std::optional<velvo::imaging::Raster> raster = velvo::imaging::loadImageFile(file);
    if (!raster)
        throw velvo::Error(file, "no reader for this file name extension");
    warnIfIncomplete(file, *raster);
    bitmap.SetSize(raster->width, raster->height);
    for (int y = 0; y < raster->height; ++y)
        std::memcpy(bitmap.PixelAt(0, y), raster->row(y), raster->stride());
}

void savePicture(const std::string& file, TPixelBitmap& bitmap) {
    const velvo::imaging::ImageFormat format = velvo::imaging::formatFromExtension(file);
    if (format == velvo::imaging::ImageFormat::Bmp) {
        bitmap.SaveToFile(file);
        return;
    }
    velvo::imaging::Raster raster;
    raster.width = bitmap.Width, raster.height = bitmap.Height;
    velvo::imaging::reserveLarge(raster.pixels, raster.stride() * size_t(raster.height));
    raster.pixels.resize(raster.stride() * size_t(raster.height));
    for (int y = 0; y < raster.height; ++y)
        std::memcpy(raster.row(y), bitmap.PixelAt(0, y), raster.stride());
    bitmap.SetSize(0, 0);
    if (!velvo::imaging::saveImageFile(file, raster))
        throw velvo::Error(file, "no writer for this file name extension");
}

// Runs the steps in order: a run of panel filters in the panel's order fused into one pipeline,
// a run of engine operations on one borrowed QImage.
void run(const std::vector<Step>& steps, TPixelBitmap& bitmap) {
    for (size_t i = 0; i < steps.size();) {
        if (std::holds_alternative<Mirror>(steps[i])) {
            velvo::pixel::MirrorRows(bitmap);
            ++i;
        } else if (std::holds_alternative<PanelStep>(steps[i])) {
            // The longest run in the panel's order, each stage once: the pipeline gives the
            // bytes of the filters run one after another.
            PanelSettings fused;
            int last = -1;
            for (; i < steps.size() && std::holds_alternative<PanelStep>(steps[i]); ++i) {
                const PanelStep& p = std::get<PanelStep>(steps[i]);
                if (int(p.stage) <= last)
                    break;
                last = int(p.stage);
                const PanelSettings& s = p.settings;
                switch (p.stage) {
                case PanelStep::Offsets:
                    fused.red = s.red, fused.green = s.green, fused.blue = s.blue;
                    break;
                case PanelStep::Lightness:
                    fused.lightness = s.lightness;
                    break;
                case PanelStep::Contrast:
                    fused.contrast = s.contrast;
                    break;
                case PanelStep::Saturation:
                    fused.saturation = s.saturation;
                    break;
                case PanelStep::Sharpen:
                    fused.sharpen = s.sharpen;
                    break;
                }
            }
            velvo::pixel::ApplyPanelPipeline(bitmap, fused);
        } else {
            QImage image = velvo::pixel::ToQImage(bitmap);
            for (; i < steps.size() && std::holds_alternative<EngineStep>(steps[i]); ++i) {
                const EngineStep& e = std::get<EngineStep>(steps[i]);
                if (e.hsv)
                    velvo::imaging::adjustHsv(image, e.selection, e.a, e.b, e.c);
                else
                    velvo::imaging::adjustRgb(image, e.selection, e.a, e.b, e.c);
            }
            bitmap.LoadFromBitmapHandle(image);
        }
    }
}

} // namespace

int runFilter(const std::vector<std::string>& args) {
    if (args.size() < 3) {
        usage();
        return 2;
    }
    // Every operation is checked before the input is read; each engine operation keeps the
    // selection that was in force where it stands on the command line.
    std::vector<Step> steps;
    Selection selection;
    for (size_t i = 2; i < args.size(); ++i) {
        auto step = parseOp(args[i], selection);
        if (!step) {
            std::fprintf(stderr, "velvo-img: bad filter operation '%s'\n", args[i].c_str());
            usage();
            return 2;
        }
        if (*step)
            steps.push_back(**step);
    }
    TPixelBitmap bitmap;
    loadPicture(args[0], bitmap);
    run(steps, bitmap);
    savePicture(args[1], bitmap);
    return 0;
}
