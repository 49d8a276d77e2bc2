#pragma once
// The studio with the three print windows over a printer of white page images.
#include <QMdiSubWindow>

#include "app/StudioFixture.h"
#include <QPrinter>

#include "platform/Printer.h"
#include "print/TF_IMPRESSAO.h"
#include "print/TF_PREVIEW.h"
#include "print/TF_PREVIEW2.h"
#include "print/TPagePrinter.h"
#include "ui/TImageAspect.h"

namespace velvo::testing {

// The colours of openQuadrants: top-left, top-right, bottom-left, bottom-right.
inline const QColor kQuadrants[4] = {QColor(200, 30, 40), QColor(40, 160, 60), QColor(30, 60, 190),
                                     QColor(230, 200, 40)};

class PrintTest : public StudioTest {
protected:
    void SetUp() override {
        platform::Printer::setInstance(&printer);
        StudioTest::SetUp();
        main->resize(1200, 900);
        preview = std::make_unique<print::TF_PREVIEW>();
        options = std::make_unique<print::TF_IMPRESSAO>(main.get());
        preview2 = std::make_unique<print::TF_PREVIEW2>(main.get());
    }
    void TearDown() override {
        preview2.reset();
        options.reset();
        preview.reset();
        StudioTest::TearDown();
        platform::Printer::setInstance(nullptr);
    }

    // A document showing a photo of one colour, its client area `size`.
    document::TF_FILHO* openSolid(const QString& name, QColor colour, QSize size = {}) {
        const imaging::Bgr bgr{uint8_t(colour.blue()), uint8_t(colour.green()),
                               uint8_t(colour.red())};
        document::TF_FILHO* doc = openPhoto(writePhoto(name, solid(700, 500, bgr)));
        if (size.isValid()) {
            QMdiSubWindow* frame = doc->SubWindow();
            frame->resize(frame->size() + size - doc->size());
        }
        return doc;
    }

    // A document showing a photo of exactly its client `size`, each quarter of its own colour
    // (top-left, top-right, bottom-left, bottom-right): a print turned, mirrored, moved or
    // scaled shows them elsewhere.
    document::TF_FILHO* openQuadrants(const QString& name, QSize size) {
        imaging::Raster photo = solid(size.width(), size.height(), {0, 0, 0});
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QColor c =
                    kQuadrants[(y < size.height() / 2 ? 0 : 2) + (x < size.width() / 2 ? 0 : 1)];
                photo.set(x, y, {uint8_t(c.blue()), uint8_t(c.green()), uint8_t(c.red())});
            }
        document::TF_FILHO* doc = openPhoto(writePhoto(name, photo));
        QMdiSubWindow* frame = doc->SubWindow();
        frame->resize(frame->size() + size - doc->size());
        return doc;
    }

    // The sheet in the scratch view: red left half, blue right half.
    void setSheet(QSize size) {
        QImage sheet(size, QImage::Format_RGB32);
        sheet.fill(Qt::blue);
        QPainter(&sheet).fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
        main->PictureView1->SetImage(sheet);
    }

    static QImage replay(const QPicture& page) {
        QImage image(page.boundingRect().size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.drawPicture(0, 0, page);
        return image;
    }

    // 8.5 x 11 inches at 300 dpi: small enough to replay whole pages.
    platform::ImagePrinter printer{QSize(2550, 3300), 300};
    std::unique_ptr<print::TF_PREVIEW> preview;
    std::unique_ptr<print::TF_IMPRESSAO> options;
    std::unique_ptr<print::TF_PREVIEW2> preview2;
};

} // namespace velvo::testing
