#include <QJsonArray>
#include <QJsonDocument>
#include <functional>
#include <gtest/gtest.h>

#include "trial/Trial.h"

using namespace velvo;
using trial::OverlayStep;

namespace {

trial::Trial fullTrial() {
    trial::Trial t;
    t.photoFile = QStringLiteral("/salão/fotos/José.jpg");
    t.photoEdited = true;
    t.libraryLabel = "Velvo42";
    t.category = "5";
    t.hairNumber = 17;
    t.hairFile = "/p/Velvo42/Longo/17.GIF";
    OverlayStep flip;
    OverlayStep colour;
    colour.kind = OverlayStep::Kind::VirtualColour;
    colour.colour = 3;
    OverlayStep panel;
    panel.kind = OverlayStep::Kind::Panel;
    panel.panel = {-12, 40, 7, -30, 25, 180, 2};
    OverlayStep turn;
    turn.kind = OverlayStep::Kind::Turn;
    turn.degrees = -7.25;
    t.recipe.steps = {flip, colour, panel, turn};
    t.recipe.ownPicture = true;
    t.left = -35;
    t.top = 12;
    t.overlayShown = false;
    t.zoom = 250;
    t.viewX = 480;
    t.viewY = 91;
    t.clientSize = QSize(241, 313);
    t.framed = true;
    t.face = fit::faceFromKeypoints(
        {100, 120, 300, 340},
        {{{180.5, 220}, {290.25, 226}, {235, 290}, {236, 350}, {120, 240}, {372, 250}}}, 0.875);
    t.faceIndex = 2;
    t.hairTurn = 3.5;
    t.clientName = QStringLiteral("José Antônio");
    t.unknown = QJsonObject{{"headPitch", 4.5}, {"futureList", QJsonArray{1, "two"}}};
    return t;
}

void expectSameDescription(const trial::Trial& a, const trial::Trial& b) {
    EXPECT_EQ(a.photoFile, b.photoFile);
    EXPECT_EQ(a.photoEdited, b.photoEdited);
    EXPECT_EQ(a.libraryLabel, b.libraryLabel);
    EXPECT_EQ(a.category, b.category);
    EXPECT_EQ(a.hairNumber, b.hairNumber);
    EXPECT_EQ(a.hairFile, b.hairFile);
    ASSERT_EQ(a.recipe.steps.size(), b.recipe.steps.size());
    for (size_t i = 0; i < a.recipe.steps.size(); ++i) {
        const OverlayStep &x = a.recipe.steps[i], &y = b.recipe.steps[i];
        EXPECT_EQ(x.kind, y.kind) << i;
        EXPECT_EQ(x.colour, y.colour) << i;
        EXPECT_EQ(x.degrees, y.degrees) << i;
        EXPECT_EQ(x.panel.red, y.panel.red) << i;
        EXPECT_EQ(x.panel.green, y.panel.green) << i;
        EXPECT_EQ(x.panel.blue, y.panel.blue) << i;
        EXPECT_EQ(x.panel.lightness, y.panel.lightness) << i;
        EXPECT_EQ(x.panel.contrast, y.panel.contrast) << i;
        EXPECT_EQ(x.panel.saturation, y.panel.saturation) << i;
        EXPECT_EQ(x.panel.sharpen, y.panel.sharpen) << i;
    }
    EXPECT_EQ(a.recipe.ownPicture, b.recipe.ownPicture);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.top, b.top);
    EXPECT_EQ(a.overlayShown, b.overlayShown);
    EXPECT_EQ(a.zoom, b.zoom);
    EXPECT_EQ(a.viewX, b.viewX);
    EXPECT_EQ(a.viewY, b.viewY);
    EXPECT_EQ(a.clientSize, b.clientSize);
    EXPECT_EQ(a.framed, b.framed);
    EXPECT_EQ(a.face.box, b.face.box);
    EXPECT_EQ(a.face.roll, b.face.roll);
    EXPECT_EQ(a.face.score, b.face.score);
    EXPECT_EQ(a.face.keypoints, b.face.keypoints);
    EXPECT_EQ(a.faceIndex, b.faceIndex);
    EXPECT_EQ(a.hairTurn, b.hairTurn);
    EXPECT_EQ(a.clientName, b.clientName);
    EXPECT_EQ(a.unknown, b.unknown);
}

trial::Trial throughText(const trial::Trial& t) {
    const QByteArray text = QJsonDocument(trial::DescriptionOf(t)).toJson(QJsonDocument::Compact);
    trial::Trial back;
    trial::ReadDescription(QJsonDocument::fromJson(text).object(), back);
    return back;
}

} // namespace

TEST(TrialDescription, EveryFieldSurvivesTheTextForm) {
    const trial::Trial full = fullTrial();
    expectSameDescription(full, throughText(full));

    // Defaults too: a try with nothing set must not read back with stray values.
    trial::Trial plain;
    plain.face = fit::Face(fit::FaceBox{1, 2, 3, 4});
    expectSameDescription(plain, throughText(plain));
}

TEST(TrialDescription, KeysOfALaterVersionAreKeptAndWrittenBack) {
    QJsonObject json = trial::DescriptionOf(fullTrial());
    json.insert("version", 7);
    json.insert("layers", QJsonArray{QJsonObject{{"blend", "multiply"}}});
    trial::Trial t;
    trial::ReadDescription(json, t);
    EXPECT_EQ(t.zoom, 250);
    EXPECT_TRUE(t.unknown.contains("layers"));
    const QJsonObject again = trial::DescriptionOf(t);
    EXPECT_EQ(again.value("layers"), json.value("layers"));
    EXPECT_EQ(again.value("headPitch"), json.value("headPitch"));
    // Known keys are never duplicated into the kept ones.
    EXPECT_FALSE(t.unknown.contains("zoom"));
}

TEST(TrialDescription, AStepOfALaterVersionLeavesOnlyTheOwnPicture) {
    QJsonObject json = trial::DescriptionOf(fullTrial());
    QJsonObject recipe = json.value("recipe").toObject();
    recipe.insert("ownPicture", false);
    QJsonArray steps = recipe.value("steps").toArray();
    steps.insert(1, QJsonObject{{"kind", "warp"}, {"grid", 8}});
    recipe.insert("steps", steps);
    json.insert("recipe", recipe);
    trial::Trial t;
    trial::ReadDescription(json, t);
    EXPECT_TRUE(t.recipe.ownPicture);
    EXPECT_TRUE(t.recipe.steps.empty());
}

TEST(TrialDescription, MalformedValuesNameTheirKeyAndLeaveTheTryAlone) {
    const struct {
        const char* key;
        std::function<void(QJsonObject&)> spoil;
    } cases[] = {
        {"version", [](QJsonObject& j) { j.remove("version"); }},
        {"zoom", [](QJsonObject& j) { j.insert("zoom", "100"); }},
        {"left", [](QJsonObject& j) { j.insert("left", 1.5); }},
        {"hairNumber", [](QJsonObject& j) { j.insert("hairNumber", 1e12); }},
        {"overlayShown", [](QJsonObject& j) { j.insert("overlayShown", 1); }},
        {"face.keypoints",
         [](QJsonObject& j) {
             QJsonObject f = j.value("face").toObject();
             f.insert("keypoints", QJsonArray{QJsonArray{1, 2}});
             j.insert("face", f);
         }},
        {"recipe.steps[2].panel.red",
         [](QJsonObject& j) {
             QJsonObject r = j.value("recipe").toObject();
             QJsonArray s = r.value("steps").toArray();
             QJsonObject step = s[2].toObject();
             QJsonObject p = step.value("panel").toObject();
             p.insert("red", "x");
             step.insert("panel", p);
             s[2] = step;
             r.insert("steps", s);
             j.insert("recipe", r);
         }},
        {"clientSize",
         [](QJsonObject& j) {
             j.insert("clientSize", QJsonArray{241, 313});
         }},
    };
    for (const auto& c : cases) {
        QJsonObject json = trial::DescriptionOf(fullTrial());
        c.spoil(json);
        trial::Trial t;
        t.zoom = 77;
        try {
            trial::ReadDescription(json, t);
            ADD_FAILURE() << c.key << ": accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find('"' + std::string(c.key) + '"'), std::string::npos)
                << c.key << ": " << e.what();
        }
        EXPECT_EQ(t.zoom, 77) << c.key;
    }
}
