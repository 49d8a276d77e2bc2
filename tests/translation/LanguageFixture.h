#pragma once
#include "platform/DialogComponents.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <memory>

// A small window laid out like the program's: menus with entries, a tool bar whose buttons
// carry hints, a hidden list, a label on a panel, tab pages and a picture dialog.
struct TestWindow {
    std::unique_ptr<QMainWindow> window = std::make_unique<QMainWindow>();
    QMenu* arquivo = nullptr;
    QAction* imprimir = nullptr;
    QAction* sair = nullptr;
    QToolButton* abrir = nullptr;
    QComboBox* tipo = nullptr;
    QListWidget* list = nullptr;
    QLabel* label = nullptr;
    QWidget* panel = nullptr;
    QTabWidget* tabs = nullptr;
    QWidget* page = nullptr;
    velvo::platform::TOpenPictureDialog* dialog = nullptr;

    explicit TestWindow(const QString& name = "F_TEST") {
        window->setObjectName(name);
        window->setWindowTitle("Janela");
        arquivo = window->menuBar()->addMenu("&Arquivo");
        arquivo->setObjectName("Arquivo1");
        imprimir = arquivo->addAction("&Imprimir");
        imprimir->setObjectName("Imprimir1");
        sair = arquivo->addAction("Sai&r");
        sair->setObjectName("Sair1");

        auto* bar = window->addToolBar("SectionBar1");
        abrir = new QToolButton(bar);
        abrir->setObjectName("BT_Abrir");
        abrir->setToolTip("Abrir Foto");
        abrir->setStatusTip("Abrir Foto");
        bar->addWidget(abrir);

        auto* central = new QWidget;
        window->setCentralWidget(central);
        panel = new QWidget(central);
        panel->setObjectName("Panel1");
        panel->setGeometry(10, 20, 100, 50);
        label = new QLabel("Vermelho", panel);
        label->setObjectName("StyledLabel1");
        tipo = new QComboBox(panel);
        tipo->setObjectName("CB_TIPO");
        tipo->addItems({"Curtos e Claros", "Curtos e Escuros"});
        tipo->hide();
        list = new QListWidget(panel);
        list->setObjectName("LB_LIST");
        list->addItems({"um"});
        tabs = new QTabWidget(central);
        page = new QWidget;
        page->setObjectName("TabSheet1");
        tabs->addTab(page, "Fotos");
        tabs->addTab(new QWidget, "Outra");
        dialog = new velvo::platform::TOpenPictureDialog(window.get());
        dialog->setObjectName("OD_ABRIR");
        dialog->Title = "Abrir";
    }
};

// A translation file in a temporary folder.
struct LanguageFile {
    QTemporaryDir dir;
    QString path = dir.filePath("language.lng");

    void write(const QByteArray& bytes) const {
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
};
