#pragma once
#include <QColor>
#include <QFont>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QString>
#include <functional>

namespace velvo::library {

class TThumbview;

// The hatched background of a cell, shown where the picture does not cover it.
class Tthumbshape : public QWidget {
    Q_OBJECT
public:
    explicit Tthumbshape(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
};

// The picture of a cell, drawn stretched to the control's own bounds.
class TThumbImage : public QWidget {
    Q_OBJECT
public:
    enum Tangle { AT0, AT90, AT180, AT270 };
    explicit TThumbImage(QWidget* parent);
    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    bool Modified() const { return modified_; }
    void SetModified(bool m) { modified_ = m; }
    bool CanModify() const { return !picture_.isNull(); }
    Tangle Angle() const { return angle_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage picture_;
    bool modified_ = false;
    Tangle angle_ = AT0;
};

// The title strip across the top of a cell.
class TThumbTitle : public QLabel {
    Q_OBJECT
public:
    explicit TThumbTitle(QWidget* parent);
    static constexpr int kHeight = 15;
};

// One cell of the folder view: a raised panel with the file name in a title strip and the
// picture scaled into the rest.
class TThumbNail : public QFrame {
    Q_OBJECT
public:
    // `view` may be null: a cell on its own is 120 x 120.
    TThumbNail(QWidget* parent, TThumbview* view);

    QString Filename() const { return filename_; }
    // Loads the picture (a file that cannot be read leaves it empty), reads the file's
    // information and arranges the picture; shrinks it when MinimizeMemory is on.
    void SetFilename(const QString& file);
    QString Title() const { return title_->text(); }
    void SetTitle(const QString& title);
    QColor TitleColor() const { return titleColor_; }
    void SetTitleColor(const QColor& color);
    void SetTitleTextColor(const QColor& color);
    QFont TitleFont() const { return title_->font(); }
    void SetTitleFont(const QFont& font) { title_->setFont(font); }
    bool TitleChosen() const { return titleChosen_; }
    void SetTitleChosen(bool chosen) { titleChosen_ = chosen; }
    bool ImageReady() const { return imageReady_; }
    bool MinimizeMemory() const { return minimizeMemory_; }
    void SetMinimizeMemory(bool on);

    // The area left for the picture under the title.
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    qint64 FileSize() const { return fileSize_; }
    QString FileAccessed() const { return accessed_; }
    QString FIleCreated() const { return created_; }
    QString FileChanged() const { return changed_; }
    // Size of the picture as held (after any shrinking).
    int ImageWidth() const { return image_->Picture().width(); }
    int ImageHeight() const { return image_->Picture().height(); }
    TThumbImage* Image() const { return image_; }
    TThumbTitle* TitleStrip() const { return title_; }

    std::function<void(const QString& file, QString& title)> OnGetTitle;

    // Places the picture control in the cell: never enlarged, centred under the title.
    void ArrangeImage();

protected:
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    void shrinkPicture(int width, int height);
    void readFileInformation(const QString& file);

    TThumbview* view_;
    Tthumbshape* shape_;
    TThumbImage* image_;
    TThumbTitle* title_;
    QString filename_;
    QColor titleColor_;
    bool titleChosen_ = false;
    bool titleFilled_ = false;
    bool imageReady_ = false;
    bool minimizeMemory_ = true;
    int clientWidth_ = 0, clientHeight_ = 0;
    qint64 fileSize_ = 0;
    QString accessed_, created_, changed_;
};

} // namespace velvo::library
