#include "ui/TFormAutoSize.h"

#include "imaging/codecs/Error.h"
#include "platform/Messages.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <limits>

namespace {

TFormAutoSize::ScreenMetricsProvider& defaultProvider() {
    static TFormAutoSize::ScreenMetricsProvider provider;
    return provider;
}

TFormAutoSize::ErrorHandler& errorHandler() {
    static TFormAutoSize::ErrorHandler handler;
    return handler;
}

constexpr char ScaledProperty[] = "Scaled";
constexpr char SizedByContentProperty[] = "SizedByContent";

// a * b / c truncated toward zero, for sizes; throws when the result is no widget size.
int scaledSize(int a, int b, int c, const char* what) {
    if (c <= 0)
        throw velvo::Error("", std::string("design ") + what + " must be positive");
    const long long result = static_cast<long long>(a) * b / c;
    if (result < 0 || result > QWIDGETSIZE_MAX)
        throw velvo::Error("", std::string("scaled window ") + what + " out of range");
    return static_cast<int>(result);
}

void scaleFont(QWidget* widget, int m, int d) {
    QFont font = widget->font();
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, TFormAutoSize::MulDiv(font.pixelSize(), m, d)));
    else if (font.pointSizeF() > 0)
        font.setPointSize(std::max(1, TFormAutoSize::MulDiv(qRound(font.pointSizeF()), m, d)));
    widget->setFont(font);
}

// A maximised or full-screen window takes the size the window manager gives it; a size set
// now would only come back when the window is restored, larger than the screen.
bool sizedByWindowManager(const QWidget* window) {
    return window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
}

// A limit the widget was given (a fixed width, a minimum from its text) scales with it, or
// the limit would clamp the scaled geometry back to the design size.
void scaleLimits(QWidget* widget, int m, int d) {
    const QSize min = widget->minimumSize();
    const QSize max = widget->maximumSize();
    const auto scaled = [m, d](int v) { return std::min(TFormAutoSize::MulDiv(v, m, d),
                                                        QWIDGETSIZE_MAX); };
    widget->setMinimumSize(min.width() > 0 ? scaled(min.width()) : 0,
                           min.height() > 0 ? scaled(min.height()) : 0);
    widget->setMaximumSize(max.width() < QWIDGETSIZE_MAX ? scaled(max.width()) : QWIDGETSIZE_MAX,
                           max.height() < QWIDGETSIZE_MAX ? scaled(max.height())
                                                          : QWIDGETSIZE_MAX);
}

// A composite's own parts (a scroll area's viewport and bars, a tab widget's bar and stack)
// are named "qt_..." and placed by their owner whenever it is resized.
bool partOfComposite(const QWidget* child) {
    return child->objectName().startsWith(QLatin1String("qt_"));
}

// A layout places its items within the limits they have; a geometry set here would only be
// replaced at the next layout pass.
bool placedByLayout(const QWidget* parent, QWidget* child) {
    const QLayout* layout = parent->layout();
    return layout && (layout->indexOf(child) >= 0 || layout->menuBar() == child);
}

// The toolkit's scale-by: every child's edges (relative to its parent) times m / d, rounded;
// a child that sizes itself to its content (SetSizedByContent) only moves. A child's own
// children come first: a parent resized afterwards places its parts for its new size, and a
// scaled parent font never reaches a child twice.
void scaleChildren(QWidget* parent, int m, int d) {
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        scaleChildren(child, m, d);
        if (child->testAttribute(Qt::WA_SetFont))
            scaleFont(child, m, d);
        if (partOfComposite(child))
            continue;
        if (placedByLayout(parent, child)) {
            scaleLimits(child, m, d);
            continue;
        }
        const QRect g = child->geometry();
        const int left = TFormAutoSize::MulDiv(g.x(), m, d);
        const int top = TFormAutoSize::MulDiv(g.y(), m, d);
        if (TFormAutoSize::SizedByContent(child)) {
            child->move(left, top);
            continue;
        }
        const int right = TFormAutoSize::MulDiv(g.x() + g.width(), m, d);
        const int bottom = TFormAutoSize::MulDiv(g.y() + g.height(), m, d);
        scaleLimits(child, m, d);
        child->setGeometry(left, top, std::max(0, right - left), std::max(0, bottom - top));
    }
}

} // namespace

TFormAutoSize::TFormAutoSize(QWidget* owner) : QObject(owner), window_(owner) {
    if (window_)
        window_->installEventFilter(this);
}

void TFormAutoSize::SetClientAutoSize(bool on) {
    clientAutoSize_ = on;
    if (on)
        allowAutoSize_ = false;
}

void TFormAutoSize::SetAllowAutoSize(bool on) {
    allowAutoSize_ = on;
    if (on)
        clientAutoSize_ = false;
}

void TFormAutoSize::SetWindowScaled(QWidget* window, bool scaled) {
    window->setProperty(ScaledProperty, scaled);
}

bool TFormAutoSize::WindowScaled(const QWidget* window) {
    return window->property(ScaledProperty).toBool();
}

void TFormAutoSize::SetSizedByContent(QWidget* widget, bool on) {
    widget->setProperty(SizedByContentProperty, on);
}

bool TFormAutoSize::SizedByContent(const QWidget* widget) {
    return widget->property(SizedByContentProperty).toBool();
}

void TFormAutoSize::CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    frame.moveCenter(free.center());
    window->move(std::max(frame.left(), free.left()), std::max(frame.top(), free.top()));
}

void TFormAutoSize::SetDefaultScreenMetricsProvider(ScreenMetricsProvider provider) {
    defaultProvider() = std::move(provider);
}

void TFormAutoSize::SetErrorHandler(ErrorHandler handler) {
    errorHandler() = std::move(handler);
}

int TFormAutoSize::MulDiv(int a, int b, int c) {
    if (c == 0)
        throw velvo::Error("", "scale by a zero design size");
    const long long num = static_cast<long long>(a) * b;
    const long long den = c;
    const bool negative = (num < 0) != (den < 0);
    const long long q = (std::llabs(num) * 2 + std::llabs(den)) / (std::llabs(den) * 2);
    const long long result = negative ? -q : q;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        throw velvo::Error("", "scaled coordinate out of range");
    return static_cast<int>(result);
}

TScreenMetrics TFormAutoSize::screenMetrics() const {
    if (provider_)
        return provider_(window_);
    if (defaultProvider())
        return defaultProvider()(window_);
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        throw velvo::Error("", "no screen to fit the window to");
    const QSize size = screen->geometry().size();
    return {size.width(), size.height(), qRound(screen->logicalDotsPerInchY())};
}

std::optional<QMargins> TFormAutoSize::frame() const {
    if (frameProvider_)
        return frameProvider_(window_);
    const QWindow* handle = window_->windowHandle();
    if (!handle)
        return std::nullopt;
    // A window manager frames a window as it maps it, so an exposed window without margins
    // has no frame.
    const QMargins margins = handle->frameMargins();
    if (!margins.isNull() || handle->isExposed())
        return margins;
    return std::nullopt;
}

void TFormAutoSize::scaleForResolution(const QMargins& margins) {
    const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
    const QSize outer = window_->size() + frame;
    const int ppi = pendingPixelsPerInch_;
    const int height = scaledSize(outer.height(), ppi, design_.PixelsPerInch, "pixels per inch");
    const int width = scaledSize(outer.width(), ppi, design_.PixelsPerInch, "pixels per inch");
    window_->resize(std::max(0, width - frame.width()), std::max(0, height - frame.height()));
}

void TFormAutoSize::Adjust() {
    if (!window_)
        return;
    if (!framePending_) {
        if (clientAutoSize_ && window_->height() != design_.ClientHeight)
            window_->resize(window_->width(), std::max(0, design_.ClientHeight));
        if (allowAutoSize_) {
            const TScreenMetrics screen = screenMetrics();
            const bool resolution =
                checkPixelsPerInch_ && screen.PixelsPerInch != design_.PixelsPerInch;
            // Refused before anything changes, so that a retry never scales twice.
            if (resolution && design_.PixelsPerInch <= 0)
                throw velvo::Error("", "design pixels per inch must be positive");
            if ((screen.Width != design_.Width || screen.Height != design_.Height) &&
                WindowScaled(window_)) {
                if (design_.Width <= 0 || design_.Height <= 0)
                    throw velvo::Error("", "design screen size must be positive");
                // One ratio for the window and its contents, the smaller of the two: on a
                // screen of another shape (16:10 against the design's 4:3) contents scaled by
                // the width would run past a window scaled by the height and be cut off.
                const bool byWidth = static_cast<long long>(screen.Width) * design_.Height <=
                                     static_cast<long long>(screen.Height) * design_.Width;
                const int m = byWidth ? screen.Width : screen.Height;
                const int d = byWidth ? design_.Width : design_.Height;
                const int clientHeight = scaledSize(window_->height(), m, d, "height");
                const int clientWidth = scaledSize(window_->width(), m, d, "width");
                if (!sizedByWindowManager(window_))
                    window_->resize(clientWidth, clientHeight);
                scaleChildren(window_, m, d);
                scaleFont(window_, m, d);
            }
            if (resolution && !sizedByWindowManager(window_)) {
                framePending_ = true;
                pendingPixelsPerInch_ = screen.PixelsPerInch;
            }
        }
    }
    if (framePending_) {
        const std::optional<QMargins> margins = frame();
        if (!margins) {
            // Retried at the window's exposure; Active stays on until then.
            if (QWindow* handle = window_->windowHandle())
                handle->installEventFilter(this);
            return;
        }
        scaleForResolution(*margins);
        framePending_ = false;
    }
    active_ = false;
}

void TFormAutoSize::runGuarded(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& error) {
        if (errorHandler())
            errorHandler()(error);
        else
            velvo::platform::Messages::instance().showStandardError(
                QString::fromStdString(error.what()));
    }
}

bool TFormAutoSize::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Show && active_)
        runGuarded([this] { Adjust(); });
    else if (event->type() == QEvent::Expose && window_ && watched == window_->windowHandle() &&
             active_ && framePending_ && window_->windowHandle()->isExposed())
        runGuarded([this] { Adjust(); });
    return QObject::eventFilter(watched, event);
}
