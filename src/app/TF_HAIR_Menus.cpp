// The menu MM_MENU and the sectioned tool bar SectionBar1.
#include <QActionGroup>
#include <QButtonGroup>
#include <QLabel>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "app/TF_HAIR.h"
#include "app/ToolGlyphs.h"

namespace velvo::app {

QAction* TF_HAIR::addEntry(QMenu* menu, const char* name, const QString& caption,
                           const QKeySequence& shortcut, void (TF_HAIR::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    // Shortcuts work while the menus are closed.
    addAction(action);
    connect(action, &QAction::triggered, this,
            [this, handler] { platform::runGuarded([this, handler] { (this->*handler)(); }); });
    return action;
}

void TF_HAIR::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MM_MENU"));
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        m->menuAction()->setObjectName(QLatin1String(name) + QStringLiteral("Item"));
        return m;
    };
    const QKeySequence none;
    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };

    QMenu* m = menu("Arquivo1", QStringLiteral("&Arquivo"));
    addEntry(m, "AbrirFoto1", QStringLiteral("&Abrir Foto"), ctrl(Qt::Key_O),
             &TF_HAIR::AbrirFoto1Click);
    addEntry(m, "Fechar1", QStringLiteral("&Fechar"), ctrl(Qt::Key_F4), &TF_HAIR::Fechar1Click);
    addEntry(m, "FecharTudo1", QStringLiteral("F&echar Tudo"), none, &TF_HAIR::FecharTudo1Click);
    m->addSeparator();
    addEntry(m, "Salvar1", QStringLiteral("&Salvar"), ctrl(Qt::Key_S), &TF_HAIR::Salvar1Click);
    addEntry(m, "Salvarcomo1", QStringLiteral("Salvar &Como..."), ctrl(Qt::Key_A),
             &TF_HAIR::Salvarcomo1Click);
    // Exporting a try for the client.
    addEntry(m, "ExportarProva1", QStringLiteral("E&xportar Prova..."),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &TF_HAIR::ExportarProva1Click);
    addEntry(m, "ImportarCabelo1", QStringLiteral("Importar Cabelo..."), none,
             &TF_HAIR::ImportarCabelo1Click);
    m->addSeparator();
    addEntry(m, "ConfigurarImpressora1", QStringLiteral("Configurar I&mpressora"), ctrl(Qt::Key_I),
             &TF_HAIR::ConfigurarImpressora1Click);
    addEntry(m, "Imprimir1", QStringLiteral("&Imprimir"), ctrl(Qt::Key_P),
             &TF_HAIR::Imprimir1Click);
    addEntry(m, "PrintPreview1", QStringLiteral("&Visualizar Impressão"), ctrl(Qt::Key_W),
             &TF_HAIR::PrintPreview1Click);
    m->addSeparator();
    addEntry(m, "Sair1", QStringLiteral("Sai&r"), ctrl(Qt::Key_X), &TF_HAIR::Sair1Click);

    m = menu("Editar1", QStringLiteral("&Editar"));
    addEntry(m, "Undo1", QStringLiteral("&Undo"), ctrl(Qt::Key_Z), &TF_HAIR::Undo1Click);
    addEntry(m, "Copiar1", QStringLiteral("&Copiar"), ctrl(Qt::Key_C), &TF_HAIR::Copiar1Click);
    addEntry(m, "Colar1", QStringLiteral("Co&lar"), ctrl(Qt::Key_V), &TF_HAIR::Colar1Click);
    m->addSeparator();
    addEntry(m, "Inserir1", QStringLiteral("&Inserir"), QKeySequence(Qt::Key_Insert),
             &TF_HAIR::Inserir1Click);
    addEntry(m, "ApagarCabelo1", QStringLiteral("&Apagar"), QKeySequence(Qt::Key_Delete),
             &TF_HAIR::ApagarCabelo1Click);
    addEntry(m, "Redimensionar1", QStringLiteral("&Redimensionar"), QKeySequence(Qt::Key_F3),
             &TF_HAIR::Redimensionar1Click);

    m = menu("Imagem1", QStringLiteral("&Imagem"));
    addEntry(m, "Replay1", QStringLiteral("&Replay"), ctrl(Qt::Key_R), &TF_HAIR::Replay1Click);
    addEntry(m, "Zoom1", QStringLiteral("Zoom &Out"), QKeySequence(Qt::Key_F8),
             &TF_HAIR::Zoom1Click);
    addEntry(m, "Zoom2", QStringLiteral("Zoom &In"), QKeySequence(Qt::Key_F9),
             &TF_HAIR::Zoom2Click);
    QAction* original = addEntry(m, "tamanhoOriginal1", QStringLiteral("Tamanho &Original"),
                                 ctrl(Qt::Key_O), &TF_HAIR::tamanhoOriginal1Click);
    // The menu shows Ctrl+O here too, but the key belongs to the first entry that carries it,
    // "&Abrir Foto": a widget-local shortcut never competes with the window-wide one.
    original->setShortcutContext(Qt::WidgetShortcut);
    addEntry(m, "EnquadrarRosto1", QStringLiteral("Enquadrar &Rosto"), ctrl(Qt::Key_E),
             &TF_HAIR::EnquadrarRosto1Click);
    addEntry(m, "ProvarCategoria1", QStringLiteral("&Provar Categoria"), ctrl(Qt::Key_T),
             &TF_HAIR::ProvarCategoria1Click);
    addEntry(m, "MostrarCliente1", QStringLiteral("&Mostrar ao Cliente"), ctrl(Qt::Key_M),
             &TF_HAIR::MostrarCliente1Click);
    m->addSeparator();
    addEntry(m, "CapturaTWAIN1", QStringLiteral("&Captura TWAIN"), none,
             &TF_HAIR::CapturaTWAIN1Click);
    addEntry(m, "SelecionarCapturaTWAIN1", QStringLiteral("&Selecionar Captura TWAIN"), none,
             &TF_HAIR::SelecionarCapturaTWAIN1Click);
    m->addSeparator();
    viewerGroup_ = new QActionGroup(this);
    viewerGroup_->setExclusive(true);
    for (QAction* a : {addEntry(m, "Visualizador50", QStringLiteral("&Visualizador Velvo 5.0"),
                                QKeySequence(Qt::Key_F12), &TF_HAIR::Visualizador50Click),
                       addEntry(m, "Visualizador42", QStringLiteral("Plumes Collection I"),
                                QKeySequence(Qt::Key_F11), &TF_HAIR::Visualizador42Click)}) {
        a->setCheckable(true);
        viewerGroup_->addAction(a);
    }
    Action(QStringLiteral("Visualizador50"))->setChecked(true);

    m = menu("AjustedeImagem1", QStringLiteral("Aj&uste"));
    addEntry(m, "Foto1", QStringLiteral("&Foto"), none, &TF_HAIR::AjusteFoto1Click);
    addEntry(m, "Cabelo1", QStringLiteral("&Cabelo"), none, &TF_HAIR::AjusteCabelo1Click);
    addEntry(m, "ColorPanel1", QStringLiteral("Color &Panel"), QKeySequence(Qt::Key_F10),
             &TF_HAIR::ColorPanel1Click);
    addEntry(m, "Flip1", QStringLiteral("&Flip"), ctrl(Qt::Key_F), &TF_HAIR::Flip1Click);

    m = menu("Desenho1", QStringLiteral("&Retoque"));
    addEntry(m, "RetoqueCabelo1", QStringLiteral("&Cabelo"), none, &TF_HAIR::RetoqueCabelo1Click);
    addEntry(m, "RetoqueFoto1", QStringLiteral("&Foto"), none, &TF_HAIR::RetoqueFoto1Click);

    m = menu("VirtualColor1", QStringLiteral("&Virtual Color"));
    addEntry(m, "Amarelo1", QStringLiteral("&Amarelo"), QKeySequence(Qt::Key_F4),
             &TF_HAIR::Amarelo1Click);
    addEntry(m, "Marrom1", QStringLiteral("&Marrom"), QKeySequence(Qt::Key_F5),
             &TF_HAIR::Marrom1Click);
    addEntry(m, "Vermelho1", QStringLiteral("&Vermelho"), QKeySequence(Qt::Key_F6),
             &TF_HAIR::Vermelho1Click);
    addEntry(m, "Preto1", QStringLiteral("&Preto"), QKeySequence(Qt::Key_F7),
             &TF_HAIR::Preto1Click);
    addEntry(m, "Normal1", QStringLiteral("&Normal"), ctrl(Qt::Key_N), &TF_HAIR::Normal1Click);

    // The client records, beside the windows a stylist works in rather than under help.
    m = menu("Clientes1", QStringLiteral("&Clientes"));
    addEntry(m, "Fichas1", QStringLiteral("&Fichas..."), ctrl(Qt::Key_K), &TF_HAIR::Fichas1Click);
    addEntry(m, "GuardarProvas1", QStringLiteral("&Guardar Provas..."), ctrl(Qt::Key_G),
             &TF_HAIR::GuardarProvas1Click);

    m = menu("Janela1", QStringLiteral("&Janela"));
    addEntry(m, "ArranjarIcones1", QStringLiteral("&Arranjar Ícones"), none,
             &TF_HAIR::ArranjarIcones1Click);

    m = menu("Ajuda1", QStringLiteral("A&juda"));
    addEntry(m, "Ajuda2", QStringLiteral("&Tópicos de Ajuda"), QKeySequence(Qt::Key_F1),
             &TF_HAIR::Ajuda2Click);
    addEntry(m, "QuickStart", QStringLiteral("&Primeiros Passos"), QKeySequence(Qt::Key_F2),
             &TF_HAIR::QuickStartClick);
    addEntry(m, "Diagnostico1", QStringLiteral("Dia&gnóstico"), none, &TF_HAIR::Diagnostico1Click);
    addEntry(m, "SobreoPrograma1", QStringLiteral("&Sobre o Programa"), none,
             &TF_HAIR::SobreoPrograma1Click);
}

void TF_HAIR::addSection(QToolBar* bar, const QString& caption) {
    if (!bar->actions().isEmpty())
        bar->addSeparator();
    auto* label = new QLabel(caption, bar);
    label->setObjectName(QStringLiteral("Section_") + caption);
    QFont font = label->font();
    font.setPointSize(6);
    font.setBold(true);
    label->setFont(font);
    label->setContentsMargins(4, 0, 2, 0);
    label->setStyleSheet(QStringLiteral("color: #203a6a; background: transparent;"));
    bar->addWidget(label);
}

QToolButton* TF_HAIR::addItem(QToolBar* bar, const char* name, const QString& hint,
                              void (TF_HAIR::*handler)(), int glyph) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    // A hint "short|long" shows its short part as the tip and its long part in the status line.
    const qsizetype bar_ = hint.indexOf(QLatin1Char('|'));
    button->setToolTip(bar_ < 0 ? hint : hint.left(bar_));
    button->setStatusTip(bar_ < 0 ? hint : hint.mid(bar_ + 1));
    button->setFixedSize(29, 29);
    button->setIconSize(QSize(22, 22));
    button->setIcon(toolGlyph(ToolGlyph(glyph)));
    button->setAutoRaise(true);
    bar->addWidget(button);
    connect(button, &QToolButton::clicked, this,
            [this, handler] { platform::runGuarded([this, handler] { (this->*handler)(); }); });
    return button;
}

void TF_HAIR::buildToolBar() {
    SectionBar1 = new QToolBar(this);
    SectionBar1->setObjectName(QStringLiteral("SectionBar1"));
    SectionBar1->setMovable(false);
    SectionBar1->setFloatable(false);
    SectionBar1->setFixedHeight(37);
    SectionBar1->setContentsMargins(4, 4, 4, 4);
    SectionBar1->setStyleSheet(QStringLiteral(
        "QToolBar#SectionBar1 { border: 1px inset #8090a8; spacing: 1px;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4f7fc, stop:1 #c9d5ea); }"));
    addToolBar(Qt::TopToolBarArea, SectionBar1);

    addSection(SectionBar1, QStringLiteral("ARQUIVO"));
    addItem(SectionBar1, "BT_Abrir", QStringLiteral("Abrir Foto"), &TF_HAIR::AbrirFoto1Click,
            gOpen);
    addItem(SectionBar1, "BT_Salvar", QStringLiteral("Salvar"), &TF_HAIR::Salvar1Click, gSave);
    addItem(SectionBar1, "BT_Imprimir", QStringLiteral("Imprimir"), &TF_HAIR::Imprimir1Click,
            gPrint);
    addSection(SectionBar1, QStringLiteral("EDITAR"));
    addItem(SectionBar1, "BT_PREVIEW", QStringLiteral("Visualizar Impressão"),
            &TF_HAIR::PrintPreview1Click, gPreview);
    addItem(SectionBar1, "BT_Original", QStringLiteral("Foto e Cabelo Originais"),
            &TF_HAIR::tamanhoOriginal1Click, gOriginal);
    addItem(SectionBar1, "BT_Replay", QStringLiteral("Replay"), &TF_HAIR::Replay1Click, gReplay);
    addSection(SectionBar1, QStringLiteral("CAPTURA"));
    addItem(SectionBar1, "BT_Captura", QStringLiteral("Captura TWAIN|"),
            &TF_HAIR::CapturaTWAIN1Click, gCapture);
    addSection(SectionBar1, QStringLiteral("IMAGEM"));
    BT_SCROLL = addItem(SectionBar1, "BT_SCROLL", QStringLiteral("Mover"), &TF_HAIR::BT_SCROLLClick,
                        gScroll);
    BT_MOVE = addItem(SectionBar1, "BT_MOVE", QStringLiteral("Redimensionar"),
                      &TF_HAIR::BT_MOVEClick, gResize);
    BT_ZOOM =
        addItem(SectionBar1, "BT_ZOOM", QStringLiteral("Zoom"), &TF_HAIR::BT_ZOOMClick, gZoom);
    BT_LACO = addItem(SectionBar1, "BT_LACO", QStringLiteral("Selecionar"), &TF_HAIR::BT_LACOClick,
                      gLasso);
    toolGroup_ = new QButtonGroup(this);
    toolGroup_->setObjectName(QStringLiteral("GroupIndex1"));
    toolGroup_->setExclusive(true);
    for (QToolButton* b : {BT_SCROLL, BT_MOVE, BT_ZOOM, BT_LACO}) {
        b->setCheckable(true);
        toolGroup_->addButton(b);
    }
    BT_SCROLL->setChecked(true);
    addItem(SectionBar1, "BT_SLIDERS", QStringLiteral("Cores Cabelo"), &TF_HAIR::BT_SLIDERSClick,
            gSliders);
    addItem(SectionBar1, "BT_ROSTO", QStringLiteral("Enquadrar Rosto"),
            &TF_HAIR::EnquadrarRosto1Click, gFace);
    addItem(SectionBar1, "BT_MOSTRAR", QStringLiteral("Mostrar ao Cliente"),
            &TF_HAIR::MostrarCliente1Click, gPresent);
    addSection(SectionBar1, QStringLiteral("CABELOS"));
    addItem(SectionBar1, "BT_Thumbs", QStringLiteral("Ver & Abrir Fotos"), &TF_HAIR::BT_ThumbsClick,
            gThumbs);
    struct Category {
        const char* name;
        const char* hint;
        void (TF_HAIR::*handler)();
    };
    const Category categories[] = {
        {"BT_CC", "Ver/Abrir Curtos e Claros", &TF_HAIR::BT_CCClick},
        {"BT_CE", "Ver/Abrir Curtos e Escuros", &TF_HAIR::BT_CEClick},
        {"BT_MC", "Ver/Abrir Médios e Claros", &TF_HAIR::BT_MCClick},
        {"BT_ME", "Ver/Abrir Médios e Escuros", &TF_HAIR::BT_MEClick},
        {"BT_LC", "Ver/Abrir Longos e Claros", &TF_HAIR::BT_LCClick},
        {"BT_LE", "Ver/Abrir Longos e Escuros", &TF_HAIR::BT_LEClick},
        {"BT_M", "Ver/Abrir Masculinos", &TF_HAIR::BT_MClick},
    };
    for (int tag = 0; tag < 7; ++tag) {
        QToolButton* b =
            addItem(SectionBar1, categories[tag].name, QString::fromUtf8(categories[tag].hint),
                    categories[tag].handler, gCategory0 + tag);
        b->setProperty("Tag", tag);
    }
    addSection(SectionBar1, QStringLiteral("SAIDA"));
    addItem(SectionBar1, "BT_Sair", QStringLiteral("Sair|"), &TF_HAIR::Sair1Click, gExit);
}

} // namespace velvo::app
