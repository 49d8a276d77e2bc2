#include "LanguageFixture.h"

#include "imaging/codecs/Error.h"
#include "translation/TLanguage.h"

#include <gtest/gtest.h>

namespace {

const QStringList testPaths = {"F_TEST.Caption",
                               "F_TEST.Arquivo1.Caption",
                               "F_TEST.Imprimir1.CAPTION",
                               "F_TEST.Sair1.CAPTION",
                               "F_TEST.BT_Abrir.Hint",
                               "F_TEST.CB_TIPO.Items",
                               "F_TEST.StyledLabel1.Caption",
                               "F_TEST.TabSheet1.Caption",
                               "F_TEST.OD_ABRIR.Title",
                               "F_TEST.Ausente1.CAPTION"};

struct Translated {
    TestWindow w;
    LanguageFile file;
    TLanguage* l1 = new TLanguage(w.window.get());

    explicit Translated(const QByteArray& contents, const QStringList& paths = testPaths) {
        l1->setObjectName("L1");
        l1->SetProperties(paths);
        l1->SetSeparator(",");
        file.write(contents);
        l1->SetLanguageFile(file.path);
    }
};

} // namespace

TEST(TLanguage, OneEntryChangesThatTextAndNothingElse) {
    Translated t("[Translations]\nF_TEST.Imprimir1.CAPTION=&Print\n");
    t.l1->Translate();
    EXPECT_EQ(t.w.imprimir->text(), "&Print");
    EXPECT_EQ(t.w.sair->text(), "Sai&r");
    EXPECT_EQ(t.w.arquivo->title(), "&Arquivo");
    EXPECT_EQ(t.w.window->windowTitle(), "Janela");
    EXPECT_EQ(t.w.abrir->toolTip(), "Abrir Foto");
    EXPECT_EQ(t.w.tipo->count(), 2);
    EXPECT_EQ(t.w.dialog->Title, "Abrir");
}

TEST(TLanguage, LetterCaseOfKeysNamesAndPropertiesDoesNotMatter) {
    Translated t("[TRANSLATIONS]\n"
                 "f_test.imprimir1.caption=&Print\n"
                 "F_TEST.SAIR1.caption=E&xit\n"
                 "F_TEST.Arquivo1.Caption=&File\n",
                 {"F_TEST.Imprimir1.CAPTION", "f_test.sair1.CAPTION", "F_TEST.ARQUIVO1.caption"});
    t.l1->Translate();
    EXPECT_EQ(t.w.imprimir->text(), "&Print");
    EXPECT_EQ(t.w.sair->text(), "E&xit");
    EXPECT_EQ(t.w.arquivo->title(), "&File");
}

TEST(TLanguage, PublishedNamesReachTheirQtProperties) {
    Translated t("[Translations]\n"
                 "F_TEST.Caption=Window\n"
                 "F_TEST.BT_Abrir.Hint=Open photo|Opens a photo from a file\n"
                 "F_TEST.StyledLabel1.Caption=Red\n"
                 "F_TEST.TabSheet1.Caption=Photos\n"
                 "F_TEST.OD_ABRIR.Title=Open\n");
    t.l1->Translate();
    EXPECT_EQ(t.w.window->windowTitle(), "Window");
    EXPECT_EQ(t.w.abrir->toolTip(), "Open photo");
    EXPECT_EQ(t.w.abrir->statusTip(), "Opens a photo from a file");
    EXPECT_EQ(t.w.label->text(), "Red");
    EXPECT_EQ(t.w.tabs->tabText(0), "Photos");
    EXPECT_EQ(t.w.tabs->tabText(1), "Outra");
    EXPECT_EQ(t.w.dialog->Title, "Open");
}

TEST(TLanguage, EmptyValueKeepsTheBuiltInText) {
    Translated t("[Translations]\nF_TEST.Sair1.CAPTION=\nF_TEST.Imprimir1.CAPTION=   \n"
                 "F_TEST.StyledLabel1.Caption=\"\"\n");
    t.l1->Translate();
    EXPECT_EQ(t.w.sair->text(), "Sai&r");
    EXPECT_EQ(t.w.imprimir->text(), "&Imprimir");
    EXPECT_EQ(t.w.label->text(), "Vermelho");
}

TEST(TLanguage, QuotesAndBlanksAroundValuesGoAndLongValuesAreCut) {
    const QByteArray longValue(1500, 'y');
    Translated t("[Translations]\n"
                 "F_TEST.Sair1.CAPTION =   \"  E&xit now \"  \n"
                 "F_TEST.Imprimir1.CAPTION=   &Print   \n"
                 "F_TEST.StyledLabel1.Caption=" +
                 longValue + "\n");
    t.l1->Translate();
    EXPECT_EQ(t.w.sair->text(), "  E&xit now ");
    EXPECT_EQ(t.w.imprimir->text(), "&Print");
    EXPECT_EQ(t.w.label->text(), QString(1023, u'y'));
}

TEST(TLanguage, ListValuesSplitAtTheSeparator) {
    // First item, comma, blank, second item, two commas, third item, final comma.
    Translated t("[Translations]\nF_TEST.CB_TIPO.Items=Short, Light,,Long,\n");
    t.l1->Translate();
    ASSERT_EQ(t.w.tipo->count(), 4);
    EXPECT_EQ(t.w.tipo->itemText(0), "Short");
    EXPECT_EQ(t.w.tipo->itemText(1), "Light");
    EXPECT_EQ(t.w.tipo->itemText(2), "");
    EXPECT_EQ(t.w.tipo->itemText(3), "Long");
    EXPECT_EQ(TLanguage::SplitItems("A, B,,C,", ","), QStringList({"A", "B", "", "C"}));
    EXPECT_EQ(TLanguage::SplitItems("A,,B", ","), QStringList({"A", "", "B"}));
    EXPECT_EQ(TLanguage::SplitItems("A,B,", ","), QStringList({"A", "B"}));
    EXPECT_EQ(TLanguage::SplitItems(" a ; b;c ; ", " ; "), QStringList({"a", "b;c"}));
    EXPECT_EQ(TLanguage::SplitItems("x::y", "::"), QStringList({"x", "y"}));
    EXPECT_EQ(TLanguage::SplitItems("  a, b  ", ""), QStringList({"a, b"}));
}

// A component whose window gives no separator, as the first-steps window's: the setter is never
// called, so every list value is one trimmed item and a comma in a caption stays.
TEST(TLanguage, WithoutASeparatorAListValueIsOneItem) {
    TestWindow w;
    LanguageFile file;
    file.write("[Translations]\n"
               "F_TEST.LB_LIST.Items=  one, two;three  \n"
               "F_TEST.CB_TIPO.Items=Short, Light,\n"
               "F_TEST.StyledLabel1.Caption=Red, green\n");
    auto* l1 = new TLanguage(w.window.get());
    l1->SetProperties(
        {"F_TEST.LB_LIST.Items", "F_TEST.CB_TIPO.Items", "F_TEST.StyledLabel1.Caption"});
    l1->SetLanguageFile(file.path);
    ASSERT_EQ(l1->Separator(), "");
    l1->Translate();
    ASSERT_EQ(w.list->count(), 1);
    EXPECT_EQ(w.list->item(0)->text(), "one, two;three");
    ASSERT_EQ(w.tipo->count(), 1);
    EXPECT_EQ(w.tipo->itemText(0), "Short, Light,");
    EXPECT_EQ(w.label->text(), "Red, green");
}

TEST(TLanguage, MissingComponentsAndPropertiesAreSkipped) {
    Translated t("[Translations]\n"
                 "F_TEST.Ausente1.CAPTION=Missing\n"
                 "F_NONE.Sair1.CAPTION=Wrong window\n"
                 "F_TEST.Sair1.Nonsense=No such property\n"
                 "F_TEST..CAPTION=Empty name\n"
                 "F_TEST.Imprimir1.CAPTION=&Print\n",
                 {"F_TEST.Ausente1.CAPTION", "F_NONE.Sair1.CAPTION", "F_TEST.Sair1.Nonsense",
                  "F_TEST..CAPTION", "   ", "F_TEST.Imprimir1.CAPTION"});
    QStringList seen;
    t.l1->OnTranslate = [&](TLanguage*, QObject* c, const QString& p, const QString&, QString&) {
        seen << c->objectName() + "." + p;
    };
    t.l1->Translate();
    EXPECT_EQ(t.w.sair->text(), "Sai&r");
    EXPECT_EQ(t.w.imprimir->text(), "&Print");
    // The handler sees a property that turns out not to exist, never a missing component.
    EXPECT_EQ(seen, QStringList({"Sair1.Nonsense", "Imprimir1.CAPTION"}));
}

TEST(TLanguage, EventsRunAroundThePassAndMayChangeTheValue) {
    Translated t("[Translations]\nF_TEST.Sair1.CAPTION=E&xit\nF_TEST.BT_Abrir.Hint=Open\n"
                 "F_TEST.CB_TIPO.Items=a,b\n");
    QStringList log;
    t.l1->OnBeforeTranslation = [&](TLanguage* s) { log << (s == t.l1 ? "before" : "?"); };
    t.l1->OnAfterTranslation = [&](TLanguage* s) { log << (s == t.l1 ? "after" : "?"); };
    t.l1->OnTranslate = [&](TLanguage*, QObject* c, const QString& p, const QString& oldValue,
                            QString& newValue) {
        log << c->objectName() + ":" + p + ":" + oldValue + ":" + newValue;
        if (c == t.w.sair)
            newValue = "Quit";
    };
    t.l1->Translate();
    EXPECT_EQ(log, QStringList({"before", "Sair1:CAPTION:Sai&r:E&xit",
                                "BT_Abrir:Hint:Abrir Foto:Open", "CB_TIPO:Items::a,b", "after"}));
    EXPECT_EQ(t.w.sair->text(), "Quit");
}

TEST(TLanguage, SeparatorSetterRule) {
    TLanguage l1;
    EXPECT_EQ(l1.Separator(), "");
    EXPECT_EQ(l1.LanguageFile(), "");
    EXPECT_TRUE(l1.Properties().isEmpty());
    l1.SetSeparator("   ");
    EXPECT_EQ(l1.Separator(), ",");
    l1.SetSeparator(" ; ");
    EXPECT_EQ(l1.Separator(), " ; ");
    l1.SetSeparator("\t\r\n");
    EXPECT_EQ(l1.Separator(), ",");
    l1.SetSeparator("");
    EXPECT_EQ(l1.Separator(), ",");
}

TEST(TLanguage, Windows1252FileTranslatesAccentedCaptions) {
    Translated t("[Translations]\r\nF_TEST.Sair1.CAPTION=Sa\xED"
                 "da\r\n"
                 "F_TEST.Imprimir1.CAPTION=Impress\xE3o \x96 r\xE1pida\r\n"
                 "F_TEST.CB_TIPO.Items=M\xE9"
                 "dios e Claros,Masculinos\r\n");
    t.l1->Translate();
    EXPECT_EQ(t.w.sair->text(), QString::fromUtf8("Saída"));
    EXPECT_EQ(t.w.imprimir->text(), QString::fromUtf8("Impressão – rápida"));
    EXPECT_EQ(t.w.tipo->itemText(0), QString::fromUtf8("Médios e Claros"));
}

TEST(TLanguage, MissingFileTranslatesNothingAndSaysNothing) {
    Translated t("");
    t.l1->SetLanguageFile(t.file.dir.filePath("absent.lng"));
    int events = 0;
    t.l1->OnTranslate = [&](TLanguage*, QObject*, const QString&, const QString&, QString&) {
        ++events;
    };
    EXPECT_NO_THROW(t.l1->Translate());
    EXPECT_EQ(events, 0);
    EXPECT_EQ(t.w.sair->text(), "Sai&r");
    EXPECT_EQ(t.l1->TranslateMsg("Captura Twain falhou."), "Captura Twain falhou.");
}

TEST(TLanguage, BadIntegerEndsThePassWithAnErrorNamingTheFile) {
    Translated t("[Translations]\nF_TEST.Sair1.CAPTION=E&xit\nF_TEST.Panel1.Width=120\n"
                 "F_TEST.Panel1.Height=12x\nF_TEST.Imprimir1.CAPTION=&Print\n",
                 {"F_TEST.Sair1.CAPTION", "F_TEST.Panel1.Width", "F_TEST.Panel1.Height",
                  "F_TEST.Imprimir1.CAPTION"});
    bool after = false;
    t.l1->OnAfterTranslation = [&](TLanguage*) { after = true; };
    try {
        t.l1->Translate();
        FAIL() << "no conversion error";
    } catch (const velvo::Error& e) {
        EXPECT_EQ(e.file(), t.file.path.toStdString());
        EXPECT_NE(std::string(e.what()).find("'12x' is not a valid integer value"),
                  std::string::npos);
    }
    EXPECT_EQ(t.w.sair->text(), "E&xit");
    EXPECT_EQ(t.w.panel->width(), 120);
    EXPECT_EQ(t.w.panel->height(), 50);
    EXPECT_EQ(t.w.imprimir->text(), "&Imprimir");
    EXPECT_FALSE(after);
}

TEST(TLanguage, IntegerPropertiesConvertSignedDecimals) {
    Translated t("[Translations]\nF_TEST.Panel1.Left=-7\nF_TEST.Panel1.Tag=+42\n"
                 "F_TEST.Panel1.Top=99999999999\n",
                 {"F_TEST.Panel1.Left", "F_TEST.Panel1.Tag", "F_TEST.Panel1.Top"});
    t.w.panel->setProperty("tag", 0);
    EXPECT_THROW(t.l1->Translate(), velvo::Error);
    EXPECT_EQ(t.w.panel->x(), -7);
    EXPECT_EQ(t.w.panel->property("tag").toInt(), 42);
    EXPECT_EQ(t.w.panel->y(), 20);
}

TEST(TLanguage, TranslateMsgReadsTheFileAnewEachTime) {
    Translated t("[Translations]\nx=y\n");
    const QString msg = QString::fromUtf8("Arquivo não encontrado.");
    EXPECT_EQ(t.l1->TranslateMsg(msg), msg);
    t.file.write("[messages]\narquivo NÃO encontrado.=File not found.\n");
    EXPECT_EQ(t.l1->TranslateMsg(msg), "File not found.");
    t.file.write("[Messages]\nArquivo não encontrado.=Archivo no encontrado.\n");
    EXPECT_EQ(t.l1->TranslateMsg(msg), QString::fromUtf8("Archivo no encontrado."));
    EXPECT_EQ(t.l1->TranslateMsg("Captura Twain falhou."), "Captura Twain falhou.");
}

TEST(TLanguage, AParentedFormIsNotSearchedForItsParentsComponents) {
    Translated t("[Translations]\nF_TEST.Ausente1.CAPTION=Found in the wrong window\n"
                 "F_CHILD.Ausente1.CAPTION=Own entry\n",
                 {"F_TEST.Ausente1.CAPTION"});
    auto* child = new QMainWindow(t.w.window.get());
    child->setObjectName("F_CHILD");
    new TLanguage(child);
    auto* entry = new QAction("Built-in", child);
    entry->setObjectName("Ausente1");
    t.l1->Translate();
    EXPECT_EQ(entry->text(), "Built-in");

    // The child form's own translator finds the window among the application's windows.
    TLanguage own(child);
    own.SetProperties({"F_CHILD.Ausente1.CAPTION"});
    own.SetLanguageFile(t.file.path);
    own.Translate();
    EXPECT_EQ(entry->text(), "Own entry");
}
