#include "imaging/TPictureIO.h"

#include "imaging/RasterImage.h"
#include "imaging/TPictureView.h"
#include "imaging/ThumbnailSource.h"
#include "imaging/codecs/ImageFile.h"
#include "imaging/metafile/MetafileRenderer.h"
#include "platform/Scanner.h"
#include "platform/ScannerUi.h"

namespace velvo::imaging {

namespace {
std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(file.toStdString());
}
} // namespace

bool TPictureIO::take(std::optional<Raster> picture, bool gif) {
    if (!picture)
        return false;
    // A GIF without a global colour table has no background entry; keeping the previous
    // file's colour would key the next overlay on a colour this file never named.
    if (picture->background)
        background_ =
            QColor(picture->background->r, picture->background->g, picture->background->b);
    else if (gif)
        background_ = kDefaultBackground;
    view_->SetImage(toQImage(*picture), picture->bilevel);
    incomplete_ = picture->incomplete;
    return true;
}

bool TPictureIO::LoadImageFile(const QString& file) {
    installMetafileRenderer();
    if (!view_)
        return false;
    incomplete_ = false;
    const std::filesystem::path path = toPath(file);
    return take(loadImageFile(path), formatFromExtension(path) == ImageFormat::Gif);
}

bool TPictureIO::LoadGif(const QString& file) {
    if (!view_)
        return false;
    incomplete_ = false;
    return take(loadGif(toPath(file)), true);
}

Raster TPictureIO::viewPicture() const {
    Raster picture = toRaster(view_->Image());
    picture.bilevel = picture.bilevel || view_->ImageIsBilevel();
    return picture;
}

bool TPictureIO::SaveImageFile(const QString& file) {
    if (!view_)
        return false;
    if (view_->IsEmpty())
        return true; // nothing to write, and no fault of the name's
    return saveImageFile(toPath(file), viewPicture());
}

void TPictureIO::SaveBmp(const QString& file) {
    if (view_ && !view_->IsEmpty())
        saveBmp(toPath(file), viewPicture());
}

int TPictureIO::DetectFileFormat(const QString& file, bool checkExtension) const {
    return int(detectFileFormat(toPath(file), checkExtension));
}

bool TPictureIO::AcquireFromScanner() {
    if (!view_)
        return false;
    platform::Scanner& scanner = platform::Scanner::instance();
    const QList<platform::Scanner::Device> devices = scanner.devices();
    if (devices.isEmpty())
        return false;
    // A chosen device that has gone is still asked for, so the scan fails rather than coming
    // from another device.
    const QString device = scannerSource_.isEmpty() ? devices.first().name : scannerSource_;
    QString label = device;
    for (const platform::Scanner::Device& d : devices)
        if (d.name == device && !d.description.isEmpty())
            label = d.description;
    std::optional<QImage> picture;
    platform::ScannerUi::instance().runWithProgress(
        label, [&](const platform::Scanner::Progress& progress) {
            picture = scanner.acquire(device, progress);
        });
    if (!picture || picture->isNull())
        return false;
    view_->SetImage(*picture);
    return true;
}

bool TPictureIO::SelectScannerSource(const QString& title) {
    const QList<platform::Scanner::Device> devices = platform::Scanner::instance().devices();
    const std::optional<QString> chosen =
        platform::ScannerUi::instance().chooseDevice(title, devices, scannerSource_);
    if (!chosen)
        return false;
    scannerSource_ = *chosen;
    return true;
}

platform::PreviewPicture readPicturePreview(const QString& file, QSize box) {
    platform::PreviewPicture result;
    result.image = readPictureForThumbnail(file, box);
    if (!result.image.isNull())
        result.size = thumbnailSourceSize(result.image);
    return result;
}

} // namespace velvo::imaging
