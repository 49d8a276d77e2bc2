#include "library/TThumbNail.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPainter>
#include <qdrawutil.h>
#include <algorithm>
#include <climits>

#include "imaging/ThumbnailSource.h"
#include "library/TThumbview.h"

namespace velvo::library {

namespace {
constexpr int kBevel = 1;
// The panel's border width; the picture area formulas subtract it twice.
constexpr int kBorderWidth = 0;

QString timeText(const QDateTime& t) {
    return t.isValid() ? QLocale().toString(t.toLocalTime(), QLocale::ShortFormat)
                       : QStringLiteral("Unknown");
}
} // namespace

Tthumbshape::Tthumbshape(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Tthumbshape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(rect(), QBrush(palette().color(QPalette::Inactive, QPalette::WindowText), Qt::BDiagPattern));
}

TThumbImage::TThumbImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TThumbImage::SetPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void TThumbImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), picture_);
}

TThumbTitle::TThumbTitle(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
}

TThumbNail::TThumbNail(QWidget* parent, TThumbview* view)
    : QFrame(parent), view_(view), titleColor_(palette().color(QPalette::Button)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    shape_ = new Tthumbshape(this);
    image_ = new TThumbImage(this);
    title_ = new TThumbTitle(this);
    SetTitleColor(titleColor_);
    const QSize size = view ? QSize(view->MaxWidth(), view->MaxHeight()) : QSize(120, 120);
    setGeometry(10, 10, size.width(), size.height());
}

void TThumbNail::SetTitle(const QString& title) {
    if (title != title_->text())
        title_->setText(title);
}

void TThumbNail::SetTitleColor(const QColor& color) {
    titleColor_ = color;
    QPalette pal = title_->palette();
    pal.setColor(QPalette::Window, color);
    title_->setPalette(pal);
}

void TThumbNail::SetTitleTextColor(const QColor& color) {
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, color);
    title_->setPalette(pal);
}

void TThumbNail::readFileInformation(const QString& file) {
    const QFileInfo info(file);
    fileSize_ = info.exists() ? info.size() : 0;
    created_ = timeText(info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime());
    changed_ = timeText(info.lastModified());
    accessed_ = timeText(info.lastRead());
}

void TThumbNail::SetFilename(const QString& file) {
    const int w = view_ ? view_->MaxWidth() : width();
    const int h = view_ ? view_->MaxHeight() : height();
    // Without shrinking the cell keeps the picture as read, so it must be read in full.
    const QSize atLeast = minimizeMemory_ ? QSize(w, h) : QSize(INT_MAX, INT_MAX);
    // Shown no larger than the cell, a photo's own EXIF thumbnail is as good as the photo, and
    // reading it costs a small fraction of even a reduced decode.
    const QSize cell = view_ ? QSize(view_->CellWidth(), view_->CellHeight()) : size();
    const QSize shown = minimizeMemory_ ? cell : atLeast;
    image_->SetPicture(imaging::readPictureForThumbnail(file, atLeast, shown));
    image_->SetModified(false);
    readFileInformation(file);
    ArrangeImage();
    image_->setVisible(true);
    filename_ = file;
    imageReady_ = true;
    if (minimizeMemory_)
        shrinkPicture(w, h);
}

void TThumbNail::SetMinimizeMemory(bool on) {
    if (on == minimizeMemory_)
        return;
    minimizeMemory_ = on;
    if (filename_.isEmpty())
        return;
    if (on)
        shrinkPicture(view_ ? view_->MaxWidth() : width(), view_ ? view_->MaxHeight() : height());
    else
        SetFilename(filename_);
}

// The percentage is whole and may exceed 100; a picture already smaller than the target in
// both directions is kept as it is.
void TThumbNail::shrinkPicture(int width, int height) {
    const QImage& pic = image_->Picture();
    if (pic.isNull())
        return;
    // A JPEG may have been read reduced: the rule applies to the picture's true size.
    const QSize full = imaging::thumbnailSourceSize(pic);
    const int p = int(std::min(double(width) / full.width(), double(height) / full.height()) * 100);
    const int tw = int(full.width() * 0.01 * p);
    const int th = int(full.height() * 0.01 * p);
    if ((full.width() < tw && full.height() < th) || tw <= 0 || th <= 0)
        return;
    QImage shrunk = pic.scaled(tw, th, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGB888);
    imaging::clearThumbnailSourceSize(shrunk);
    image_->SetPicture(shrunk);
    image_->SetModified(true);
}

void TThumbNail::ArrangeImage() {
    const int titleHeight = TThumbTitle::kHeight;
    clientHeight_ = height() - titleHeight - 8;
    clientWidth_ = width() - 2 * kBorderWidth - 8;
    const QSize pic = imaging::thumbnailSourceSize(image_->Picture());
    int w = 0, h = 0;
    if (!pic.isEmpty()) {
        int p = 100;
        if (pic.width() > clientWidth_ || pic.height() > clientHeight_)
            p = int(std::min(double(clientWidth_) / pic.width(), double(clientHeight_) / pic.height()) * 100);
        w = int(pic.width() * 0.01 * p);
        h = int(pic.height() * 0.01 * p);
    }
    const int left = int(width() * 0.5 - w * 0.5);
    const int top = titleHeight / 2 + height() / 2 - h / 2;
    image_->setGeometry(left, top, w, h);
}

void TThumbNail::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    shape_->setGeometry(kBevel, kBevel, width() - 2 * kBevel, height() - 2 * kBevel);
    title_->setGeometry(kBevel, kBevel, width() - 2 * kBevel, TThumbTitle::kHeight);
    ArrangeImage();
}

void TThumbNail::paintEvent(QPaintEvent* event) {
    if (!titleFilled_ && !titleChosen_) {
        titleFilled_ = true;
        QString title = QFileInfo(filename_).fileName();
        if (OnGetTitle)
            OnGetTitle(filename_, title);
        SetTitle(title);
    }
    QFrame::paintEvent(event);
    QPainter p(this);
    qDrawShadePanel(&p, rect(), palette(), false, kBevel);
}

} // namespace velvo::library
