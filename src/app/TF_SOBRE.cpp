#include "app/TF_SOBRE.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

#include "app/ProgramIcon.h"
#include "app/TF_HAIR.h"
#include "app/TF_QSTART_Translations.h"
#include "document/TImageFX.h"
#include "platform/Messages.h"
#include "translation/TLanguage.h"

namespace velvo::app {

TF_SOBRE* F_SOBRE = nullptr;

namespace {

const QColor kNavy(0, 0, 128);

QLabel* line(QWidget* parent, const char* name, const QString& text, QRect geometry,
             bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kNavy);
    label->setPalette(palette);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        font.setPixelSize(13);
        label->setFont(font);
    }
    return label;
}

document::TImageFX* picture(QWidget* parent, const char* name, const QImage& image, QPoint at) {
    auto* fx = new document::TImageFX(parent);
    fx->setObjectName(QLatin1String(name));
    fx->move(at);
    fx->SetBitmap(image);
    fx->SetAutoSize(true);
    fx->SetTransparent(true);
    fx->SetTransparentPixel(QStringLiteral("0,0"));
    fx->SetEffect(document::TImageFX::fxViewZoomIn);
    return fx;
}

QImage iconPicture() {
    QImage picture(52, 60, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.drawImage(0, 4, programIcon(52, Qt::white));
    return picture;
}

} // namespace

TF_SOBRE::TF_SOBRE(TF_HAIR* main) : main_(main) {
    setObjectName(QStringLiteral("F_SOBRE"));
    F_SOBRE = this;
    setWindowTitle(QStringLiteral("Copyright"));
    setFixedSize(219, 208);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(2);
    panel->setGeometry(3, 3, 213, 128);
    Panel1 = panel;

    ImageFX1 = picture(Panel1, "ImageFX1", iconPicture(), {12, 5});
    ProductName = line(Panel1, "ProductName", QStringLiteral("VELVO"), {80, 14, 120, 18}, true);
    Version = line(Panel1, "Version", QStringLiteral("Version 5.05"), {80, 38, 120, 16});
    Copyright = line(Panel1, "Copyright", {}, {8, 72, 200, 16});
    Label1 = line(Panel1, "Label1", {}, {8, 88, 200, 16});
    Label2 = line(Panel1, "Label2", {}, {8, 104, 200, 16});
    ImageFX2 = picture(this, "ImageFX2", aboutPicture(), {13, 134});

    BitBtn1 = new QPushButton(QStringLiteral("&OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    QFont bold = BitBtn1->font();
    bold.setBold(true);
    BitBtn1->setFont(bold);
    QPalette navy = BitBtn1->palette();
    navy.setColor(QPalette::ButtonText, kNavy);
    BitBtn1->setPalette(navy);
    BitBtn1->setGeometry(130, 168, 75, 27);
    connect(BitBtn1, &QPushButton::clicked, this, &TF_SOBRE::BitBtn1Click);

    // Whatever has the focus, Escape reaches the window first.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { FormKeyDown(Qt::Key_Escape); });

    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(aboutTranslationList());
    L1->SetSeparator(QStringLiteral(","));
    platform::runGuarded([this] { FormCreate(); });
}

TF_SOBRE::~TF_SOBRE() {
    if (F_SOBRE == this)
        F_SOBRE = nullptr;
}

void TF_SOBRE::FormCreate() {
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
    Copyright->setText(QStringLiteral("Velvo Studio %1").arg(QStringLiteral(VELVO_VERSION)));
    Label1->setText(QString::fromUtf8("Simulador de penteados"));
    Label2->setText(QString::fromUtf8("© 2026 Velvo Studio"));
}

bool TF_SOBRE::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        platform::runGuarded([this] { FormActivate(); });
    return QDialog::event(event);
}

void TF_SOBRE::FormActivate() {
    ImageFX2->StartEffect();
}

void TF_SOBRE::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

void TF_SOBRE::BitBtn1Click() {
    close();
}

} // namespace velvo::app
