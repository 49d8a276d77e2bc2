#include "imaging/ThumbnailSource.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>

#include "imaging/RasterImage.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/ImageFile.h"
#include "imaging/codecs/JpegThumbnail.h"
#include "imaging/metafile/MetafileRenderer.h"

namespace velvo::imaging {

namespace {
// QImage text key carrying the full picture's size across the single-image interface.
const QString kSourceSizeKey = QStringLiteral("velvo-source-size");
bool reducedJpeg = true;

bool isJpegName(const QString& file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
}

// A phone photo's EXIF thumbnail sits in its first segments, the APP1 segment being at most
// 64 KB; the header tables and the start of scan follow.
constexpr qint64 kHeadBytes = 128 * 1024;
// A buffer kept for the next photo is given back when a file far larger than a photo grew it.
constexpr qsizetype kKeptBuffer = 32 * 1024 * 1024;

Bytes bytesOf(const QByteArray& data) {
    return {reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())};
}

// Up to `n` more bytes of `f` onto the end of `buffer`, without zeroing them first.
void readMore(QFile& f, QByteArray& buffer, qint64 n) {
    const qsizetype at = buffer.size();
    buffer.resize(at + qsizetype(n));
    const qint64 got = f.read(buffer.data() + at, n);
    buffer.resize(at + qsizetype(std::max<qint64>(got, 0)));
}

// The decoded rows are handed to the QImage without a copy. The file is read, not mapped: a
// file cut short by another program while mapped would end the program. Its head is read
// first, and the several megabytes after it only when the EXIF thumbnail will not do: on a
// cold disk or a network folder the reading costs more than the decoding. The file buffer is
// kept from photo to photo (one per thread): a fresh one of several megabytes costs its page
// faults again for every photo of a folder.
QImage readJpeg(const QString& file, QSize atLeast, QSize shown) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    thread_local QByteArray buffer;
    buffer.resize(0);
    // Also when the decoding throws.
    struct GiveBack {
        QByteArray& b;
        ~GiveBack() {
            if (b.capacity() > kKeptBuffer)
                b = QByteArray();
        }
    } giveBack{buffer};
    const std::string name = file.toStdString();
    readMore(f, buffer, kHeadBytes);
    JpegThumbnailInfo info;
    std::unique_ptr<Raster> picture;
    if (std::optional<Raster> thumb =
            decodeJpegExifThumbnail(bytesOf(buffer), name, atLeast.width(), atLeast.height(),
                                    shown.width(), shown.height(), &info))
        picture = std::make_unique<Raster>(std::move(*thumb));
    else {
        readMore(f, buffer, std::max<qint64>(f.size() - f.pos(), 0));
        picture = std::make_unique<Raster>(decodeJpegAtLeast(bytesOf(buffer), name, atLeast.width(),
                                                             atLeast.height(), shown.width(),
                                                             shown.height(), &info));
    }
    if (picture->empty())
        return {};
    Raster* raw = picture.release();
    QImage image(
        raw->pixels.data(), raw->width, raw->height, qsizetype(raw->stride()),
        QImage::Format_BGR888, [](void* r) { delete static_cast<Raster*>(r); }, raw);
    if (info.fullWidth != image.width() || info.fullHeight != image.height())
        image.setText(kSourceSizeKey,
                      QStringLiteral("%1x%2").arg(info.fullWidth).arg(info.fullHeight));
    return image;
}
} // namespace

void setReducedJpegReading(bool on) {
    reducedJpeg = on;
}

QImage readPictureForThumbnail(const QString& file, QSize atLeast, QSize shown) {
    installMetafileRenderer();
    try {
        const std::filesystem::path path(file.toStdString());
        if (reducedJpeg && isJpegName(file))
            return readJpeg(file, atLeast, shown.isEmpty() ? atLeast : shown);
        std::optional<Raster> picture = loadImageFile(path);
        if (picture && !picture->empty())
            return toQImage(*picture);
    } catch (const velvo::Error&) {
    }
    return {};
}

void clearThumbnailSourceSize(QImage& image) {
    if (!image.text(kSourceSizeKey).isEmpty())
        image.setText(kSourceSizeKey, QString());
}

QSize thumbnailSourceSize(const QImage& thumbnail) {
    const QStringList parts = thumbnail.text(kSourceSizeKey).split('x');
    if (parts.size() == 2) {
        bool okW = false, okH = false;
        const QSize size(parts[0].toInt(&okW), parts[1].toInt(&okH));
        if (okW && okH && !size.isEmpty())
            return size;
    }
    return thumbnail.size();
}

} // namespace velvo::imaging
