// Printing through a real CUPS scheduler: a private cupsd with a cups-pdf queue, reached by
// Qt's printer in a child run of this program (the CUPS library keeps the first server it is
// told of for the life of the process). The child prints the sheet to the queue, a direct print
// to a PDF file chosen in the print dialog while the queue is the printer, and a direct print to
// a queue that refuses jobs; the parent finds both pictures on the paper at their place, size
// and orientation.
#include "print/PrintFixture.h"
#include "print/PrintedPage.h"

#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>
#include <pwd.h>
#include <unistd.h>

using namespace velvo;
using namespace velvo::testing;

namespace {

const QColor kSecond(150, 60, 200);
// Raster resolution of the printed pages.
constexpr int kDpi = 100;

void writeFile(const QString& path, const QString& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The queue as the child's printer, on Letter paper with half an inch all round, so that
// every expected position is a whole number of 300-dpi pixels.
void useQueue(platform::QtPrinterDevice& cups) {
    const QString queue = qEnvironmentVariable("VELVO_CUPS_QUEUE");
    ASSERT_FALSE(queue.isEmpty()) << "run by RealCups.PrintsThroughAPrivateCupsPdfQueue";
    ASSERT_EQ(cups.QtPrinter()->outputFormat(), QPrinter::NativeFormat)
        << "no CUPS queue was found";
    cups.QtPrinter()->setPrinterName(queue);
    cups.QtPrinter()->setPageSize(QPageSize(QPageSize::Letter));
    cups.QtPrinter()->setPageMargins(QMarginsF(0.5, 0.5, 0.5, 0.5), QPageLayout::Inch);
    platform::Printer::setInstance(&cups);
}

// Page 1 of a PDF that another process may still be writing.
QImage waitForPage(const QString& pdf, const QString& stem) {
    QImage page;
    for (int i = 0; i < 100 && page.isNull(); ++i) {
        page = rasterise(pdf, kDpi, stem);
        if (page.isNull())
            QThread::msleep(200);
    }
    return page;
}

} // namespace

// Run only by RealCups below, with the scheduler's address in the environment.
TEST_F(PrintTest, DISABLED_CupsChildPrintsTheSheet) {
    platform::QtPrinterDevice cups;
    useQueue(cups);
    cups.SetTitle(qEnvironmentVariable("VELVO_CUPS_TITLE"));
    openQuadrants("first.bmp", {300, 400});
    openSolid("second.bmp", kSecond, {300, 400});
    messages.shown.clear();
    main->PrintPreview1Click();
    preview2->Imprimir1Click();
    ASSERT_EQ(main->PictureView1->Image().size(), QSize(778, 537));
    dialogs.printAnswers = {true};
    options->BitBtn2Click();
    platform::Printer::setInstance(&printer);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.value(0).text.toStdString();
}

// "Print to file" in the dialog leaves Qt's printer on its PDF engine with the file's name.
TEST_F(PrintTest, DISABLED_CupsChildPrintsToAPdfChosenInTheDialog) {
    platform::QtPrinterDevice cups;
    useQueue(cups);
    openQuadrants("photo.bmp", {300, 200});
    messages.shown.clear();
    dialogs.printAnswers = {true};
    dialogs.choosePrint = [](platform::Printer& p) {
        p.QtPrinter()->setOutputFormat(QPrinter::PdfFormat);
        p.QtPrinter()->setOutputFileName(qEnvironmentVariable("VELVO_CHOSEN_PDF"));
    };
    main->Imprimir1Click();
    platform::Printer::setInstance(&printer);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.value(0).text.toStdString();
    const QImage& printed = main->PictureView1->Image();
    ASSERT_EQ(printed.size(), QSize(300, 200));
    EXPECT_EQ(printed.pixelColor(0, 0), kQuadrants[0]);
    EXPECT_EQ(printed.pixelColor(299, 199), kQuadrants[3]);
}

// A queue that takes no jobs: the print says so, naming the queue, rather than pass in silence.
TEST_F(PrintTest, DISABLED_CupsChildIsToldTheQueueRefused) {
    platform::QtPrinterDevice cups;
    useQueue(cups);
    const QString refusing = qEnvironmentVariable("VELVO_CUPS_REFUSING");
    cups.QtPrinter()->setPrinterName(refusing);
    openQuadrants("photo.bmp", {300, 200});
    messages.shown.clear();
    dialogs.printAnswers = {true};
    platform::runGuarded([&] { main->Imprimir1Click(); });
    platform::Printer::setInstance(&printer);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.startsWith(refusing + ": "))
        << messages.shown[0].text.toStdString();
}

TEST(RealCups, PrintsThroughAPrivateCupsPdfQueue) {
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
    const QStringList setUp[] = {
        {lpadmin, "-p", "VelvoPDF", "-E", "-v", "cups-pdf:/", "-P", ppd},
        {lpadmin, "-p", "VelvoRefuses", "-E", "-v", "cups-pdf:/", "-P", ppd},
        {"/usr/sbin/cupsreject", "VelvoRefuses"}};
    for (const QStringList& command : setUp) {
        admin.start(command[0], command.mid(1));
        ASSERT_TRUE(admin.waitForFinished(20000));
        ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
    }

    // cups-pdf writes to the PDF folder in the home of the job's user, named after the title.
    const QString title = QStringLiteral("velvo-sheet-%1-%2")
                              .arg(::getpid())
                              .arg(QDateTime::currentMSecsSinceEpoch());
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const QDir outFolder(QString::fromLocal8Bit(user->pw_dir) + "/PDF");

    const QString chosen = root + "/chosen.pdf";
    QProcess child;
    env.insert("VELVO_CUPS_QUEUE", "VelvoPDF");
    env.insert("VELVO_CUPS_TITLE", title);
    env.insert("VELVO_CHOSEN_PDF", chosen);
    env.insert("VELVO_CUPS_REFUSING", "VelvoRefuses");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(
        QCoreApplication::applicationFilePath(),
        {"--gtest_filter=PrintTest.DISABLED_CupsChild*", "--gtest_also_run_disabled_tests"});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString childOutput = QString::fromUtf8(child.readAll());
    ASSERT_EQ(child.exitCode(), 0) << childOutput.right(2000).toStdString();
    ASSERT_TRUE(childOutput.contains("[  PASSED  ] 3 tests")) << childOutput.toStdString();

    // The direct print: a portrait Letter page, the 300 x 200 picture twice its size at
    // (200, 200) from the corner of the printable area, half an inch (150 pixels) in.
    const QImage direct = waitForPage(chosen, root + "/direct");
    ASSERT_FALSE(direct.isNull()) << chosen.toStdString();
    EXPECT_EQ(direct.size(), QSize(850, 1100));
    for (int q = 0; q < 4; ++q)
        EXPECT_TRUE(boxAt(boxOf(direct, kQuadrants[q]),
                          QRectF(350 + 300 * (q % 2), 350 + 200 * (q / 2), 300, 200), kDpi))
            << "quarter " << q << " of the direct print";

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
    QImage sheet = waitForPage(produced, root + "/sheet");
    ASSERT_FALSE(sheet.isNull()) << produced.toStdString();
    // CUPS lays a landscape job on upright paper, turned a quarter anticlockwise as printers
    // feed it; the paper turned back a quarter clockwise must read the right way up.
    if (sheet.height() > sheet.width())
        sheet = sheet.transformed(QTransform().rotate(90));

    // The sheet: a landscape Letter page whose printable area is 3000 x 2250. The 778 x 537
    // sheet fitted to that height is 3259.8 x 2250, halved at size "1": 1630 x 1125 at
    // (100, 100), i.e. (250, 250) on the paper.
    EXPECT_EQ(sheet.size(), QSize(1100, 850));
    auto onPaper = [](double x, double y, double w, double h) {
        const double sx = 1630.0 / 778, sy = 1125.0 / 537;
        return QRectF(250 + x * sx, 250 + y * sy, w * sx, h * sy);
    };
    // Each 300 x 400 picture fills its 185 x 257 cell's width: 185 x 246.7, centred in height.
    const double top = 8 + (257 - 185.0 * 400 / 300) / 2, half = 185.0 * 400 / 300 / 2;
    for (int q = 0; q < 4; ++q)
        EXPECT_TRUE(boxAt(boxOf(sheet, kQuadrants[q]),
                          onPaper(8 + 92.5 * (q % 2), top + half * (q / 2), 92.5, half), kDpi))
            << "quarter " << q << " of the first cell";
    EXPECT_TRUE(boxAt(boxOf(sheet, kSecond), onPaper(200, top, 185, 2 * half), kDpi))
        << "the second cell";
}
