#pragma once
#include <QImage>
#include <QObject>

namespace velvo::imaging {

class TPictureView;

// The processing companion of a view. Works on the attached view's image (24-bit only; other
// images are left alone), inside its selection polygon when one is shown. One undo copy, not
// a history. Without an attached view every operation does nothing.
class TPictureProc : public QObject {
    Q_OBJECT
public:
    explicit TPictureProc(QObject* parent = nullptr) : QObject(parent) {}

    TPictureView* AttachedView() const { return view_; }
    void SetAttachedView(TPictureView* view) { view_ = view; }
    // With AutoUndo the image is copied into the undo copy before each operation.
    bool AutoUndo() const { return autoUndo_; }
    void SetAutoUndo(bool on) { autoUndo_ = on; }

    // Adds each offset to its channel, clamped to 0..255.
    void AdjustRgb(int red, int green, int blue);
    // Hue -359..359, saturation and value -99..99 offsets, in the engine's 0..359 / 0..99 model.
    void AdjustHsv(int hue, int saturation, int value);

    void CopyToClipboard();
    // When the clipboard holds a picture: undo copy (with AutoUndo), then the image becomes it.
    // Returns whether a picture was pasted.
    bool PasteFromClipboard();

    void SaveUndo();
    // Copies the undo copy back when it is at least 2 x 2; the undo copy stays.
    void Undo();
    const QImage& UndoImage() const { return undo_; }

private:
    TPictureView* view_ = nullptr;
    bool autoUndo_ = false;
    QImage undo_;
};

} // namespace velvo::imaging
