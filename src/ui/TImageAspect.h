#pragma once
#include <QImage>
#include <QWidget>

// Shows a picture scaled to fit inside the control with its proportions kept, centred; the
// rest of the control shows what is behind it.
class TImageAspect : public QWidget {
    Q_OBJECT
public:
    explicit TImageAspect(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    // Copies `picture`; with AutoSize the control takes its size.
    void SetPicture(const QImage& picture);
    // Copies `image` into the picture's bitmap; the control keeps its size.
    void SetBitmap(const QImage& image);
    // On: the control follows the picture's size until it is sized otherwise.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);

    // Where a picture of pw x ph is drawn in a control of w x h.
    static QRect TargetRect(int w, int h, int pw, int ph);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyAutoSize();

    QImage picture_;
    bool autoSize_ = true;
};
