// Metafiles in the browser's "Fotos" tab: listed, read through the thumbnail source and shown.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "imaging/codecs/ImageFile.h"
#include "imaging/codecs/MetafileTestWriter.h"
#include "library/TThumbNail.h"
#include "library/TThumbview.h"

using velvo::library::TThumbview;
using velvo::testing::rgb;

TEST(MetafileFotos, WmfAndEmfCellsShowTheirDrawing) {
    QTemporaryDir dir;
    velvo::testing::WmfWriter wmf;
    wmf.pen(5, 0, 0).select(0).brush(0, rgb(220, 0, 0)).select(1).rect(0, 0, 200, 100);
    velvo::imaging::writeFileAtomic(dir.filePath("Clip.wmf").toStdString(), wmf.file(2, 0, 0, 200, 100, 96));
    velvo::testing::EmfWriter emf;
    emf.select(0x80000008).brush(1, 0, rgb(0, 0, 220)).select(1).rect(0, 0, 100, 100);
    velvo::imaging::writeFileAtomic(dir.filePath("Logo.emf").toStdString(),
                                    emf.file(2, {0, 0, 99, 99}, {0, 0, 2646, 2646}));

    TThumbview view;
    view.resize(666, 400);
    view.SetMaxWidth(200);
    view.SetMaxHeight(200);
    view.SetSize(50);
    view.SetScrollMode(TThumbview::SMVertical);
    view.show();
    view.viewport()->grab();
    QApplication::processEvents();
    view.SetDirectory(dir.path());
    ASSERT_EQ(view.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const auto* cell = view.Cell(i);
        const bool isWmf = cell->Filename().endsWith("Clip.wmf");
        SCOPED_TRACE(cell->Filename().toStdString());
        const QImage picture = cell->Image()->Picture();
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.width() * 100, picture.height() * (isWmf ? 200 : 100));
        EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2),
                  isWmf ? QColor(220, 0, 0) : QColor(0, 0, 220));
    }
}
