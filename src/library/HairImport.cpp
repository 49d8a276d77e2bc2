#include "library/HairImport.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>
#include <vector>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"

namespace fs = std::filesystem;

namespace velvo::library {

namespace {

constexpr imaging::Bgr kWhite{255, 255, 255};
// About the middle of the sample library's sizes.
constexpr PictureSize kDefaultSize{300, 380};
// Fainter than this, a cut-out's pixel is left-over noise of the background removal.
constexpr int kFaintAlpha = 16;

bool isHairstyleName(const fs::path& file) {
    const std::string stem = file.stem().string();
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".gif" && !stem.empty() && stem.size() <= 6 &&
           stem.find_first_not_of("0123456789") == std::string::npos;
}

// The logical screen size from a GIF's header; nullopt for anything else.
std::optional<PictureSize> gifSize(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    unsigned char h[10] = {};
    if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[0] != 'G' || h[1] != 'I' || h[2] != 'F')
        return std::nullopt;
    const PictureSize size{h[6] | h[7] << 8, h[8] | h[9] << 8};
    if (size.width <= 0 || size.height <= 0)
        return std::nullopt;
    return size;
}

void collectSizes(const fs::path& folder, std::vector<int>& widths, std::vector<int>& heights) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (isHairstyleName(it->path()))
            if (const auto size = gifSize(it->path())) {
                widths.push_back(size->width);
                heights.push_back(size->height);
            }
}

int median(std::vector<int>& values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

struct Box {
    int x0, y0, x1, y1; // inclusive
    int width() const { return x1 - x0 + 1; }
    int height() const { return y1 - y0 + 1; }
};

// Tent weights of one output sample over the source, wide enough to average every source
// pixel when shrinking; plain linear interpolation when enlarging.
struct Taps {
    std::vector<int> first;
    std::vector<std::vector<float>> weights;
};

Taps taps(int sourceLength, int targetLength) {
    const double ratio = double(sourceLength) / targetLength;
    const double support = std::max(1.0, ratio);
    Taps t;
    for (int i = 0; i < targetLength; ++i) {
        const double centre = (i + 0.5) * ratio - 0.5;
        const int lo = std::max(0, int(std::floor(centre - support)) + 1);
        const int hi = std::min(sourceLength - 1, int(std::ceil(centre + support)) - 1);
        std::vector<float> w;
        double sum = 0;
        for (int s = lo; s <= hi; ++s) {
            const double v = std::max(0.0, 1 - std::abs(s - centre) / support);
            w.push_back(float(v));
            sum += v;
        }
        if (sum <= 0) { // a sample beyond the edge takes the edge pixel
            t.first.push_back(std::clamp(int(std::lround(centre)), 0, sourceLength - 1));
            t.weights.push_back({1.0f});
            continue;
        }
        for (float& v : w)
            v = float(v / sum);
        t.first.push_back(lo);
        t.weights.push_back(std::move(w));
    }
    return t;
}

// The box of `source` resampled to width x height, filtered on premultiplied colour so the
// see-through pixels' colour (often the removed background's) never bleeds into the hair.
imaging::RasterBgra resample(const imaging::RasterBgra& source, Box box, int width, int height) {
    const Taps across = taps(box.width(), width), down = taps(box.height(), height);
    std::vector<float> rows(size_t(width) * box.height() * 4);
    for (int y = 0; y < box.height(); ++y) {
        const uint8_t* in = source.row(box.y0 + y) + size_t(box.x0) * 4;
        float* out = &rows[size_t(y) * width * 4];
        for (int x = 0; x < width; ++x, out += 4) {
            float acc[4] = {0, 0, 0, 0};
            const std::vector<float>& w = across.weights[size_t(x)];
            const uint8_t* p = in + size_t(across.first[size_t(x)]) * 4;
            for (size_t k = 0; k < w.size(); ++k, p += 4) {
                const float a = w[k] * p[3];
                acc[0] += a * p[0], acc[1] += a * p[1], acc[2] += a * p[2], acc[3] += a;
            }
            std::copy(acc, acc + 4, out);
        }
    }
    imaging::RasterBgra result;
    result.width = width, result.height = height;
    result.pixels.resize(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        const std::vector<float>& w = down.weights[size_t(y)];
        const int first = down.first[size_t(y)];
        uint8_t* out = result.row(y);
        for (int x = 0; x < width; ++x, out += 4) {
            float acc[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < w.size(); ++k) {
                const float* p = &rows[(size_t(first + int(k)) * width + x) * 4];
                for (int c = 0; c < 4; ++c)
                    acc[c] += w[k] * p[c];
            }
            const float alpha = acc[3];
            for (int c = 0; c < 3; ++c)
                out[c] = alpha > 0 ? uint8_t(std::clamp(acc[c] / alpha + 0.5f, 0.0f, 255.0f)) : 0;
            out[3] = uint8_t(std::clamp(alpha + 0.5f, 0.0f, 255.0f));
        }
    }
    return result;
}

// The library picture: each pixel the premultiplied mean of its master block.
imaging::Raster libraryPicture(const imaging::RasterBgra& master, int scale, const std::string& name) {
    imaging::Raster picture =
        imaging::Raster::create(master.width / scale, master.height / scale, name, kWhite);
    picture.background = kWhite;
    const int area = scale * scale;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            long sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < scale; ++j) {
                const uint8_t* p = master.row(y * scale + j) + size_t(x) * scale * 4;
                for (int i = 0; i < scale; ++i, p += 4) {
                    sum[0] += p[0] * p[3], sum[1] += p[1] * p[3], sum[2] += p[2] * p[3];
                    sum[3] += p[3];
                }
            }
            if (2 * sum[3] < 255L * area)
                continue;
            imaging::Bgr c{uint8_t(sum[0] / sum[3]), uint8_t(sum[1] / sum[3]),
                           uint8_t(sum[2] / sum[3])};
            // White is the key: hair that white would turn see-through.
            if (c == kWhite)
                c = {254, 254, 254};
            picture.set(x, y, c);
        }
    return picture;
}

} // namespace

PictureSize HairImport::UsualSize(const fs::path& categoryFolder) {
    std::vector<int> widths, heights;
    collectSizes(categoryFolder, widths, heights);
    if (widths.empty()) {
        std::error_code ec;
        for (fs::directory_iterator it(categoryFolder.parent_path(), ec), end; !ec && it != end;
             it.increment(ec))
            if (it->is_directory())
                collectSizes(it->path(), widths, heights);
    }
    if (widths.empty())
        return kDefaultSize;
    return {median(widths), median(heights)};
}

int HairImport::NextFreeNumber(const fs::path& categoryFolder) {
    std::vector<int> taken;
    std::error_code ec;
    for (fs::directory_iterator it(categoryFolder, ec), end; !ec && it != end; it.increment(ec))
        if (isHairstyleName(it->path()))
            taken.push_back(std::stoi(it->path().stem().string()));
    std::sort(taken.begin(), taken.end());
    int n = 1;
    for (int t : taken)
        if (t == n)
            ++n;
    return n;
}

ImportedHairstyle HairImport::Make(const imaging::RasterBgra& cutOut, bool hasAlpha,
                                   const std::string& file, PictureSize usual) {
    Box box{cutOut.width, cutOut.height, -1, -1};
    size_t seeThrough = 0;
    for (int y = 0; y < cutOut.height; ++y) {
        const uint8_t* p = cutOut.row(y);
        for (int x = 0; x < cutOut.width; ++x, p += 4) {
            seeThrough += p[3] < 128;
            if (p[3] >= kFaintAlpha)
                box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x),
                       std::max(box.y1, y)};
        }
    }
    if (!hasAlpha || seeThrough == 0)
        throw Error(file, "the picture has no transparency; cut the hairstyle out of its "
                          "background first (a PNG with a see-through background)");
    if (box.x1 < 0)
        throw Error(file, "the picture is wholly transparent: there is no hairstyle in it");
    if (std::max(box.width(), box.height()) < kMinHairSide)
        throw Error(file, "the hairstyle is only " + std::to_string(box.width()) + " x " +
                              std::to_string(box.height()) + " pixels; its longer side needs at "
                              "least " + std::to_string(kMinHairSide));

    const int roomW = std::max(1, usual.width - 2 * kMargin);
    const int roomH = std::max(1, usual.height - 2 * kMargin);
    const double fit = std::min(double(roomW) / box.width(), double(roomH) / box.height());
    const int w = std::max(1, int(std::lround(box.width() * fit)));
    const int h = std::max(1, int(std::lround(box.height() * fit)));
    // Whole master pixels per library pixel keep the blocks aligned, so both pictures frame
    // the same opening; no more than the cut-out's own pixels can fill.
    const int scale = std::clamp(std::min(box.width() / w, box.height() / h), 1, kMaxMasterScale);

    ImportedHairstyle out;
    out.scale = scale;
    const imaging::RasterBgra hair = resample(cutOut, box, w * scale, h * scale);
    const int margin = kMargin * scale;
    out.master.width = hair.width + 2 * margin;
    out.master.height = hair.height + 2 * margin;
    out.master.pixels.assign(size_t(out.master.width) * out.master.height * 4, 0);
    for (int y = 0; y < hair.height; ++y)
        std::copy(hair.row(y), hair.row(y) + hair.stride(),
                  out.master.row(y + margin) + size_t(margin) * 4);
    out.picture = libraryPicture(out.master, scale, file);
    return out;
}

fs::path HairImport::Import(const fs::path& pngFile, const fs::path& categoryFolder) {
    const std::string name = pngFile.string();
    // A phone may hand over its other formats under any name; say what the file really is.
    const imaging::ImageFormat format = imaging::detectFileFormat(pngFile, false);
    if (format != imaging::ImageFormat::None && format != imaging::ImageFormat::Png)
        throw Error(name, std::string("this is a ") + imaging::formatName(format) +
                              " picture; a hairstyle is imported from a PNG with transparency");
    const std::vector<uint8_t> bytes = imaging::readFile(pngFile);
    bool hasAlpha = false;
    const imaging::RasterBgra cutOut = imaging::decodePngBgra(bytes, name, &hasAlpha);
    const ImportedHairstyle made = Make(cutOut, hasAlpha, name, UsualSize(categoryFolder));

    fs::create_directories(categoryFolder);
    const int number = NextFreeNumber(categoryFolder);
    const fs::path gif = categoryFolder / (std::to_string(number) + ".GIF");
    const fs::path master = categoryFolder / (std::to_string(number) + ".png");
    // The master first: the library lists only GIFs, so a hairstyle never shows without it.
    imaging::writeFileAtomic(master, imaging::encodePngBgra(made.master));
    try {
        imaging::saveImageFile(gif, made.picture);
    } catch (...) {
        std::error_code ec;
        fs::remove(master, ec);
        throw;
    }
    return gif;
}

} // namespace velvo::library
