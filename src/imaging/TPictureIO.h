#pragma once
#include <QColor>
#include <QObject>
#include <QString>
#include <optional>

#include "imaging/codecs/Raster.h"
#include "platform/PicturePreviewPane.h"

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
    // leaves an existing file as it was. An empty view writes nothing and gives true: there
    // is no picture to save, which is no fault of the name's.
    bool SaveImageFile(const QString& file);
    // false, reading nothing more, when the file does not begin with "GIF". Sets
    // BackgroundColor from the GIF's background colour entry, or back to white when the GIF
    // has no global colour table.
    bool LoadGif(const QString& file);
    // 24 bits, or 1 bit while the view still holds, unchanged, a black-and-white picture read
    // from a 1-bit file. An empty view writes nothing. Faults throw velvo::Error naming the
    // file.
    void SaveBmp(const QString& file);
    // Format code from the header (0 = not an image); see imaging::ImageFormat. With
    // checkExtension, 0 when the extension names another format; one that names no format
    // leaves the header's word.
    int DetectFileFormat(const QString& file, bool checkExtension) const;

    // One colour picture at 150 dpi over the whole area from the chosen device (the first one
    // when none was chosen) into the view's image, under a progress the user can cancel.
    // true when a picture arrived; false for no scanner, no device, a failure or a cancel
    // (the view's image is then left as it was).
    bool AcquireFromScanner();
    // Shows the device chooser, titled `title`; a confirmed choice is kept for the following
    // acquisitions of this companion. Returns whether a device was chosen.
    bool SelectScannerSource(const QString& title = {});
    QString ScannerSource() const { return scannerSource_; }

    // The last picture read was cut short or damaged: what could be read is shown, the rest
    // filled. The caller tells the user.
    bool ReadIncomplete() const { return incomplete_; }

    QColor BackgroundColor() const { return background_; }
    void SetBackgroundColor(const QColor& color) { background_ = color; }

private:
    static constexpr QColor kDefaultBackground = QColor(255, 255, 255);

    bool take(std::optional<Raster> picture, bool gif);
    Raster viewPicture() const;

    TPictureView* view_ = nullptr;
    QColor background_ = kDefaultBackground;
    QString scannerSource_;
    bool incomplete_ = false;
};

// The picture dialogs' preview reader: our own codecs, reading no more of a large JPEG than
// the box needs.
platform::PreviewPicture readPicturePreview(const QString& file, QSize box);

} // namespace velvo::imaging
