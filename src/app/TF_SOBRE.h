#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class TLanguage;

namespace velvo::document {
class TImageFX;
}

namespace velvo::app {

class TF_HAIR;

// The about box: the program's icon and name, its version and maker lines, and a picture that
// zooms in each time the box becomes active. Shown modally; closing only hides it.
class TF_SOBRE : public QDialog {
    Q_OBJECT
public:
    // `main` must outlive the window; it supplies the program folder.
    explicit TF_SOBRE(TF_HAIR* main);
    ~TF_SOBRE() override;

    QWidget* Panel1 = nullptr;
    document::TImageFX* ImageFX1 = nullptr;
    document::TImageFX* ImageFX2 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    TLanguage* L1 = nullptr;

public slots:
    void FormCreate();
    void FormActivate();
    // Escape closes; other keys do nothing.
    void FormKeyDown(int key);
    void BitBtn1Click();

protected:
    bool event(QEvent* event) override;

private:
    TF_HAIR* main_;
};

// The single instance while it exists.
extern TF_SOBRE* F_SOBRE;

} // namespace velvo::app
