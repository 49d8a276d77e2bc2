// The sheet printed through a real CUPS scheduler: a private cupsd with a cups-pdf queue,
// reached by Qt's printer in a child run of this program (the CUPS library keeps the first
// server it is told of for the life of the process).
#include "print/PrintFixture.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>
#include <pwd.h>
#include <unistd.h>

using namespace velvo;
using namespace velvo::testing;

namespace {

const QColor kFirst(200, 30, 40);
const QColor kSecond(30, 60, 190);

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 30 && std::abs(a.green() - b.green()) <= 30 &&
           std::abs(a.blue() - b.blue()) <= 30;
}

int countNear(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            count += near(image.pixelColor(x, y), colour);
    return count;
}

void writeFile(const QString& path, const QString& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// Run only by RealCups below, with the scheduler's address in the environment.
TEST_F(PrintTest, DISABLED_CupsChildPrintsTheSheet) {
    const QString queue = qEnvironmentVariable("VELVO_CUPS_QUEUE");
    ASSERT_FALSE(queue.isEmpty()) << "run by RealCups.SheetPrintsThroughAPrivateCupsPdfQueue";
    platform::QtPrinterDevice cups;
    ASSERT_EQ(cups.QtPrinter()->outputFormat(), QPrinter::NativeFormat)
        << "no CUPS queue was found";
    cups.QtPrinter()->setPrinterName(queue);
    cups.SetTitle(qEnvironmentVariable("VELVO_CUPS_TITLE"));
    platform::Printer::setInstance(&cups);
    openSolid("first.bmp", kFirst, {300, 400});
    openSolid("second.bmp", kSecond, {300, 400});
    messages.shown.clear();
    main->PrintPreview1Click();
    preview2->Imprimir1Click();
    dialogs.printAnswers = {true};
    options->BitBtn2Click();
    platform::Printer::setInstance(&printer);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.value(0).text.toStdString();
}

TEST(RealCups, SheetPrintsThroughAPrivateCupsPdfQueue) {
    const QString cupsd = "/usr/sbin/cupsd", lpadmin = "/usr/sbin/lpadmin";
    const QString ppd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
    for (const QString& needed :
         {cupsd, lpadmin, ppd, QStringLiteral("/usr/lib/cups/backend/cups-pdf")})
        if (!QFile::exists(needed))
            GTEST_SKIP() << needed.toStdString()
                         << " is missing (packages cups, printer-driver-cups-pdf)";
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    // The scheduler runs its filters as another user: they must reach the spool.
    QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup);
    for (const char* sub : {"spool", "tmp", "cache", "state", "log", "ppd"}) {
        QDir(root).mkpath(sub);
        ::chmod((root + "/" + sub).toLocal8Bit().constData(), 01777);
    }
    const QString socket = root + "/cups.sock";
    writeFile(root + "/cupsd.conf", QStringLiteral("Listen %1\nLogLevel info\nWebInterface No\n"
                                                   "DefaultAuthType None\n"
                                                   "<Location />\n  Order allow,deny\n  Allow all\n"
                                                   "</Location>\n<Policy default>\n  <Limit All>\n"
                                                   "    Order deny,allow\n  </Limit>\n</Policy>\n")
                                        .arg(socket));
    writeFile(root + "/cups-files.conf",
              QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\n"
                             "CacheDir %1/cache\nStateDir %1/state\nErrorLog %1/log/error_log\n"
                             "AccessLog %1/log/access_log\nPageLog %1/log/page_log\n"
                             "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
                             "Sandboxing Relaxed\n")
                  .arg(root));

    QProcess daemon;
    daemon.start(cupsd, {"-f", "-c", root + "/cupsd.conf", "-s", root + "/cups-files.conf"});
    const auto stop = qScopeGuard([&] {
        daemon.terminate();
        if (!daemon.waitForFinished(5000))
            daemon.kill();
    });
    for (int i = 0; i < 50 && !QFile::exists(socket) && daemon.state() != QProcess::NotRunning; ++i)
        QThread::msleep(100);
    if (!QFile::exists(socket) || daemon.state() == QProcess::NotRunning)
        GTEST_SKIP() << "cupsd cannot start here: "
                     << (readAll(root + "/log/error_log") + daemon.readAllStandardError())
                            .right(400)
                            .toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CUPS_SERVER", socket);
    QProcess admin;
    admin.setProcessEnvironment(env);
    admin.start(lpadmin, {"-p", "VelvoPDF", "-E", "-v", "cups-pdf:/", "-P", ppd});
    ASSERT_TRUE(admin.waitForFinished(20000));
    ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();

    // cups-pdf writes to the PDF folder in the home of the job's user, named after the title.
    const QString title = QStringLiteral("velvo-sheet-%1-%2")
                              .arg(::getpid())
                              .arg(QDateTime::currentMSecsSinceEpoch());
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const QDir outFolder(QString::fromLocal8Bit(user->pw_dir) + "/PDF");

    QProcess child;
    env.insert("VELVO_CUPS_QUEUE", "VelvoPDF");
    env.insert("VELVO_CUPS_TITLE", title);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=PrintTest.DISABLED_CupsChildPrintsTheSheet",
                 "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString childOutput = QString::fromUtf8(child.readAll());
    ASSERT_EQ(child.exitCode(), 0) << childOutput.right(2000).toStdString();
    ASSERT_TRUE(childOutput.contains("[  PASSED  ] 1 test")) << childOutput.toStdString();

    QString produced;
    for (int i = 0; i < 600 && produced.isEmpty(); ++i) {
        const QStringList found = outFolder.entryList({title + "*.pdf"}, QDir::Files);
        if (!found.isEmpty())
            produced = outFolder.filePath(found.first());
        else
            QThread::msleep(100);
    }
    ASSERT_FALSE(produced.isEmpty())
        << "no PDF from the queue in " << outFolder.path().toStdString() << ": "
        << readAll(root + "/log/error_log").right(1500).toStdString();
    const auto removeOutput = qScopeGuard([&] { QFile::remove(produced); });
    QThread::msleep(300); // the backend may still be closing the file

    const QString stem = root + "/printed";
    QProcess::execute("pdftoppm", {"-r", "40", "-png", "-singlefile", produced, stem});
    const QImage page(stem + ".png");
    ASSERT_FALSE(page.isNull()) << produced.toStdString();
    // Both documents' pictures are on the paper, each over a good part of its cell.
    const int samples = (page.width() / 2) * (page.height() / 2);
    EXPECT_GT(countNear(page, kFirst), samples / 200);
    EXPECT_GT(countNear(page, kSecond), samples / 200);
    EXPECT_GT(countNear(page, Qt::white), samples / 2);
}
