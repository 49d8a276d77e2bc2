#include "document/TF_FILHO.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QPainter>
#include <QToolButton>

#include "app/TF_HAIR.h"
#include "document/THairOverlay.h"
#include "document/TImageFX.h"
#include "document/TResizeGrip.h"
#include "imaging/TPictureIO.h"
#include "imaging/TPictureProc.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/Error.h"
#include "platform/Convert.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"

namespace velvo::document {
namespace {

QLabel* stateItem(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QLatin1String(name));
    label->hide();
    return label;
}

void make24Bit(imaging::TPictureView* view) {
    if (!view->IsEmpty() && view->Image().format() != QImage::Format_BGR888)
        view->SetImage(view->Image());
}

} // namespace

TF_FILHO::TF_FILHO(app::TF_HAIR* owner) : owner_(owner) {
    setObjectName(QStringLiteral("F_FILHO"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);

    Image1 = new imaging::TPictureView(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->SetMouseInteract(imaging::TPictureView::miScroll);
    Image1->setCursor(platform::Cursors::instance().cursor(platform::crHand));
    Image1->installEventFilter(this);
    connect(Image1, &imaging::TPictureView::OnViewChange, this,
            [this](int what) { Image1ViewChange(what); });
    PictureProc1 = new imaging::TPictureProc(this);
    PictureProc1->setObjectName(QStringLiteral("PictureProc1"));
    PictureProc1->SetAttachedView(Image1);
    PictureProc1->SetAutoUndo(true);
    PictureIO1 = new imaging::TPictureIO(this);
    PictureIO1->setObjectName(QStringLiteral("PictureIO1"));
    PictureIO1->SetAttachedView(Image1);

    Image2 = new THairOverlay(Image1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->move(0, 0);
    connect(Image2, &THairOverlay::MouseDown, this, &TF_FILHO::Image2MouseDown);
    connect(Image2, &THairOverlay::MouseMove, this, &TF_FILHO::Image2MouseMove);
    connect(Image2, &THairOverlay::MouseUp, this, &TF_FILHO::Image2MouseUp);

    ImageAux2 = new imaging::TPictureView(Image1);
    ImageAux2->setObjectName(QStringLiteral("ImageAux2"));
    ImageAux2->setGeometry(0, 0, 105, 105);
    ImageAux2->hide();
    PictureProc2 = new imaging::TPictureProc(this);
    PictureProc2->setObjectName(QStringLiteral("PictureProc2"));
    PictureProc2->SetAttachedView(ImageAux2);
    PictureProc2->SetAutoUndo(true);

    Image3 = new TImageFX(Image1);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setEnabled(false);
    Image3->SetVisible(false);
    Image3->SetAutoSize(false);
    Image3->SetCenter(true);
    Image3->SetStretch(true);
    Image3->SetTransparent(true);
    Image3->SetTransparentPixel(QStringLiteral("0,0"));

    SH1 = new TResizeGrip(Image1);
    SH1->setObjectName(QStringLiteral("SH1"));
    SH1->SetColor(Qt::red);
    SH1->SetGridX(1);
    SH1->SetGridY(1);
    SH1->setCursor(Qt::PointingHandCursor);
    SH1->SetDragCursor(Qt::PointingHandCursor);
    connect(SH1, &TResizeGrip::OnMouseDown, this, [this](auto button, auto modifiers, auto pos) {
        platform::runGuarded([&] { SH1MouseDown(button, modifiers, pos); });
    });
    connect(SH1, &TResizeGrip::OnMouseMove, this, &TF_FILHO::SH1MouseMove);

    lblFilename = stateItem(this, "lblFilename", "FileNameFoto");
    lblTipo = stateItem(this, "lblTipo", "LabelTipo");
    Hair = stateItem(this, "Hair", "HAIR");
    L = stateItem(this, "L", "0");
    T = stateItem(this, "T", "0");
}

TF_FILHO::~TF_FILHO() = default;

void TF_FILHO::FormCreate() {
    platform::BusyCursor busy;
    app::TF_HAIR& main = *owner_;
    ColorStep = 0;
    resize(241, 313);
    Image1->setGeometry(rect());

    if (main.OpenMode) {
        const QString file = main.OD_ABRIR->FileName;
        PictureIO1->LoadImageFile(file);
        PhotoIncomplete = PictureIO1->ReadIncomplete();
        make24Bit(Image1);
        lblFilename->setText(file);
        Hair->setText(main.LibraryLabel);
        HairNumber = 1;
        SetCaption(QStringLiteral("1"));
        Image2->move(0, 0);
        Image2->hide();
    } else if (main.FromClipboard) {
        PictureProc1->PasteFromClipboard();
        Image1->update();
        // The second paste leaves the pasted picture in the undo copy as well.
        PictureProc1->PasteFromClipboard();
        make24Bit(Image1);
        HairNumber = 1;
        Hair->setText(main.LibraryLabel);
        const QString file = TempFilePath(main.CaptureCount);
        PictureIO1->SaveImageFile(file);
        lblFilename->setText(file);
        PictureIO1->LoadImageFile(lblFilename->text());
        main.FromClipboard = false;
    } else if (main.InsertMode) {
        TakeOverPhoto();
        // This window is not shown yet: the tool acts on the document active before it.
        main.BT_SCROLL->click();
        Hair->setText(main.LibraryLabel);
        HairNumber = platform::StrToInt(main.PendingHairstyleId);
        if (!HairFileExists(main.CategoryText))
            HairNumber = 1;
        SetCaption(QString::number(HairNumber));
    } else if (main.ReplayMode) {
        TakeOverPhoto();
        Hair->setText(main.LibraryLabel);
        HairNumber = ++main.ReplayHairNumber;
        if (!HairFileExists(lblTipo->text()))
            HairNumber = 1;
        SetCaption(QString::number(HairNumber));
    }

    if (main.CategoryText == QLatin1String("7"))
        main.CategoryText = QStringLiteral("0");
    lblTipo->setText(main.CategoryText);
    Hair->setText(main.LibraryLabel);
    LoadHairOverlay();
    if (main.InsertMode || main.ReplayMode) {
        Image2->move(main.PendingHairLeft, main.PendingHairTop);
        Image2->show();
        // Made from a framed document: this hairstyle goes over the same face by its own
        // opening rather than at the corner the previous one had.
        if (main.PendingFramed) {
            Framed = true;
            Face = main.PendingFace;
            FitHairToFace();
        }
    }
    L->setText(QString::number(Image2->x()));
    T->setText(QString::number(Image2->y()));
    PhotoKeyAsOpened = Image1->Image().cacheKey();
}

void TF_FILHO::TakeOverPhoto() {
    app::TF_HAIR& main = *owner_;
    if (main.PendingPhoto.isNull())
        PictureIO1->LoadImageFile(main.PendingPhotoFile);
    else {
        // Shared, not copied: a photo is tens of megabytes, and whichever document edits it
        // first gets its own copy then.
        Image1->Image() = main.PendingPhoto;
        Image1->ImageChanged();
    }
    make24Bit(Image1);
    lblFilename->setText(main.PendingPhotoFile);
    lblTipo->setText(main.CategoryText);
    Image1->SetZoom(main.PendingZoom);
    Image1->SetViewY(main.PendingViewY);
    Image1->SetViewX(main.PendingViewX);
}

QString TF_FILHO::HairFilePath(const QString& label, const QString& category, int number) const {
    const int index = platform::StrToInt(category);
    if (index < 0 || index >= owner_->CB_TIPO->count())
        throw velvo::Error("", "List index out of bounds (" + std::to_string(index) + ")");
    return owner_->ProgramFolder + label + QLatin1Char('/') + owner_->CB_TIPO->itemText(index) +
           QLatin1Char('/') + QString::number(number) + QStringLiteral(".GIF");
}

QString TF_FILHO::TempFilePath(int n) const {
    return owner_->ProgramFolder + Hair->text() + QStringLiteral("/Temp") + QString::number(n) +
           QStringLiteral(".BMP");
}

bool TF_FILHO::HairFileExists(const QString& category) const {
    return QFileInfo(HairFilePath(Hair->text(), category, HairNumber)).isFile();
}

void TF_FILHO::LoadHairOverlay() {
    const QString file = HairFilePath(Hair->text(), lblTipo->text(), HairNumber);
    // Without this check a file that is not a GIF would leave the previous picture in the
    // scratch view and show that hairstyle instead.
    if (!owner_->PictureIO1->LoadGif(file))
        throw velvo::Error(file.toStdString(), "not a GIF file");
    imaging::TPictureView* scratch = owner_->PictureView1;
    make24Bit(scratch);
    ImageAux2->SetImage(scratch->Image());
    Image2->SetPicture(scratch->Image());
    HairTurn = 0;
    Recipe = {};
}

void TF_FILHO::FormActivate() {
    const QString tipo = lblTipo->text();
    if (tipo.size() == 1 && tipo[0] >= QLatin1Char('0') && tipo[0] <= QLatin1Char('6'))
        SetCaption(
            QStringLiteral("%1 - %2").arg(HairNumber).arg(owner_->CB_TIPO->itemText(tipo.toInt())));
}

void TF_FILHO::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    event->accept();
}

void TF_FILHO::FormClose() {
    // The frame frees the document once it is closed; until then it still counts.
    owner_->UpdateCommands(false);
}

QMdiSubWindow* TF_FILHO::SubWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TF_FILHO::Close() {
    if (QMdiSubWindow* window = SubWindow())
        window->close();
    else
        close();
}

void TF_FILHO::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Image1->setGeometry(rect());
}

QImage TF_FILHO::CompositeImage() {
    Image1->setGeometry(rect());
    QImage picture(size(), QImage::Format_RGB32);
    picture.setDevicePixelRatio(1);
    picture.fill(palette().color(backgroundRole()));
    render(&picture, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return picture.convertToFormat(QImage::Format_BGR888);
}

} // namespace velvo::document
