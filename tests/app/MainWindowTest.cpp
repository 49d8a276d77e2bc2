#include <QActionGroup>
#include <QButtonGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>

#include "app/ProgramBlock.h"
#include "app/ProgramIcon.h"
#include "app/StudioFixture.h"
#include "platform/Cursors.h"

namespace velvo::testing {
namespace {

using MainWindow = StudioTest;

struct Entry {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
};

// Every menu in order; "-" marks a separator.
const std::vector<std::pair<const char*, std::vector<Entry>>>& menuTable() {
    const QKeySequence none;
    auto c = [](Qt::Key k) { return QKeySequence(Qt::CTRL | k); };
    static const std::vector<std::pair<const char*, std::vector<Entry>>> table = {
        {"Arquivo1",
         {{"AbrirFoto1", "&Abrir Foto", c(Qt::Key_O)},
          {"Fechar1", "&Fechar", c(Qt::Key_F4)},
          {"FecharTudo1", "F&echar Tudo", none},
          {"-", "", none},
          {"Salvar1", "&Salvar", c(Qt::Key_S)},
          {"Salvarcomo1", "Salvar &Como...", c(Qt::Key_A)},
          {"ExportarProva1", "E&xportar Prova...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
          {"ImportarCabelo1", "Importar Cabelo...", none},
          {"-", "", none},
          {"ConfigurarImpressora1", "Configurar I&mpressora", c(Qt::Key_I)},
          {"Imprimir1", "&Imprimir", c(Qt::Key_P)},
          {"PrintPreview1", "&Visualizar Impressão", c(Qt::Key_W)},
          {"-", "", none},
          {"Sair1", "Sai&r", c(Qt::Key_X)}}},
        {"Editar1",
         {{"Undo1", "&Undo", c(Qt::Key_Z)},
          {"Copiar1", "&Copiar", c(Qt::Key_C)},
          {"Colar1", "Co&lar", c(Qt::Key_V)},
          {"-", "", none},
          {"Inserir1", "&Inserir", QKeySequence(Qt::Key_Insert)},
          {"ApagarCabelo1", "&Apagar", QKeySequence(Qt::Key_Delete)},
          {"Redimensionar1", "&Redimensionar", QKeySequence(Qt::Key_F3)}}},
        {"Imagem1",
         {{"Replay1", "&Replay", c(Qt::Key_R)},
          {"Zoom1", "Zoom &Out", QKeySequence(Qt::Key_F8)},
          {"Zoom2", "Zoom &In", QKeySequence(Qt::Key_F9)},
          {"tamanhoOriginal1", "Tamanho &Original", c(Qt::Key_O)},
          {"EnquadrarRosto1", "Enquadrar &Rosto", c(Qt::Key_E)},
          {"ProvarCategoria1", "&Provar Categoria", c(Qt::Key_T)},
          {"MostrarCliente1", "&Mostrar ao Cliente", c(Qt::Key_M)},
          {"-", "", none},
          {"CapturaTWAIN1", "&Captura TWAIN", none},
          {"SelecionarCapturaTWAIN1", "&Selecionar Captura TWAIN", none},
          {"-", "", none},
          {"Visualizador50", "&Visualizador Velvo 5.0", QKeySequence(Qt::Key_F12)},
          {"Visualizador42", "Plumes Collection I", QKeySequence(Qt::Key_F11)}}},
        {"AjustedeImagem1",
         {{"Foto1", "&Foto", none},
          {"Cabelo1", "&Cabelo", none},
          {"ColorPanel1", "Color &Panel", QKeySequence(Qt::Key_F10)},
          {"Flip1", "&Flip", c(Qt::Key_F)}}},
        {"Desenho1", {{"RetoqueCabelo1", "&Cabelo", none}, {"RetoqueFoto1", "&Foto", none}}},
        {"VirtualColor1",
         {{"Amarelo1", "&Amarelo", QKeySequence(Qt::Key_F4)},
          {"Marrom1", "&Marrom", QKeySequence(Qt::Key_F5)},
          {"Vermelho1", "&Vermelho", QKeySequence(Qt::Key_F6)},
          {"Preto1", "&Preto", QKeySequence(Qt::Key_F7)},
          {"Normal1", "&Normal", c(Qt::Key_N)}}},
        {"Clientes1",
         {{"Fichas1", "&Fichas...", c(Qt::Key_K)},
          {"GuardarProvas1", "&Guardar Provas...", c(Qt::Key_G)}}},
        {"Janela1", {{"ArranjarIcones1", "&Arranjar Ícones", none}}},
        {"Ajuda1",
         {{"Ajuda2", "&Tópicos de Ajuda", QKeySequence(Qt::Key_F1)},
          {"QuickStart", "&Primeiros Passos", QKeySequence(Qt::Key_F2)},
          {"Diagnostico1", "Dia&gnóstico", none},
          {"SobreoPrograma1", "&Sobre o Programa", none}}},
    };
    return table;
}

TEST_F(MainWindow, MenuHoldsEveryEntryInOrderWithCaptionShortcutAndSeparators) {
    QStringList menuOrder;
    for (QAction* a : main->menuBar()->actions())
        if (a->menu())
            menuOrder << a->menu()->objectName();
    QStringList expectedOrder;
    for (const auto& [menu, entries] : menuTable())
        expectedOrder << menu;
    EXPECT_EQ(menuOrder, expectedOrder);

    for (const auto& [menuName, entries] : menuTable()) {
        QMenu* menu = main->Menu(menuName);
        ASSERT_NE(menu, nullptr) << menuName;
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), qsizetype(entries.size())) << menuName;
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            if (std::string(e.name) == "-") {
                EXPECT_TRUE(actions[i]->isSeparator()) << menuName << " item " << i;
                continue;
            }
            EXPECT_EQ(actions[i]->objectName().toStdString(), e.name);
            EXPECT_EQ(actions[i]->text(), QString::fromUtf8(e.caption)) << e.name;
            EXPECT_EQ(actions[i]->shortcut(), e.shortcut) << e.name;
        }
    }
    EXPECT_EQ(main->Menu("Arquivo1")->title(), "&Arquivo");
    EXPECT_EQ(main->Menu("AjustedeImagem1")->title(), "Aj&uste");
    EXPECT_EQ(main->Menu("Desenho1")->title(), "&Retoque");
    EXPECT_EQ(main->Menu("Ajuda1")->title(), "A&juda");
}

TEST_F(MainWindow, ViewerEntriesFormOneRadioGroupWithVelvo5Ticked) {
    QAction* v50 = main->Action("Visualizador50");
    QAction* v42 = main->Action("Visualizador42");
    ASSERT_TRUE(v50->actionGroup() && v50->actionGroup() == v42->actionGroup());
    EXPECT_TRUE(v50->isChecked());
    v42->setChecked(true);
    EXPECT_FALSE(v50->isChecked());
}

TEST_F(MainWindow, CtrlOReachesOpenPhotoNotOriginalSize) {
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    QSignalSpy open(main->Action("AbrirFoto1"), &QAction::triggered);
    QSignalSpy original(main->Action("tamanhoOriginal1"), &QAction::triggered);
    QTest::keyClick(main.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(original.count(), 0);
}

TEST_F(MainWindow, SectionBarHasSixSectionsItemsHintsAndGeometry) {
    auto* bar = main->findChild<QToolBar*>("SectionBar1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->height(), 37);
    QStringList order;
    for (QAction* a : bar->actions())
        if (QWidget* w = bar->widgetForAction(a); w && !a->isSeparator())
            order << w->objectName();
    const QStringList expected = {"Section_ARQUIVO", "BT_Abrir",       "BT_Salvar",
                                  "BT_Imprimir",     "Section_EDITAR", "BT_PREVIEW",
                                  "BT_Original",     "BT_Replay",      "Section_CAPTURA",
                                  "BT_Captura",      "Section_IMAGEM", "BT_SCROLL",
                                  "BT_MOVE",         "BT_ZOOM",        "BT_LACO",
                                  "BT_SLIDERS",      "BT_ROSTO",       "BT_MOSTRAR",
                                  "Section_CABELOS",
                                  "BT_Thumbs",       "BT_CC",          "BT_CE",
                                  "BT_MC",           "BT_ME",          "BT_LC",
                                  "BT_LE",           "BT_M",           "Section_SAIDA",
                                  "BT_Sair"};
    EXPECT_EQ(order, expected);

    const std::pair<const char*, const char*> hints[] = {
        {"BT_Abrir", "Abrir Foto"},         {"BT_Original", "Foto e Cabelo Originais"},
        {"BT_Captura", "Captura TWAIN"},    {"BT_SCROLL", "Mover"},
        {"BT_MOVE", "Redimensionar"},       {"BT_LACO", "Selecionar"},
        {"BT_SLIDERS", "Cores Cabelo"},     {"BT_ROSTO", "Enquadrar Rosto"},
        {"BT_MOSTRAR", "Mostrar ao Cliente"},
        {"BT_Thumbs", "Ver & Abrir Fotos"}, {"BT_MC", "Ver/Abrir Médios e Claros"},
        {"BT_M", "Ver/Abrir Masculinos"},   {"BT_Sair", "Sair"}};
    for (const auto& [name, hint] : hints)
        EXPECT_EQ(main->Button(name)->toolTip(), QString::fromUtf8(hint)) << name;
    for (QToolButton* b : bar->findChildren<QToolButton*>())
        if (b->objectName().startsWith("BT_")) {
            EXPECT_EQ(b->size(), QSize(29, 29)) << b->objectName().toStdString();
            EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
        }
    const char* categories[] = {"BT_CC", "BT_CE", "BT_MC", "BT_ME", "BT_LC", "BT_LE", "BT_M"};
    for (int tag = 0; tag < 7; ++tag)
        EXPECT_EQ(main->Button(categories[tag])->property("Tag").toInt(), tag);
}

TEST_F(MainWindow, FourToolsAreOneRadioGroupWithScrollDown) {
    EXPECT_TRUE(main->BT_SCROLL->isChecked());
    ASSERT_NE(main->BT_SCROLL->group(), nullptr);
    EXPECT_TRUE(main->BT_SCROLL->group()->exclusive());
    for (QToolButton* b : {main->BT_MOVE, main->BT_ZOOM, main->BT_LACO})
        EXPECT_EQ(b->group(), main->BT_SCROLL->group());
    openPhoto(writePhoto("a.bmp", solid(4, 4, {1, 2, 3})));
    main->BT_ZOOM->click();
    EXPECT_TRUE(main->BT_ZOOM->isChecked());
    EXPECT_FALSE(main->BT_SCROLL->isChecked());
    EXPECT_FALSE(main->Button("BT_SLIDERS")->isCheckable());
}

// The document commands of the enabling rule, as one enabled/disabled reading.
std::vector<bool> documentCommands(app::TF_HAIR& main) {
    std::vector<bool> states;
    for (const char* n : {"Fechar1", "FecharTudo1", "Salvar1", "Salvarcomo1", "Imprimir1",
                          "PrintPreview1", "Undo1", "Copiar1", "Inserir1", "ApagarCabelo1",
                          "Redimensionar1", "Replay1", "Zoom1", "Zoom2", "tamanhoOriginal1",
                          "ExportarProva1", "MostrarCliente1"})
        states.push_back(main.Action(n)->isEnabled());
    for (const char* n : {"AjustedeImagem1", "Desenho1", "VirtualColor1"})
        states.push_back(main.Menu(n)->menuAction()->isEnabled() && main.Menu(n)->isEnabled());
    for (const char* n : {"BT_Salvar", "BT_Imprimir", "BT_Replay", "BT_Original", "BT_ZOOM",
                          "BT_PREVIEW", "BT_SCROLL", "BT_MOVE", "BT_LACO", "BT_SLIDERS",
                          "BT_MOSTRAR"})
        states.push_back(main.Button(n)->isEnabled());
    return states;
}

bool allAre(const std::vector<bool>& states, bool value) {
    return std::all_of(states.begin(), states.end(), [value](bool s) { return s == value; });
}

void expectAlwaysEnabled(app::TF_HAIR& main) {
    for (const char* n : {"AbrirFoto1", "ConfigurarImpressora1", "Sair1", "Colar1", "CapturaTWAIN1",
                          "SelecionarCapturaTWAIN1", "Visualizador50", "Visualizador42", "Ajuda2"})
        EXPECT_TRUE(main.Action(n)->isEnabled()) << n;
    for (const char* n : {"Clientes1", "Janela1", "Ajuda1"})
        EXPECT_TRUE(main.Menu(n)->menuAction()->isEnabled()) << n;
    for (const char* n : {"BT_Abrir", "BT_Captura", "BT_Thumbs", "BT_CC", "BT_M", "BT_Sair"})
        EXPECT_TRUE(main.Button(n)->isEnabled()) << n;
}

TEST_F(MainWindow, DocumentCommandsFollowTheNumberOfDocuments) {
    EXPECT_TRUE(allAre(documentCommands(*main), false)) << "at start";
    expectAlwaysEnabled(*main);

    const QString photo = writePhoto("a.bmp", solid(10, 10, {9, 9, 9}));
    writeHair(0, 1, hairstyle(8, 8, {0, 0, 200}));
    document::TF_FILHO* first = openPhoto(photo);
    EXPECT_TRUE(allAre(documentCommands(*main), true)) << "one document";
    document::TF_FILHO* second = openPhoto(photo);
    EXPECT_TRUE(allAre(documentCommands(*main), true)) << "two documents";

    first->Close();
    EXPECT_TRUE(allAre(documentCommands(*main), true)) << "one of two closed";
    flushDeletes();
    EXPECT_EQ(main->Documents().size(), 1);
    main->Fechar1Click();
    EXPECT_TRUE(allAre(documentCommands(*main), false)) << "last closed with Fechar";
    expectAlwaysEnabled(*main);
    flushDeletes();
    EXPECT_TRUE(main->Documents().isEmpty());
    (void)second;

    openPhoto(photo);
    openPhoto(photo);
    main->FecharTudo1Click();
    EXPECT_TRUE(allAre(documentCommands(*main), false)) << "close all";
    EXPECT_FALSE(main->ClosingAll);
    flushDeletes();
    EXPECT_TRUE(main->Documents().isEmpty());
    main->FormActivate();
    EXPECT_TRUE(allAre(documentCommands(*main), false)) << "activated with none";
}

TEST_F(MainWindow, StartStateAndHiddenComponents) {
    EXPECT_TRUE(main->ProgramFolder.endsWith('/'));
    EXPECT_EQ(main->ProgramFolder, folder);
    EXPECT_EQ(main->LibraryLabel, "Velvo5");
    EXPECT_EQ(main->CategoryText, "0");
    EXPECT_EQ(main->CaptureCount, 0);
    EXPECT_FALSE(main->OpenMode || main->FromClipboard || main->InsertMode || main->ReplayMode ||
                 main->LassoActive);
    ASSERT_NE(main->CB_TIPO, nullptr);
    EXPECT_FALSE(main->CB_TIPO->isVisible());
    ASSERT_EQ(main->CB_TIPO->count(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(main->CB_TIPO->itemText(i), QString::fromUtf8(kCategories[i]));
    EXPECT_EQ(main->CB_TIPO->currentIndex(), 0);
    EXPECT_FALSE(main->PictureView1->isVisible());
    EXPECT_TRUE(main->PictureView1->AutoFit());

    EXPECT_EQ(main->SD_SALVAR->DefaultExt, "bmp");
    EXPECT_EQ(main->SD_SALVAR->FilterIndex, 7);
    EXPECT_TRUE(main->SD_SALVAR->Options & platform::ofOverwritePrompt);
    const QStringList filters = platform::qtNameFilters(main->OD_ABRIR->Filter);
    ASSERT_EQ(filters.size(), 13);
    EXPECT_TRUE(filters[0].startsWith("All graphics (*.jpg *.jpeg *.gif"));
    EXPECT_EQ(filters[6], "BMP files (*.bmp)");
    EXPECT_EQ(filters[11], "AVI files (*.avi)");

    // Each number names its own picture: told apart by the hot spot and, where two share one,
    // by a pixel only one of them covers.
    enum Probe { Clear, Opaque, Dark, Light, Anything };
    const struct {
        int id;
        QPoint hotSpot;
        QPoint probe;
        Probe expected;
    } engineCursors[] = {
        {1778, {11, 11}, {11, 8}, Light},  // zoom out: the lens without a plus's upright
        {1779, {11, 11}, {11, 8}, Dark},   // zoom in
        {1780, {15, 15}, {20, 10}, Clear}, // plain cross: nothing off its arms
        {1781, {3, 28}, {}, Anything},     // eraser
        {1782, {16, 16}, {}, Anything},    // hand
        {1783, {2, 30}, {}, Anything},     // pen
        {1784, {15, 15}, {20, 10}, Opaque}, // cross in a circle
        {1785, {15, 15}, {15, 15}, Clear}, // cross with an open middle
    };
    for (const auto& c : engineCursors) {
        EXPECT_TRUE(platform::Cursors::instance().has(c.id)) << c.id;
        const QCursor cursor = platform::Cursors::instance().cursor(c.id);
        EXPECT_EQ(cursor.hotSpot(), c.hotSpot) << c.id;
        if (c.expected == Anything)
            continue;
        const QColor pixel = cursor.pixmap().toImage().pixelColor(c.probe);
        const bool opaque = pixel.alpha() == 255;
        const bool as = c.expected == Clear    ? pixel.alpha() == 0
                        : c.expected == Opaque ? opaque
                        : c.expected == Dark   ? opaque && pixel.lightness() < 100
                                               : opaque && pixel.lightness() > 200;
        EXPECT_TRUE(as) << c.id << ": " << pixel.name(QColor::HexArgb).toStdString();
    }
}

TEST_F(MainWindow, DocumentWindowsCarryTheProgramsIcon) {
    // Whatever an earlier start of the windows gave the application.
    QApplication::setWindowIcon(QIcon());
    const QString photo = writePhoto("a.bmp", solid(10, 10, {9, 9, 9}));
    const QImage expected = app::programIcon(32).convertToFormat(QImage::Format_ARGB32);
    for (document::TF_FILHO* doc : {openPhoto(photo), openPhoto(photo)}) {
        const QIcon icon = doc->SubWindow()->windowIcon();
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32), expected);
    }
}

TEST_F(MainWindow, HelpOpensTheContentsPageInTheProgramFolder) {
    main->Action("Ajuda2")->trigger();
    ASSERT_EQ(help.opened.size(), 1);
    EXPECT_EQ(help.opened[0], folder + "help/index.html");
}

TEST_F(MainWindow, ExitClosesEveryDocumentAndTheWindow) {
    const QString photo = writePhoto("a.bmp", solid(10, 10, {9, 9, 9}));
    writeHair(0, 1, hairstyle(8, 8, {0, 0, 200}));
    openPhoto(photo);
    openPhoto(photo);
    main->Sair1Click();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(allAre(documentCommands(*main), false));
    flushDeletes();
    EXPECT_TRUE(main->Documents().isEmpty());
}

TEST_F(MainWindow, ArrangeIconsLinesMinimisedDocumentsUpFromTheBottom) {
    const QString photo = writePhoto("a.bmp", solid(10, 10, {9, 9, 9}));
    writeHair(0, 1, hairstyle(8, 8, {0, 0, 200}));
    QList<QWidget*> frames;
    auto addMinimised = [&] {
        frames << openPhoto(photo)->SubWindow();
        frames.last()->showMinimized();
        frames.last()->move(100 + int(frames.size()) * 30, 50);
    };
    addMinimised();
    const QSize icon = frames[0]->size();
    const QSize area = main->MdiArea->viewport()->size();
    const int perRow = area.width() / icon.width();
    ASSERT_GE(perRow, 1);
    // A full bottom row and two more.
    while (frames.size() < perRow + 2)
        addMinimised();
    main->ArranjarIcones1Click();
    for (int i = 0; i < perRow; ++i)
        EXPECT_EQ(frames[i]->geometry(),
                  QRect(QPoint(i * icon.width(), area.height() - icon.height()), icon))
            << i;
    EXPECT_EQ(frames[perRow]->geometry(),
              QRect(QPoint(0, area.height() - 2 * icon.height()), icon));
    EXPECT_EQ(frames[perRow + 1]->geometry(),
              QRect(QPoint(icon.width(), area.height() - 2 * icon.height()), icon));
}

TEST(MainWindowCreation, StartsWithTheDocumentCommandsOffWithoutAnyActivation) {
    // Never shown, so no window manager or platform activation can set the commands.
    QTemporaryDir dir;
    app::TF_HAIR main(dir.path());
    EXPECT_TRUE(allAre(documentCommands(main), false));
    expectAlwaysEnabled(main);
}

TEST_F(MainWindow, ShortcutsOfTheDocumentMenusDoNothingWithoutADocument) {
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    const std::pair<const char*, QKeySequence> entries[] = {
        {"Amarelo1", Qt::Key_F4},       {"Marrom1", Qt::Key_F5},
        {"Vermelho1", Qt::Key_F6},      {"Preto1", Qt::Key_F7},
        {"ColorPanel1", Qt::Key_F10},   {"Normal1", Qt::CTRL | Qt::Key_N},
        {"Flip1", Qt::CTRL | Qt::Key_F}};
    for (const auto& [name, keys] : entries) {
        QAction* entry = main->Action(name);
        EXPECT_FALSE(entry->isEnabled()) << name;
        QSignalSpy fired(entry, &QAction::triggered);
        QTest::keySequence(main.get(), keys);
        EXPECT_EQ(fired.count(), 0) << name;
    }
    for (const char* name : {"Foto1", "Cabelo1", "RetoqueCabelo1", "RetoqueFoto1"})
        EXPECT_FALSE(main->Action(name)->isEnabled()) << name;
    EXPECT_FALSE(main->PanelOpened);

    // With a document the same keys reach their entries.
    writeHair(0, 1, hairstyle(8, 8, {0, 0, 200}));
    openPhoto(writePhoto("a.bmp", solid(10, 10, {9, 9, 9})));
    QSignalSpy panel(main->Action("ColorPanel1"), &QAction::triggered);
    QTest::keyClick(main.get(), Qt::Key_F10);
    EXPECT_EQ(panel.count(), 1);
    EXPECT_TRUE(main->PanelOpened);
}

TEST(ProgramBlock, TitleWindowsAndOnlyTheMaximisedMainWindowShown) {
    QTemporaryDir dir;
    platform::RecordingMessages messages;
    platform::Messages::setInstance(&messages);
    auto windows = app::CreateProgramWindows(dir.path());
    EXPECT_EQ(QApplication::applicationName(), "VELVO 5");
    EXPECT_EQ(platform::applicationTitle(), "VELVO 5");
    ASSERT_NE(windows->F_HAIR, nullptr);
    EXPECT_EQ(app::F_HAIR, windows->F_HAIR.get());
    EXPECT_TRUE(windows->F_HAIR->isVisible());
    EXPECT_TRUE(windows->F_HAIR->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(windows->F_HAIR->ProgramFolder, dir.path() + "/");
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shown += w->isVisible() ? 1 : 0;
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(messages.shown.isEmpty());
    windows.reset();
    EXPECT_EQ(app::F_HAIR, nullptr);
    platform::Messages::setInstance(nullptr);
}

} // namespace
} // namespace velvo::testing
