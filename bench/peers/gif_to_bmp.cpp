// A GIF's first image as a 24-bit bitmap file with giflib, for the whole-process benchmark:
// the peer of `velvo-img convert IN.gif OUT.bmp`.
// Usage: gif_to_bmp IN OUT
#include <cstdint>
#include <cstdio>
#include <gif_lib.h>
#include <vector>

namespace {
void put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: gif_to_bmp IN OUT\n", stderr);
        return 2;
    }
    int err = 0;
    GifFileType* gif = DGifOpenFileName(argv[1], &err);
    if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1)
        return 1;
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    if (!map)
        return 1;
    const int w = image.ImageDesc.Width, h = image.ImageDesc.Height;
    const uint32_t stride = (uint32_t(w) * 3 + 3) / 4 * 4, size = stride * uint32_t(h);
    std::vector<uint8_t> header{'B', 'M'};
    put(header, 54 + size, 4), put(header, 0, 4), put(header, 54, 4), put(header, 40, 4);
    put(header, uint32_t(w), 4), put(header, uint32_t(h), 4), put(header, 1, 2);
    put(header, 24, 2), put(header, 0, 4), put(header, size, 4), put(header, 2835, 4);
    put(header, 2835, 4), put(header, 0, 4), put(header, 0, 4);
    FILE* out = std::fopen(argv[2], "wb");
    if (!out)
        return 1;
    std::fwrite(header.data(), 1, header.size(), out);
    std::vector<uint8_t> row(stride, 0);
    for (int y = h - 1; y >= 0; --y) {
        const GifByteType* src = image.RasterBits + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const GifColorType& c = map->Colors[src[x] < map->ColorCount ? src[x] : 0];
            row[size_t(x) * 3] = c.Blue, row[size_t(x) * 3 + 1] = c.Green,
                            row[size_t(x) * 3 + 2] = c.Red;
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    DGifCloseFile(gif, &err);
    return std::fclose(out) == 0 ? 0 : 1;
}
