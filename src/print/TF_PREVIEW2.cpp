#include "print/TF_PREVIEW2.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QScrollArea>

#include "app/TF_HAIR.h"
#include "imaging/TPictureView.h"
#include "pixel/TPixelDisplay.h"
#include "platform/Cursors.h"
#include "platform/Messages.h"
#include "print/TF_IMPRESSAO.h"
#include "print/TF_IMPRESSAO_Translations.h"
#include "print/TF_PREVIEW.h"
#include "translation/TLanguage.h"
#include "ui/TFormAutoSize.h"

namespace velvo::print {

TF_PREVIEW2* F_PREVIEW2 = nullptr;

namespace {
constexpr QPoint kCells[8] = {{8, 8},   {200, 8},   {392, 8},   {584, 8},
                              {8, 272}, {200, 272}, {392, 272}, {584, 272}};
constexpr QSize kCellSize(185, 257);
} // namespace

TF_PREVIEW2::TF_PREVIEW2(app::TF_HAIR* main) : main_(main) {
    setObjectName(QStringLiteral("F_PREVIEW2"));
    F_PREVIEW2 = this;
    setWindowTitle(QStringLiteral("Visualizador de Impressão"));

    // The cells lie on a white sheet that scrolls vertically when the screen is too short
    // for both rows; the scaling enlarges the sheet with its cells.
    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette white = ScrollBox->palette();
    white.setColor(QPalette::Window, Qt::white);
    ScrollBox->viewport()->setPalette(white);
    ScrollBox->viewport()->setAutoFillBackground(true);

    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setAutoFillBackground(true);
    client->setPalette(white);
    for (int i = 0; i < 8; ++i) {
        auto* cell = new pixel::TPixelDisplay(client);
        cell->setObjectName(QStringLiteral("PixelDisplay%1").arg(i + 1));
        cell->setGeometry(QRect(kCells[i], kCellSize));
        cell->SetColor(Qt::white);
        cell->SetAutoSize(false);
        cell->SetBilinearResize(false);
        cell->SetDrawStyle(pixel::TPixelDisplay::dsDraw);
    }
    client->resize(kCells[7].x() + kCellSize.width() + 8, kCells[7].y() + kCellSize.height() + 8);
    ScrollBox->setWidget(client);
    setCentralWidget(ScrollBox);

    QMenuBar* MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    Imprimir1 = MainMenu1->addAction(QStringLiteral("&Imprimir"));
    Imprimir1->setObjectName(QStringLiteral("Imprimir1"));
    Sair1 = MainMenu1->addAction(QStringLiteral("&Sair"));
    Sair1->setObjectName(QStringLiteral("Sair1"));
    connect(Imprimir1, &QAction::triggered, this,
            [this] { platform::runGuarded([this] { Imprimir1Click(); }); });
    connect(Sair1, &QAction::triggered, this, &TF_PREVIEW2::Sair1Click);
    resize(544, 374);
    // Shown maximised, as the window was laid out.
    setWindowState(Qt::WindowMaximized);

    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(previewTranslationList());
    L1->SetSeparator(QStringLiteral(","));
    FormAutoSize1 = new TFormAutoSize(this);
    FormAutoSize1->setObjectName(QStringLiteral("FormAutoSize1"));
    FormAutoSize1->DesignTimeSize() = {800, 600, 312, 96};
    FormAutoSize1->SetAllowAutoSize(true);
    FormAutoSize1->SetCheckPixelsPerInch(true);
    FormAutoSize1->SetActive(true);
    TFormAutoSize::SetWindowScaled(this, true);
    platform::runGuarded([this] { FormCreate(); });
}

TF_PREVIEW2::~TF_PREVIEW2() {
    for (int n = 1; n <= 8; ++n)
        if (pixel::TPixelDisplay* cell = Cell(n))
            cell->AssignBitmap(nullptr);
    if (F_PREVIEW2 == this)
        F_PREVIEW2 = nullptr;
}

pixel::TPixelDisplay* TF_PREVIEW2::Cell(int n) const {
    return qobject_cast<pixel::TPixelDisplay*>(ScrollBox->widget()->children().value(n - 1));
}

void TF_PREVIEW2::ShowInCell(int n, const QImage& picture) {
    pixel::TPixelDisplay* cell = Cell(n);
    if (!cell || n < 1 || n > 8)
        return;
    pixel::TPixelBitmap& bitmap = pictures_[size_t(n - 1)];
    bitmap.LoadFromBitmapHandle(picture);
    cell->AssignBitmap(&bitmap);
    cell->SetDrawStyle(pixel::TPixelDisplay::dsResize);
    cell->SetBilinearResize(true);
}

void TF_PREVIEW2::FormCreate() {
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
}

void TF_PREVIEW2::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        Sair1Click();
}

void TF_PREVIEW2::Imprimir1Click() {
    {
        platform::BusyCursor busy;
        if (!F_PREVIEW)
            return;
        QImage sheet = F_PREVIEW->Sheet().convertToFormat(QImage::Format_BGR888);
        // The sheet's first row and column are white whatever the cells hold.
        for (int x = 0; x < sheet.width(); ++x)
            sheet.setPixelColor(x, 0, Qt::white);
        for (int y = 0; y < sheet.height(); ++y)
            sheet.setPixelColor(0, y, Qt::white);
        main_->PictureView1->SetImage(sheet);
    }
    if (F_IMPRESSAO)
        F_IMPRESSAO->ShowSheet();
}

void TF_PREVIEW2::Sair1Click() {
    for (int n = 1; n <= 8; ++n)
        if (pixel::TPixelDisplay* cell = Cell(n))
            cell->AssignBitmap(nullptr);
    close();
}

void TF_PREVIEW2::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key());
    QMainWindow::keyPressEvent(event);
}

} // namespace velvo::print
