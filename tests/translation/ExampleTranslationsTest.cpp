#include "app/TF_CLIENTES_Translations.h"
#include "app/TF_DIAGNOSTICO_Translations.h"
#include "app/TF_HAIR_Translations.h"
#include "app/TF_QSTART_Translations.h"
#include "library/TF_THUMBS_Translations.h"
#include "print/TF_IMPRESSAO_Translations.h"
#include "retouch/TF_DRAW_Translations.h"
#include "translation/IniFile.h"
#include "translation/ProfileText.h"
#include "translation/TLanguage.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMainWindow>
#include <QMenu>
#include <QSet>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

using velvo::translation::IniFile;

namespace {

// The files as the repository ships them, beside this test's folder.
const QString dataFolder = QStringLiteral(VELVO_DATA_DIR);
const QStringList exampleFiles = {"language-en.lng", "language-es.lng"};

// Every text the program shows in a message box or its status bar, in Portuguese as shown.
const QStringList messageTexts = {
    QString::fromUtf8("Arquivo não encontrado."),
    QString::fromUtf8("É preciso abrir uma foto primeiro!"),
    QString::fromUtf8("O Clipboard não contém Bitmap."),
    QString::fromUtf8("Captura Twain falhou."),
    QString::fromUtf8("Abra uma foto e depois escolha um cabelo!"),
    QString::fromUtf8("Nenhum rosto encontrado"),
    QString::fromUtf8("Não foi possível abrir as fichas dos clientes: %1"),
    QString::fromUtf8("Não foi possível gravar nas fichas dos clientes: %1"),
    QString::fromUtf8("O cliente autorizou guardar as fotos?"),
    QString::fromUtf8("Provas guardadas na ficha de %1."),
    QString::fromUtf8("Sem autorização para guardar fotos."),
    QString::fromUtf8("Autorizou guardar fotos em %1."),
    QString::fromUtf8("Informe o nome do cliente."),
    QString::fromUtf8("Excluir %1 com todas as visitas, provas e fotos? Não será possível desfazer."),
    QString::fromUtf8("Exportar Dados do Cliente"),
    QString::fromUtf8("Dados do cliente exportados para %1"),
    QString::fromUtf8("Escolha o cliente na lista, ou grave um cliente novo."),
    QString::fromUtf8("Marque as provas a guardar."),
    QString::fromUtf8("Categoria:"),
};

QString segment(const QString& path, int index) {
    return path.split(u'.').value(index);
}

} // namespace

TEST(MainWindowTranslationList, HoldsTheEightyNinePathsOfTheMainWindow) {
    const QStringList list = mainWindowTranslationList();
    ASSERT_EQ(list.size(), 89);
    QSet<QString> seen;
    for (const QString& path : list) {
        EXPECT_EQ(path.count(u'.'), 2) << path.toStdString();
        EXPECT_EQ(segment(path, 0), "F_HAIR");
        EXPECT_FALSE(seen.contains(path.toLower())) << path.toStdString();
        seen.insert(path.toLower());
    }
    EXPECT_TRUE(list.contains("F_HAIR.ImprimirColeo1.CAPTION"));
    EXPECT_TRUE(list.contains("F_HAIR.Tonalidade1.CAPTION"));
    EXPECT_TRUE(list.contains("F_HAIR.CB_TIPO.Items"));
    EXPECT_TRUE(list.contains("F_HAIR.OD_ABRIR.Title"));
    EXPECT_TRUE(list.contains("F_HAIR.StyledLabel8.Caption"));
    EXPECT_TRUE(list.contains("F_HAIR.Diagnostico1.CAPTION"));
    EXPECT_TRUE(list.contains("F_HAIR.GuardarProvas1.CAPTION"));
    EXPECT_TRUE(list.contains("F_HAIR.MostrarCliente1.CAPTION"));
    EXPECT_TRUE(list.contains("F_HAIR.BT_MOSTRAR.Hint"));
    EXPECT_EQ(list.front(), "F_HAIR.Arquivo1.Caption");
    EXPECT_EQ(list.back(), "F_HAIR.BitBtn21.Hint");
}

TEST(ExampleTranslations, CoverEveryMainWindowPathAndEveryMessage) {
    for (const QString& name : exampleFiles) {
        QFile file(dataFolder + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_TRUE(velvo::translation::isValidUtf8(file.readAll())) << name.toStdString();
        const IniFile ini(dataFolder + name);
        ASSERT_TRUE(ini.isLoaded());
        for (const QString& path : mainWindowTranslationList())
            EXPECT_FALSE(ini.readString("Translations", path, {}).isEmpty())
                << name.toStdString() << ": " << path.toStdString();
        for (const QString& text : messageTexts) {
            const QString translated = ini.readString("Messages", text, {});
            EXPECT_FALSE(translated.isEmpty()) << name.toStdString() << ": " << text.toStdString();
            EXPECT_NE(translated, text);
        }
    }
}

// A stand-in main window with one component per listed path (but the two the real window
// lacks): the English file re-labels all of them and keeps the category folder names.
TEST(ExampleTranslations, EnglishFileRelabelsAStandInMainWindow) {
    QMainWindow window;
    window.setObjectName("F_HAIR");
    auto* combo = new QComboBox(&window);
    combo->setObjectName("CB_TIPO");
    QList<QObject*> components;
    for (const QString& path : mainWindowTranslationList()) {
        const QString name = segment(path, 1);
        const QString property = segment(path, 2).toLower();
        if (name == "ImprimirColeo1" || name == "Tonalidade1" || name == "CB_TIPO")
            continue;
        QObject* component = nullptr;
        if (property == "hint")
            component = new QToolButton(&window);
        else if (property == "title")
            component = new QMainWindow(&window);
        else
            component = new QAction("?", &window);
        component->setObjectName(name);
        components << component;
    }
    TLanguage l1(&window);
    l1.SetProperties(mainWindowTranslationList());
    l1.SetSeparator(",");
    l1.SetLanguageFile(dataFolder + "language-en.lng");
    l1.Translate();

    // Every stand-in now shows a text of the file, none is left as it was.
    QHash<QString, QString> shown;
    for (QObject* c : components) {
        QString text;
        if (auto* b = qobject_cast<QToolButton*>(c))
            text = b->toolTip();
        else if (auto* w = qobject_cast<QMainWindow*>(c))
            text = w->windowTitle();
        else
            text = static_cast<QAction*>(c)->text();
        EXPECT_FALSE(text.isEmpty() || text == "?") << c->objectName().toStdString();
        shown.insert(c->objectName(), text);
    }
    EXPECT_EQ(shown.size(), 86);
    EXPECT_EQ(shown["Arquivo1"], "&File");
    EXPECT_EQ(shown["Diagnostico1"], "Dia&gnostics");
    EXPECT_EQ(shown["Fichas1"], "&Records...");
    EXPECT_EQ(shown["ImportarCabelo1"], "Import Hairstyle...");
    EXPECT_EQ(shown["MostrarCliente1"], "S&how to Client");
    EXPECT_EQ(shown["BT_MOSTRAR"], "Show to Client");
    EXPECT_EQ(shown["AbrirFoto1"], "&Open Photo");
    EXPECT_EQ(shown["ExportarProva1"], "Expor&t Try...");
    EXPECT_EQ(shown["Sair1"], "E&xit");
    EXPECT_EQ(shown["Visualizador42"], "Plumes Collection I");
    EXPECT_EQ(shown["StyledLabel8"], "Color Panel");
    EXPECT_EQ(shown["OD_ABRIR"], "Open Photo");
    // A hint is a short text for the tip and, after "|", a long one for the status line.
    auto* open = window.findChild<QToolButton*>("BT_Abrir");
    EXPECT_EQ(open->toolTip(), "Open Photo");
    EXPECT_EQ(open->statusTip(), "Open Photo");
    auto* exit = window.findChild<QToolButton*>("BT_Sair");
    EXPECT_EQ(exit->toolTip(), "Exit");
    EXPECT_EQ(exit->statusTip(), "");
    EXPECT_EQ(window.findChild<QToolButton*>("BT_Thumbs")->toolTip(), "View & Open Photos");
    ASSERT_EQ(combo->count(), 7);
    EXPECT_EQ(combo->itemText(2), QString::fromUtf8("Médios e Claros"));
    EXPECT_EQ(combo->itemText(6), "Masculinos");
}

TEST(ExampleTranslations, CoverEveryBrowserPathAndRelabelAStandInBrowser) {
    const QStringList list = velvo::library::browserTranslationList();
    ASSERT_EQ(list.size(), 9);
    EXPECT_EQ(list.front(), "F_THUMBS.CAPTION");
    EXPECT_EQ(list.back(), "F_THUMBS.TabSheet8.Caption");
    for (const QString& name : exampleFiles) {
        const IniFile ini(dataFolder + name);
        ASSERT_TRUE(ini.isLoaded());
        for (const QString& path : list)
            EXPECT_FALSE(ini.readString("Translations", path, {}).isEmpty())
                << name.toStdString() << ": " << path.toStdString();
    }

    QWidget window;
    window.setObjectName("F_THUMBS");
    window.setWindowTitle("Viewer");
    auto* pages = new QTabWidget(&window);
    for (int i = 1; i <= 8; ++i) {
        auto* page = new QWidget;
        page->setObjectName(QString("TabSheet%1").arg(i));
        pages->addTab(page, "?");
    }
    TLanguage l1(&window);
    l1.SetProperties(list);
    l1.SetSeparator(",");
    l1.SetLanguageFile(dataFolder + "language-es.lng");
    l1.Translate();
    const IniFile ini(dataFolder + "language-es.lng");
    EXPECT_EQ(window.windowTitle(), ini.readString("Translations", "F_THUMBS.CAPTION", {}));
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(pages->tabText(i - 1),
                  ini.readString("Translations", QString("F_THUMBS.TabSheet%1.Caption").arg(i), {}))
            << i;
}

// The editor's list names one component it does not have (PenButton); every other path
// re-labels its control in a stand-in editor, from both files.
TEST(ExampleTranslations, CoverEveryRetouchEditorPathAndRelabelAStandInEditor) {
    const QStringList list = velvo::retouch::retouchTranslationList();
    ASSERT_EQ(list.size(), 19);
    EXPECT_EQ(list.front(), "F_DRAW.Caption");
    EXPECT_EQ(list.back(), "F_DRAW.LineWidthComboBox1.Hint");
    for (const QString& name : exampleFiles) {
        const IniFile ini(dataFolder + name);
        ASSERT_TRUE(ini.isLoaded());
        for (const QString& path : list)
            EXPECT_FALSE(ini.readString("Translations", path, {}).isEmpty())
                << name.toStdString() << ": " << path.toStdString();

        QMainWindow window;
        window.setObjectName("F_DRAW");
        window.setWindowTitle("Retoque Velvo");
        QList<QObject*> components;
        for (const QString& path : list.mid(1)) {
            const QString component = segment(path, 1);
            if (component == "PenButton")
                continue;
            QObject* c = nullptr;
            if (segment(path, 2).toLower() == "hint")
                c = new QToolButton(&window);
            else if (component == "File1" || component == "Edit1")
                c = new QMenu("?", &window);
            else
                c = new QAction("?", &window);
            c->setObjectName(component);
            components << c;
        }
        TLanguage l1(&window);
        l1.SetProperties(list);
        l1.SetSeparator(",");
        l1.SetLanguageFile(dataFolder + name);
        l1.Translate();
        EXPECT_EQ(window.windowTitle(), ini.readString("Translations", "F_DRAW.Caption", {}));
        for (QObject* c : components) {
            QString shown;
            if (auto* b = qobject_cast<QToolButton*>(c))
                shown = b->toolTip();
            else if (auto* m = qobject_cast<QMenu*>(c))
                shown = m->title();
            else
                shown = static_cast<QAction*>(c)->text();
            const QString path = list.filter("." + c->objectName() + ".").value(0);
            EXPECT_EQ(shown, ini.readString("Translations", path, {}))
                << name.toStdString() << ": " << path.toStdString();
        }
    }
}

TEST(ExampleTranslations, CoverTheFirstStepsAndAboutWindows) {
    const QStringList firstSteps = velvo::app::firstStepsTranslationList();
    ASSERT_EQ(firstSteps.size(), 30);
    EXPECT_EQ(firstSteps[5], "F_QSTART.TabSheet4.Caption");
    EXPECT_EQ(firstSteps.back(), "F_QSTART.Label24.Caption");
    for (const QString& name : exampleFiles) {
        const IniFile ini(dataFolder + name);
        ASSERT_TRUE(ini.isLoaded());
        for (const QString& path : firstSteps + velvo::app::aboutTranslationList() +
                                       velvo::app::diagnosticsTranslationList() +
                                       velvo::app::clientsTranslationList())
            EXPECT_FALSE(ini.readString("Translations", path, {}).isEmpty())
                << name.toStdString() << ": " << path.toStdString();
        // The blank run leaves room for the resize button's picture.
        EXPECT_TRUE(ini.readString("Translations", "F_QSTART.Label24.Caption", {}).contains("   "))
            << name.toStdString();
    }
}

// The print options and print preview windows: every path in both files, and the preview's
// list re-labels a stand-in preview.
TEST(ExampleTranslations, CoverThePrintWindowsAndRelabelAStandInPreview) {
    const QStringList options = velvo::print::printOptionsTranslationList();
    const QStringList preview = velvo::print::previewTranslationList();
    ASSERT_EQ(options.size(), 4);
    ASSERT_EQ(preview.size(), 3);
    for (const QString& name : exampleFiles) {
        const IniFile ini(dataFolder + name);
        ASSERT_TRUE(ini.isLoaded());
        for (const QString& path : options + preview)
            EXPECT_FALSE(ini.readString("Translations", path, {}).isEmpty())
                << name.toStdString() << ": " << path.toStdString();

        QMainWindow window;
        window.setObjectName("F_PREVIEW2");
        auto* print = new QAction("?", &window);
        print->setObjectName("Imprimir1");
        auto* exit = new QAction("?", &window);
        exit->setObjectName("Sair1");
        TLanguage l1(&window);
        l1.SetProperties(preview);
        l1.SetSeparator(",");
        l1.SetLanguageFile(dataFolder + name);
        l1.Translate();
        EXPECT_EQ(window.windowTitle(), ini.readString("Translations", "F_PREVIEW2.Caption", {}));
        EXPECT_EQ(print->text(), ini.readString("Translations", preview[1], {}));
        EXPECT_EQ(exit->text(), ini.readString("Translations", preview[2], {}));
    }
}
