#include "platform/PicturePreviewPane.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace velvo::platform {

PicturePreviewPane::PicturePreviewPane(PreviewReader reader, QWidget* parent)
    : QWidget(parent), reader_(std::move(reader)) {
    setObjectName(QStringLiteral("PicturePreviewPane"));
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("PreviewPicture"));
    picture_->setFixedSize(kBox, kBox);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setFrameShape(QFrame::StyledPanel);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("PreviewSize"));
    caption_->setAlignment(Qt::AlignHCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture_);
    layout->addWidget(caption_);
    layout->addStretch();
}

QString PicturePreviewPane::sizeText() const {
    return size_.isValid() ? QStringLiteral("%1 x %2").arg(size_.width()).arg(size_.height())
                           : QString();
}

void PicturePreviewPane::showFile(const QString& file) {
    file_ = file;
    shown_ = QImage();
    size_ = QSize();
    // Reading a hostile or broken file must leave the dialog usable, so any fault is "no
    // preview".
    if (reader_ && QFileInfo(file).isFile()) {
        try {
            PreviewPicture read = reader_(file, QSize(kBox, kBox));
            if (!read.image.isNull()) {
                size_ = read.size.isValid() ? read.size : read.image.size();
                const QSize fit = size_.boundedTo(QSize(kBox, kBox)) == size_
                                      ? size_
                                      : size_.scaled(kBox, kBox, Qt::KeepAspectRatio);
                shown_ = read.image.scaled(fit.expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation);
            }
        } catch (...) {
            shown_ = QImage();
            size_ = QSize();
        }
    }
    picture_->setPixmap(shown_.isNull() ? QPixmap() : QPixmap::fromImage(shown_));
    caption_->setText(sizeText());
}

PicturePreviewPane* attachPicturePreview(QFileDialog& dialog, PreviewReader reader) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    auto* pane = new PicturePreviewPane(std::move(reader), &dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1, Qt::AlignTop);
    else if (dialog.layout())
        dialog.layout()->addWidget(pane);
    QObject::connect(&dialog, &QFileDialog::currentChanged, pane, &PicturePreviewPane::showFile);
    return pane;
}

} // namespace velvo::platform
