#include "StudioFixture.h"

#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QToolBar>
#include <QToolButton>

#include "ui/TGradPan.h"

namespace velvo::testing {
namespace {

// The guides as the repository ships them, beside this test's folder.
const QString dataFolder = QStringLiteral(VELVO_DATA_DIR);
const QStringList guideFolders = {"help", "help-en", "help-es"};

// A caption as a menu shows it: "&" marks the mnemonic letter, "&&" stands for "&".
QString withoutMnemonic(const QString& caption) {
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

QString folded(const QString& text) {
    return text.simplified();
}

// What a reader sees of a page: comments, the head, scripts and styles dropped, every tag a
// blank, entities decoded, whitespace folded. An unknown entity stays as written, so a
// mention spelt with one does not count.
QString visibleText(QString html) {
    static const QRegularExpression hidden(
        QStringLiteral("<!--.*?-->|<head[ >].*?</head>|<script.*?</script>|<style.*?</style>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9a-fA-F]+|#[0-9]+|[a-z]+);"));
    html.remove(hidden);
    html.replace(tag, QStringLiteral(" "));
    static const QHash<QString, QString> named = {{"amp", "&"},   {"lt", "<"},   {"gt", ">"},
                                                  {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    QString text;
    qsizetype from = 0;
    for (auto it = entity.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        text += html.mid(from, m.capturedStart() - from);
        const QString name = m.captured(1);
        bool ok = false;
        const char32_t code = name.startsWith(u"#x")  ? name.mid(2).toUInt(&ok, 16)
                              : name.startsWith(u'#') ? name.mid(1).toUInt(&ok, 10)
                                                      : 0;
        if (ok)
            text += QString::fromUcs4(&code, 1);
        else
            text += named.value(name, m.captured(0));
        from = m.capturedEnd();
    }
    text += html.mid(from);
    return folded(text);
}

QByteArray readBytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Strict UTF-8, or a null string.
QString utf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    return decoder.hasError() ? QString() : text;
}

// Every file of a guide folder, relative to it, sorted.
QStringList filesOf(const QString& folder) {
    QStringList files;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

// The visible text of all the pages of one guide, one page after another.
QString guideText(const QString& guide) {
    QString text;
    for (const QString& page : filesOf(dataFolder + guide))
        if (page.endsWith(u".html"))
            text += visibleText(utf8(readBytes(dataFolder + guide + "/" + page))) + u' ';
    return text;
}

// One thing the guide must name: `text` as the reader finds it, `what` for the report.
struct Mention {
    QString what;
    QString text;
};

// Every entry of every menu as "Menu > Entry", every tool bar hint (the tip, which is the short
// part of a "short|long" hint), and the colour panel's captions and button hints, as the window
// shows them now. Hints are shown as written: an "&" in a hint is a plain character.
QList<Mention> commandsOf(const app::TF_HAIR& main) {
    QList<Mention> found;
    for (QAction* item : main.menuBar()->actions()) {
        const QMenu* menu = item->menu();
        if (!menu)
            continue;
        const QString title = withoutMnemonic(item->text());
        int entries = 0;
        for (QAction* entry : menu->actions()) {
            if (entry->isSeparator())
                continue;
            ++entries;
            found.append({"menu entry " + entry->objectName(),
                          folded(title + " > " + withoutMnemonic(entry->text()))});
        }
        EXPECT_GT(entries, 0) << "menu " << title.toStdString() << " walked without entries";
    }
    const auto* bar = main.findChild<QToolBar*>(QStringLiteral("SectionBar1"));
    EXPECT_NE(bar, nullptr);
    if (bar)
        for (QToolButton* button :
             bar->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly))
            // Qt's own overflow button has no hint of ours.
            if (!button->objectName().startsWith(u"qt_"))
                found.append({"tool bar item " + button->objectName(), folded(button->toolTip())});
    for (QLabel* label : main.GradPan1->findChildren<QLabel*>())
        if (label->objectName().startsWith(u"StyledLabel"))
            found.append({"colour panel caption " + label->objectName(), folded(label->text())});
    for (QToolButton* button : main.GradPan1->findChildren<QToolButton*>())
        found.append({"colour panel button " + button->objectName(), folded(button->toolTip())});
    return found;
}

struct Guide {
    const char* name;
    const char* folder;
    const char* translation; // example file copied to language.lng, or null for Portuguese
};

void PrintTo(const Guide& guide, std::ostream* out) {
    *out << guide.folder;
}

class HelpGuide : public StudioTest, public ::testing::WithParamInterface<Guide> {
protected:
    void SetUp() override {
        if (GetParam().translation) {
            ASSERT_TRUE(dir.isValid());
            ASSERT_TRUE(
                QFile::copy(dataFolder + GetParam().translation, dir.path() + "/language.lng"));
        }
        StudioTest::SetUp();
    }
};

} // namespace

TEST_P(HelpGuide, NamesEveryCommandAsTheWindowShowsIt) {
    const QString text = guideText(GetParam().folder);
    ASSERT_FALSE(text.isEmpty());
    if (GetParam().translation) {
        ASSERT_NE(main->menuBar()->actions().value(0)->text(), "&Arquivo")
            << "the example translation was not applied";
    }

    const QList<Mention> commands = commandsOf(*main);
    // 9 menus with 39 entries, 21 tool bar items, 8 panel captions and 3 panel buttons.
    EXPECT_GE(commands.size(), 71);
    QStringList missing;
    for (const Mention& command : commands) {
        EXPECT_FALSE(command.text.isEmpty()) << command.what.toStdString() << " has no text";
        if (!command.text.isEmpty() && !text.contains(command.text))
            missing << "\"" + command.text + "\" (" + command.what + ")";
    }
    EXPECT_TRUE(missing.isEmpty())
        << GetParam().folder << " does not name:\n  " << missing.join("\n  ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, HelpGuide,
                         ::testing::Values(Guide{"Portuguese", "help", nullptr},
                                           Guide{"English", "help-en", "language-en.lng"},
                                           Guide{"Spanish", "help-es", "language-es.lng"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HelpGuideText, IsWhatAReaderSees) {
    EXPECT_EQ(visibleText("<html><head><title>Ajuda</title></head><body><!-- Abrir Foto -->"
                          "<p><b>Arquivo</b> &gt;\n  <b>Salvar</b></p><p>Ver &amp; Abrir "
                          "&#70;&#x6F;tos&nbsp;&eacute;</p></body></html>"),
              "Arquivo > Salvar Ver & Abrir Fotos &eacute;");
    EXPECT_EQ(withoutMnemonic("Sai&r"), "Sair");
    EXPECT_EQ(withoutMnemonic("Ver && Abrir"), "Ver & Abrir");
}

// Each guide is the same set of pages, valid UTF-8, without scripts or anything fetched from
// elsewhere, and every link lands on a page (and an anchor) of its own folder. The program
// folder gets each guide as it is in the repository.
TEST(HelpGuideFiles, AreSelfContainedTwinsCopiedIntoTheProgramFolder) {
    const QStringList pages = filesOf(dataFolder + "help");
    ASSERT_TRUE(pages.contains("index.html"));
    static const QRegularExpression reference(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    static const QRegularExpression anchor(QStringLiteral("id=\"([^\"]*)\""));
    for (const QString& guide : guideFolders) {
        const QString folder = dataFolder + guide + "/";
        EXPECT_EQ(filesOf(folder), pages) << guide.toStdString();
        for (const QString& page : filesOf(folder)) {
            const std::string where = (guide + "/" + page).toStdString();
            const QByteArray bytes = readBytes(folder + page);
            EXPECT_EQ(readBytes(QStringLiteral(VELVO_PROGRAM_DIR) + guide + "/" + page), bytes)
                << where << " differs in the program folder";
            if (!page.endsWith(u".html"))
                continue;
            const QString html = utf8(bytes);
            ASSERT_FALSE(html.isNull()) << where << " is not UTF-8";
            EXPECT_TRUE(html.contains(u"<meta charset=\"utf-8\">")) << where;
            EXPECT_FALSE(html.contains(u"<script", Qt::CaseInsensitive)) << where;
            for (auto it = reference.globalMatch(html); it.hasNext();) {
                const QString target = it.next().captured(1);
                EXPECT_FALSE(target.contains(u':') || target.startsWith(u'/') ||
                             target.contains(u".."))
                    << where << " reaches outside: " << target.toStdString();
                const QString file = target.section(u'#', 0, 0);
                const QString id = target.section(u'#', 1);
                const QString targetFile = file.isEmpty() ? page : file;
                ASSERT_TRUE(QFileInfo::exists(folder + targetFile))
                    << where << " links to a missing " << target.toStdString();
                if (id.isEmpty())
                    continue;
                QStringList ids;
                const QString targetHtml = utf8(readBytes(folder + targetFile));
                for (auto a = anchor.globalMatch(targetHtml); a.hasNext();)
                    ids << a.next().captured(1);
                EXPECT_TRUE(ids.contains(id))
                    << where << " links to a missing anchor " << target.toStdString();
            }
        }
    }
}

} // namespace velvo::testing
