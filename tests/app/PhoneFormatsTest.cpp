// Photos from phones and the web, opened the ways a salon opens photos.
#include <QTabWidget>
#include <webp/encode.h>

#include "app/StudioFixture.h"
#include "imaging/codecs/HeifTestSupport.h"
#include "library/TF_THUMBS.h"
#include "library/TThumbNail.h"
#include "library/TThumbview.h"

namespace velvo::testing {
namespace {

// An orange 40 x 30 HEIC, or empty without an HEVC encoder.
std::vector<uint8_t> orangeHeic() {
    HeifFile f;
    f.width = 40;
    f.height = 30;
    return encodeHeif(f, [](int, int, uint16_t* c) { c[0] = 250, c[1] = 150, c[2] = 20; });
}

std::vector<uint8_t> greyWebp() {
    const std::vector<uint8_t> bgr(size_t(20) * 10 * 3, 90);
    uint8_t* out = nullptr;
    const size_t n = WebPEncodeLosslessBGR(bgr.data(), 20, 10, 60, &out);
    std::vector<uint8_t> bytes(out, out + n);
    WebPFree(out);
    return bytes;
}

bool near(const QColor& got, const QColor& want) {
    return std::abs(got.red() - want.red()) <= 12 && std::abs(got.green() - want.green()) <= 12 &&
           std::abs(got.blue() - want.blue()) <= 12;
}

using PhoneFormats = StudioTest;

TEST_F(PhoneFormats, AHeicOpensThroughTheOpenDialogWithItsOwnFileType) {
    const std::vector<uint8_t> heic = orangeHeic();
    if (heic.empty())
        GTEST_SKIP() << "this libheif has no HEVC encoder";
    const QString photo = folder + "cliente.heic";
    writeBytes(photo, heic);
    writeHair(0, 1, hairstyle(8, 8, {0, 0, 200})); // a new document starts with the first one
    dialogs.openAnswers.append(platform::FileDialogAnswer{true, photo, 13});
    main->AbrirFoto1Click();

    ASSERT_EQ(dialogs.openRequests.size(), 1);
    const QStringList filters = platform::qtNameFilters(dialogs.openRequests[0].filter);
    ASSERT_EQ(filters.size(), 13);
    EXPECT_TRUE(filters[0].endsWith("*.avi *.heic *.heif *.avif *.webp)")) << filters[0].toStdString();
    EXPECT_EQ(filters[11], "AVI files (*.avi)");
    EXPECT_EQ(filters[12], "HEIC, AVIF and WebP files (*.heic *.heif *.avif *.webp)");
    const platform::PreviewPicture preview = dialogs.openRequests[0].preview(photo, {160, 160});
    EXPECT_EQ(preview.size, QSize(40, 30));

    for (const auto& box : messages.shown)
        ADD_FAILURE() << box.text.toStdString();
    ASSERT_EQ(main->Documents().size(), 1);
    const QImage picture = main->Documents()[0]->Image1->Image();
    ASSERT_EQ(picture.size(), QSize(40, 30));
    EXPECT_TRUE(near(picture.pixelColor(20, 15), QColor(250, 150, 20))) << picture.pixelColor(20, 15).name().toStdString();
}

TEST_F(PhoneFormats, TheFotosTabShowsHeicAndWebpPhotos) {
    const std::vector<uint8_t> heic = orangeHeic();
    if (heic.empty())
        GTEST_SKIP() << "this libheif has no HEVC encoder";
    writeBytes(folder + "iphone.HEIC", heic);
    writeBytes(folder + "zap.webp", greyWebp());
    library::TF_THUMBS browser(main.get());
    main->BT_ThumbsClick();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&browser));
    QCoreApplication::processEvents();
    ASSERT_EQ(browser.PageControl1->tabText(browser.PageControl1->currentIndex()), "Fotos");

    library::TThumbview* view = browser.Thumbview1;
    ASSERT_EQ(view->Count(), 2);
    EXPECT_EQ(view->Cell(0)->Filename(), folder + "iphone.HEIC");
    EXPECT_EQ(view->Cell(1)->Filename(), folder + "zap.webp");
    for (int i = 0; i < 2; ++i)
        EXPECT_GT(view->Cell(i)->ImageWidth(), 0) << i; // the picture was read, not left empty
}

} // namespace
} // namespace velvo::testing
