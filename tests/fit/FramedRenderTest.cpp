#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "FitSamples.h"
#include "fit/FramedRender.h"
#include "fit/HairOpening.h"
#include "fit/SampleLibrary.h"

namespace fs = std::filesystem;
using namespace velvo::fit;
using namespace velvo::fit::testing;
using velvo::imaging::Bgr;
using velvo::imaging::Raster;

namespace {
// The share of a 7 x 7 patch round (x, y) that the hairstyle covers.
double coveredShare(const Raster& hair, const HairPlacement& place, int x, int y) {
    int n = 0;
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            n += hairCovers(hair, place, x + dx, y + dy);
    return n / 49.0;
}
} // namespace

TEST(FramedRender, ShowsThePhotoAtTheViewWithTheHairKeyedOut) {
    Raster photo = Raster::create(400, 400, "photo", {0, 0, 200});
    photo.set(250, 120, {0, 255, 0});
    Raster hair = Raster::create(4, 4, "hair", {255, 255, 255});
    hair.set(1, 1, {10, 20, 30});
    const HairPlacement place{10, 20, 8, 8}; // each hair pixel drawn 2 x 2
    const Raster out = renderFramed(photo, {200, 300, 100}, kDocumentWindow, &hair, &place);
    ASSERT_EQ(out.width, 241);
    // Photo pixel (250, 120) at 200 % from offsets (300, 100) lands at (200, 140).
    EXPECT_EQ(out.at(200, 140), (Bgr{0, 255, 0}));
    EXPECT_EQ(out.at(201, 141), (Bgr{0, 255, 0}));
    EXPECT_EQ(out.at(12, 22), (Bgr{10, 20, 30}));
    EXPECT_EQ(out.at(13, 23), (Bgr{10, 20, 30}));
    EXPECT_EQ(out.at(14, 22), (Bgr{0, 0, 200})); // key colour: the photo shows
    EXPECT_TRUE(hairCovers(hair, place, 12, 23));
    EXPECT_FALSE(hairCovers(hair, place, 10, 20));
    // Past the zoomed photo's end the window's colour shows.
    const Raster small = renderFramed(photo, {50, 0, 0}, kDocumentWindow);
    EXPECT_EQ(small.at(199, 199), (Bgr{0, 0, 200}));
    EXPECT_EQ(small.at(200, 100), kWindowColour);
}

TEST(FramedRender, EverySampleHairstyleFramesThePortrait) {
    VELVO_CASCADES_OR_SKIP(finder);
    const auto photo = portrait();
    const auto files = sampleHairstyles(kProgram);
    if (!photo || files.empty())
        GTEST_SKIP() << "no sample portrait or hairstyle library in " << kProgram;
    const auto face = finder.find(*photo);
    ASSERT_TRUE(face);
    const Size photoSize{photo->width, photo->height};
    for (const fs::path& file : files) {
        const Raster hair = *velvo::imaging::loadGif(file);
        const Opening op = openingFor(file, hair, hairKey(hair)).opening;
        const View view = frameFace(photoSize, *face, kDocumentWindow, {hair.width, hair.height}, op);
        const HairPlacement place = placeHair(*face, view, {hair.width, hair.height}, op);
        const double zx = view.zoom / 100.0;
        const int cx = int(face->centreX() * zx) - view.viewX, cy = int(face->centreY() * zx) - view.viewY;
        // Somewhere in the column over the face, up to most of a face's height above it.
        double crown = 0;
        for (double up = 0.1; up <= 0.8; up += 0.05)
            crown = std::max(crown, coveredShare(hair, place, cx, int((face->y - up * face->h) * zx) - view.viewY));
        EXPECT_LT(coveredShare(hair, place, cx, cy), 0.1) << file << ": the face's centre is under hair";
        EXPECT_GT(crown, 0.8) << file << ": the crown is not covered";
        // The rendered window agrees: hair colour above, the photo's own at the centre.
        const Raster shown = renderFramed(*photo, view, kDocumentWindow, &hair, &place);
        if (cy >= 0 && cy < shown.height && cx >= 0 && cx < shown.width) {
            EXPECT_EQ(shown.at(cx, cy), renderFramed(*photo, view, kDocumentWindow).at(cx, cy)) << file;
        }
    }
}

TEST(FramedRender, PortraitAnywhereInALargePhotoFramesTheSame) {
    VELVO_CASCADES_OR_SKIP(finder);
    const auto photo = portrait();
    if (!photo)
        GTEST_SKIP() << "no sample portrait in " << kProgram;
    const Size hair{200, 260};
    const Opening op{100, 125, 96};
    struct OnScreen {
        double x, y, w;
    };
    std::vector<OnScreen> seen;
    // The first position puts the face at the photo's top edge, where the offsets are clamped:
    // only the hairstyle's fit is compared there.
    for (auto [x, y] : {std::pair{0, 0}, {1000, 500}, {1952, 952}, {333, 777}, {1700, 300}}) {
        const Raster big = placed(*photo, 4, x, y, 4000, 3000);
        const auto face = finder.find(big);
        ASSERT_TRUE(face) << x << "," << y;
        const View v = frameFace({4000, 3000}, *face, kDocumentWindow, hair, op);
        const HairPlacement p = placeHair(*face, v, hair, op);
        // Where the portrait's own point (224, 114) and its width show on screen.
        if (x != 0)
            seen.push_back({(x + 4 * 224.0) * v.zoom / 100 - v.viewX, (y + 4 * 114.0) * v.zoom / 100 - v.viewY,
                        4 * 100.0 * v.zoom / 100});
        // The hairstyle sits on the face, whatever clamping the edges forced.
        EXPECT_NEAR(p.left + op.centreX * p.width / hair.w, face->centreX() * v.zoom / 100 - v.viewX, 1);
    }
    for (const OnScreen& s : seen) {
        // A percent of zoom is a pixel of face; the finder's own spread adds about two.
        EXPECT_NEAR(s.w, seen[0].w, 4);
        EXPECT_NEAR(s.x, seen[0].x, 2.5);
        EXPECT_NEAR(s.y, seen[0].y, 2.5);
    }
}

TEST(FitCommand, PrintsTheFramingLineAndWritesTheWindow) {
#ifndef VELVO_IMG
    GTEST_SKIP() << "velvo-img is not built";
#else
    VELVO_CASCADES_OR_SKIP(finder);
    const fs::path hair = kProgram / "Velvo5" / "Masculinos" / "1.GIF";
    if (!fs::exists(kProgram / "Modelo.JPG") || !fs::exists(hair))
        GTEST_SKIP() << "no sample portrait or hairstyle in " << kProgram;
    const fs::path out = fs::temp_directory_path() / ("velvo-fit-" + std::to_string(::getpid()) + ".png");
    auto run = [](const std::string& cmd) {
        std::string text;
        std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
        char buf[256];
        while (p && fgets(buf, sizeof buf, p.get()))
            text += buf;
        return text;
    };
    const std::string line = run(std::string(VELVO_IMG) + " fit '" + (kProgram / "Modelo.JPG").string() + "' '" +
                                 hair.string() + "' '" + out.string() + "'");
    int f[4], z, v[2], h[4], k[12];
    double roll = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "face %d %d %d %d roll %lf zoom %d view %d %d hair %d %d %d %d", &f[0], &f[1],
                          &f[2], &f[3], &roll, &z, &v[0], &v[1], &h[0], &h[1], &h[2], &h[3]),
              12)
        << line;
    EXPECT_NEAR(f[0] + f[2] / 2.0, 225, 8);
    const size_t second = line.find("\nkeypoints ");
    ASSERT_NE(second, std::string::npos) << line;
    if (line.find("keypoints none") == std::string::npos) {
        // The sample astronaut leans a little clockwise; her eyes are either side of x = 225.
        ASSERT_EQ(std::sscanf(line.c_str() + second, "\nkeypoints %d %d %d %d %d %d %d %d %d %d %d %d", &k[0], &k[1],
                              &k[2], &k[3], &k[4], &k[5], &k[6], &k[7], &k[8], &k[9], &k[10], &k[11]),
                  12)
            << line;
        EXPECT_LT(k[0], 225);
        EXPECT_GT(k[2], 225);
        EXPECT_NEAR(roll, 2.5, 3.5);
    }
    const auto written = velvo::imaging::loadImageFile(out);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->width, 241);
    EXPECT_EQ(written->height, 313);
    const std::string none = run(std::string(VELVO_IMG) + " fit '" + (kProgram / "Cartela.tif").string() + "' '" +
                                 out.string() + "'");
    EXPECT_EQ(none, "face none\n");
    fs::remove(out);
#endif
}
