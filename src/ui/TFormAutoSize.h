#pragma once
#include <QMargins>
#include <QObject>
#include <exception>
#include <functional>
#include <optional>

class QWidget;

// The screen a window was designed on.
struct TDesignTimeSize {
    int Width = 800;
    int Height = 600;
    int ClientHeight = 0;
    int PixelsPerInch = 96;
};

// What the adjustment needs to know of the screen a window is shown on: its size in
// device-independent pixels and the logical resolution that remains after Qt's own high-DPI
// scaling (96 on a screen Qt scales by itself).
struct TScreenMetrics {
    int Width = 0;
    int Height = 0;
    int PixelsPerInch = 96;
};

// Fits a window laid out on the design screen to the actual one, once, at its first showing:
//  - ClientAutoSize: the client height is set back to the design client height;
//  - AllowAutoSize: when the screen size differs from the design size and the window's own
//    scaling flag (SetWindowScaled) is on, the client size (truncated) and every child's
//    edges, size limits and explicitly set fonts (rounded) are scaled by one ratio, the
//    smaller of screen / design width and screen / design height; children that layouts or Qt's composite widgets place
//    keep their places and get them anew from their owner; when CheckPixelsPerInch is on and the logical resolution differs from
//    the design value, the outer size is scaled by ppi / design ppi (truncated).
// The outer size needs the window manager's frame, which X11 reports only once the window is
// mapped: while it is unknown at the showing, the resolution step waits for the window's first
// exposure; the other steps run at the showing, before the window's own show handler.
// Active goes off after a successful adjustment, so later showings change nothing. An error
// goes to the error handler (by default the standard error box), Active stays on and what is
// left of the adjustment is tried again at the next showing; the window is shown either way.
class TFormAutoSize : public QObject {
    Q_OBJECT
public:
    using ScreenMetricsProvider = std::function<TScreenMetrics(const QWidget* window)>;
    using ErrorHandler = std::function<void(const std::exception& error)>;
    // The frame around the window, or nullopt while the window manager has not framed it.
    using FrameProvider = std::function<std::optional<QMargins>(const QWidget* window)>;

    // Watches owner's show events; several instances on one window each run their own step.
    explicit TFormAutoSize(QWidget* owner);

    bool Active() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    TDesignTimeSize& DesignTimeSize() { return design_; }
    const TDesignTimeSize& DesignTimeSize() const { return design_; }
    // ClientAutoSize and AllowAutoSize exclude each other: setting one on sets the other off.
    bool ClientAutoSize() const { return clientAutoSize_; }
    void SetClientAutoSize(bool on);
    bool AllowAutoSize() const { return allowAutoSize_; }
    void SetAllowAutoSize(bool on);
    bool CheckPixelsPerInch() const { return checkPixelsPerInch_; }
    void SetCheckPixelsPerInch(bool on) { checkPixelsPerInch_ = on; }

    // The window's own scaling flag (the toolkit's "Scaled"); off unless set.
    static void SetWindowScaled(QWidget* window, bool scaled);
    static bool WindowScaled(const QWidget* window);
    // A child that sizes itself to its content (a picture view showing its picture at 100 %)
    // is moved by the scaling but keeps its size.
    static void SetSizedByContent(QWidget* widget, bool on = true);
    static bool SizedByContent(const QWidget* widget);

    // Centres `window` on the free area of its screen as it is now sized, its frame's top-left
    // kept on the screen: a window placed in the middle at its design size would run past the
    // lower edge once scaled, so centred windows call this from their show handler.
    static void CentreOnScreen(QWidget* window);

    // Test seams. A null provider or handler restores the default (the window's screen; the
    // standard error box). The instance setting wins over the default for all instances.
    void SetScreenMetricsProvider(ScreenMetricsProvider provider) {
        provider_ = std::move(provider);
    }
    static void SetDefaultScreenMetricsProvider(ScreenMetricsProvider provider);
    // A null provider restores the default: the platform window's frame margins, known once
    // they are not empty or the window has been exposed.
    void SetFrameProvider(FrameProvider provider) { frameProvider_ = std::move(provider); }
    static void SetErrorHandler(ErrorHandler handler);

    // The adjustment itself, as run at a showing while Active is on. The resolution step is
    // left pending (Active stays on) while the frame is unknown.
    void Adjust();
    // The resolution step is waiting for the window's frame.
    bool FramePending() const { return framePending_; }

    // Windows' MulDiv: a * b / c rounded to the nearest integer, halves away from zero.
    static int MulDiv(int a, int b, int c);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TScreenMetrics screenMetrics() const;
    std::optional<QMargins> frame() const;
    // The outer size (client plus frame) times ppi / design ppi, truncated.
    void scaleForResolution(const QMargins& frame);
    void runGuarded(const std::function<void()>& step);

    QWidget* window_;
    bool active_ = false;
    TDesignTimeSize design_;
    bool clientAutoSize_ = false;
    bool allowAutoSize_ = false;
    bool checkPixelsPerInch_ = false;
    ScreenMetricsProvider provider_;
    FrameProvider frameProvider_;
    // The steps before the resolution step are done; the logical resolution they read.
    bool framePending_ = false;
    int pendingPixelsPerInch_ = 96;
};
