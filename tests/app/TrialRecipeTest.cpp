// A try rendered from its hairstyle's master keeps every edit the stylist made to the overlay:
// the document remembers how its overlay was made and the renderer makes it again. Each case is
// checked against the document's own window picture, where the hairstyle is.
#include <QScrollBar>
#include <functional>

#include "StudioFixture.h"
#include "render/RenderFixture.h"
#include "render/TrialRenderer.h"

namespace velvo::testing {
namespace {

using render::testing::alignedBest;
using render::testing::difference;

class TrialRecipe : public StudioTest {
protected:
    document::TF_FILHO* openTry() {
        const QString category = folder + "Velvo5/" + QString::fromUtf8(kCategories[0]);
        QDir().mkpath(category);
        render::testing::writeHairstyle(category);
        const QString photo = writePhoto("photo.bmp", solid(600, 800, {200, 140, 90}));
        main->CategoryText = "0";
        return insert(photo, "1", 40, 50);
    }
};

struct Edit {
    const char* name;
    std::function<void(app::TF_HAIR&, document::TF_FILHO&)> apply;
};

void rollFace(app::TF_HAIR&, document::TF_FILHO& doc) {
    fit::Face face(fit::FaceBox{70, 90, 60, 80});
    face.roll = 14;
    doc.Framed = true;
    doc.Face = face;
    doc.FitHairToFace();
}

void panel(app::TF_HAIR& main, document::TF_FILHO&) {
    main.ColorPanel1Click();
    main.sRed->setValue(-120);
    main.sSaturation->setValue(60);
    main.sLightness->setValue(30);
}

const Edit kEdits[] = {
    {"as the library has it", [](auto&, auto&) {}},
    {"flipped", [](auto& main, auto&) { main.Flip1Click(); }},
    {"virtual colour", [](auto& main, auto&) { main.Vermelho1Click(); }},
    {"flipped, then a virtual colour from the pristine copy",
     [](auto& main, auto&) { main.Flip1Click(), main.Marrom1Click(); }},
    {"colour panel, moved twice", [](auto& main, auto& doc) { panel(main, doc), main.sRed->setValue(90); }},
    {"virtual colour, flipped, then the panel",
     [](auto& main, auto& doc) { main.Amarelo1Click(), main.Flip1Click(), panel(main, doc); }},
    {"two panel runs", [](auto& main, auto& doc) { panel(main, doc), main.BitBtn21Click(), panel(main, doc); }},
    {"coloured, then the hairstyle again from the library",
     [](auto& main, auto& doc) { main.Preto1Click(), doc.FormKeyUp(Qt::Key_Right, {}); }},
    {"framed on a rolled face", rollFace},
    {"rolled, coloured, flipped", [](auto& main, auto& doc) { rollFace(main, doc), main.Vermelho1Click(), main.Flip1Click(); }},
    {"retouched by hand", [](auto& main, auto& doc) {
         QImage painted = doc.ImageAux2->Image().copy();
         for (int y = 30; y < 50; ++y)
             for (int x = 3; x < 14; ++x)
                 painted.setPixelColor(x, y, QColor(20, 200, 40));
         main.PictureView1->SetImage(painted);
         main.RetouchTarget = "Cabelo";
         main.ReturnFromRetouch();
     }},
};

TEST_F(TrialRecipe, TheRenderFromTheMasterShowsEveryEditOfTheOverlay) {
    for (const Edit& edit : kEdits) {
        SCOPED_TRACE(edit.name);
        document::TF_FILHO* doc = openTry();
        ASSERT_NE(doc, nullptr);
        edit.apply(*main, *doc);
        const trial::Trial t = doc->Describe();
        const render::TrialRenderer renderer(t, t.hairFile);
        EXPECT_EQ(renderer.UsesMaster(), !t.recipe.ownPicture) << renderer.MasterProblem().toStdString();
        const QImage reduced = renderer.Render(renderer.ClientRegion(), t.clientSize * 4)
                                   .scaled(t.clientSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // Where the hairstyle is, with a little of the photo round it.
        const QRect where = doc->Image2->geometry().adjusted(-3, -3, 3, 3).intersected(QRect(QPoint(), t.clientSize));
        const QImage window = doc->CompositeImage().copy(where), render = reduced.copy(where);
        EXPECT_TRUE(alignedBest(render, window));
        const render::testing::Difference d = difference(render, window);
        RecordProperty(edit.name, QStringLiteral("mean %1 p99 %2").arg(d.mean, 0, 'f', 2).arg(d.p99).toStdString());
        EXPECT_LT(d.mean, 4.0);
        doc->Close();
        flushDeletes();
    }
}

} // namespace
} // namespace velvo::testing
