#include "imaging/TPictureIO.h"

#include "imaging/RasterImage.h"
#include "imaging/TPictureView.h"
#include "imaging/codecs/ImageFile.h"

namespace velvo::imaging {

namespace {
std::filesystem::path toPath(const QString& file) {
    return std::filesystem::path(file.toStdString());
}
} // namespace

bool TPictureIO::take(std::optional<Raster> picture) {
    if (!picture)
        return false;
    if (picture->background)
        background_ = QColor(picture->background->r, picture->background->g, picture->background->b);
    view_->SetImage(toQImage(*picture));
    return true;
}

bool TPictureIO::LoadImageFile(const QString& file) {
    return view_ && take(loadImageFile(toPath(file)));
}

bool TPictureIO::LoadGif(const QString& file) {
    return view_ && take(loadGif(toPath(file)));
}

bool TPictureIO::SaveImageFile(const QString& file) {
    if (!view_)
        return false;
    return saveImageFile(toPath(file), toRaster(view_->Image()));
}

void TPictureIO::SaveBmp(const QString& file) {
    if (!view_)
        return;
    saveBmp(toPath(file), toRaster(view_->Image()));
}

int TPictureIO::DetectFileFormat(const QString& file, bool checkExtension) const {
    return int(detectFileFormat(toPath(file), checkExtension));
}

} // namespace velvo::imaging
