// Qt's printer as the print windows meet it: measured and painted at the layout resolution
// whichever resolution Qt or the print dialog chose, and a PDF that cannot be written never
// passes for a printed one.
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

#include "imaging/codecs/Error.h"
#include "platform/Printer.h"
#include "support/FileSizeLimit.h"

namespace velvo::platform {
namespace {

// Several hundred kilobytes in any PDF: noise does not compress.
QImage noise(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    return image;
}

TEST(QtPrinterDevice, LaysThePageOutAtThreeHundredDpiWhateverResolutionQtChose) {
    QTemporaryDir dir;
    const QString chosen = dir.filePath("chosen.pdf");
    const struct {
        const char* route;
        std::function<void(QPrinter&)> dialog;
    } routes[] = {
        {"no queue: the default PDF", [](QPrinter&) {}},
        // Qt's resolution for a CUPS queue, kept when the dialog switches to its PDF engine.
        {"a queue", [](QPrinter& q) { q.setResolution(1200); }},
        {"PDF chosen in the dialog",
         [&](QPrinter& q) {
             q.setResolution(1200);
             q.setOutputFormat(QPrinter::PdfFormat);
             q.setOutputFileName(chosen);
         }},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.route);
        QtPrinterDevice printer(dir.filePath("default.pdf"));
        printer.QtPrinter()->setPageLayout(
            QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                        QMarginsF(0.25, 0.5, 0.25, 0.5), QPageLayout::Inch));
        route.dialog(*printer.QtPrinter());
        // 8.5 x 11 inches; a quarter inch at the sides, half an inch at top and bottom.
        EXPECT_EQ(printer.ResolutionX(), 300);
        EXPECT_EQ(printer.ResolutionY(), 300);
        EXPECT_EQ(printer.PhysicalSize(), QSize(2550, 3300));
        EXPECT_EQ(printer.PhysicalOffset(), QPoint(75, 150));
        printer.BeginDoc();
        // The painter's pixels are the ones measured above.
        EXPECT_EQ(printer.Canvas().device()->logicalDpiX(), 300);
        EXPECT_EQ(printer.Canvas().device()->width(), printer.PageWidth());
        EXPECT_EQ(printer.Canvas().device()->height(), printer.PageHeight());
        printer.EndDoc();
    }
    EXPECT_GT(QFile(chosen).size(), 0);
}

TEST(QtPrinterDevice, AJobThatCannotBeWrittenNamesTheFileAndLeavesTheEarlierOne) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("folder.pdf");
    QFile earlier(dir.filePath("earlier.pdf"));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    const struct {
        const char* fault;
        QString target;
        rlim_t sizeLimit; // 0: none
    } cases[] = {
        {"its folder is missing", dir.filePath("missing/sheet.pdf"), 0},
        {"a folder has its name", dir.filePath("folder.pdf"), 0},
        {"the disk fills up", dir.filePath("earlier.pdf"), 64 * 1024},
    };
    const QImage picture = noise(400);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        QtPrinterDevice printer(c.target);
        QString named;
        try {
            std::optional<testing::FileSizeLimit> limit;
            if (c.sizeLimit)
                limit.emplace(c.sizeLimit);
            printer.BeginDoc();
            printer.Canvas().drawImage(QRect(0, 0, 1200, 1200), picture);
            printer.EndDoc();
        } catch (const velvo::Error& e) {
            named = QString::fromStdString(e.file());
        }
        EXPECT_EQ(named, c.target);
        EXPECT_FALSE(printer.Printing());
        // The stylist's file stays the printer's for the next try; nothing half-written stays.
        EXPECT_EQ(printer.Name(), c.target);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{"earlier.pdf"});
    }
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier");
}

} // namespace
} // namespace velvo::platform
