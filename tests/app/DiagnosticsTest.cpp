#include "StudioFixture.h"

#include <QClipboard>
#include <QMenuBar>
#include <QProcess>
#include <QTableWidget>

#include "app/DiagnosticsCommand.h"
#include "app/TF_DIAGNOSTICO.h"
#include "fit/FaceFinder.h"
#include "platform/Scanner.h"

namespace velvo::testing {
namespace {

using app::Capability;
using app::Diagnostics;
using app::DiagnosticSources;

class FakeScanner : public platform::Scanner {
public:
    QList<Device> devices() override { return list; }
    std::optional<QImage> acquire(const QString&, const Progress&) override { return {}; }
    QString lastError() const override { return error; }
    QList<Device> list{{"test:0", "Noname frontend-tester virtual device"}};
    QString error;
};

// A machine where everything is in place; each case below takes one part away.
struct Machine {
    QTemporaryDir dir;
    QString program, qt;
    FakeScanner scanner;
    DiagnosticSources sources;

    Machine() {
        program = dir.path() + "/program/";
        qt = dir.path() + "/qt";
        QDir().mkpath(program + "facemodels");
        QDir().mkpath(qt);
        writeBytes(program + "facemodels/face.onnx", {1});
        writeBytes(qt + "/qtbase_pt_BR.qm", {1});
        sources.decoders = [] { return imaging::DecoderSupport{true, true, "1.15.1", "1.2.4"}; };
        sources.fontFamilies = [] { return QStringList{"DejaVu Sans"}; };
        // The real lookup over folders of the test's own: the system's cascades stay out.
        sources.faces = [](const QString& folder) {
            return fit::faceFinderStatus(folder.toStdString() + "facemodels",
                                         {folder.toStdString() + "cascades"});
        };
        sources.scanner = &scanner;
        sources.printerQueues = [] { return QStringList{"Balcao"}; };
        sources.writable = [](const QString&) { return true; };
        sources.qtTranslations = qt;
        sources.systemLanguage = "es_ES";
    }
    QList<Capability> rows() const { return Diagnostics(program, sources).capabilities(); }
};

const Capability* find(const QList<Capability>& rows, const QString& name) {
    for (const Capability& c : rows)
        if (c.name == name)
            return &c;
    return nullptr;
}

struct Fault {
    const char* what;
    std::function<void(Machine&)> breakIt;
    const char* capability; // the one row that turns off
    const char* reason;     // a part of the reason it gives
    int exitCode;           // 1 when the package promised it
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.what;
}

class DiagnosticsFault : public ::testing::TestWithParam<Fault> {};

const Fault kFaults[] = {
    // Nothing taken away: only the client records, absent from this version, are off.
    {"healthy", [](Machine&) {}, "Fichas de clientes", "não existe nesta versão", 0},
    {"finder_without_models_or_cascades",
     [](Machine& m) { QDir(m.program + "facemodels").removeRecursively(); }, "Localizador de rostos",
     "opencv-data", 1},
    {"no_sane",
     [](Machine& m) {
         m.scanner.list.clear();
         m.scanner.error = "SANE is not installed (libsane.so.1 not found)";
     },
     "Scanner (SANE)", "libsane.so.1", 0},
    {"no_printer_queue", [](Machine& m) { m.sources.printerQueues = [] { return QStringList{}; }; },
     "Impressão", "só em arquivo PDF", 0},
    {"read_only_studio_folder",
     [](Machine& m) { m.sources.writable = [](const QString&) { return false; }; },
     "Pasta do estúdio", "não é possível gravar", 1},
    {"no_qt_translations", [](Machine& m) { QFile::remove(m.qt + "/qtbase_pt_BR.qm"); },
     "Traduções", "qt6-translations-l10n", 1},
    {"no_hevc_decoder",
     [](Machine& m) {
         m.sources.decoders = [] {
             return imaging::DecoderSupport{false, true, "1.15.1", "1.2.4"};
         };
     },
     "Fotos HEIC", "HEVC", 1},
    {"no_fonts", [](Machine& m) { m.sources.fontFamilies = [] { return QStringList{}; }; },
     "Metafiles (WMF, EMF)", "nenhuma fonte", 1},
};

} // namespace

TEST(Diagnostics, AHealthyMachineNamesTheFilesItFound) {
    Machine machine;
    const QList<Capability> rows = machine.rows();
    EXPECT_TRUE(find(rows, "Localizador de rostos")
                    ->details.contains(machine.program + "facemodels/face.onnx"));
    EXPECT_TRUE(find(rows, "Traduções")->details.contains("qtbase_pt_BR.qm"));
}

TEST_P(DiagnosticsFault, TurnsOneCapabilityOffWithItsReason) {
    Machine machine;
    GetParam().breakIt(machine);
    const QList<Capability> rows = machine.rows();
    ASSERT_EQ(rows.size(), 10);
    const QString name = QString::fromUtf8(GetParam().capability);
    for (const Capability& c : rows) {
        if (c.name != name && c.name != "Fichas de clientes") {
            EXPECT_TRUE(c.on) << c.name.toStdString() << " is off too: " << c.reason.toStdString();
        }
    }
    const Capability* off = find(rows, name);
    ASSERT_NE(off, nullptr);
    EXPECT_FALSE(off->on);
    EXPECT_TRUE(off->reason.contains(QString::fromUtf8(GetParam().reason)))
        << off->reason.toStdString();

    QString text;
    QTextStream out(&text);
    EXPECT_EQ(app::WriteDiagnostics(rows, nullptr, {}, out), GetParam().exitCode)
        << text.toStdString();
    EXPECT_TRUE(text.contains(name + ": DESLIGADO - " + off->reason)) << text.toStdString();
    EXPECT_EQ(text.contains("Falta: " + name), GetParam().exitCode == 1) << text.toStdString();
    EXPECT_EQ(text.contains("Falta"), GetParam().exitCode == 1) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Machines, DiagnosticsFault, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.what); });

// A salon's own language.lng: the dialogs follow the desktop's language, falling back from the
// country to the language alone as Qt does; no file for it leaves them English, which is no fault.
TEST(Diagnostics, TranslationsWithTheSalonsOwnLanguageFile) {
    Machine machine;
    writeBytes(machine.program + "language.lng", {'[', ']'});
    QFile::remove(machine.qt + "/qtbase_pt_BR.qm");
    writeBytes(machine.qt + "/qtbase_es.qm", {1});
    const Capability* row = find(machine.rows(), "Traduções");
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->on);
    EXPECT_TRUE(row->details.contains("language.lng")) << row->details.toStdString();
    EXPECT_TRUE(row->details.contains("qtbase_es.qm")) << row->details.toStdString();
    machine.sources.systemLanguage = "de_DE";
    row = find(machine.rows(), "Traduções");
    EXPECT_TRUE(row->on);
    EXPECT_TRUE(row->details.contains("inglês")) << row->details.toStdString();
}

class DiagnosticsInStudio : public StudioTest {};

// The photo check opens each file as the command line would and fails unless it is framed.
TEST_F(DiagnosticsInStudio, APhotoCountsOnlyWhenItOpensFramed) {
    Machine machine;
    const QList<Capability> rows = machine.rows();
    const QString plain = writePhoto("plain.bmp", solid(700, 700, {90, 120, 160}));
    QString text;
    QTextStream out(&text);
    EXPECT_EQ(app::WriteDiagnostics(rows, main.get(), {plain, folder + "gone.jpg"}, out), 1);
    EXPECT_TRUE(text.contains("Foto " + plain + ": aberta sem enquadrar\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("gone.jpg: não abriu")) << text.toStdString();
    EXPECT_TRUE(text.contains("Falta: enquadramento de plain.bmp, enquadramento de gone.jpg"))
        << text.toStdString();

    const QString portrait = QStringLiteral(VELVO_PROGRAM_DIR) + "Modelo.JPG";
    if (!QFile::exists(portrait) || !main->Faces().available())
        GTEST_SKIP() << "no sample portrait or no face cascades";
    text.clear();
    EXPECT_EQ(app::WriteDiagnostics(rows, main.get(), {portrait}, out), 0) << text.toStdString();
    EXPECT_TRUE(text.contains(": aberta enquadrada (rosto em ")) << text.toStdString();
}

// The help menu's window shows the rows, the faulty one with its reason, and copies the report.
TEST_F(DiagnosticsInStudio, TheWindowShowsEachRowAndCopiesTheReport) {
    Machine machine;
    machine.sources.writable = [](const QString&) { return false; };
    auto* window = new app::TF_DIAGNOSTICO(main.get(), machine.sources);
    QAction* entry = main->findChild<QAction*>("Diagnostico1");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), "Dia&gnóstico");
    EXPECT_TRUE(main->findChild<QMenu*>("Ajuda1")->actions().contains(entry));
    entry->trigger();
    ASSERT_TRUE(window->isVisible()) << "the menu entry reuses the window made before";
    ASSERT_EQ(window->Grade1->rowCount(), 10);
    int off = -1;
    for (int row = 0; row < 10; ++row)
        if (window->Grade1->item(row, 0)->text() == "Pasta do estúdio")
            off = row;
    ASSERT_GE(off, 0);
    EXPECT_EQ(window->Grade1->item(off, 1)->text(), "desligado");
    EXPECT_EQ(window->Grade1->item(off, 2)->text(), "não é possível gravar nela");
    window->BT_CopiarClick();
    EXPECT_EQ(QApplication::clipboard()->text(), Diagnostics::report(window->Rows()));
}

// The program itself: `--diagnostico` prints the rows and its exit code says whether a promise
// or a photo failed; a photo that is not there always fails it.
TEST(DiagnosticsCommand, ExitCodeFollowsWhatIsMissing) {
    QProcess velvo;
    // The machine's own SANE, as a salon has it, not the test backend this executable's scan
    // tests set up.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("SANE_CONFIG_DIR");
    velvo.setProcessEnvironment(environment);
    velvo.setProgram(QStringLiteral(VELVO_EXE));
    velvo.setArguments({"--diagnostico"});
    velvo.start();
    ASSERT_TRUE(velvo.waitForFinished(120000));
    // SANE, once probed, must not bring the program down on its way out.
    EXPECT_EQ(velvo.exitStatus(), QProcess::NormalExit);
    const QString text = QString::fromUtf8(velvo.readAllStandardOutput());
    EXPECT_EQ(text.count(": ligado") + text.count(": DESLIGADO"), 10) << text.toStdString();
    EXPECT_EQ(velvo.exitCode(), text.contains("\nFalta: ") ? 1 : 0) << text.toStdString();

    velvo.setArguments({"--diagnostico", "/nonexistent/cliente.jpg"});
    velvo.start();
    ASSERT_TRUE(velvo.waitForFinished(120000));
    const QString withPhoto = QString::fromUtf8(velvo.readAllStandardOutput());
    EXPECT_EQ(velvo.exitCode(), 1) << withPhoto.toStdString();
    EXPECT_TRUE(withPhoto.contains("Foto /nonexistent/cliente.jpg: não abriu"))
        << withPhoto.toStdString();
}

} // namespace velvo::testing
