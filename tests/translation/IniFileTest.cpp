#include "translation/IniFile.h"
#include "translation/ProfileText.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using velvo::translation::IniFile;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes) {
    const QString path = dir.filePath("language.lng");
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    return path;
}

} // namespace

TEST(IniFile, SectionsAndKeysMatchIgnoringCaseAndBlanks) {
    const IniFile ini = IniFile::fromText("  [ Translations ]  \r\n"
                                          "  F_HAIR.Sair1.CAPTION   =   E&xit   \r\n"
                                          "[Messages]\r\n"
                                          "Arquivo não encontrado.=File not found.\r\n");
    EXPECT_EQ(ini.readString("TRANSLATIONS", "f_hair.sair1.caption", "x"), "E&xit");
    EXPECT_EQ(ini.readString("translations", "  F_HAIR.Sair1.Caption ", "x"), "E&xit");
    // Letter case of non-ASCII letters does not matter either.
    EXPECT_EQ(ini.readString("Messages", "ARQUIVO NÃO ENCONTRADO.", "x"), "File not found.");
    EXPECT_EQ(ini.readString("Messages", "F_HAIR.Sair1.CAPTION", "fallback"), "fallback");
    EXPECT_EQ(ini.readString("Other", "F_HAIR.Sair1.CAPTION", "fallback"), "fallback");
}

TEST(IniFile, QuotesFirstOccurrenceCommentsAndStrayLines) {
    const IniFile ini = IniFile::fromText("orphan=before any section\n"
                                          "[S]\n"
                                          "; comment=not an entry\n"
                                          "a = \"  quoted, with blanks  \" \n"
                                          "b='single'\n"
                                          "c=\"unbalanced'\n"
                                          "d=\"\n"
                                          "e=\n"
                                          "a=second occurrence\n"
                                          "no equals sign here\n"
                                          "=no key\n"
                                          "[s]\n"
                                          "f=same section again\n"
                                          "b=later\n");
    EXPECT_EQ(ini.readString("S", "a", "?"), "  quoted, with blanks  ");
    EXPECT_EQ(ini.readString("S", "b", "?"), "single");
    EXPECT_EQ(ini.readString("S", "c", "?"), "\"unbalanced'");
    EXPECT_EQ(ini.readString("S", "d", "?"), "\"");
    EXPECT_EQ(ini.readString("S", "e", "?"), "");
    EXPECT_EQ(ini.readString("S", "f", "?"), "same section again");
    EXPECT_EQ(ini.readString("S", "orphan", "?"), "?");
    EXPECT_EQ(ini.readString("S", "; comment", "?"), "?");
    EXPECT_EQ(ini.readString("S", "no equals sign here", "?"), "?");
}

TEST(IniFile, ValuesAreCutTo1023Characters) {
    const QString longValue = QString(1500, u'x');
    const IniFile ini = IniFile::fromText("[S]\nk=\"" + longValue + "\"\n");
    EXPECT_EQ(ini.readString("S", "k", ""), QString(1023, u'x'));

    // A character outside the basic plane counts once and is never split.
    QString astral;
    for (int i = 0; i < 1100; ++i)
        astral += QString::fromUcs4(U"\U0001F600");
    const IniFile wide = IniFile::fromText("[S]\nk=" + astral + "\n");
    const QString read = wide.readString("S", "k", "");
    EXPECT_EQ(read.size(), 2 * 1023);
    EXPECT_TRUE(read.back().isLowSurrogate());
}

TEST(IniFile, MissingFileReadsNothing) {
    QTemporaryDir dir;
    const IniFile ini(dir.filePath("absent.lng"));
    EXPECT_FALSE(ini.isLoaded());
    EXPECT_EQ(ini.readString("Messages", "Captura Twain falhou.", "Captura Twain falhou."),
              "Captura Twain falhou.");
    EXPECT_FALSE(IniFile(QString()).isLoaded());
    // A folder in place of the file is unreadable.
    EXPECT_EQ(IniFile(dir.path()).readString("S", "k", "d"), "d");
}

TEST(IniFile, FileIsUtf8WhenValidElseWindows1252) {
    QTemporaryDir dir;
    // UTF-8 with a byte-order mark on the first section line.
    IniFile utf8(writeFile(dir, "\xEF\xBB\xBF[Messages]\nCaptura Twain falhou.=Captura "
                                "Twain fall\xC3\xB3.\n"));
    EXPECT_TRUE(utf8.isLoaded());
    EXPECT_EQ(utf8.readString("Messages", "Captura Twain falhou.", ""),
              QString::fromUtf8("Captura Twain falló."));

    // The same kind of text saved in the single-byte code page.
    IniFile ansi(writeFile(dir, "[Messages]\r\nArquivo n\xE3o encontrado.=Fichier \xABintrouvable"
                                "\xBB \x80 \x93ok\x94\r\n"));
    EXPECT_EQ(ansi.readString("Messages", QString::fromUtf8("Arquivo não encontrado."), ""),
              QString::fromUtf8("Fichier «introuvable» € “ok”"));
}

TEST(ProfileText, Utf8ValidationIsStrict) {
    using velvo::translation::isValidUtf8;
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("\xC3\xA3\xE2\x82\xAC\xF0\x9F\x98\x80"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));     // overlong, three bytes
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("n\xE3o"));           // Windows-1252 text
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));         // cut at the end
    EXPECT_FALSE(isValidUtf8("\x80"));
}

TEST(ProfileText, Windows1252TableAndTrimming) {
    using namespace velvo::translation;
    const QString high = decodeWindows1252("\x80\x81\x8A\x8D\x8F\x90\x9D\x9F\xA0\xFF");
    EXPECT_EQ(high,
              QString::fromUcs4(U"\u20AC\u0081\u0160\u008D\u008F\u0090\u009D\u0178\u00A0\u00FF"));
    EXPECT_EQ(trimControls(QString::fromUtf8(" \t\x01 a b \r\n")), "a b");
    // A no-break space is text, not a blank.
    EXPECT_EQ(trimControls(QString::fromUtf8("\u00A0a\u00A0")), QString::fromUtf8("\u00A0a\u00A0"));
    EXPECT_TRUE(equalsIgnoringAsciiCase("F_Hair.Sair1", "f_hair.SAIR1"));
    EXPECT_FALSE(equalsIgnoringAsciiCase(QString::fromUtf8("Ícones"), QString::fromUtf8("ícones")));
}
