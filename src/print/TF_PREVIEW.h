#pragma once
#include <QImage>
#include <QWidget>

class TFormAutoSize;
class TImageAspect;

namespace velvo::print {

// The sheet of the print preview: eight aspect-keeping cells in two rows of four on white. It
// is never shown; its picture is what the print options window prints. Cells keep their
// pictures until a later preview overwrites them.
class TF_PREVIEW : public QWidget {
    Q_OBJECT
public:
    explicit TF_PREVIEW(QWidget* parent = nullptr);
    ~TF_PREVIEW() override;

    // The window's n-th owned component (1-based) when it is a cell, else null.
    TImageAspect* Cell(int n) const;
    // The whole grid with its outer margin, as the window shows it.
    QImage Sheet() const;

    TFormAutoSize* FormAutoSize1 = nullptr;
};

// The single instance while it exists.
extern TF_PREVIEW* F_PREVIEW;

} // namespace velvo::print
