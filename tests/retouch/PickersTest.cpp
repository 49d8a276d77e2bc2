#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "retouch/TColorComboBoxEx.h"
#include "retouch/TLineWidthComboBox.h"

namespace velvo::testing {
namespace {

using retouch::TColorComboBoxEx;
using retouch::TLineWidthComboBox;

const QColor kGrey(128, 128, 128);

// Item `index` of `box` drawn alone into a white picture of the item's size.
template <typename Box> QImage drawn(const Box& box, int index, bool selected, int width = 60) {
    QImage image(width, 17, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    box.DrawItem(painter, index, QRect(0, 0, width, 17), selected);
    return image;
}

int countInColumn(const QImage& image, int x, const QColor& colour, int fromY, int toY) {
    int n = 0;
    for (int y = fromY; y <= toY; ++y)
        n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

TEST(LineWidthComboBox, ThirtyWidthsKeepTheChosenOneAcrossRebuilds) {
    TLineWidthComboBox box;
    EXPECT_EQ(box.count(), 5);
    EXPECT_EQ(box.LineWidth(), 1);
    EXPECT_EQ(box.height(), 23);
    box.SetMaxLineWidth(30);
    ASSERT_EQ(box.count(), 30);
    EXPECT_EQ(box.itemText(0), "Ancho 1");
    EXPECT_EQ(box.itemText(29), "Ancho 30");
    box.SetLineWidth(20);
    EXPECT_EQ(box.currentIndex(), 19);
    EXPECT_EQ(box.currentText(), "Ancho 20");

    // Fewer items than the width: nothing selected, the width kept for the next rebuild.
    box.SetMaxLineWidth(10);
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(box.LineWidth(), 20);
    box.SetMaxLineWidth(30);
    EXPECT_EQ(box.currentIndex(), 19);
    box.SetLineWidth(0);
    EXPECT_EQ(box.currentIndex(), -1);
}

TEST(LineWidthComboBox, AChoiceSetsTheWidthThenClicksAndChangesOnce) {
    TLineWidthComboBox box;
    box.SetMaxLineWidth(30);
    box.SetLineWidth(20);
    QStringList events;
    QObject::connect(&box, &TLineWidthComboBox::OnClick,
                     [&] { events << QString("click %1").arg(box.LineWidth()); });
    QObject::connect(&box, &TLineWidthComboBox::OnChange,
                     [&] { events << QString("change %1").arg(box.LineWidth()); });
    box.SetLineWidth(3);
    EXPECT_TRUE(events.isEmpty()) << "setting the width is not a choice";
    QTest::keyClick(&box, Qt::Key_End);
    EXPECT_EQ(box.LineWidth(), 30);
    EXPECT_EQ(events, QStringList({"click 30", "change 30"}));
}

TEST(LineWidthComboBox, ItemsAreFramedSampleLinesOfTheirWidth) {
    TLineWidthComboBox box;
    const QColor base = box.palette().color(QPalette::Base);
    for (int index : {0, 2, 6}) {
        const QImage item = drawn(box, index, false);
        // Frame from (4, 2) to (55, 14) inclusive, line across row 8 from x = 7 + width.
        EXPECT_EQ(item.pixelColor(4, 2), kGrey);
        EXPECT_EQ(item.pixelColor(55, 14), kGrey);
        EXPECT_EQ(item.pixelColor(56, 14), base);
        EXPECT_EQ(countInColumn(item, 30, kGrey, 3, 13), index + 1) << index;
        EXPECT_EQ(item.pixelColor(5 + index, 8), base) << "the line keeps off the frame";
    }
    const QImage selected = drawn(box, 0, true);
    EXPECT_EQ(selected.pixelColor(1, 1), box.palette().color(QPalette::Highlight));
    EXPECT_EQ(selected.pixelColor(6, 4), base) << "the frame is filled with the box colour";
}

TEST(ColorComboBoxEx, OnlyTheSixteenColoursAreTakenAndAnnounced) {
    TColorComboBoxEx box;
    ASSERT_EQ(box.count(), 16);
    EXPECT_EQ(box.currentIndex(), 0) << "black at start";
    QSignalSpy changes(&box, &TColorComboBoxEx::OnChange);
    box.SetColorValue(QColor(255, 0, 0));
    EXPECT_EQ(box.currentIndex(), 9);
    EXPECT_EQ(changes.count(), 1);

    // A colour picked from a photo is not one of them: nothing is stored or announced.
    box.SetColorValue(QColor(201, 150, 120));
    box.SetColorValue(QColor());
    EXPECT_EQ(box.ColorValue(), QColor(255, 0, 0));
    EXPECT_EQ(box.currentIndex(), 9);
    EXPECT_EQ(changes.count(), 1);

    box.SetColorValue(QColor(255, 0, 0));
    EXPECT_EQ(changes.count(), 1) << "the selected colour again";
    box.setCurrentIndex(-1);
    box.SetColorValue(QColor(255, 0, 0));
    EXPECT_EQ(box.currentIndex(), 9) << "the same colour with nothing selected selects it";
    EXPECT_EQ(changes.count(), 2);
}

TEST(ColorComboBoxEx, ChoosingWhiteAnnouncesWhiteTwice) {
    TColorComboBoxEx box;
    QStringList events;
    QObject::connect(&box, &TColorComboBoxEx::OnChange,
                     [&] { events << "change " + box.ColorValue().name(); });
    QObject::connect(&box, &TColorComboBoxEx::OnClick, [&] { events << "click"; });
    QTest::keyClick(&box, Qt::Key_End);
    EXPECT_EQ(events, QStringList({"change #ffffff", "click", "change #ffffff"}));
    EXPECT_EQ(box.currentIndex(), 15);
}

TEST(ColorComboBoxEx, ItemsAreSwatchesNamedOnlyWhenAsked) {
    TColorComboBoxEx box;
    const QColor base = box.palette().color(QPalette::Base);
    QImage item = drawn(box, 9, false);
    EXPECT_EQ(item.pixelColor(4, 2), QColor(Qt::black));
    EXPECT_EQ(item.pixelColor(30, 8), QColor(255, 0, 0));
    EXPECT_EQ(item.pixelColor(55, 14), QColor(Qt::black));
    EXPECT_EQ(item.pixelColor(56, 8), base);

    box.SetShowStyle(retouch::ssColorAndText);
    item = drawn(box, 9, false, 120);
    EXPECT_EQ(item.pixelColor(10, 8), QColor(255, 0, 0));
    EXPECT_EQ(item.pixelColor(25, 8), QColor(Qt::black)) << "the swatch ends at left + 26";
    EXPECT_EQ(item.pixelColor(28, 8), base);
    bool text = false;
    for (int y = 2; y < 17; ++y)
        for (int x = 34; x < 120; ++x)
            text = text || item.pixelColor(x, y) != base;
    EXPECT_TRUE(text) << "the name is written beside the swatch";

    box.SetShowStyle(retouch::ssOnlyText);
    EXPECT_EQ(drawn(box, 9, false, 120).pixelColor(100, 8), base) << "no swatch";
}

TEST(ColorComboBoxEx, ItemHeightFollowsTheFontOnlyWithNames) {
    TColorComboBoxEx box;
    QFont large = box.font();
    large.setPixelSize(30);
    box.setFont(large);
    EXPECT_EQ(box.ItemHeight(), 17);
    box.SetShowStyle(retouch::ssColorAndText);
    large.setPixelSize(40);
    QSignalSpy changes(&box, &TColorComboBoxEx::OnChange);
    box.setFont(large);
    EXPECT_EQ(box.ItemHeight(), QFontMetrics(large).height() + 2);
    EXPECT_EQ(box.count(), 16);
    EXPECT_EQ(box.currentIndex(), 0) << "rebuilt with the kept colour selected";
    EXPECT_EQ(changes.count(), 1);
}

} // namespace
} // namespace velvo::testing
