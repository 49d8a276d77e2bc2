// Face framing through the main window: the command, framing on open, each new hairstyle
// fitted over the face, and a whole category tried at once.
#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <cmath>

#include "app/StudioFixture.h"
#include "fit/FaceFinder.h"
#include "fit/HairOpening.h"
#include "fit/LandmarkFinder.h"
#include "imaging/RasterImage.h"
#include "print/TF_PREVIEW2.h"

namespace velvo::testing {
namespace {

// White ground and hair all round a white oval opening in its lower middle.
imaging::Raster ringHair(int width, int height, imaging::Bgr hair) {
    imaging::Raster r = hairstyle(width, height, hair);
    const double cx = width / 2.0, cy = height * 0.55, rx = width * 0.25, ry = height * 0.3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((x - cx) * (x - cx) / (rx * rx) + (y - cy) * (y - cy) / (ry * ry) <= 1)
                r.set(x, y, {255, 255, 255});
    return r;
}

class Framing : public StudioTest {
protected:
    void SetUp() override {
        fit::clearOpeningCache();
        StudioTest::SetUp();
        writeHair(0, 1, ringHair(120, 140, {0, 0, 150}));
        writeHair(0, 2, ringHair(90, 150, {0, 150, 0}));
        big = writePhoto("big.bmp", solid(1200, 900, {90, 120, 150}));
    }
    QString statusText() const {
        const QStatusBar* bar = main->findChild<QStatusBar*>();
        return bar ? bar->currentMessage() : QString();
    }
    void writeOption(const char* text) {
        QFile ini(folder + "velvo.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(text);
    }
    // The overlay's opening, as shown, lies centred on the face with the face's width.
    static void expectFitted(document::TF_FILHO& doc) {
        const fit::Opening opening = doc.HairOpening();
        const QRect g = doc.Image2->geometry();
        const double sx = double(g.width()) / doc.HairSize().w;
        const double zoom = doc.Image1->Zoom() / 100.0;
        EXPECT_NEAR(g.x() + opening.centreX * sx, doc.Face.centreX() * zoom - doc.Image1->ViewX(),
                    1.5);
        const double sy = double(g.height()) / doc.HairSize().h;
        EXPECT_NEAR(g.y() + opening.centreY * sy, doc.Face.centreY() * zoom - doc.Image1->ViewY(),
                    1.5);
        EXPECT_NEAR(opening.width * sx, doc.Face.width() * zoom, 2.0);
        EXPECT_EQ(doc.Image2->Picture().size(), g.size()) << "the stretch is baked";
        EXPECT_EQ(doc.L->text().toInt(), g.x());
        EXPECT_EQ(doc.T->text().toInt(), g.y());
    }
    const fit::FaceBox face{500, 300, 160, 160};
    QString big;
};

TEST_F(Framing, WithoutAFaceTheWholePhotoFitsAndTheStatusBarSaysSo) {
    document::TF_FILHO* doc = insert(big, "1", 7, 9);
    main->EnquadrarRosto1Click();
    EXPECT_EQ(doc->Image1->Zoom(), 20);
    EXPECT_EQ(doc->Image1->ViewX(), 0);
    EXPECT_EQ(doc->Image1->ViewY(), 0);
    EXPECT_FALSE(doc->Framed);
    EXPECT_EQ(statusText(), "Nenhum rosto encontrado");
    EXPECT_TRUE(messages.shown.empty()) << "no message box";
}

TEST_F(Framing, PhotoPixelsAndUndoCopyStayAsTheyWere) {
    document::TF_FILHO* doc = insert(big, "1", 0, 0);
    doc->PictureProc1->SaveUndo();
    const QImage photo = doc->Image1->Image().copy();
    const QImage undo = doc->PictureProc1->UndoImage().copy();
    ASSERT_TRUE(main->FrameDocument(*doc, face));
    EXPECT_NE(doc->Image1->Zoom(), 100);
    EXPECT_EQ(doc->Image1->Image(), photo);
    EXPECT_EQ(doc->PictureProc1->UndoImage(), undo);
}

TEST_F(Framing, HairstylesFollowTheFaceByTheirOwnOpenings) {
    document::TF_FILHO* doc = insert(big, "1", 0, 0);
    ASSERT_TRUE(main->FrameDocument(*doc, face));
    EXPECT_TRUE(doc->Framed);
    EXPECT_EQ(doc->Face.box, face);
    expectFitted(*doc);
    const int zoom = doc->Image1->Zoom();

    doc->FormKeyUp(Qt::Key_Right, {});
    ASSERT_EQ(doc->HairNumber, 2);
    EXPECT_EQ(doc->Image1->Zoom(), zoom) << "the view stays; the hairstyle moves";
    expectFitted(*doc);
    doc->FormKeyUp(Qt::Key_Left, {});
    expectFitted(*doc);
    doc->FormKeyUp(Qt::Key_Up, {});
    expectFitted(*doc);

    main->Replay1Click();
    document::TF_FILHO* replayed = main->ActiveDocument();
    ASSERT_NE(replayed, doc);
    EXPECT_TRUE(replayed->Framed);
    expectFitted(*replayed);

    main->InsertHairstyle("1");
    document::TF_FILHO* inserted = main->ActiveDocument();
    ASSERT_NE(inserted, replayed);
    expectFitted(*inserted);
    EXPECT_FALSE(main->PendingFramed);
}

TEST_F(Framing, SideFileGivesTheOpeningAndAMalformedOneIsReportedOnce) {
    QFile side(folder + "Velvo5/Curtos e Claros/1.fit");
    ASSERT_TRUE(side.open(QIODevice::WriteOnly));
    side.write("# by hand\ncentrex=40\ncentrey=50.5\nwidth=30\n");
    side.close();
    document::TF_FILHO* doc = insert(big, "1", 0, 0);
    const fit::Opening opening = doc->HairOpening();
    EXPECT_DOUBLE_EQ(opening.centreX, 40);
    EXPECT_DOUBLE_EQ(opening.centreY, 50.5);
    EXPECT_DOUBLE_EQ(opening.width, 30);
    ASSERT_TRUE(main->FrameDocument(*doc, face));
    expectFitted(*doc);

    QFile bad(folder + "Velvo5/Curtos e Claros/2.fit");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("centrex=lots\n");
    bad.close();
    doc->FormKeyUp(Qt::Key_Right, {});
    EXPECT_TRUE(statusText().contains("2.fit")) << statusText().toStdString();
    const auto measured =
        fit::measureOpening(imaging::toRaster(doc->ImageAux2->Image()), {255, 255, 255});
    ASSERT_TRUE(measured);
    EXPECT_DOUBLE_EQ(doc->HairOpening().width, measured->width);
    expectFitted(*doc);
    main->statusBar()->clearMessage();
    doc->FormKeyUp(Qt::Key_Left, {});
    doc->FormKeyUp(Qt::Key_Right, {});
    EXPECT_EQ(statusText(), "") << "reported once, not at every use";
}

TEST_F(Framing, OnlyALargePhotoOpensFramedAndOnlyWithTheOptionOn) {
    const QString portrait = QStringLiteral(VELVO_PROGRAM_DIR) + "Modelo.JPG";
    if (!QFile::exists(portrait))
        GTEST_SKIP() << "no sample portrait in " << VELVO_PROGRAM_DIR;
    if (!main->Faces().available())
        GTEST_SKIP() << "no face cascades installed";
    writeOption("[Opcoes]\nEnquadrarAoAbrir=0\n");
    document::TF_FILHO* plain = openPhoto(portrait);
    EXPECT_FALSE(plain->Framed);
    EXPECT_EQ(plain->Image1->Zoom(), 100);
    EXPECT_EQ(plain->Image1->ViewX(), 0);
    EXPECT_EQ(plain->Image1->ViewY(), 0);

    writeOption("[opcoes]\nenquadraraoabrir=1\n");
    const QString smaller = folder + "smaller.png";
    ASSERT_TRUE(QImage(portrait).scaled(480, 480).save(smaller));
    EXPECT_FALSE(openPhoto(smaller)->Framed) << "not more than twice the window";
    document::TF_FILHO* framed = openPhoto(portrait);
    ASSERT_TRUE(framed->Framed);
    const fit::Size window{framed->width(), framed->height()};
    const fit::View view =
        fit::frameFace({512, 512}, framed->Face, window, window, fit::defaultOpening(window));
    EXPECT_EQ(framed->Image1->Zoom(), view.zoom);
    EXPECT_EQ(framed->Image1->ViewX(), view.viewX);
    EXPECT_EQ(framed->Image1->ViewY(), view.viewY);
    EXPECT_TRUE(framed->Image2->isHidden()) << "the hairstyle still waits for Inserir";

    // The sample portrait under a hairstyle: the face's centre is seen, the crown is covered.
    main->InsertHairstyle("1");
    document::TF_FILHO* tried = main->ActiveDocument();
    ASSERT_TRUE(tried->Framed);
    const double zoom = tried->Image1->Zoom() / 100.0;
    const QPoint centre(int(tried->Face.centreX() * zoom) - tried->Image1->ViewX(),
                        int(tried->Face.centreY() * zoom) - tried->Image1->ViewY());
    const QPoint crown = centre - QPoint(0, int(tried->Face.box.h * zoom * 0.9));
    const QImage hair = tried->Image2->Picture();
    const QPoint at = tried->Image2->pos();
    EXPECT_EQ(hair.pixelColor(centre - at), QColor(Qt::white)) << "key colour: photo shows";
    EXPECT_EQ(hair.pixelColor(crown - at), QColor(150, 0, 0)) << "hair over the crown";
}

// A face at (580, 380), 160 pixels from ear to ear, its head rolled by `degrees`.
fit::Face rolledFace(double degrees) {
    const double a = degrees * 3.14159265358979 / 180;
    auto at = [&](double dx, double dy) {
        return fit::Point{580 + dx * std::cos(a) - dy * std::sin(a), 380 + dx * std::sin(a) + dy * std::cos(a)};
    };
    return fit::faceFromKeypoints({500, 300, 160, 160},
                                  {at(-30, -25), at(30, -25), at(0, 0), at(0, 25), at(-80, 0), at(80, 0)}, 0.9);
}

// The key-coloured region of the overlay that holds window point `p`, by flood fill: its centre.
QPointF holeCentre(const document::TF_FILHO& doc, QPoint p) {
    const QImage hair = doc.Image2->Picture();
    const QColor key = hair.pixelColor(0, hair.height() - 1);
    std::vector<QPoint> todo{p - doc.Image2->pos()};
    std::vector<bool> seen(size_t(hair.width()) * hair.height());
    double sx = 0, sy = 0;
    int n = 0;
    while (!todo.empty()) {
        const QPoint q = todo.back();
        todo.pop_back();
        if (!hair.rect().contains(q) || seen[size_t(q.y()) * hair.width() + q.x()] || hair.pixelColor(q) != key)
            continue;
        seen[size_t(q.y()) * hair.width() + q.x()] = true;
        sx += q.x() + 0.5, sy += q.y() + 0.5, ++n;
        for (QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
            todo.push_back(q + d);
    }
    return n ? QPointF(sx / n, sy / n) + doc.Image2->pos() : QPointF(-1e6, -1e6);
}

TEST_F(Framing, ARolledHeadTurnsTheHairstyleAboutItsOpeningUntilOriginalSize) {
    for (double degrees : {25.0, -40.0}) {
        SCOPED_TRACE(degrees);
        document::TF_FILHO* doc = insert(big, "1", 0, 0);
        ASSERT_TRUE(main->FrameDocument(*doc, rolledFace(degrees)));
        EXPECT_NEAR(doc->HairTurn, degrees, 1e-6);
        const QImage hair = doc->Image2->Picture();
        EXPECT_EQ(hair.size(), doc->Image2->size()) << "the turn is baked at the overlay's size";
        // Corners only key colour: the picture's own white, so keying, save and print see none.
        for (QPoint corner : {QPoint(0, 0), QPoint(hair.width() - 1, 0), QPoint(0, hair.height() - 1),
                              QPoint(hair.width() - 1, hair.height() - 1)})
            EXPECT_EQ(hair.pixelColor(corner), QColor(Qt::white)) << corner.x() << "," << corner.y();
        // The see-through oval, turned with the head, is centred on the face.
        const double zoom = doc->Image1->Zoom() / 100.0;
        const QPointF face(doc->Face.centreX() * zoom - doc->Image1->ViewX(),
                           doc->Face.centreY() * zoom - doc->Image1->ViewY());
        const QPointF hole = holeCentre(*doc, face.toPoint());
        EXPECT_NEAR(hole.x(), face.x(), 3);
        EXPECT_NEAR(hole.y(), face.y(), 3);
        // Its width lies along the eye line: the overlay spans more across than an upright one.
        EXPECT_GT(hair.width(), doc->HairSize().w * 160 * zoom / doc->HairOpening().width);

        main->tamanhoOriginal1Click();
        EXPECT_EQ(doc->HairTurn, 0);
        EXPECT_EQ(doc->Image2->Picture().size(), QSize(doc->HairSize().w, doc->HairSize().h)) << "upright again";
        main->EnquadrarRosto1Click(); // no face in a flat photo: it stays upright
        EXPECT_EQ(doc->HairTurn, 0);
    }
}

TEST_F(Framing, AMissingFaceModelIsNotedOnceBesideTheStatusMessages) {
    // This program folder has no face models.
    document::TF_FILHO* doc = insert(big, "1", 0, 0);
    main->EnquadrarRosto1Click();
    main->EnquadrarRosto1Click();
    ASSERT_TRUE(main->FrameDocument(*doc, face));
    const auto notes = main->statusBar()->findChildren<QLabel*>(QStringLiteral("faceModelsNote"));
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0]->text().contains(fit::FaceFinder::kModelFolder)) << notes[0]->text().toStdString();
    EXPECT_TRUE(notes[0]->text().contains("face_detection_front")) << notes[0]->text().toStdString();
}

TEST_F(Framing, FramingAgainMovesToTheNextFaceLargestAndMostCentralFirst) {
    const QString program = QStringLiteral(VELVO_PROGRAM_DIR);
    const QImage portrait(program + "Modelo.JPG");
    if (portrait.isNull() || !QFile::exists(program + "facemodels/" + fit::LandmarkFinder::kBackModel))
        GTEST_SKIP() << "no sample portrait or face models in " << VELVO_PROGRAM_DIR;
    ASSERT_TRUE(QFile::link(program + "facemodels", folder + "facemodels"));
    // The portrait twice its size on the left, as it is on the right.
    QImage two(1600, 1024, QImage::Format_BGR888);
    two.fill(QColor(130, 110, 90));
    QPainter p(&two);
    p.drawImage(QRect(0, 0, 1024, 1024), portrait);
    p.drawImage(QPoint(1060, 300), portrait);
    p.end();
    document::TF_FILHO* doc = insert(writePhoto("two.bmp", imaging::toRaster(two)), "1", 0, 0);
    const double expected[] = {2 * 225, 1060 + 225, 2 * 225};
    for (double x : expected) {
        main->EnquadrarRosto1Click();
        ASSERT_TRUE(doc->Framed);
        EXPECT_NEAR(doc->Face.centreX(), x, 16);
    }
    EXPECT_TRUE(main->statusBar()->findChildren<QLabel*>(QStringLiteral("faceModelsNote")).isEmpty());
}

TEST_F(Framing, CommandsNeedADocument) {
    for (const char* name : {"EnquadrarRosto1", "ProvarCategoria1"})
        EXPECT_FALSE(main->Action(name)->isEnabled()) << name;
    EXPECT_FALSE(main->Button("BT_ROSTO")->isEnabled());
    EXPECT_EQ(main->Action("EnquadrarRosto1")->shortcut(), QKeySequence("Ctrl+E"));
    EXPECT_EQ(main->Action("ProvarCategoria1")->shortcut(), QKeySequence("Ctrl+T"));

    openPhoto(writePhoto("small.bmp", solid(48, 60, {1, 2, 3})));
    EXPECT_TRUE(main->Action("EnquadrarRosto1")->isEnabled());
    EXPECT_TRUE(main->Action("ProvarCategoria1")->isEnabled());
    EXPECT_TRUE(main->Button("BT_ROSTO")->isEnabled());
}

TEST_F(Framing, TryingACategoryOpensAtMostEightFramedDocumentsAndTheirPreview) {
    print::TF_PREVIEW2 preview(main.get());
    for (int n = 3; n <= 10; ++n)
        writeHair(0, n, ringHair(100 + n, 130, {0, 0, 150}));
    writeHair(0, 11, ringHair(100, 130, {0, 0, 150}));
    document::TF_FILHO* source = insert(big, "1", 0, 0);
    ASSERT_TRUE(main->FrameDocument(*source, face));
    main->ProvarCategoria1Click();
    const QList<document::TF_FILHO*> docs = main->Documents();
    ASSERT_EQ(docs.size(), 1 + 8);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_EQ(docs[i]->HairNumber, i);
        EXPECT_TRUE(docs[i]->Framed);
        EXPECT_EQ(docs[i]->Image1->Image(), source->Image1->Image());
        expectFitted(*docs[i]);
        EXPECT_FALSE(docs[i]->SubWindow()->geometry().intersects(
            docs[i - 1 == 0 ? 2 : i - 1]->SubWindow()->geometry()))
            << "laid side by side";
    }
    EXPECT_TRUE(preview.isVisible());

    main->FecharTudo1Click();
    flushDeletes();
    QFile::remove(hairPath(0, 11));
    for (int n = 3; n <= 10; ++n)
        QFile::remove(hairPath(0, n));
    insert(big, "2", 0, 0);
    main->ProvarCategoria1Click();
    EXPECT_EQ(main->Documents().size(), 1 + 2);
    EXPECT_EQ(main->Documents().back()->HairNumber, 2);
}

} // namespace
} // namespace velvo::testing
