// Exported tries: the picture's size (2000 pixels on the long side, never more than the photo
// holds), and a failed export (a picture or the sheet) that names the file and leaves nothing
// half-written behind, the file that was there before included.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include "imaging/codecs/Error.h"
#include "render/RenderFixture.h"
#include "render/TrialExport.h"
#include "render/TrialRenderer.h"
#include "support/FileSizeLimit.h"

namespace velvo::render {
namespace {

using namespace testing;

trial::Trial photoTry(QSize photoSize, int zoom) {
    trial::Trial t;
    t.photo = structuredPhoto(photoSize.width(), photoSize.height());
    t.overlayShown = false;
    t.zoom = zoom;
    t.clientSize = QSize(241, 313);
    return t;
}

TEST(TrialExport, PicturesAreTwoThousandPixelsLongUnlessThePhotoHoldsFewer) {
    QTemporaryDir dir;
    struct Case {
        const char* file;
        QSize photo;
        int zoom;
        QSize expected;
    } cases[] = {
        // The window shows 241 x 313 of a photo at 10 %: 2410 x 3130 photo pixels under it.
        {"large.jpg", {4000, 3500}, 10, {1540, 2000}},
        {"large.PNG", {4000, 3500}, 10, {1540, 2000}},
        // At 50 % the window covers 482 x 626 photo pixels: no more are made up.
        {"small.jpeg", {1200, 900}, 50, {482, 626}},
        // Enlarged in the window: never smaller than the window showed it.
        {"tiny.png", {300, 200}, 200, {241, 313}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = dir.filePath(c.file);
        ExportTrial(photoTry(c.photo, c.zoom), file);
        QImageReader reader(file);
        EXPECT_EQ(reader.size(), c.expected);
        EXPECT_EQ(reader.format(), QFileInfo(file).suffix().toLower() == "png" ? "png" : "jpeg");
    }
}

TEST(TrialExport, AFailedExportNamesTheFileAndLeavesNothingHalfWritten) {
    const std::vector<trial::Trial> tries = {photoTry({4000, 3500}, 10), photoTry({4000, 3500}, 20)};
    struct Case {
        const char* name;
        const char* target;
        std::function<void(const QString&)> write;
    } cases[] = {
        {"picture, disk full", "try.jpg", [&](const QString& f) { ExportTrial(tries[0], f); }},
        {"sheet, disk full", "sheet.pdf", [&](const QString& f) { ExportSheet(tries, f, QDate(2026, 12, 8)); }},
        {"picture into a folder that is not there", "missing/try.png",
         [&](const QString& f) { ExportTrial(tries[0], f); }},
        {"not a picture format", "try.gif", [&](const QString& f) { ExportTrial(tries[0], f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = dir.filePath(c.target);
        // What an earlier export left there stays as it was.
        QFile before(file);
        if (before.open(QIODevice::WriteOnly))
            before.write("an earlier export"), before.close();
        const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        try {
            velvo::testing::FileSizeLimit full(4096);
            c.write(file);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(file.toStdString()), std::string::npos) << e.what();
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entries);
        QFile after(file);
        if (after.open(QIODevice::ReadOnly))
            EXPECT_EQ(after.readAll(), "an earlier export");
    }
}

} // namespace
} // namespace velvo::render
