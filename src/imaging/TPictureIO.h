#pragma once
#include <QColor>
#include <QObject>
#include <QString>
#include <optional>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging {

class TPictureView;

// The file companion of a view: reads into and writes from the attached view's image, sizing
// the image to what it reads. Faults throw velvo::Error naming the file.
class TPictureIO : public QObject {
    Q_OBJECT
public:
    explicit TPictureIO(QObject* parent = nullptr) : QObject(parent) {}

    TPictureView* AttachedView() const { return view_; }
    void SetAttachedView(TPictureView* view) { view_ = view; }

    // By the extension, compared in lower case. false when the extension names no reader (the
    // image is left as it was).
    bool LoadImageFile(const QString& file);
    // false when the extension names no writer (nothing is written). A failed write throws and
    // leaves an existing file as it was.
    bool SaveImageFile(const QString& file);
    // false, reading nothing more, when the file does not begin with "GIF". Sets
    // BackgroundColor from the GIF's background colour entry.
    bool LoadGif(const QString& file);
    void SaveBmp(const QString& file);
    // Format code from the header (0 = not an image); see imaging::ImageFormat.
    int DetectFileFormat(const QString& file, bool checkExtension) const;

    QColor BackgroundColor() const { return background_; }
    void SetBackgroundColor(const QColor& color) { background_ = color; }

private:
    bool take(std::optional<Raster> picture);

    TPictureView* view_ = nullptr;
    QColor background_ = Qt::white;
};

} // namespace velvo::imaging
