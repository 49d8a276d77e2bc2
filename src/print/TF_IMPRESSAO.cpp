#include "print/TF_IMPRESSAO.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/TF_HAIR.h"
#include "imaging/TPictureView.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"
#include "platform/Messages.h"
#include "platform/Printer.h"
#include "print/TF_IMPRESSAO_Translations.h"
#include "print/TPagePrinter.h"
#include "translation/TLanguage.h"
#include "ui/TFormAutoSize.h"

namespace velvo::print {

TF_IMPRESSAO* F_IMPRESSAO = nullptr;

namespace {

// Pure green is the miniature's see-through colour: the page shows white there.
QImage withGreenSeeThrough(const QImage& sheet) {
    QImage image = sheet.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (row[x] == qRgb(0, 255, 0))
                row[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

QToolButton* sizeButton(QWidget* panel, const char* name, const QString& caption) {
    auto* button = new QToolButton(panel);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setCheckable(true);
    button->setFixedSize(20, 20);
    return button;
}

} // namespace

QRect FitInside(QRect target, QRect area) {
    if (target.isEmpty() || area.contains(target))
        return target;
    const double roomW = area.x() + area.width() - target.x();
    const double roomH = area.y() + area.height() - target.y();
    if (roomW <= 0 || roomH <= 0)
        return {target.topLeft(), QSize(0, 0)};
    const double scale = std::min({roomW / target.width(), roomH / target.height(), 1.0});
    const int w = std::min(int(roomW), int(std::nearbyint(target.width() * scale)));
    const int h = std::min(int(roomH), int(std::nearbyint(target.height() * scale)));
    return {target.topLeft(), QSize(w, h)};
}

QRect TF_IMPRESSAO::MiniatureRect(QSize sheet, int sizeCode) {
    const int first = sizeCode == 5 ? 225 : 300;
    // The far corner is a position, not an extent; a sheet too small to reach past the first
    // corner is not drawn rather than drawn mirrored.
    const QPoint far(sizeCode * sheet.width(), sizeCode * sheet.height());
    if (far.x() <= first || far.y() <= first)
        return {};
    return {QPoint(first, first), QSize(far.x() - first, far.y() - first)};
}

QRect TF_IMPRESSAO::PrintRect(QSize sheet, QSize page, int sizeCode) {
    if (sheet.isEmpty() || page.isEmpty())
        return {};
    const double w = sheet.width(), h = sheet.height();
    const double pw = page.width(), ph = page.height();
    double fw, fh;
    if (pw < ph) {
        fw = pw;
        fh = h * (pw / w);
    } else {
        fw = w * (ph / h);
        fh = ph;
    }
    const double divisor = sizeCode == 5 ? 1.2 : sizeCode == 4 ? 1.6 : 2.0;
    const QRect fitted(100, 100, int(std::nearbyint(fw / divisor)),
                       int(std::nearbyint(fh / divisor)));
    return FitInside(fitted, QRect(QPoint(0, 0), page));
}

TF_IMPRESSAO::TF_IMPRESSAO(app::TF_HAIR* main) : main_(main) {
    setObjectName(QStringLiteral("F_IMPRESSAO"));
    F_IMPRESSAO = this;
    setWindowTitle(QStringLiteral("Imprimir"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    resize(360, 348);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(30);
    BitBtn2 = new QPushButton(QStringLiteral("&Imprimir"), Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    Label1 = new QLabel(QStringLiteral("Tamanho:"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SpeedButton1 = sizeButton(Panel1, "SpeedButton1", QStringLiteral("1"));
    SpeedButton2 = sizeButton(Panel1, "SpeedButton2", QStringLiteral("2"));
    SpeedButton3 = sizeButton(Panel1, "SpeedButton3", QStringLiteral("3"));
    SpeedButton1->setChecked(true);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3})
        group->addButton(b);
    BitBtn1 = new QPushButton(QStringLiteral("&Sair"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(BitBtn2);
    row->addStretch(1);
    row->addWidget(Label1);
    row->addWidget(SpeedButton1);
    row->addWidget(SpeedButton2);
    row->addWidget(SpeedButton3);
    row->addSpacing(8);
    row->addWidget(BitBtn1);

    PP_IMPRESSAO = new TPagePrinter(this);
    PP_IMPRESSAO->setObjectName(QStringLiteral("PP_IMPRESSAO"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel1);
    column->addWidget(PP_IMPRESSAO, 1);

    // The page printer's stored settings; its landscape page is the printer's from now on.
    PP_IMPRESSAO->SetOrientation(platform::PrinterOrientation::Landscape);
    PP_IMPRESSAO->SetMarginLeft(1.0);
    PP_IMPRESSAO->SetMarginTop(1.0);
    PP_IMPRESSAO->SetMarginRight(1.0);
    PP_IMPRESSAO->SetMarginBottom(1.0);
    PP_IMPRESSAO->SetPageBorderOffset(0.0625);
    PP_IMPRESSAO->SetDefaultColWidth(1.0);
    PP_IMPRESSAO->HeaderFormat = PP_IMPRESSAO->FooterFormat = QStringLiteral("<9,69");
    PP_IMPRESSAO->SetZoomPercent(44);
    QFont courier(QStringLiteral("Courier New"));
    courier.setPixelSize(13);
    PP_IMPRESSAO->setFont(courier);

    PrintDialog1 = new platform::TPrintDialog(this);
    PrintDialog1->setObjectName(QStringLiteral("PrintDialog1"));

    connect(SpeedButton1, &QToolButton::clicked, this, &TF_IMPRESSAO::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TF_IMPRESSAO::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TF_IMPRESSAO::SpeedButton3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TF_IMPRESSAO::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TF_IMPRESSAO::BitBtn1Click);

    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(printOptionsTranslationList());
    // The window keeps its designed size: only the resolution step applies.
    FormAutoSize1 = new TFormAutoSize(this);
    FormAutoSize1->setObjectName(QStringLiteral("FormAutoSize1"));
    FormAutoSize1->DesignTimeSize() = {800, 600, 348, 96};
    FormAutoSize1->SetAllowAutoSize(true);
    FormAutoSize1->SetCheckPixelsPerInch(true);
    FormAutoSize1->SetActive(true);
    platform::runGuarded([this] { FormCreate(); });
}

TF_IMPRESSAO::~TF_IMPRESSAO() {
    if (F_IMPRESSAO == this)
        F_IMPRESSAO = nullptr;
}

const QImage& TF_IMPRESSAO::sheet() const {
    return main_->PictureView1->Image();
}

void TF_IMPRESSAO::FormCreate() {
    SizeCode = 3;
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
}

void TF_IMPRESSAO::FormActivate() {
    platform::BusyCursor busy;
    PP_IMPRESSAO->Clear();
    PP_IMPRESSAO->SetZoomPercent(25);
    PP_IMPRESSAO->BeginDoc();
    const QRect target = MiniatureRect(sheet().size(), SizeCode);
    if (!target.isEmpty())
        PP_IMPRESSAO->Canvas().drawImage(target, withGreenSeeThrough(sheet()));
    PP_IMPRESSAO->EndDoc();
}

void TF_IMPRESSAO::ShowSheet() {
    show();
    raise();
    activateWindow();
    FormActivate();
}

void TF_IMPRESSAO::SpeedButton1Click() {
    SizeCode = 3;
    FormActivate();
}

void TF_IMPRESSAO::SpeedButton2Click() {
    SizeCode = 4;
    FormActivate();
}

void TF_IMPRESSAO::SpeedButton3Click() {
    SizeCode = 5;
    FormActivate();
}

void TF_IMPRESSAO::BitBtn2Click() {
    if (!PrintDialog1->Execute())
        return;
    platform::Printer& printer = platform::Printer::instance();
    printer.SetOrientation(platform::PrinterOrientation::Landscape);
    printer.BeginDoc();
    const QRect target =
        PrintRect(sheet().size(), QSize(printer.PageWidth(), printer.PageHeight()), SizeCode);
    if (!target.isEmpty()) {
        printer.Canvas().setRenderHint(QPainter::SmoothPixmapTransform);
        printer.Canvas().drawImage(target, sheet());
    }
    printer.EndDoc();
}

void TF_IMPRESSAO::BitBtn1Click() {
    close();
}

void TF_IMPRESSAO::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

bool TF_IMPRESSAO::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        platform::runGuarded([this] { FormActivate(); });
    return QWidget::event(event);
}

void TF_IMPRESSAO::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key());
    QWidget::keyPressEvent(event);
}

} // namespace velvo::print
