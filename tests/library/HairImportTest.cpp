// A salon's own hairstyle imported from a cut-out PNG: the library picture and its master,
// and the command that asks for both and shows the result in the browser.
#include <QFileInfo>
#include <filesystem>
#include <set>

#include "app/StudioFixture.h"
#include "fit/HairOpening.h"
#include "imaging/TPictureGrid.h"
#include "imaging/codecs/Error.h"
#include "library/HairImport.h"
#include "library/TF_THUMBS.h"

namespace fs = std::filesystem;

namespace velvo::testing {
namespace {

using library::HairImport;
constexpr imaging::Bgr kWhite{255, 255, 255};

// A phone's cut-out: long hair around an oval face opening that runs down into the neck,
// anti-aliased, on a see-through ground whose colour is white (as many apps leave it). A
// pure white highlight lies in the hair on top.
imaging::RasterBgra cutOut(int width, int height) {
    imaging::RasterBgra p;
    p.width = width, p.height = height;
    p.pixels.assign(size_t(width) * height * 4, 255);
    const double cx = width / 2.0, cy = height * 0.47, rx = width * 0.44, ry = height * 0.43;
    auto hair = [&](double x, double y) {
        const double outer = (x - cx) * (x - cx) / (rx * rx) + (y - cy) * (y - cy) / (ry * ry);
        const double fy = cy + ry * 0.17, frx = rx * 0.5, fry = ry * 0.58;
        const double face = (x - cx) * (x - cx) / (frx * frx) + (y - fy) * (y - fy) / (fry * fry);
        return outer < 1 && face >= 1 && !(y > fy && std::abs(x - cx) < frx);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int inside = 0;
            for (int s = 0; s < 16; ++s)
                inside += hair(x + (s % 4 + 0.5) / 4, y + (s / 4 + 0.5) / 4);
            uint8_t* px = p.row(y) + size_t(x) * 4;
            px[3] = uint8_t(inside * 255 / 16);
            if (inside) {
                px[0] = 40, px[1] = uint8_t(50 + y * 40 / height), px[2] = 90;
            }
        }
    for (int y = int(cy - ry * 0.85); y < int(cy - ry * 0.75); ++y)
        for (int x = int(cx - 20); x < int(cx + 20); ++x) {
            uint8_t* px = p.row(y) + size_t(x) * 4;
            px[0] = px[1] = px[2] = px[3] = 255;
        }
    return p;
}

// Library pixels whose hair-or-key differs from their master block being at least half
// opaque: the two pictures frame different shapes.
int blocksDisagreeing(const imaging::Raster& gif, const imaging::RasterBgra& master, int scale) {
    int disagreeing = 0;
    for (int y = 0; y < gif.height; ++y)
        for (int x = 0; x < gif.width; ++x) {
            int alpha = 0;
            for (int j = 0; j < scale; ++j)
                for (int i = 0; i < scale; ++i)
                    alpha += master.row(y * scale + j)[(size_t(x) * scale + i) * 4 + 3];
            disagreeing += (2 * alpha >= 255 * scale * scale) != !(gif.at(x, y) == kWhite);
        }
    return disagreeing;
}

std::set<fs::path> listing(const fs::path& folder) {
    std::set<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename());
    return names;
}

class HairImportTest : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        // Two hairstyles of the library's usual size already in the category.
        writeHair(2, 1, hairstyle(280, 360, {20, 40, 60}));
        writeHair(2, 2, hairstyle(280, 360, {20, 40, 60}));
        category = fs::path((folder + "Velvo5/" + QString::fromUtf8(kCategories[2])).toStdString());
    }
    fs::path writePng(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path file = fs::path(folder.toStdString()) / name;
        imaging::writeFileAtomic(file, bytes);
        return file;
    }
    fs::path category;
};

TEST_F(HairImportTest, WritesTheNextHairstyleKeyedOnWhiteWithAMasterFramingTheSameOpening) {
    const fs::path png = writePng("cabelo.png", imaging::encodePngBgra(cutOut(900, 1100)));
    const fs::path gifFile = HairImport::Import(png, category);
    EXPECT_EQ(gifFile, category / "3.GIF");

    const std::optional<imaging::Raster> gif = imaging::loadGif(gifFile);
    ASSERT_TRUE(gif);
    const imaging::RasterBgra master =
        imaging::decodePngBgra(imaging::readFile(category / "3.png"), "3.png");
    // Fitted into the category's size; the master as large as the cut-out allows, no more.
    EXPECT_EQ(gif->width, 280);
    EXPECT_LE(gif->height, 360);
    EXPECT_EQ(master.width, 2 * gif->width);
    EXPECT_EQ(master.height, 2 * gif->height);

    // The overlay keys the bottom-left pixel, whitening reads (1, 1): both the background.
    for (auto [x, y] : {std::pair{0, 0}, {gif->width - 1, 0}, {0, gif->height - 1},
                        {gif->width - 1, gif->height - 1}, {1, 1}})
        EXPECT_EQ(gif->at(x, y), kWhite) << x << ", " << y;
    ASSERT_TRUE(gif->background);
    EXPECT_EQ(*gif->background, kWhite);

    // The white highlight stays hair, and no edge pixel is lightened towards the ground the
    // app left under its transparent pixels.
    int highlight = 0, halo = 0;
    for (int y = 1; y + 1 < gif->height; ++y)
        for (int x = 1; x + 1 < gif->width; ++x) {
            const imaging::Bgr c = gif->at(x, y);
            if (c == kWhite)
                continue;
            highlight += c.b >= 250 && c.g >= 250 && c.r >= 250;
            const bool edge = gif->at(x - 1, y) == kWhite || gif->at(x + 1, y) == kWhite ||
                              gif->at(x, y - 1) == kWhite || gif->at(x, y + 1) == kWhite;
            halo += edge && c.b > 60;
        }
    EXPECT_GT(highlight, 20);
    EXPECT_EQ(halo, 0);

    // The face opening where the cut-out has it, and the master framing the very same shape.
    const auto opening = fit::measureOpening(*gif, kWhite);
    ASSERT_TRUE(opening);
    EXPECT_NEAR(opening->centreX, gif->width / 2.0, 2);
    EXPECT_NEAR(opening->width / (gif->width - 10), 0.5, 0.05);
    EXPECT_EQ(blocksDisagreeing(*gif, master, 2), 0);
}

TEST_F(HairImportTest, RefusesABadCutOutNamingTheFileAndWritesNothing) {
    imaging::RasterBgra opaque = cutOut(400, 500);
    for (size_t i = 3; i < opaque.pixels.size(); i += 4)
        opaque.pixels[i] = 255;
    imaging::RasterBgra empty = cutOut(400, 500);
    for (size_t i = 3; i < empty.pixels.size(); i += 4)
        empty.pixels[i] = 0;
    std::vector<uint8_t> cut = imaging::encodePngBgra(cutOut(400, 500));
    cut.resize(cut.size() / 2);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* fault;
    } cases[] = {
        {"foto.png", imaging::encodePng(hairstyle(400, 500, {20, 40, 60})), "no transparency"},
        {"opaco.png", imaging::encodePngBgra(opaque), "no transparency"},
        {"vazio.png", imaging::encodePngBgra(empty), "wholly transparent"},
        {"pequeno.png", imaging::encodePngBgra(cutOut(80, 100)), "only"},
        {"foto.jpg.png", imaging::encodeJpeg(hairstyle(400, 500, {20, 40, 60})), "JPEG"},
        {"cortado.png", cut, "cortado.png"},
    };
    const std::set<fs::path> before = listing(category);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path png = writePng(c.name, c.bytes);
        try {
            HairImport::Import(png, category);
            ADD_FAILURE() << "imported";
        } catch (const velvo::Error& e) {
            EXPECT_EQ(e.file(), png.string());
            EXPECT_NE(std::string(e.what()).find(c.fault), std::string::npos) << e.what();
        }
        EXPECT_EQ(listing(category), before);
    }
}

// The command: the file and the category asked for, the browser opened on that category
// with the new hairstyle listed; a refused file ends in the error box with its name.
TEST_F(HairImportTest, CommandImportsIntoTheChosenCategoryAndTheBrowserShowsIt) {
    library::TF_THUMBS browser(main.get());
    main->CategoryText = "2";
    browser.SetActivePage(3);
    browser.PageControl1Change();
    ASSERT_EQ(browser.PictureGrid[2]->ImageCount(), 2);

    const fs::path good = writePng("cabelo.png", imaging::encodePngBgra(cutOut(900, 1100)));
    const fs::path bad = writePng("foto.png", imaging::encodePng(hairstyle(400, 500, kWhite)));
    dialogs.openAnswers = {{true, QString::fromStdString(bad.string()), 1},
                           {true, QString::fromStdString(good.string()), 1}};
    dialogs.choiceAnswers = {2, 2};

    main->Action("ImportarCabelo1")->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(QString::fromStdString(bad.string())));
    EXPECT_FALSE(fs::exists(category / "3.GIF"));

    main->Action("ImportarCabelo1")->trigger();
    EXPECT_EQ(messages.shown.size(), 1);
    ASSERT_EQ(dialogs.choiceRequests.size(), 2);
    EXPECT_EQ(dialogs.choiceRequests[1].current, 2);
    EXPECT_EQ(dialogs.choiceRequests[1].items.size(), 7);
    EXPECT_TRUE(fs::exists(category / "3.GIF"));
    EXPECT_TRUE(fs::exists(category / "3.png"));
    browser.PageControl1Change();
    ASSERT_EQ(browser.PictureGrid[2]->ImageCount(), 3);
    EXPECT_EQ(QFileInfo(browser.PictureGrid[2]->GetImageFileName(2)).fileName(), "3.GIF");
}

} // namespace
} // namespace velvo::testing
