#include "app/TF_APRESENTACAO.h"

#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <exception>

#include "app/TF_HAIR.h"
#include "document/TF_FILHO.h"
#include "fit/Framing.h"
#include "platform/Cursors.h"
#include "translation/TLanguage.h"

namespace velvo::app {
namespace {

// Between tries side by side, so that two photos of the same room read as two pictures.
constexpr int kGap = 6;
// Eight tries, each with and without its hairstyle, at 1920 x 1080 in 32 bits.
constexpr qsizetype kCellBudget = 140 * 1024 * 1024;
// How long a frame stays on screen before the next try is readied: long enough that the
// first frame and a held arrow key are never kept waiting by it.
constexpr int kIdleBeforeNextMs = 150;

} // namespace

TF_APRESENTACAO::TF_APRESENTACAO(TF_HAIR* main, const QList<document::TF_FILHO*>& documents,
                                 int first)
    : QWidget(main, Qt::Window), main_(main), studioWindow_(main->MdiArea->currentSubWindow()) {
    setObjectName(QStringLiteral("F_APRESENTACAO"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(QStringLiteral("VELVO"));
    setCursor(Qt::SplitHCursor);
    setFocusPolicy(Qt::StrongFocus);
    tries_.resize(documents.size());
    for (qsizetype i = 0; i < documents.size(); ++i)
        tries_[i].document = documents[i];
    current_ = tries_.empty() ? 0 : std::clamp(first, 0, int(tries_.size()) - 1);
    nextTimer_.setSingleShot(true);
    nextTimer_.setInterval(kIdleBeforeNextMs);
    connect(&nextTimer_, &QTimer::timeout, this, &TF_APRESENTACAO::prepareNext);
}

TF_APRESENTACAO::~TF_APRESENTACAO() = default;

namespace {

// Where a region of `length` may start on one axis: it keeps [clientFrom, clientTo] in view and,
// where it can, stays on the photo's [photoFrom, photoTo]; centred on the client area otherwise.
double regionStart(double length, double clientFrom, double clientTo, double photoFrom,
                   double photoTo) {
    const double centred = (clientFrom + clientTo - length) / 2;
    const double lowest = std::max(clientTo - length, photoFrom);
    const double highest = std::min(clientFrom, photoTo - length);
    if (lowest > highest)
        return centred;
    return std::clamp(centred, lowest, highest);
}

} // namespace

QRectF TF_APRESENTACAO::RegionFor(const QRectF& clientArea, QSize cell, const QRectF& photoArea) {
    if (cell.isEmpty() || clientArea.isEmpty())
        return clientArea;
    const double aspect = double(cell.width()) / cell.height();
    QSizeF size = clientArea.size();
    if (size.width() / size.height() < aspect)
        size.setWidth(size.height() * aspect);
    else
        size.setHeight(size.width() / aspect);
    // A narrow column heightens the region far beyond a framed face: moved along the photo, it
    // shows more of the client instead of the window's colour above her head.
    const QRectF photo = photoArea.isEmpty() ? clientArea : photoArea;
    return QRectF(regionStart(size.width(), clientArea.left(), clientArea.right(), photo.left(),
                              photo.right()),
                  regionStart(size.height(), clientArea.top(), clientArea.bottom(), photo.top(),
                              photo.bottom()),
                  size.width(), size.height());
}

int TF_APRESENTACAO::columns() const {
    return std::min(columns_, int(tries_.size()));
}

QList<int> TF_APRESENTACAO::Shown() const {
    QList<int> shown;
    for (int i = 0; i < columns(); ++i)
        shown << (current_ + i) % int(tries_.size());
    return shown;
}

QRect TF_APRESENTACAO::CellRect(int column) const {
    const int n = std::max(1, columns());
    const int width = (this->width() - kGap * (n - 1)) / n;
    return QRect(column * (width + kGap), 0, width, height());
}

void TF_APRESENTACAO::FormKeyPress(int key) {
    const int n = int(tries_.size());
    if (n == 0)
        return;
    switch (key) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Left:
        current_ = (current_ + n - 1) % n;
        break;
    case Qt::Key_Right:
        current_ = (current_ + 1) % n;
        break;
    case Qt::Key_Space:
        photoOnly_ = !photoOnly_;
        break;
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_4: {
        const int wanted = key == Qt::Key_1 ? 1 : key == Qt::Key_2 ? 2 : 4;
        columns_ = columns_ == wanted ? 1 : wanted;
        // Tries side by side are compared with each other: a divider left from the photo
        // compare would hide whole columns.
        divider_ = -1;
        break;
    }
    default:
        return;
    }
    prepareShown();
    update();
}

void TF_APRESENTACAO::keyPressEvent(QKeyEvent* event) {
    FormKeyPress(event->key());
}

void TF_APRESENTACAO::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        setDivider(event->position().toPoint().x());
}

void TF_APRESENTACAO::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        setDivider(event->position().toPoint().x());
}

void TF_APRESENTACAO::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    divider_ = -1;
    update();
}

void TF_APRESENTACAO::setDivider(int x) {
    const bool first = divider_ < 0;
    divider_ = std::clamp(x, 0, width());
    // The photos alone are rendered once, when the divider first appears; dragging only paints.
    if (first)
        prepareShown();
    update();
}

void TF_APRESENTACAO::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    prepareShown();
}

void TF_APRESENTACAO::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (divider_ > width())
        divider_ = width();
    prepareShown();
}

void TF_APRESENTACAO::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    // The studio comes back with the document that was active when the presentation began.
    main_->activateWindow();
    if (studioWindow_)
        main_->MdiArea->setActiveSubWindow(studioWindow_);
}

bool TF_APRESENTACAO::prepare(Try& t) {
    if (t.tried || !t.document)
        return t.renderer != nullptr;
    t.tried = true;
    try {
        const trial::Trial trial = t.document->Describe();
        t.renderer = std::make_unique<render::TrialRenderer>(trial, trial.hairFile);
        t.photoArea = QRectF(-trial.viewX, -trial.viewY,
                             fit::zoomedLength(trial.photo.width(), trial.zoom),
                             fit::zoomedLength(trial.photo.height(), trial.zoom));
        return true;
    } catch (const std::exception& e) {
        // A damaged master or photo file must not end the presentation: the try is still
        // shown as the studio's window shows it, with the reason beneath.
        t.failure = QString::fromStdString(e.what());
        return false;
    }
}

const QImage* TF_APRESENTACAO::cached(int index, Layers layers, QSize size) const {
    for (const Cell& c : cells_)
        if (c.index == index && c.layers == layers && c.size == size)
            return &c.picture;
    return nullptr;
}

const QImage& TF_APRESENTACAO::cell(int index, Layers layers, QSize size) {
    for (auto it = cells_.begin(); it != cells_.end(); ++it)
        if (it->index == index && it->layers == layers && it->size == size) {
            std::rotate(cells_.begin(), it, it + 1);
            return cells_.front().picture;
        }
    Try& t = tries_[size_t(index)];
    const qreal ratio = devicePixelRatioF();
    QImage picture;
    if (prepare(t)) {
        try {
            const QRectF region = RegionFor(t.renderer->ClientRegion(), size, t.photoArea);
            picture = t.renderer->Render(region, size * ratio, layers);
        } catch (const std::exception& e) {
            t.failure = QString::fromStdString(e.what());
            t.renderer.reset();
        }
    }
    if (picture.isNull()) {
        if (t.windowPicture.isNull() && t.document)
            t.windowPicture = t.document->CompositeImage();
        picture = QImage(size * ratio, QImage::Format_RGB32);
        picture.fill(Qt::black);
        QPainter p(&picture);
        if (!t.windowPicture.isNull()) {
            QSize shown = t.windowPicture.size().scaled(picture.size(), Qt::KeepAspectRatio);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRect(QPoint((picture.width() - shown.width()) / 2,
                                     (picture.height() - shown.height()) / 2),
                              shown),
                        t.windowPicture);
        }
        p.setPen(Qt::white);
        p.drawText(picture.rect().adjusted(20, 20, -20, -20),
                   Qt::AlignBottom | Qt::AlignHCenter | Qt::TextWordWrap,
                   main_->L1 ? main_->L1->TranslateMsg(t.failure) : t.failure);
    }
    picture.setDevicePixelRatio(ratio);
    cells_.insert(cells_.begin(), Cell{index, layers, size, picture});
    qsizetype bytes = 0;
    for (auto it = cells_.begin(); it != cells_.end(); ++it) {
        bytes += it->picture.sizeInBytes();
        if (bytes > kCellBudget && it != cells_.begin()) {
            cells_.erase(it, cells_.end());
            break;
        }
    }
    return cells_.front().picture;
}

std::vector<TF_APRESENTACAO::Layers> TF_APRESENTACAO::shownLayers() const {
    std::vector<Layers> layers;
    if (photoOnly_ || divider_ >= 0)
        layers.push_back(Layers::PhotoOnly);
    if (!photoOnly_)
        layers.push_back(Layers::PhotoAndHair);
    return layers;
}

void TF_APRESENTACAO::prepareShown() {
    if (tries_.empty() || !isVisible())
        return;
    const std::vector<Layers> layers = shownLayers();
    const QList<int> shown = Shown();
    bool missing = false;
    for (int column = 0; column < shown.size(); ++column)
        for (Layers l : layers)
            missing = missing || !cached(shown[column], l, CellRect(column).size());
    if (!missing)
        return;
    platform::BusyCursor busy;
    for (int column = 0; column < shown.size(); ++column)
        for (Layers l : layers)
            cell(shown[column], l, CellRect(column).size());
}

void TF_APRESENTACAO::prepareNext() {
    const int n = int(tries_.size());
    if (n <= columns() || !isVisible())
        return;
    const std::vector<Layers> layers = shownLayers();
    // Right brings in the try after the last column, Left the one before the first; both land
    // in a column of the same size. One try per idle moment, so that a key is never kept long.
    const QSize size = CellRect(0).size();
    for (const int index : {(current_ + columns()) % n, (current_ + n - 1) % n})
        for (Layers l : layers)
            if (!cached(index, l, size)) {
                for (Layers each : layers)
                    cell(index, each, size);
                nextTimer_.start();
                return;
            }
}

void TF_APRESENTACAO::drawCell(QPainter& p, int column, Layers layers) {
    const QRect r = CellRect(column);
    p.drawImage(r.topLeft(), cell(Shown()[column], layers, r.size()));
}

void TF_APRESENTACAO::paintEvent(QPaintEvent*) {
    nextTimer_.start();
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    for (int column = 0; column < columns(); ++column) {
        const QRect r = CellRect(column);
        drawCell(p, column, photoOnly_ ? Layers::PhotoOnly : Layers::PhotoAndHair);
        if (!photoOnly_ && divider_ > r.left()) {
            p.save();
            p.setClipRect(r.intersected(QRect(0, 0, divider_, height())));
            drawCell(p, column, Layers::PhotoOnly);
            p.restore();
        }
    }
    if (!photoOnly_ && divider_ >= 0) {
        // A light line with a dark edge shows on hair and skin alike.
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0, 0, 0, 120), 4));
        p.drawLine(QPointF(divider_, 0), QPointF(divider_, height()));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(divider_, 0), QPointF(divider_, height()));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(divider_, height() / 2.0), 9, 9);
    }
}

void TF_HAIR::MostrarCliente1Click() {
    const QList<document::TF_FILHO*> documents = Documents();
    const qsizetype active = documents.indexOf(ActiveDocument());
    if (documents.isEmpty())
        return;
    for (const TF_APRESENTACAO* shown : findChildren<TF_APRESENTACAO*>())
        if (shown->isVisible())
            return;
    auto* window = new TF_APRESENTACAO(this, documents, active < 0 ? 0 : int(active));
    // The screen's size from the start, so that the first frame is not rendered for a window
    // size the window manager is about to replace.
    if (const QScreen* shown = screen())
        window->setGeometry(shown->geometry());
    window->showFullScreen();
    window->activateWindow();
    window->setFocus();
}

} // namespace velvo::app
