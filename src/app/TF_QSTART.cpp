#include "app/TF_QSTART.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionToolButton>
#include <QTabWidget>
#include <QToolButton>

#include "app/TF_HAIR.h"
#include "app/TF_QSTART_Translations.h"
#include "app/ToolGlyphs.h"
#include "imaging/RasterImage.h"
#include "imaging/codecs/ImageFile.h"
#include "platform/Cursors.h"
#include "platform/Messages.h"
#include "translation/TLanguage.h"
#include "ui/TFormAutoSize.h"

namespace velvo::app {

TF_QSTART* F_QSTART = nullptr;

namespace {

// Positions are those of a page 505 pixels wide; texts wrap where they would run past it.
QLabel* text(QWidget* page, int number, const QString& caption, QPoint at, int wrapWidth = 0) {
    auto* label = new QLabel(caption, page);
    label->setObjectName(QStringLiteral("Label%1").arg(number));
    label->move(at);
    if (wrapWidth > 0) {
        label->setWordWrap(true);
        label->setFixedWidth(wrapWidth);
    }
    label->adjustSize();
    return label;
}

QLabel* picture(QWidget* page, int number, const QPixmap& pixmap, QPoint at) {
    auto* label = new QLabel(page);
    label->setObjectName(QStringLiteral("Image%1").arg(number));
    label->setPixmap(pixmap);
    label->move(at);
    label->adjustSize();
    return label;
}

QPixmap cursorPicture(int id) {
    QPixmap pixmap = platform::Cursors::instance().cursor(id).pixmap();
    if (pixmap.isNull())
        pixmap = QPixmap(29, 29), pixmap.fill(Qt::transparent);
    return pixmap.scaled(29, 29, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The seven category buttons side by side, as the tool bar shows them.
QPixmap categoryRow(TF_HAIR& main) {
    const char* const names[] = {"BT_CC", "BT_CE", "BT_MC", "BT_ME", "BT_LC", "BT_LE", "BT_M"};
    QPixmap row(7 * 31, 29);
    row.fill(Qt::transparent);
    QPainter painter(&row);
    int x = 0;
    for (const char* name : names) {
        if (QToolButton* button = main.Button(QLatin1String(name)))
            painter.drawPixmap(x, 0, TF_QSTART::ButtonPicture(button));
        x += 31;
    }
    return row;
}

QPixmap samplePhoto(const QString& folder) {
    for (const char* name : {"Modelo.JPG", "Modelo2.png"}) {
        const QString file = folder + QLatin1String(name);
        if (!QFile::exists(file))
            continue;
        // The help still opens with a damaged sample; the picture is only an illustration.
        try {
            if (auto raster = imaging::loadImageFile(file.toStdString()))
                return QPixmap::fromImage(imaging::toQImage(*raster))
                    .scaled(90, 110, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        } catch (const std::exception&) {
        }
    }
    return {};
}

} // namespace

TF_QSTART::TF_QSTART(TF_HAIR* main) : main_(main) {
    setObjectName(QStringLiteral("F_QSTART"));
    F_QSTART = this;
    setWindowTitle(QStringLiteral("Bemvindo ao Velvo!"));
    setWindowFlag(Qt::Window);
    resize(536, 252);
    // The pages were laid out for 11-pixel type; the desktop's larger default would run the
    // last tab and the longer sentences past their places. Scaling enlarges it with the rest.
    QFont type = font();
    type.setPixelSize(11);
    setFont(type);

    StyledLabel1 = new QLabel(QStringLiteral("Iniciando no programa:"), this);
    StyledLabel1->setObjectName(QStringLiteral("StyledLabel1"));
    QFont bold = StyledLabel1->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    StyledLabel1->setFont(bold);
    StyledLabel1->setGeometry(12, 6, 400, 20);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(12, 32, 513, 209);

    BitBtn1 = new QToolButton(this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setToolTip(QStringLiteral("Close"));
    BitBtn1->setIcon(toolGlyph(gExit));
    BitBtn1->setIconSize(QSize(20, 20));
    BitBtn1->setGeometry(495, 2, 30, 28);
    connect(BitBtn1, &QToolButton::clicked, this, &TF_QSTART::BitBtn1Click);

    // Whatever has the focus, Escape reaches the window first.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { FormKeyDown(Qt::Key_Escape); });

    buildPages();

    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(firstStepsTranslationList());
    FormAutoSize1 = new TFormAutoSize(this);
    FormAutoSize1->setObjectName(QStringLiteral("FormAutoSize1"));
    FormAutoSize1->DesignTimeSize() = {800, 600, 252, 96};
    FormAutoSize1->SetAllowAutoSize(true);
    FormAutoSize1->SetCheckPixelsPerInch(true);
    FormAutoSize1->SetActive(true);
    TFormAutoSize::SetWindowScaled(this, true);
    // The window was laid out with its second page in front; FormCreate brings the first.
    PageControl1->setCurrentIndex(1);
    platform::runGuarded([this] { FormCreate(); });
}

TF_QSTART::~TF_QSTART() {
    if (F_QSTART == this)
        F_QSTART = nullptr;
}

QLabel* TF_QSTART::Label(int n) const {
    return findChild<QLabel*>(QStringLiteral("Label%1").arg(n));
}

QLabel* TF_QSTART::Image(int n) const {
    return findChild<QLabel*>(QStringLiteral("Image%1").arg(n));
}

QPixmap TF_QSTART::ButtonPicture(QToolButton* button) {
    QPixmap pixmap(button->size());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionToolButton option;
    option.initFrom(button);
    option.rect = QRect(QPoint(0, 0), button->size());
    // Drawn raised and enabled: most buttons are disabled while no photo is open.
    option.state |= QStyle::State_Enabled | QStyle::State_Raised;
    option.state &= ~QStyle::State_MouseOver;
    option.subControls = QStyle::SC_ToolButton;
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    option.toolButtonStyle = Qt::ToolButtonIconOnly;
    button->style()->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, button);
    return pixmap;
}

void TF_QSTART::buildPages() {
    TF_HAIR& m = *main_;
    const auto page = [this](const char* name, const QString& caption) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QLatin1String(name));
        PageControl1->addTab(sheet, caption);
        return sheet;
    };
    const auto button = [&m](const char* name) {
        return ButtonPicture(m.Button(QLatin1String(name)));
    };

    QWidget* p = page("TabSheet1", QStringLiteral("1) Abra uma foto"));
    text(p, 1, QStringLiteral("Clique em"), {10, 14});
    picture(p, 1, button("BT_Abrir"), {75, 7});
    text(p, 2, QStringLiteral("e abra a foto Modelo.JPG, por exemplo;"), {110, 14});
    text(p, 7, QStringLiteral("ou"), {10, 44});
    text(p, 3, QStringLiteral("Clique em"), {10, 72});
    picture(p, 2, button("BT_Thumbs"), {75, 65});
    text(p, 4, QStringLiteral("e clique na foto desejada. Por exemplo: "), {110, 72}, 270);
    // The sample photo is stretched over its place, so it grows with a scaled window.
    picture(p, 4, samplePhoto(m.ProgramFolder), {395, 8})->setScaledContents(true);
    text(p, 8, QStringLiteral("ou"), {10, 102});
    text(p, 5, QStringLiteral("Clique em"), {10, 132});
    picture(p, 3, button("BT_Captura"), {75, 125});
    text(p, 6, QString::fromUtf8("e capture uma foto com sua câmera ou scanner TWAIN compatível."),
         {110, 125}, 270);

    p = page("TabSheet2", QStringLiteral("2) Ajuste o tamanho"));
    text(p, 9, QStringLiteral("Clique sobre a foto com o cursor"), {10, 12});
    picture(p, 5, cursorPicture(platform::crHand), {230, 5});
    text(p, 10, QStringLiteral("e arraste a foto com o mouse para o centro da janela;"), {10, 36});
    text(p, 11, QStringLiteral("Clique em"), {10, 64});
    picture(p, 6, button("BT_ZOOM"), {75, 57});
    text(p, 12,
         QString::fromUtf8("e depois, clique o botão direito ou esquerdo do mouse sobre a foto\n"
                           "ou tecle F8, F9, Ctrl+F8 ou Ctrl+F9 para ajustar o tamanho da foto."),
         {110, 58}, 390);
    text(p, 13,
         QString::fromUtf8("Tecle Insert para ver se a foto está do tamanho do cabelo e na posição "
                           "certa;"),
         {10, 98}, 490);
    text(p, 14, QStringLiteral("Tecle Delete para esconder o cabelo e continuar ajustando a foto."),
         {10, 118}, 490);
    text(p, 24,
         QString::fromUtf8("Clique no botão                 para redimensionar o cabelo. Clique o "
                           "mouse direito quando pronto."),
         {10, 146}, 490);
    picture(p, 13, button("BT_MOVE"), {0, 139});

    p = page("TabSheet3", QStringLiteral("3) Escolha um cabelo"));
    text(p, 15,
         QString::fromUtf8("Após ter aberto uma foto, clique em um dos botões abaixo e clique no "
                           "cabelo desejado:"),
         {10, 12}, 490);
    picture(p, 7, categoryRow(m), {10, 50});
    text(p, 16,
         QString::fromUtf8("Você pode também teclar as setas direita ou esquerda, para mudar os "
                           "cabelos de um mesmo tipo."),
         {10, 96}, 490);

    p = page("TabSheet4", QStringLiteral("4) Mude a cor"));
    text(p, 17, QStringLiteral("Para mudar a cor de um cabelo, clique em "), {10, 12});
    picture(p, 8, button("BT_SLIDERS"), {0, 5});
    text(p, 18, QStringLiteral("e ajuste sua cor."), {0, 12});
    text(p, 19, QStringLiteral("Para mudar a cor ou tonalidade da foto, tecle Delete e clique em "),
         {10, 44});
    picture(p, 9, button("BT_SLIDERS"), {0, 37});
    text(p, 20, QStringLiteral("Para mudar a cor do cabelo da pessoa clique em:"), {10, 76});
    picture(p, 10, button("BT_LACO"), {0, 69});
    text(p, 21, QStringLiteral("Aparece o cursor "), {10, 108});
    picture(p, 11, cursorPicture(platform::crCross2), {0, 101});
    // Our selection is drawn corner by corner, not by dragging.
    text(p, 22,
         QString::fromUtf8("Com cliques do botão esquerdo do mouse, marque os cantos do contorno"),
         {10, 136});
    text(p, 23,
         QString::fromUtf8("do cabelo da pessoa. Feche o contorno com um duplo-clique. Depois "
                           "clique em"),
         {10, 156});
    picture(p, 12, button("BT_SLIDERS"), {0, 149});
}

void TF_QSTART::placePictures() {
    // Pictures that stand inside a sentence follow its text, in whatever language it is.
    const auto after = [](QWidget* left, QWidget* right, int gap = 4) {
        left->adjustSize();
        right->move(left->x() + left->width() + gap, right->y());
    };
    after(Label(17), Image(8));
    after(Image(8), Label(18));
    after(Label(19), Image(9));
    after(Label(20), Image(10));
    after(Label(21), Image(11));
    after(Label(23), Image(12));
    // The blank run in the resize sentence leaves room for its button.
    QLabel* resize = Label(24);
    const QString caption = resize->text();
    const qsizetype blank = caption.indexOf(QStringLiteral("   "));
    if (blank >= 0) {
        const int x = resize->fontMetrics().horizontalAdvance(caption.left(blank + 1));
        Image(13)->move(resize->x() + x + 4, Image(13)->y());
        Image(13)->show();
    } else {
        Image(13)->hide();
    }
}

void TF_QSTART::FormCreate() {
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
    placePictures();
    PageControl1->setCurrentIndex(0);
}

void TF_QSTART::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

void TF_QSTART::BitBtn1Click() {
    close();
}

void TF_QSTART::showEvent(QShowEvent* event) {
    // Runs after the scaling: type enlarged by a rounded ratio runs a little wider than the
    // places scaled for it, so one-line texts take the width they now need and the pictures
    // inside sentences follow them.
    for (QLabel* label : findChildren<QLabel*>())
        if (!label->wordWrap() && label->pixmap().isNull())
            label->adjustSize();
    placePictures();
    if (!event->spontaneous())
        TFormAutoSize::CentreOnScreen(this);
    QWidget::showEvent(event);
}

void TF_QSTART::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key());
    QWidget::keyPressEvent(event);
}

} // namespace velvo::app
