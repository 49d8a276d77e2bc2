#include "imaging/ThumbnailSource.h"

#include <QFile>
#include <QFileInfo>
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

Bytes bytesOf(const QByteArray& data) {
    return {reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())};
}

// The decoded rows are handed to the QImage without a copy. The file is read, not mapped: a
// file cut short by another program while mapped would end the program. Its head is read
// first, and the several megabytes after it only when the EXIF thumbnail will not do: on a
// cold disk or a network folder the reading costs more than the decoding.
QImage readJpeg(const QString& file, QSize atLeast, QSize shown) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const std::string name = file.toStdString();
    QByteArray data = f.read(kHeadBytes);
    JpegThumbnailInfo info;
    std::unique_ptr<Raster> picture;
    if (std::optional<Raster> thumb =
            decodeJpegExifThumbnail(bytesOf(data), name, atLeast.width(), atLeast.height(),
                                    shown.width(), shown.height(), &info))
        picture = std::make_unique<Raster>(std::move(*thumb));
    else {
        data += f.readAll();
        picture = std::make_unique<Raster>(decodeJpegAtLeast(bytesOf(data), name, atLeast.width(),
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
