#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

class QFileDialog;
class QLabel;

namespace velvo::platform {

// What a preview reader delivers: a picture at least as large as the box it was asked for
// (or the whole picture when that is smaller) and the picture's own size in its file. A file
// that cannot be read gives a null image.
struct PreviewPicture {
    QImage image;
    QSize size;
};
using PreviewReader = std::function<PreviewPicture(const QString& file, QSize box)>;

// The preview beside a picture dialog's file list: the selected file shrunk to fit a fixed
// box, keeping its proportions and never enlarged, and its size in pixels below it. Anything
// that is not a readable picture (a folder, a text file, a broken file) shows an empty box.
class PicturePreviewPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBox = 160;

    explicit PicturePreviewPane(PreviewReader reader, QWidget* parent = nullptr);

    QString file() const { return file_; }
    // The picture as the pane shows it; null when none.
    QImage shown() const { return shown_; }
    // The picture's own size; invalid when none.
    QSize pictureSize() const { return size_; }
    // "width x height" under the picture; empty when none.
    QString sizeText() const;

public slots:
    void showFile(const QString& file);

private:
    PreviewReader reader_;
    QString file_;
    QImage shown_;
    QSize size_;
    QLabel* picture_ = nullptr;
    QLabel* caption_ = nullptr;
};

// Makes `dialog` a non-native one (the platform's own dialog has no room for a pane), adds a
// pane to the right of its file list and follows the current file. Returns the pane, owned by
// the dialog.
PicturePreviewPane* attachPicturePreview(QFileDialog& dialog, PreviewReader reader);

} // namespace velvo::platform
