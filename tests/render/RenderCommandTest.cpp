// velvo-img render frames and places the try exactly as velvo-img fit does: reduced to the
// window's size, its picture is the window picture fit writes, on the sample portrait.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "render/RenderFixture.h"

namespace velvo::render {
namespace {

using namespace testing;

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun velvoImg(const QStringList& args) {
    QProcess p;
#ifdef VELVO_IMG
    p.start(QStringLiteral(VELVO_IMG), args);
    p.waitForFinished(120000);
#endif
    return {p.exitStatus() == QProcess::NormalExit && p.error() != QProcess::FailedToStart ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST(RenderCommand, ReducedToTheWindowItIsWhatFitWrites) {
#ifndef VELVO_IMG
    GTEST_SKIP() << "velvo-img is not built";
#endif
    const QString portrait = QStringLiteral(VELVO_PROGRAM_DIR "Modelo.JPG");
    if (!QFileInfo::exists(portrait))
        GTEST_SKIP() << "no sample portrait in " VELVO_PROGRAM_DIR;
    QTemporaryDir dir;
    const QString hair = writeHairstyle(dir.path());
    for (const bool withHair : {true, false}) {
        SCOPED_TRACE(withHair ? "with a hairstyle" : "the photo alone");
        QStringList in = {portrait};
        if (withHair)
            in << hair;
        const QString fitFile = dir.filePath("fit.png"), renderFile = dir.filePath("render.png");
        const ToolRun fit = velvoImg(QStringList{"fit"} + in + QStringList{fitFile});
        ASSERT_EQ(fit.code, 0) << fit.err.toStdString();
        const ToolRun render = velvoImg(QStringList{"render"} + in + QStringList{renderFile});
        ASSERT_EQ(render.code, 0) << render.err.toStdString();
        EXPECT_EQ(render.out, fit.out);
        EXPECT_FALSE(render.err.contains("master")) << render.err.toStdString();

        const QImage window(fitFile), large(renderFile);
        ASSERT_EQ(window.size(), QSize(241, 313));
        // The framed region at the photo's own resolution: the window's shape, larger.
        EXPECT_NEAR(double(large.width()) / large.height(), 241.0 / 313, 0.01);
        EXPECT_GE(large.height(), 313);
        EXPECT_LE(std::max(large.width(), large.height()), 2000);
        const QImage reduced = large.scaled(241, 313, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_TRUE(alignedBest(reduced, window));
        const Difference d = difference(reduced, window);
        RecordProperty(withHair ? "portrait with hair" : "portrait alone",
                       QStringLiteral("%1 x %2, mean %3 p99 %4").arg(large.width()).arg(large.height())
                           .arg(d.mean, 0, 'f', 2).arg(d.p99).toStdString());
        EXPECT_LT(d.mean, 4.0);
    }
}

} // namespace
} // namespace velvo::render
