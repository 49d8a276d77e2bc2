#include "library/TF_THUMBS.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/TF_HAIR.h"
#include "imaging/TPictureGrid.h"
#include "imaging/TPictureIO.h"
#include "library/TF_THUMBS_Translations.h"
#include "library/TThumbNail.h"
#include "library/TThumbview.h"
#include "platform/Cursors.h"
#include "platform/DialogComponents.h"
#include "platform/Messages.h"
#include "translation/TLanguage.h"

namespace velvo::library {

TF_THUMBS* F_THUMBS = nullptr;

namespace {

const char* const kPageCaptions[] = {"Fotos",          "Curtos/Claros",  "Curtos/Escuros",
                                     "Médios/Claros",  "Médios/Escuros", "Longos/Claros",
                                     "Longos/Escuros", "Masculinos"};

// The decimal digits of a hairstyle file's name without leading zeros, or null text when the
// name (less its extension) is not a decimal number.
QString numberKey(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    if (base.isEmpty())
        return {};
    for (QChar c : base)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    qsizetype first = 0;
    while (first + 1 < base.size() && base[first] == QLatin1Char('0'))
        ++first;
    return base.mid(first);
}

} // namespace

TF_THUMBS::TF_THUMBS(app::TF_HAIR* main) : QWidget(nullptr), main_(main) {
    setObjectName(QStringLiteral("F_THUMBS"));
    F_THUMBS = this;
    setWindowTitle(QStringLiteral("Viewer"));
    resize(682, 421);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    buildPages();

    // The window sees the key before the focused control does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { FormKeyDown(Qt::Key_Escape); });

    L1 = new TLanguage(this);
    L1->setObjectName(QStringLiteral("L1"));
    L1->SetProperties(browserTranslationList());
    L1->SetSeparator(QStringLiteral(","));
    // A translation value that does not convert ends in the standard error box; the window is
    // still created.
    platform::runGuarded([this] { FormCreate(); });
}

TF_THUMBS::~TF_THUMBS() {
    if (F_THUMBS == this)
        F_THUMBS = nullptr;
}

void TF_THUMBS::buildPages() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1);

    for (int page = 0; page < 8; ++page) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(page + 1));
        auto* sheetLayout = new QVBoxLayout(sheet);
        sheetLayout->setContentsMargins(0, 0, 0, 0);
        PageControl1->addTab(sheet, QString::fromUtf8(kPageCaptions[page]));
        TabSheet[size_t(page)] = sheet;
    }

    Thumbview1 = new TThumbview(TabSheet[0]);
    Thumbview1->setObjectName(QStringLiteral("Thumbview1"));
    Thumbview1->SetMaxWidth(200);
    Thumbview1->SetMaxHeight(200);
    Thumbview1->SetSize(50);
    Thumbview1->SetScrollMode(TThumbview::SMVertical);
    Thumbview1->SetSorted(true);
    Thumbview1->SetAlignView(TThumbview::VTNormal);
    Thumbview1->SetAutoScrolling(true);
    Thumbview1->SetThumbGap(4);
    Thumbview1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Thumbview1->verticalScrollBar()->setTracking(true);
    Thumbview1->OnStartScanning = [this](int max) { Thumbview1StartScanning(max); };
    Thumbview1->OnStopScanning = [this] { Thumbview1StopScanning(); };
    connect(Thumbview1, &TThumbview::OnClick, this,
            [this] { platform::runGuarded([this] { Thumbview1Click(); }); });
    TabSheet[0]->layout()->addWidget(Thumbview1);

    for (int category = 0; category < kCategories; ++category) {
        auto* grid = new imaging::TPictureGrid(TabSheet[size_t(category + 1)]);
        grid->setObjectName(QStringLiteral("PictureGrid%1").arg(category + 1));
        grid->SetThumbSize(100, 100);
        grid->SetBorders(4, 4);
        grid->SetGridWidth(-1);
        grid->SetScrollBars(imaging::TPictureGrid::ssVertical);
        grid->SetSelectionWidth(3);
        grid->SetSelectionColor(Qt::red);
        // Only the first grid also scrolls by dragging.
        grid->SetMouseInteract(category == 0 ? imaging::TPictureGrid::miScroll |
                                                   imaging::TPictureGrid::miSelect
                                             : imaging::TPictureGrid::miSelect);
        connect(grid, &imaging::TPictureGrid::OnImageSelect, this, [this, category](int index) {
            platform::runGuarded([=, this] { PictureGridImageSelect(category, index); });
        });
        connect(grid, &imaging::TPictureGrid::OnMouseMove, this,
                [this, category](int x, int y) { PictureGridMouseMove(category, x, y); });
        TabSheet[size_t(category + 1)]->layout()->addWidget(grid);
        PictureGrid[size_t(category)] = grid;
    }

    PageControl1->setCurrentIndex(1);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!settingPage_)
            platform::runGuarded([this] { PageControl1Change(); });
    });
}

void TF_THUMBS::FormCreate() {
    L1->SetLanguageFile(main_->ProgramFolder + QStringLiteral("language.lng"));
    L1->Translate();
}

bool TF_THUMBS::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        platform::runGuarded([this] { FormActivate(); });
    return QWidget::event(event);
}

void TF_THUMBS::FormActivate() {
    PageControl1Change();
}

void TF_THUMBS::SetActivePage(int page) {
    if (page < 0 || page >= PageControl1->count())
        return;
    settingPage_ = true;
    PageControl1->setCurrentIndex(page);
    settingPage_ = false;
}

void TF_THUMBS::ShowBrowser() {
    const bool wasActive = isVisible() && isActiveWindow();
    show();
    raise();
    activateWindow();
    // Already the active window: no activation follows, yet the page may have been emptied.
    if (wasActive)
        FormActivate();
}

void TF_THUMBS::PageControl1Change() {
    QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet[0] && Thumbview1->Count() == 0)
        Thumbview1->SetDirectory(main_->ProgramFolder);
    for (int category = 0; category < kCategories; ++category)
        if (page == TabSheet[size_t(category + 1)] &&
            PictureGrid[size_t(category)]->ImageCount() == 0)
            fillGrid(category);
}

void TF_THUMBS::fillGrid(int category) {
    imaging::TPictureGrid* grid = PictureGrid[size_t(category)];
    platform::BusyCursor busy;
    // Lets the tab repaint before the folder is read.
    QCoreApplication::processEvents();
    grid->ClearImages();
    const QString folder = main_->ProgramFolder + main_->LibraryLabel + QLatin1Char('/') +
                           main_->CB_TIPO->itemText(category) + QLatin1Char('/');
    // Name filters ignore case, as the Windows file system does; dot files count as hidden.
    QStringList names = QDir(folder).entryList({QStringLiteral("*.GIF")},
                                               QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    SortByHairstyleNumber(names);
    for (const QString& name : names) {
        const QString path = folder + name;
        // Only the header is read here; the grid decodes a picture when it first draws it.
        if (main_->PictureIO1->DetectFileFormat(path, true) == 0)
            continue;
        const int index = grid->AppendImage();
        grid->SetImageFileName(index, path);
        grid->SetImageBackground(index, Qt::white);
    }
    grid->viewport()->update();
}

QString TF_THUMBS::HairNumberOf(const QString& fileName) {
    if (fileName.size() >= 2 && fileName[1] == QLatin1Char('.'))
        return fileName.left(1);
    return fileName.left(std::max<qsizetype>(0, fileName.size() - 4));
}

void TF_THUMBS::SortByHairstyleNumber(QStringList& names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const QString ka = numberKey(a), kb = numberKey(b);
        if (ka.isNull() != kb.isNull())
            return !ka.isNull();
        if (!ka.isNull() && ka != kb)
            return ka.size() != kb.size() ? ka.size() < kb.size() : ka < kb;
        const int byName = a.compare(b, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a < b;
    });
}

void TF_THUMBS::PictureGridImageSelect(int category, int index) {
    ChosenFile = PictureGrid[size_t(category)]->GetImageFileName(index);
    main_->CategoryText = QString::number(category);
    ChooseHairstyle();
}

void TF_THUMBS::ChooseHairstyle() {
    // The hourglass stays up over the message too.
    platform::BusyCursor busy;
    if (main_->Documents().isEmpty()) {
        main_->ShowMessage(QStringLiteral("VELVO"),
                           QStringLiteral("Abra uma foto e depois escolha um cabelo!"),
                           platform::MessageIcon::Information, platform::mbOk);
        return;
    }
    HairNumber = HairNumberOf(QFileInfo(ChosenFile).fileName());
    main_->InsertHairstyle(HairNumber);
}

void TF_THUMBS::PictureGridMouseMove(int category, int x, int y) {
    const imaging::TPictureGrid* grid = PictureGrid[size_t(category)];
    const int index = grid->ImageAtPosition(x, y);
    if (index >= 0)
        setWindowTitle(QStringLiteral("Viewer - ") + grid->GetImageFileName(index));
}

void TF_THUMBS::Thumbview1Click() {
    const int selected = Thumbview1->Selected();
    if (selected == -1)
        return;
    ChosenFile = Thumbview1->Cell(selected)->Filename();
    // A document needs a hairstyle category.
    if (main_->CategoryText == QLatin1String("7"))
        main_->CategoryText = QStringLiteral("0");
    main_->OpenMode = true;
    main_->OD_ABRIR->FileName = ChosenFile;
    main_->ReplayHairNumber = 0;
    main_->NewDocument();
    main_->OpenMode = false;
    main_->BT_SCROLL->click();
}

void TF_THUMBS::Thumbview1StartScanning(int) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TF_THUMBS::Thumbview1StopScanning() {
    QApplication::restoreOverrideCursor();
}

void TF_THUMBS::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

void TF_THUMBS::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event->key());
    QWidget::keyPressEvent(event);
}

} // namespace velvo::library
