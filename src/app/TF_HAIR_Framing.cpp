// Face framing in the document windows: "Enquadrar &Rosto" (again: the photo's next face),
// framing a large photo when it opens, and "&Provar Categoria".
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QStatusBar>
#include <algorithm>
#include <map>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "fit/FaceFinder.h"
#include "imaging/TPictureView.h"
#include "platform/Convert.h"
#include "platform/Cursors.h"
#include "translation/IniFile.h"
#include "translation/TLanguage.h"

namespace velvo::app {
namespace {

constexpr int kMostTries = 8;

// The zoom first: it re-clamps the offsets, which are then set within the new range.
void showView(imaging::TPictureView& view, const fit::View& wanted) {
    view.SetZoom(wanted.zoom);
    view.SetViewX(wanted.viewX);
    view.SetViewY(wanted.viewY);
}

// The hairstyle numbers of one category folder, as HairFilePath names them, in order.
QList<int> hairstylesIn(const QString& folder) {
    static const QRegularExpression name(QStringLiteral("^([0-9]{1,6})\\.GIF$"));
    std::map<int, bool> numbers;
    for (const QString& file : QDir(folder).entryList(QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file);
        if (m.hasMatch() && m.captured(1).toInt() > 0)
            numbers[m.captured(1).toInt()] = true;
    }
    QList<int> result;
    for (const auto& [number, _] : numbers)
        result.append(number);
    return result;
}

// Side by side in rows across the frame, each keeping its size (its framing was computed for
// its client area), rather than Qt's tiling, which would resize them.
void lineUp(QMdiArea& area, const QList<document::TF_FILHO*>& documents) {
    const int across = area.viewport()->width();
    int x = 0, y = 0, rowHeight = 0;
    for (document::TF_FILHO* doc : documents) {
        QMdiSubWindow* window = doc->SubWindow();
        if (!window)
            continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > across) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        window->move(x, y);
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

} // namespace

const fit::FaceFinder& TF_HAIR::Faces() {
    if (!faces_) {
        faces_ = std::make_shared<fit::FaceFinder>(ProgramFolder.toStdString());
        faceModelsMessage_ = QString::fromStdString(faces_->missingModels());
    }
    return *faces_;
}

void TF_HAIR::ReportFaceModels() {
    if (faceModelsMessage_.isEmpty())
        return;
    // Said once, beside the status messages rather than in their place (the framing's own
    // "no face" must still be read): the stylist cannot mend it, and the older finder still
    // frames upright faces.
    auto* note = new QLabel(faceModelsMessage_, statusBar());
    note->setObjectName(QStringLiteral("faceModelsNote"));
    statusBar()->addPermanentWidget(note);
    faceModelsMessage_.clear();
}

std::vector<fit::Face> TF_HAIR::FindFaces(const QImage& photo) {
    const fit::FaceFinder& faces = Faces();
    if (!faces.available() || photo.isNull())
        return {};
    if (photo.format() == QImage::Format_BGR888)
        return faces.findAll(photo.constBits(), photo.width(), photo.height(),
                             size_t(photo.bytesPerLine()));
    const QImage bgr = photo.convertToFormat(QImage::Format_BGR888);
    return faces.findAll(bgr.constBits(), bgr.width(), bgr.height(), size_t(bgr.bytesPerLine()));
}

std::optional<fit::Face> TF_HAIR::FindFace(const QImage& photo) {
    std::vector<fit::Face> faces = FindFaces(photo);
    if (faces.empty())
        return std::nullopt;
    return faces.front();
}

bool TF_HAIR::FrameOnOpen() const {
    const translation::IniFile ini(ProgramFolder + QStringLiteral("velvo.ini"));
    return ini.readString(QStringLiteral("Opcoes"), QStringLiteral("EnquadrarAoAbrir"),
                          QStringLiteral("1")) != QLatin1String("0");
}

void TF_HAIR::ShowStatus(const QString& text, const QString& arg) {
    const QString shown = L1 ? L1->TranslateMsg(text) : text;
    statusBar()->showMessage(arg.isNull() ? shown : shown.arg(arg));
}

void TF_HAIR::ReportOpeningError(const std::string& error) {
    ShowStatus(QString::fromStdString(error));
}

bool TF_HAIR::FrameDocument(document::TF_FILHO& doc, std::optional<fit::Face> face) {
    platform::BusyCursor busy;
    imaging::TPictureView& view = *doc.Image1;
    if (view.IsEmpty())
        return false;
    const fit::Size photo{view.Image().width(), view.Image().height()};
    const fit::Size window{doc.width(), doc.height()};
    if (!face)
        face = FindFace(view.Image());
    if (!face) {
        showView(view, fit::fitWhole(photo, window));
        doc.Framed = false;
        ShowStatus(QStringLiteral("Nenhum rosto encontrado"));
        ReportFaceModels();
        return false;
    }
    // An earlier "no face" must not stay beside a face found.
    if (QStatusBar* bar = findChild<QStatusBar*>())
        bar->clearMessage();
    // A photo just opened shows no hairstyle yet: the face gets a usual head's place.
    const bool hairShown =
        doc.HairNumber > 0 && !doc.ImageAux2->IsEmpty() && !doc.Image2->isHidden();
    doc.Framed = true;
    doc.Face = *face;
    // The hairstyle as it will stand once turned with the head.
    const fit::TurnedFrame turned = hairShown ? doc.TurnedHairFrame() : fit::TurnedFrame{};
    const fit::Size hair = hairShown ? turned.size : window;
    const fit::Opening opening = hairShown ? turned.opening : fit::defaultOpening(window);
    showView(view, fit::frameFace(photo, *face, window, hair, opening));
    // Also a hidden overlay, so that "&Inserir" shows it in place.
    doc.FitHairToFace();
    doc.Image1->update();
    ReportFaceModels();
    return true;
}

void TF_HAIR::EnquadrarRosto1Click() {
    BT_SCROLLClick();
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc || doc->Image1->IsEmpty())
        return;
    // Asked again on a framed photo: its next face, round to the first after the last.
    const std::vector<fit::Face> faces = FindFaces(doc->Image1->Image());
    const int next = doc->Framed && !faces.empty() ? (doc->FaceIndex + 1) % int(faces.size()) : 0;
    if (FrameDocument(*doc, faces.empty() ? std::nullopt : std::optional<fit::Face>(faces[size_t(next)])))
        doc->FaceIndex = next;
}

void TF_HAIR::ProvarCategoria1Click() {
    BT_SCROLLClick();
    document::TF_FILHO* source = ActiveDocument();
    if (!source)
        return;
    platform::BusyCursor busy;
    const QString label = source->Hair->text();
    const QString category = source->lblTipo->text();
    const int index = platform::StrToInt(category);
    if (index < 0 || index >= CB_TIPO->count())
        return;
    const QList<int> numbers =
        hairstylesIn(ProgramFolder + label + QLatin1Char('/') + CB_TIPO->itemText(index));
    if (numbers.isEmpty())
        return;
    std::optional<fit::Face> face;
    if (source->Framed)
        face = source->Face;
    else
        face = FindFace(source->Image1->Image());

    // The viewer choice and the browser's category are the stylist's, not this command's.
    const QString keptLabel = LibraryLabel;
    const QString keptCategory = CategoryText;
    struct Restore {
        TF_HAIR& main;
        QString label, category;
        ~Restore() {
            main.LibraryLabel = label;
            main.CategoryText = category;
            main.InsertMode = false;
            main.PendingPhoto = QImage();
        }
    } restore{*this, keptLabel, keptCategory};

    QList<document::TF_FILHO*> made;
    for (int number : numbers.mid(0, kMostTries)) {
        LibraryLabel = label;
        CategoryText = category;
        PendingPhotoFile = source->lblFilename->text();
        PendingViewX = source->Image1->ViewX();
        PendingViewY = source->Image1->ViewY();
        PendingZoom = source->Image1->Zoom();
        PendingHairLeft = source->Image2->x();
        PendingHairTop = source->Image2->y();
        PendingHairstyleId = QString::number(number);
        PendingFramed = false;
        InsertMode = true;
        document::TF_FILHO* doc = NewDocument();
        InsertMode = false;
        FrameDocument(*doc, face);
        // The photo is read once; the other tries share what the first one read.
        if (made.isEmpty())
            PendingPhoto = doc->Image1->Image();
        made.append(doc);
    }
    lineUp(*MdiArea, made);
    ShowPreviewSheet(made);
}

} // namespace velvo::app
