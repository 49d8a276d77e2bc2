// The retouch editor under a pen stroke on a 12-megapixel photo (4000 x 3000), in the real
// window: one pointer move as the view receives it, the segment drawn onto the picture and
// the touched part of the view repainted. items_per_second is pointer moves per second; a
// stylist's mouse sends up to about 120 a second.
//
// Pen width: 1 and 30 (the widest the editor offers). For comparison, the repaint of the
// whole visible view, which a stroke does not need, and a press, which copies the whole
// picture into the undo copy.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <memory>

#include "app/TF_HAIR.h"
#include "imaging/TPictureView.h"
#include "retouch/TF_DRAW.h"
#include "retouch/TLineWidthComboBox.h"

using velvo::retouch::TF_DRAW;

namespace {

QImage photoPicture(int width, int height) {
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uchar((x ^ y) & 255);
            row[3 * x + 1] = uchar(y * 255 / height);
            row[3 * x + 2] = uchar(x * 255 / width);
        }
    }
    return image;
}

struct Studio {
    QTemporaryDir dir;
    std::unique_ptr<velvo::app::TF_HAIR> main;
    std::unique_ptr<TF_DRAW> editor;

    Studio() {
        main = std::make_unique<velvo::app::TF_HAIR>(dir.path() + "/");
        editor = std::make_unique<TF_DRAW>(main.get());
        editor->SetPicture(photoPicture(4000, 3000));
        editor->resize(1024, 768);
        editor->show();
        editor->FormActivate();
        QCoreApplication::processEvents();
    }
};

Studio& studio() {
    static Studio s;
    return s;
}

void send(QWidget* view, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, view->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &event);
}

// A zig-zag of 4-pixel steps through the visible part of the view.
QPoint strokePoint(int step) {
    const int x = (step * 4) % 1600;
    return {100 + (x < 800 ? x : 1600 - x), 100 + (step / 200 * 6) % 500};
}

void BM_StrokeMove(benchmark::State& state) {
    Studio& s = studio();
    s.editor->LineWidthComboBox1->SetLineWidth(int(state.range(0)));
    s.editor->LineWidthComboBox1Change();
    QWidget* view = s.editor->Image;
    send(view, QEvent::MouseButtonPress, strokePoint(0), Qt::LeftButton);
    int step = 1;
    for (auto _ : state) {
        send(view, QEvent::MouseMove, strokePoint(step++), Qt::LeftButton);
        // Delivers the repaint the move asked for, as the event loop would before the next.
        QCoreApplication::processEvents();
    }
    send(view, QEvent::MouseButtonRelease, strokePoint(step), Qt::NoButton);
    state.SetItemsProcessed(state.iterations());
}

void BM_WholeViewRepaint(benchmark::State& state) {
    Studio& s = studio();
    for (auto _ : state)
        s.editor->Image->repaint();
}

void BM_PressCopiesForUndo(benchmark::State& state) {
    Studio& s = studio();
    s.editor->GotasButtonClick();
    for (auto _ : state)
        s.editor->ImageMouseDown(Qt::LeftButton, 200, 200);
    s.editor->DrawButtonClick();
}

} // namespace

BENCHMARK(BM_StrokeMove)->Arg(1)->Arg(30)->ArgName("width")->UseRealTime();
BENCHMARK(BM_WholeViewRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PressCopiesForUndo)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    studio().editor.reset();
    studio().main.reset();
    return 0;
}
