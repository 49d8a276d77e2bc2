// The colour panel GradPan1 and the commands that change the colours of the active document:
// the panel's sliders and colour box, the virtual colours, and the hand-over to the retouch
// editor and back.
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <cstring>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "document/THairOverlay.h"
#include "imaging/THsvPicker.h"
#include "imaging/TPictureIO.h"
#include "imaging/TPictureView.h"
#include "pixel/PixelFilters.h"
#include "platform/Cursors.h"
#include "ui/TGradPan.h"

namespace velvo::app {

namespace {

enum class PanelTarget { Selection, Overlay, Photo };

// The same test when the panel captures and every time a slider writes back.
PanelTarget panelTarget(const TF_HAIR& main, const document::TF_FILHO& doc) {
    if (main.LassoActive)
        return PanelTarget::Selection;
    if (!doc.Image2->isHidden())
        return PanelTarget::Overlay;
    return PanelTarget::Photo;
}

QLabel* panelLabel(QWidget* panel, const char* name, const QString& caption, QRect geometry,
                   const QColor& background) {
    auto* label = new QLabel(caption, panel);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(10);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #e8e8e8; background: %1; border-radius: 2px;")
                             .arg(background.name()));
    return label;
}

QScrollBar* panelSlider(QWidget* panel, const char* name, int minimum, int maximum, int neutral,
                        QRect geometry) {
    auto* slider = new QScrollBar(Qt::Horizontal, panel);
    slider->setObjectName(QLatin1String(name));
    slider->setRange(minimum, maximum);
    slider->setPageStep(10);
    slider->setSingleStep(1);
    slider->setValue(neutral);
    slider->setGeometry(geometry);
    return slider;
}

enum class ButtonGlyph { Undo, Selection, Close };

QIcon buttonGlyph(ButtonGlyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case ButtonGlyph::Undo:
        p.setPen(QPen(QColor(0, 90, 40), 2));
        p.drawArc(QRect(3, 4, 10, 9), 90 * 16, -250 * 16);
        p.setBrush(QColor(0, 90, 40));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygon({QPoint(2, 2), QPoint(8, 4), QPoint(3, 8)}));
        break;
    case ButtonGlyph::Selection:
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawPolygon(QPolygon({QPoint(2, 4), QPoint(9, 2), QPoint(14, 8), QPoint(6, 14)}));
        break;
    case ButtonGlyph::Close:
        p.setPen(QPen(QColor(150, 0, 0), 2));
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
        break;
    }
    return QIcon(pixmap);
}

QToolButton* panelButton(QWidget* panel, const char* name, const QString& hint, ButtonGlyph glyph,
                         QRect geometry) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setIcon(buttonGlyph(glyph));
    button->setGeometry(geometry);
    return button;
}

// Quietly: setting positions does not recompute the target.
void setNeutralPositions(TF_HAIR& main) {
    for (QScrollBar* slider : {main.sRed, main.sBlue, main.sGreen, main.sContrast, main.sLightness,
                               main.sSaturation, main.sSharpen}) {
        const QSignalBlocker quiet(slider);
        slider->setValue(slider == main.sSaturation ? 255 : 0);
    }
}

// The picture the panel writes into for `target`; its cache key tells whether anything but the
// panel has changed it.
qint64 targetPictureKey(const document::TF_FILHO& doc, PanelTarget target) {
    const document::THairOverlay& overlay = *doc.Image2;
    const imaging::TPictureView& photo = *doc.Image1;
    return target == PanelTarget::Overlay ? overlay.Picture().cacheKey() : photo.Image().cacheKey();
}

} // namespace

void TF_HAIR::buildColourPanel() {
    // Inside the frame's client area, so it floats over the documents.
    GradPan1 = new TGradPan(MdiArea);
    GradPan1->setObjectName(QStringLiteral("GradPan1"));
    GradPan1->SetColorStart(QColor(128, 128, 128));
    GradPan1->SetColorEnd(QColor(192, 192, 192));
    GradPan1->SetMoveable(true);
    GradPan1->setGeometry(264, 39, 257, 242);
    GradPan1->hide();
    GradPan1->installEventFilter(this);

    auto* title = new QLabel(QStringLiteral("Color Panel"), GradPan1);
    title->setObjectName(QStringLiteral("StyledLabel8"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setGeometry(8, 4, 150, 18);
    // Presses on the title drag the panel like presses on its face.
    title->setAttribute(Qt::WA_TransparentForMouseEvents);

    BitBtn1 = panelButton(GradPan1, "BitBtn1", QStringLiteral("Undo"), ButtonGlyph::Undo,
                          QRect(177, 3, 22, 22));
    BitBtn2 = panelButton(GradPan1, "BitBtn2", QStringLiteral("Esconde/Mostra Seleção"),
                          ButtonGlyph::Selection, QRect(202, 3, 22, 22));
    BitBtn21 = panelButton(GradPan1, "BitBtn21", QStringLiteral("Fechar Color Panel"),
                           ButtonGlyph::Close, QRect(227, 3, 22, 22));
    connect(BitBtn1, &QToolButton::clicked, this,
            [this] { platform::runGuarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QToolButton::clicked, this,
            [this] { platform::runGuarded([this] { BitBtn2Click(); }); });
    connect(BitBtn21, &QToolButton::clicked, this,
            [this] { platform::runGuarded([this] { BitBtn21Click(); }); });

    struct Row {
        const char* label;
        const char* caption;
        QColor background;
        const char* slider;
        int minimum, maximum, neutral;
        QScrollBar** field;
    };
    const QColor plain(70, 70, 80);
    const Row rows[] = {
        {"StyledLabel1", "Vermelho", QColor(160, 20, 20), "sRed", -255, 255, 0, &sRed},
        {"StyledLabel2", "Verde", QColor(0, 110, 110), "sGreen", -255, 255, 0, &sGreen},
        {"StyledLabel3", "Azul", QColor(20, 40, 160), "sBlue", -255, 255, 0, &sBlue},
        {"StyledLabel4", "Contraste", plain, "sContrast", -150, 150, 0, &sContrast},
        {"StyledLabel5", "Luz", plain, "sLightness", -150, 150, 0, &sLightness},
        {"StyledLabel6", "Saturação", plain, "sSaturation", 0, 510, 255, &sSaturation},
        {"StyledLabel7", "Nitidez", plain, "sSharpen", 0, 10, 0, &sSharpen},
    };
    int y = 28;
    for (const Row& row : rows) {
        panelLabel(GradPan1, row.label, QString::fromUtf8(row.caption), QRect(6, y, 66, 15),
                   row.background);
        *row.field = panelSlider(GradPan1, row.slider, row.minimum, row.maximum, row.neutral,
                                 QRect(76, y, 175, 15));
        connect(*row.field, &QScrollBar::valueChanged, this,
                [this] { platform::runGuarded([this] { sRedScroll(); }); });
        y += 17;
    }

    // The colour box sits in a lowered frame under the sliders.
    auto* well = new QFrame(GradPan1);
    well->setObjectName(QStringLiteral("Panel2"));
    well->setFrameShape(QFrame::Panel);
    well->setFrameShadow(QFrame::Sunken);
    well->setGeometry(6, y + 3, 245, 242 - y - 9);
    HsvPicker1 = new imaging::THsvPicker(well);
    HsvPicker1->setObjectName(QStringLiteral("HsvPicker1"));
    HsvPicker1->setGeometry(well->contentsRect().adjusted(1, 1, -1, -1));
    connect(HsvPicker1, &imaging::THsvPicker::OnClick, this,
            [this] { platform::runGuarded([this] { HsvPicker1Click(); }); });

    Label1 = new QLabel(GradPan1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();
}

bool TF_HAIR::eventFilter(QObject* watched, QEvent* event) {
    if (watched == GradPan1 && event->type() == QEvent::Resize)
        GradPan1Resize();
    return QMainWindow::eventFilter(watched, event);
}

void TF_HAIR::GradPan1Resize() {
    if (GradPan1->size() != QSize(257, 242))
        GradPan1->resize(257, 242);
}

void TF_HAIR::hideColourPanel() {
    if (GradPan1)
        GradPan1->hide();
}

void TF_HAIR::capturePanelTarget(document::TF_FILHO& doc) {
    const PanelTarget target = panelTarget(*this, doc);
    switch (target) {
    case PanelTarget::Selection: {
        // The selection's bounding box of the photo lands at the scratch image's top-left,
        // clipped to the polygon.
        const QPolygon& points = doc.Image1->SelectionPoints();
        PictureView1->PasteThroughPolygon(
            doc.Image1->Image(), points,
            QRect(0, 0, points.boundingRect().width(), points.boundingRect().height()));
        WorkBitmap.LoadFromBitmapHandle(PictureView1->Image());
        break;
    }
    case PanelTarget::Overlay:
        WorkBitmap.LoadFromBitmapHandle(doc.Image2->Picture());
        break;
    case PanelTarget::Photo:
        WorkBitmap.LoadFromBitmapHandle(doc.Image1->Image());
        break;
    }
    PanelSnapshot.SetSize(WorkBitmap.Width, WorkBitmap.Height);
    if (WorkBitmap.ByteSize > 0)
        std::memcpy(PanelSnapshot.PixelBytes, WorkBitmap.PixelBytes, size_t(WorkBitmap.ByteSize));
    Label1->setText(QString::number(doc.HairNumber));

    if (panelSource_.document != &doc) {
        disconnect(panelSourceWatch_);
        panelSourceWatch_ =
            connect(&doc, &QObject::destroyed, this, [this] { releasePanelCapture(); });
    }
    panelSource_.document = &doc;
    panelSource_.target = int(target);
    panelSource_.recipeStep = -1;
    panelSource_.selection =
        target == PanelTarget::Selection ? doc.Image1->SelectionPoints() : QPolygon();
    rememberPanelPicture(doc);
}

bool TF_HAIR::panelCaptureIsOf(const document::TF_FILHO& doc) const {
    // A document's number says nothing here: an opened photo and hairstyle 1 both have 1, and
    // a closed document's address may come back for a new one.
    if (panelSource_.document != &doc)
        return false;
    const PanelTarget target = panelTarget(*this, doc);
    if (panelSource_.target != int(target))
        return false;
    if (target == PanelTarget::Selection && panelSource_.selection != doc.Image1->SelectionPoints())
        return false;
    return panelSource_.pictureKey == targetPictureKey(doc, target);
}

void TF_HAIR::rememberPanelPicture(const document::TF_FILHO& doc) {
    panelSource_.pictureKey = targetPictureKey(doc, panelTarget(*this, doc));
}

void TF_HAIR::releasePanelCapture() {
    disconnect(panelSourceWatch_);
    panelSource_ = {};
    PanelSnapshot.SetSize(0, 0);
    WorkBitmap.SetSize(0, 0);
}

void TF_HAIR::BT_SLIDERSClick() {
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    PanelOpened = true;
    GradPan1->show();
    GradPan1->raise();
    setNeutralPositions(*this);
    capturePanelTarget(*doc);
}

void TF_HAIR::sRedScroll() {
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    // The capture may be another document's, or a picture since replaced: written here, it
    // would paste that picture over this one.
    if (!panelCaptureIsOf(*doc))
        capturePanelTarget(*doc);
    // Every run starts from the capture, so the sliders are settings, not steps.
    if (WorkBitmap.Width != PanelSnapshot.Width || WorkBitmap.Height != PanelSnapshot.Height)
        WorkBitmap.SetSize(PanelSnapshot.Width, PanelSnapshot.Height);
    if (PanelSnapshot.ByteSize > 0)
        std::memcpy(WorkBitmap.PixelBytes, PanelSnapshot.PixelBytes,
                    size_t(PanelSnapshot.ByteSize));

    pixel::PanelSettings settings;
    if (sRed->value() != 0 || sGreen->value() != 0 || sBlue->value() != 0) {
        for (QScrollBar* s : {sRed, sGreen, sBlue})
            s->setToolTip(QString::number(s->value()));
        settings.red = sRed->value();
        settings.green = sGreen->value();
        settings.blue = sBlue->value();
    }
    const auto take = [](QScrollBar* slider, int neutral, int& setting) {
        if (slider->value() != neutral) {
            slider->setToolTip(QString::number(slider->value()));
            setting = slider->value();
        }
    };
    take(sLightness, 0, settings.lightness);
    take(sContrast, 0, settings.contrast);
    take(sSaturation, 255, settings.saturation);
    take(sSharpen, 0, settings.sharpen);
    // Offsets, lightness, contrast, saturation, sharpen in that order, each skipped at its
    // neutral position.
    pixel::ApplyPanelPipeline(WorkBitmap, settings);

    switch (panelTarget(*this, *doc)) {
    case PanelTarget::Selection: {
        // Hairstyle files and saved pictures pass through the scratch view between two moves,
        // so the result gets a scratch picture of its own rather than being drawn over theirs.
        QImage result(WorkBitmap.Width, WorkBitmap.Height, QImage::Format_BGR888);
        WorkBitmap.DrawAt(result, 0, 0);
        PictureView1->SetImage(result);
        QImage& photo = doc->Image1->Image();
        const QSize before = photo.size();
        PictureView1->CopyThroughPolygon(photo, doc->Image1->SelectionPoints(), QPoint(0, 0));
        if (photo.size() != before)
            doc->Image1->ImageChanged();
        doc->Image1->repaint();
        break;
    }
    case PanelTarget::Overlay: {
        WorkBitmap.DrawAt(doc->Image2->PictureForEdit(), 0, 0);
        doc->Image2->PictureChanged();
        doc->Image2->repaint();
        // One step per capture: the sliders are settings of that one run, so moving them again
        // replaces its settings rather than stacking runs the window never shows.
        std::vector<trial::OverlayStep>& steps = doc->Recipe.steps;
        int& step = panelSource_.recipeStep;
        if (step < 0 || step >= int(steps.size()) || steps[size_t(step)].kind != trial::OverlayStep::Kind::Panel) {
            trial::OverlayStep panel;
            panel.kind = trial::OverlayStep::Kind::Panel;
            steps.push_back(panel);
            step = int(steps.size()) - 1;
        }
        steps[size_t(step)].panel = settings;
        break;
    }
    case PanelTarget::Photo:
        WorkBitmap.DrawAt(doc->Image1->Image(), 0, 0);
        doc->Image1->repaint();
        break;
    }
    rememberPanelPicture(*doc);
}

void TF_HAIR::BitBtn1Click() {
    setNeutralPositions(*this);
    sSaturation->setToolTip(QStringLiteral("255"));
    for (QScrollBar* s : {sRed, sGreen, sBlue, sLightness, sContrast, sSharpen})
        s->setToolTip(QStringLiteral("0"));
    sRedScroll();
}

void TF_HAIR::BitBtn2Click() {
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->Image1->SetSelectionVisible(!doc->Image1->SelectionVisible());
}

void TF_HAIR::BitBtn21Click() {
    GradPan1->hide();
    BT_SCROLLClick();
    BT_SCROLL->setChecked(true);
    PanelOpened = false;
}

void TF_HAIR::HsvPicker1Click() {
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    // A colour picked for another document or target starts from neutral sliders on a fresh
    // capture of it.
    if (!panelCaptureIsOf(*doc))
        BT_SLIDERSClick();
    {
        const QSignalBlocker r(sRed), g(sGreen), b(sBlue);
        sRed->setValue(HsvPicker1->Red());
        sGreen->setValue(HsvPicker1->Green());
        sBlue->setValue(HsvPicker1->Blue());
    }
    sRedScroll();
}

void TF_HAIR::ColorPanel1Click() {
    BT_SLIDERSClick();
}

void TF_HAIR::AjusteFoto1Click() {
    if (document::TF_FILHO* doc = ActiveDocument())
        doc->Image2->hide();
    BT_SLIDERSClick();
}

void TF_HAIR::AjusteCabelo1Click() {
    BT_SLIDERSClick();
}

namespace {
void applyVirtualColor(TF_HAIR& main, int color) {
    platform::BusyCursor busy;
    if (document::TF_FILHO* doc = main.ActiveDocument())
        doc->ApplyVirtualColor(color);
}
} // namespace

void TF_HAIR::Amarelo1Click() {
    applyVirtualColor(*this, document::TF_FILHO::Amarelo);
}
void TF_HAIR::Marrom1Click() {
    applyVirtualColor(*this, document::TF_FILHO::Marrom);
}
void TF_HAIR::Vermelho1Click() {
    applyVirtualColor(*this, document::TF_FILHO::Vermelho);
}
void TF_HAIR::Preto1Click() {
    applyVirtualColor(*this, document::TF_FILHO::Preto);
}
void TF_HAIR::Normal1Click() {
    applyVirtualColor(*this, document::TF_FILHO::Normal);
}

void TF_HAIR::RetoqueFoto1Click() {
    BT_SCROLLClick();
    BT_SCROLL->setChecked(true);
    QPointer<document::TF_FILHO> doc = ActiveDocument();
    if (!doc)
        return;
    // The overlay comes back as it was: a photo opened without a hairstyle stays without one.
    const bool overlayShown = !doc->Image2->isHidden();
    doc->Image2->hide();
    PictureView1->SetImage(doc->Image1->Image());
    RetouchTarget = QStringLiteral("Foto");
    if (Retoucher) {
        Retoucher->SetPicture(PictureView1->Image());
        Retoucher->ShowModal();
    }
    if (doc && overlayShown)
        doc->Image2->show();
}

void TF_HAIR::RetoqueCabelo1Click() {
    BT_SCROLLClick();
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    PictureView1->SetImage(doc->ImageAux2->Image());
    RetouchTarget = QStringLiteral("Cabelo");
    if (Retoucher) {
        Retoucher->SetPicture(PictureView1->Image());
        Retoucher->ShowModal();
    }
}

void TF_HAIR::ReturnFromRetouch() {
    document::TF_FILHO* doc = ActiveDocument();
    if (!doc)
        return;
    if (RetouchTarget == QLatin1String("Cabelo")) {
        doc->Image2->SetPicture(PictureView1->Image());
        // Painted by hand: no step makes it again from the library picture.
        doc->Recipe = {};
        doc->Recipe.ownPicture = true;
    } else if (RetouchTarget == QLatin1String("Foto")) {
        doc->Image1->SetImage(PictureView1->Image());
        ++CaptureCount;
        // A fresh number, so a retouch never overwrites another document's photo. A failed
        // write throws before the document is pointed at the file.
        const QString file = doc->TempFilePath(CaptureCount);
        PictureIO1->SaveImageFile(file);
        doc->lblFilename->setText(file);
    }
}

} // namespace velvo::app
