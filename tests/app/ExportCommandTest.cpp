// "E&xportar Prova...": the active try as a picture, or every try of the active photo (and no
// other photo's) on the PDF sheet; a name without an extension takes the chosen filter's.
#include <QFile>
#include <QImageReader>

#include "StudioFixture.h"

namespace velvo::testing {
namespace {

class ExportCommand : public StudioTest {};

TEST_F(ExportCommand, WritesTheActiveTryOrEveryTryOfItsPhoto) {
    writeHair(0, 1, hairstyle(40, 50, {30, 40, 160}));
    const QString photo = writePhoto("photo.bmp", solid(900, 700, {200, 180, 160}));
    const QString other = writePhoto("other.bmp", solid(500, 400, {20, 180, 160}));
    insert(photo, "1", 10, 10, 50);
    insert(other, "1", 10, 10);
    insert(photo, "1", 30, 20, 50);
    struct Case {
        const char* name;
        QString answer;
        int filterIndex;
        QString written;
        int pictures; // on the sheet; 0 for a picture file
    } cases[] = {
        {"a name without extension, PNG chosen", folder + "try", 2, folder + "try.png", 0},
        {"the sheet", folder + "sheet.pdf", 1, folder + "sheet.pdf", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.saveAnswers.append({true, c.answer, c.filterIndex});
        main->ExportarProva1Click();
        ASSERT_EQ(dialogs.saveRequests.size(), &c - cases + 1);
        EXPECT_TRUE(dialogs.saveRequests.last().options & platform::ofOverwritePrompt);
        QFile file(c.written);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        if (c.pictures == 0) {
            // The photo at 50 %: 482 x 626 of its pixels under the window, no more made up.
            EXPECT_EQ(QImageReader(c.written).size(), QSize(482, 626));
        } else {
            EXPECT_EQ(file.readAll().count("/Subtype /Image"), c.pictures);
        }
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

} // namespace
} // namespace velvo::testing
