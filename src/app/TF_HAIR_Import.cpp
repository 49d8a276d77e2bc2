// Bringing a salon's own hairstyle into the library: a cut-out PNG becomes the next hairstyle
// of a category, with its high-resolution master beside it.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <filesystem>

#include "app/TF_HAIR.h"
#include "imaging/TPictureGrid.h"
#include "imaging/TPictureIO.h"
#include "library/HairImport.h"
#include "library/TF_THUMBS.h"
#include "platform/Cursors.h"
#include "platform/Dialogs.h"
#include "translation/TLanguage.h"

namespace velvo::app {

void TF_HAIR::ImportarCabelo1Click() {
    auto translated = [this](const QString& text) { return L1 ? L1->TranslateMsg(text) : text; };
    // The dialogs carry the entry's own (possibly translated) caption.
    QString title = Action(QStringLiteral("ImportarCabelo1"))->text();
    title.remove(QLatin1Char('&'));
    if (title.endsWith(QStringLiteral("...")))
        title.chop(3);

    platform::FileDialogRequest request;
    request.title = title;
    request.filter = QStringLiteral("PNG (*.png)|*.png");
    // Cut-outs come from a phone or a download folder, not from the program's own.
    request.initialDir = QDir::homePath();
    request.options = platform::ofFileMustExist | platform::ofHideReadOnly;
    request.preview = imaging::readPicturePreview;
    const platform::FileDialogAnswer file = platform::Dialogs::instance().openFile(request);
    if (!file.accepted)
        return;

    platform::ChoiceRequest choice;
    choice.title = title;
    choice.label = translated(QStringLiteral("Categoria:"));
    for (int i = 0; i < CB_TIPO->count(); ++i)
        choice.items << CB_TIPO->itemText(i);
    const int current = CategoryText.toInt();
    choice.current = current >= 0 && current < CB_TIPO->count() ? current : 0;
    const int category = platform::Dialogs::instance().choose(choice);
    if (category < 0 || category >= CB_TIPO->count())
        return;

    const std::filesystem::path folder =
        (ProgramFolder + LibraryLabel + QLatin1Char('/') + CB_TIPO->itemText(category))
            .toStdString();
    {
        platform::BusyCursor busy;
        // A refused picture throws with its name and the fault; the standard error box shows
        // it and nothing has been written.
        library::HairImport::Import(file.fileName.toStdString(), folder);
    }

    // The browser reads a category folder once; the new hairstyle is shown at once by
    // reading this one again, with the browser open on it.
    CategoryText = QString::number(category);
    if (library::F_THUMBS) {
        library::F_THUMBS->PictureGrid[size_t(category)]->ClearImages();
        library::F_THUMBS->SetActivePage(category + 1);
        library::F_THUMBS->ShowBrowser();
    }
}

} // namespace velvo::app
