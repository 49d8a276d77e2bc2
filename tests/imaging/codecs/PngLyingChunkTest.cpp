#include <gtest/gtest.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

using namespace velvo::imaging;

namespace {
// A chunk header that claims 1.5 GB of text the file does not hold.
const uint8_t kLyingText[] = {0x5c, 0x00, 0x00, 0x25, 't', 'E', 'X', 't', 'd', 'a', 't', 'e'};

std::vector<uint8_t> withLyingChunkAt(size_t offset) {
    Raster r = Raster::create(8, 8, "", Bgr{10, 20, 30});
    std::vector<uint8_t> png = encodePng(r);
    png.insert(png.begin() + std::ptrdiff_t(offset), std::begin(kLyingText), std::end(kLyingText));
    return png;
}
} // namespace

TEST(PngLyingChunk, BeforeThePixelsIsACleanError) {
    const std::vector<uint8_t> png = withLyingChunkAt(8 + 25); // right after IHDR
    EXPECT_THROW(decodePng(png, "lying.png"), velvo::Error);
}

TEST(PngLyingChunk, AfterThePixelsStillGivesThePicture) {
    Raster r = Raster::create(8, 8, "", Bgr{10, 20, 30});
    const size_t iend = encodePng(r).size() - 12;
    const Raster back = decodePng(withLyingChunkAt(iend), "lying.png");
    ASSERT_EQ(back.width, 8);
    EXPECT_EQ(back.at(7, 7), (Bgr{10, 20, 30}));
}
