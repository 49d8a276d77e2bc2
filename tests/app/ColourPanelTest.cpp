// The colour panel on its three targets, the colour box, the virtual colours and the retouch
// hand-over.
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <functional>
#include <tuple>

#include "app/StudioFixture.h"
#include "document/TResizeGrip.h"
#include "imaging/RasterImage.h"
#include "imaging/THsvPicker.h"
#include "pixel/PixelFilters.h"
#include "translation/TLanguage.h"
#include "ui/TGradPan.h"

namespace velvo::testing {
namespace {

class ColourPanel : public StudioTest {
protected:
    void SetUp() override {
        StudioTest::SetUp();
        photo = writePhoto("photo.bmp", solid(120, 90, {40, 60, 80}));
        writeHair(0, 1, hairstyle(8, 10, {30, 60, 120}));
        writeHair(0, 2, hairstyle(12, 12, {20, 90, 40}));
    }
    // What the target must show after a move: `capture` through each filter whose slider is
    // off its neutral position, one filter at a time in the panel's order.
    static QImage filtered(const QImage& capture, const pixel::PanelSettings& s) {
        pixel::TPixelBitmap bitmap;
        bitmap.LoadFromBitmapHandle(capture);
        if (s.red != 0 || s.green != 0 || s.blue != 0)
            pixel::OffsetChannels(bitmap, s.red, s.green, s.blue);
        if (s.lightness != 0)
            pixel::ApplyLightness(bitmap, s.lightness);
        if (s.contrast != 0)
            pixel::ApplyContrast(bitmap, s.contrast);
        if (s.saturation != 255)
            pixel::ApplySaturation(bitmap, s.saturation);
        if (s.sharpen != 0)
            pixel::ApplySharpen(bitmap, s.sharpen);
        QImage result = capture.copy();
        bitmap.DrawAt(result, 0, 0);
        return result;
    }
    // The panel's target in `doc`: the overlay while shown, else the photo.
    static const QImage& target(const document::TF_FILHO* doc) {
        return doc->Image2->isHidden() ? doc->Image1->Image() : doc->Image2->Picture();
    }
    QString photo;
};

TEST_F(ColourPanel, IsBuiltFloatingOverTheDocumentsAtItsFixedSize) {
    TGradPan* panel = main->GradPan1;
    EXPECT_EQ(panel->geometry(), QRect(264, 39, 257, 242));
    EXPECT_TRUE(panel->isHidden());
    EXPECT_TRUE(panel->Moveable());
    EXPECT_EQ(panel->ColorStart(), QColor(128, 128, 128));
    EXPECT_EQ(panel->ColorEnd(), QColor(192, 192, 192));
    const std::pair<QScrollBar*, std::array<int, 3>> sliders[] = {
        {main->sRed, {-255, 255, 0}},       {main->sGreen, {-255, 255, 0}},
        {main->sBlue, {-255, 255, 0}},      {main->sContrast, {-150, 150, 0}},
        {main->sLightness, {-150, 150, 0}}, {main->sSaturation, {0, 510, 255}},
        {main->sSharpen, {0, 10, 0}}};
    for (const auto& [slider, range] : sliders) {
        EXPECT_EQ(slider->parentWidget(), panel);
        EXPECT_EQ(slider->minimum(), range[0]) << slider->objectName().toStdString();
        EXPECT_EQ(slider->maximum(), range[1]);
        EXPECT_EQ(slider->value(), range[2]);
        EXPECT_EQ(slider->pageStep(), 10);
    }
    panel->resize(300, 100);
    panel->show();
    EXPECT_EQ(panel->size(), QSize(257, 242)) << "a resize made while hidden";
    panel->resize(120, 400);
    EXPECT_EQ(panel->size(), QSize(257, 242));
    EXPECT_EQ(main->BitBtn21->toolTip(), "Fechar Color Panel");
}

TEST_F(ColourPanel, SlidersAreSettingsFromTheCaptureNotSteps) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    const QImage capture = doc->Image2->Picture();
    main->BT_SLIDERSClick();
    EXPECT_TRUE(main->PanelOpened);
    EXPECT_EQ(main->Label1->text(), "1");

    main->sRed->setValue(100);
    EXPECT_EQ(at(doc->Image2->Picture(), 4, 4), QColor(220, 60, 30));
    EXPECT_EQ(main->sRed->toolTip(), "100");
    EXPECT_EQ(main->sGreen->toolTip(), "0");
    main->sRed->setValue(50);
    EXPECT_EQ(at(doc->Image2->Picture(), 4, 4), QColor(170, 60, 30)) << "not 100 + 50";
    main->sRed->setValue(0);
    EXPECT_EQ(doc->Image2->Picture(), capture);

    main->sContrast->setValue(40);
    main->BitBtn1Click();
    EXPECT_EQ(doc->Image2->Picture(), capture);
    EXPECT_EQ(main->sContrast->value(), 0);
    EXPECT_EQ(main->sSaturation->toolTip(), "255");
    EXPECT_EQ(main->sContrast->toolTip(), "0");
}

TEST_F(ColourPanel, EachSliderDrivesItsOwnFilter) {
    // Edges (for the sharpening) and a colour whose channels all differ.
    writeHair(0, 3, hairstyle(14, 12, {40, 90, 170}));
    document::TF_FILHO* doc = insert(photo, "3", 0, 0);
    const QImage capture = doc->Image2->Picture();
    const std::tuple<QScrollBar*, int, pixel::PanelSettings> rows[] = {
        {main->sRed, 70, {.red = 70}},
        {main->sGreen, -50, {.green = -50}},
        {main->sBlue, 45, {.blue = 45}},
        {main->sLightness, 37, {.lightness = 37}},
        {main->sContrast, -60, {.contrast = -60}},
        {main->sSaturation, 420, {.saturation = 420}},
        {main->sSharpen, 3, {.sharpen = 3}},
    };
    main->BT_SLIDERSClick();
    for (const auto& [slider, value, settings] : rows) {
        const QString name = slider->objectName();
        slider->setValue(value);
        const QImage expected = filtered(capture, settings);
        ASSERT_NE(expected, capture) << name.toStdString() << " would show nothing";
        EXPECT_EQ(doc->Image2->Picture(), expected) << name.toStdString();
        main->BitBtn1Click();
        ASSERT_EQ(doc->Image2->Picture(), capture);
    }
}

TEST_F(ColourPanel, AMoveAfterAnotherTryWasClickedActsOnThatTrysOwnHairstyle) {
    // Eight tries of one client; try 7 has the larger hairstyle, so another try's capture
    // written over it would leave a strip of its own hair.
    QList<document::TF_FILHO*> tries;
    for (int i = 0; i < 8; ++i)
        tries << insert(photo, i % 2 ? "1" : "2", 0, 0);
    ASSERT_EQ(main->ActiveDocument(), tries[7]);
    main->BT_SLIDERSClick();
    main->sLightness->setValue(30);
    QList<QImage> before;
    for (const document::TF_FILHO* t : tries)
        before << t->Image2->Picture();

    main->MdiArea->setActiveSubWindow(tries[6]->SubWindow());
    ASSERT_EQ(main->ActiveDocument(), tries[6]);
    main->sLightness->triggerAction(QAbstractSlider::SliderPageStepAdd);
    ASSERT_EQ(main->sLightness->value(), 40);
    EXPECT_EQ(tries[6]->Image2->Picture(), filtered(before[6], {.lightness = 40}));
    for (int i = 0; i < 8; ++i) {
        if (i != 6)
            EXPECT_EQ(tries[i]->Image2->Picture(), before[i]) << "try " << i + 1;
    }
    main->BitBtn1Click();
    EXPECT_EQ(tries[6]->Image2->Picture(), before[6]) << "reset gives try 7 its own picture";
}

TEST_F(ColourPanel, ACaptureThatIsNoLongerTheTargetIsTakenAgain) {
    const QString other = writePhoto("other.bmp", solid(100, 80, {200, 10, 90}));
    // Each change leaves the active document; the panel was opened on `doc` with "Luz" at 30.
    using Change = std::function<document::TF_FILHO*(document::TF_FILHO*)>;
    const std::pair<const char*, Change> changes[] = {
        {"next hairstyle",
         [](document::TF_FILHO* doc) {
             doc->FormKeyUp(Qt::Key_Right, Qt::NoModifier);
             return doc;
         }},
        {"virtual colour by key",
         [](document::TF_FILHO* doc) {
             doc->FormKeyUp(Qt::Key_Up, Qt::NoModifier);
             return doc;
         }},
        {"resized",
         [this](document::TF_FILHO* doc) {
             main->BT_MOVE->click();
             doc->SH1->SetBounds(-2, -2, 16 + 5, 20 + 5);
             main->BT_SCROLL->click();
             return doc;
         }},
        {"hairstyle erased, photo is the target",
         [this](document::TF_FILHO* doc) {
             main->ApagarCabelo1Click();
             return doc;
         }},
        {"another try of the same hairstyle",
         [this](document::TF_FILHO*) { return insert(photo, "1", 0, 0); }},
        {"replayed into a new try of the next hairstyle",
         [this](document::TF_FILHO*) {
             main->Replay1Click();
             return main->ActiveDocument();
         }},
        {"closed, then a photo opened (number 1 too)",
         [&, this](document::TF_FILHO* doc) {
             doc->Close();
             flushDeletes();
             EXPECT_TRUE(main->PanelSnapshot.Empty()) << "a closed document's capture stays";
             return openPhoto(other);
         }},
    };
    // A slider keeps the other settings; the colour box starts from neutral ones.
    main->HsvPicker1->SetHue(0);
    main->HsvPicker1->SetSat(99);
    main->HsvPicker1->SetVal(99);
    const std::pair<const char*, std::function<pixel::PanelSettings()>> moves[] = {
        {"slider",
         [this] {
             main->sLightness->triggerAction(QAbstractSlider::SliderPageStepAdd);
             return pixel::PanelSettings{.lightness = 40};
         }},
        {"colour box",
         [this] {
             main->HsvPicker1Click();
             return pixel::PanelSettings{.red = 255};
         }},
    };
    for (const auto& [move, act] : moves) {
        for (const auto& [change, apply] : changes) {
            SCOPED_TRACE(std::string(move) + " after: " + change);
            document::TF_FILHO* doc = insert(photo, "1", 0, 0);
            main->BT_SLIDERSClick();
            main->sLightness->setValue(30);
            document::TF_FILHO* active = apply(doc);
            ASSERT_EQ(active, main->ActiveDocument());
            QList<std::pair<QImage, QImage>> others;
            for (const document::TF_FILHO* d : main->Documents())
                others << std::pair(d->Image1->Image(), d->Image2->Picture());
            const QImage own = target(active);

            const pixel::PanelSettings settings = act();
            EXPECT_EQ(target(active), filtered(own, settings));
            EXPECT_EQ(main->sLightness->value(), settings.lightness);
            for (int i = 0; i < main->Documents().size(); ++i) {
                const document::TF_FILHO* d = main->Documents()[i];
                if (d == active)
                    continue;
                EXPECT_EQ(d->Image1->Image(), others[i].first) << "document " << i;
                EXPECT_EQ(d->Image2->Picture(), others[i].second) << "document " << i;
            }
        }
    }
}

TEST_F(ColourPanel, NeutralSaturationIsSkippedNotApplied) {
    // At 255 the filter lifts a zero channel to 1, so applying it would show.
    const imaging::Bgr hair{0, 120, 250};
    pixel::TPixelBitmap probe;
    probe.SetSize(1, 1);
    std::copy_n(std::array<uint8_t, 3>{hair.b, hair.g, hair.r}.data(), 3, probe.PixelAt(0, 0));
    pixel::ApplySaturation(probe, 255);
    ASSERT_NE(probe.PixelAt(0, 0)[0], hair.b);

    writeHair(1, 1, hairstyle(8, 8, hair));
    main->CategoryText = "1";
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    const QImage capture = doc->Image2->Picture();
    main->BT_SLIDERSClick();
    main->sSaturation->setValue(254);
    EXPECT_NE(doc->Image2->Picture(), capture);
    main->sSaturation->setValue(255);
    EXPECT_EQ(doc->Image2->Picture(), capture);
}

TEST_F(ColourPanel, ChoosesSelectionThenOverlayThenPhoto) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    const QImage hair = doc->Image2->Picture();

    main->ApagarCabelo1Click();
    main->BT_SLIDERSClick();
    main->sBlue->setValue(20);
    EXPECT_EQ(at(doc->Image1->Image(), 100, 80), QColor(80, 60, 60)) << "whole photo";
    EXPECT_EQ(doc->Image2->Picture(), hair);

    main->BT_LACO->click();
    doc->Image1->SetSelectionPoints(QPolygon({{10, 10}, {50, 10}, {10, 50}}));
    main->BT_SLIDERSClick();
    main->sRed->setValue(100);
    EXPECT_EQ(at(doc->Image1->Image(), 12, 12), QColor(180, 60, 60)) << "inside";
    EXPECT_EQ(at(doc->Image1->Image(), 45, 45), QColor(80, 60, 60)) << "outside, in the box";
    EXPECT_EQ(at(doc->Image1->Image(), 100, 80), QColor(80, 60, 60)) << "outside the box";
}

TEST_F(ColourPanel, ColourBoxRecapturesWhenAnotherDocumentIsActive) {
    document::TF_FILHO* first = insert(photo, "1", 0, 0);
    document::TF_FILHO* second = insert(photo, "2", 0, 0);
    main->MdiArea->setActiveSubWindow(first->SubWindow());
    main->BT_SLIDERSClick();
    main->sLightness->setValue(30);
    const QImage firstAfter = first->Image2->Picture();

    main->MdiArea->setActiveSubWindow(second->SubWindow());
    main->HsvPicker1->SetHue(0);
    main->HsvPicker1->SetSat(99);
    main->HsvPicker1->SetVal(99);
    main->HsvPicker1Click();
    EXPECT_EQ(main->Label1->text(), "2");
    EXPECT_EQ(main->sLightness->value(), 0) << "sliders reset by the new capture";
    EXPECT_EQ(main->sRed->value(), 255);
    EXPECT_EQ(main->sGreen->value(), 0);
    // Hair (40, 90, 20) of the second document plus the picked red.
    EXPECT_EQ(at(second->Image2->Picture(), 5, 5), QColor(255, 90, 20));
    EXPECT_EQ(first->Image2->Picture(), firstAfter);

    // The same document and picture: no recapture.
    main->sLightness->setValue(10);
    main->HsvPicker1Click();
    EXPECT_EQ(main->sLightness->value(), 10);
}

TEST_F(ColourPanel, ASelectionIsWrittenFromItsOwnCaptureWhateverPassedThroughTheScratchView) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    main->BT_LACO->click();
    doc->Image1->SetSelectionPoints(QPolygon({{10, 10}, {70, 10}, {10, 70}}));
    main->BT_SLIDERSClick();
    main->sRed->setValue(100);
    // The next hairstyle is read through the scratch view; the selection stays the target.
    doc->FormKeyUp(Qt::Key_Right, Qt::NoModifier);
    main->sRed->setValue(50);
    for (const QPoint inside : {QPoint(12, 12), QPoint(40, 20)})
        EXPECT_EQ(at(doc->Image1->Image(), inside.x(), inside.y()), QColor(130, 60, 40));
    EXPECT_EQ(at(doc->Image1->Image(), 60, 60), QColor(80, 60, 40));
}

TEST_F(ColourPanel, VirtualColoursNeverAddUpAndNormalReturnsToTheLibraryPicture) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    main->Amarelo1Click();
    main->Vermelho1Click();
    EXPECT_EQ(at(doc->Image2->Picture(), 4, 4), QColor(185, 60, 30));
    EXPECT_EQ(at(doc->Image2->Picture(), 0, 0), QColor(255, 255, 255));

    main->BT_MOVE->click();
    doc->SH1->SetBounds(-2, -2, 20 + 5, 20 + 5);
    main->BT_SCROLL->click();
    ASSERT_EQ(doc->Image2->Picture().size(), QSize(20, 20));
    main->Normal1Click();
    EXPECT_EQ(doc->Image2->size(), QSize(8, 10));
    EXPECT_EQ(at(doc->Image2->Picture(), 4, 4), QColor(120, 60, 30));
}

TEST_F(ColourPanel, SelectionOutlineButtonToggles) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    main->BT_LACO->click();
    doc->Image1->SetSelectionPoints(QPolygon({{1, 1}, {9, 1}, {5, 8}}));
    const bool before = doc->Image1->SelectionVisible();
    main->BitBtn2Click();
    EXPECT_NE(doc->Image1->SelectionVisible(), before);
    main->BitBtn2Click();
    EXPECT_EQ(doc->Image1->SelectionVisible(), before);
}

TEST_F(ColourPanel, LabelsAnswerToTheTranslationFile) {
    QFile file(folder + "language.lng");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Translations]\nF_HAIR.StyledLabel1.Caption=Red\nF_HAIR.BitBtn21.Hint=Close\n");
    file.close();
    main->L1->Translate();
    EXPECT_EQ(main->GradPan1->findChild<QLabel*>("StyledLabel1")->text(), "Red");
    EXPECT_EQ(main->BitBtn21->toolTip(), "Close");
}

// Edits the picture it receives and hands it back the way the editor does.
class StandInEditor : public app::RetouchEditor {
public:
    explicit StandInEditor(app::TF_HAIR& main) : main_(main) {}
    void SetPicture(const QImage& picture) override { picture_ = picture; }
    void ShowModal() override {
        received = picture_;
        picture_.setPixelColor(1, 1, QColor(0, 0, 255));
        main_.PictureView1->SetImage(picture_);
        main_.ReturnFromRetouch();
    }
    QImage received;

private:
    app::TF_HAIR& main_;
    QImage picture_;
};

TEST_F(ColourPanel, RetouchedHairstyleAndPhotoComeBack) {
    StandInEditor editor(*main);
    main->Retoucher = &editor;
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    doc->Image2->PictureForEdit().fill(Qt::black);

    main->RetoqueCabelo1Click();
    EXPECT_EQ(main->RetouchTarget, "Cabelo");
    EXPECT_EQ(at(editor.received, 4, 4), QColor(120, 60, 30)) << "from the pristine copy";
    EXPECT_EQ(at(doc->Image2->Picture(), 1, 1), QColor(0, 0, 255));
    EXPECT_EQ(at(doc->Image2->Picture(), 4, 4), QColor(120, 60, 30));

    main->CaptureCount = 4;
    main->RetoqueFoto1Click();
    EXPECT_EQ(main->RetouchTarget, "Foto");
    EXPECT_FALSE(doc->Image2->isHidden());
    EXPECT_EQ(at(doc->Image1->Image(), 1, 1), QColor(0, 0, 255));
    EXPECT_EQ(main->CaptureCount, 5);
    const QString temp = folder + "Velvo5/Temp5.BMP";
    EXPECT_EQ(doc->lblFilename->text(), temp);
    EXPECT_EQ(at(imaging::toQImage(*imaging::loadImageFile(temp.toStdString())), 1, 1),
              QColor(0, 0, 255));

    // The next insertion takes the retouched photo.
    main->InsertHairstyle("2");
    EXPECT_EQ(main->ActiveDocument()->lblFilename->text(), temp);
    EXPECT_EQ(at(main->ActiveDocument()->Image1->Image(), 1, 1), QColor(0, 0, 255));

    // A photo shown without a hairstyle gets none from a retouch.
    document::TF_FILHO* bare = openPhoto(photo);
    ASSERT_TRUE(bare->Image2->isHidden());
    main->RetoqueFoto1Click();
    EXPECT_TRUE(bare->Image2->isHidden());
    main->Retoucher = nullptr;
}

TEST_F(ColourPanel, AFailedTempWriteKeepsThePhotoFileName) {
    document::TF_FILHO* doc = insert(photo, "1", 0, 0);
    doc->Hair->setText("NoSuchLibrary");
    main->PictureView1->SetImage(doc->Image1->Image());
    main->RetouchTarget = "Foto";
    EXPECT_THROW(main->ReturnFromRetouch(), std::exception);
    EXPECT_EQ(doc->lblFilename->text(), photo);
}

} // namespace
} // namespace velvo::testing
