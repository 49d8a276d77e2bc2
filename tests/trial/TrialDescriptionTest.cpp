#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include "trial/Trial.h"

using namespace velvo;
using trial::OverlayStep;

namespace {

trial::Trial fullTrial() {
    trial::Trial t;
    t.photoFile = QStringLiteral("/salão/José.jpg");
    t.photoEdited = true;
    t.libraryLabel = "Velvo42";
    t.category = "5";
    t.hairNumber = 17;
    t.hairFile = "/p/Velvo42/Longo/17.GIF";
    t.recipe.steps.resize(4);
    t.recipe.steps[1] = {OverlayStep::Kind::VirtualColour, 3, {}, 0};
    t.recipe.steps[2] = {OverlayStep::Kind::Panel, 0, {-12, 40, 7, -30, 25, 180, 2}, 0};
    t.recipe.steps[3] = {OverlayStep::Kind::Turn, 0, {}, -7.25};
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

// Field by field, so a value the JSON form forgot both to write and to read is still caught.
void expectSameDescription(const trial::Trial& a, const trial::Trial& b) {
    const auto panel = [](const pixel::PanelSettings& p) {
        return std::tuple(p.red, p.green, p.blue, p.lightness, p.contrast, p.saturation, p.sharpen);
    };
    ASSERT_EQ(a.recipe.steps.size(), b.recipe.steps.size());
    for (size_t i = 0; i < a.recipe.steps.size(); ++i) {
        const OverlayStep &x = a.recipe.steps[i], &y = b.recipe.steps[i];
        EXPECT_EQ(std::tuple(x.kind, x.colour, x.degrees, panel(x.panel)),
                  std::tuple(y.kind, y.colour, y.degrees, panel(y.panel)))
            << "step " << i;
    }
    EXPECT_EQ(std::tuple(a.photoFile, a.photoEdited, a.libraryLabel, a.category, a.hairNumber,
                         a.hairFile, a.recipe.ownPicture, a.clientName),
              std::tuple(b.photoFile, b.photoEdited, b.libraryLabel, b.category, b.hairNumber,
                         b.hairFile, b.recipe.ownPicture, b.clientName));
    EXPECT_EQ(std::tuple(a.left, a.top, a.overlayShown, a.zoom, a.viewX, a.viewY, a.clientSize),
              std::tuple(b.left, b.top, b.overlayShown, b.zoom, b.viewX, b.viewY, b.clientSize));
    EXPECT_EQ(std::tuple(a.framed, a.face.box, a.face.roll, a.face.score, a.face.keypoints,
                         a.faceIndex, a.hairTurn),
              std::tuple(b.framed, b.face.box, b.face.roll, b.face.score, b.face.keypoints,
                         b.faceIndex, b.hairTurn));
    EXPECT_EQ(a.unknown, b.unknown);
}

QByteArray textOf(const trial::Trial& t) {
    return QJsonDocument(trial::DescriptionOf(t)).toJson(QJsonDocument::Compact);
}

trial::Trial read(const QByteArray& text) {
    trial::Trial t;
    trial::ReadDescription(QJsonDocument::fromJson(text).object(), t);
    return t;
}

} // namespace

TEST(TrialDescription, EveryFieldSurvivesTheTextForm) {
    const trial::Trial full = fullTrial();
    expectSameDescription(full, read(textOf(full)));
    // Defaults too: a try with nothing set must not read back with stray values.
    trial::Trial plain;
    plain.face = fit::Face(fit::FaceBox{1, 2, 3, 4});
    expectSameDescription(plain, read(textOf(plain)));
}

TEST(TrialDescription, WhatALaterVersionWroteIsKeptOrLeftToThePicture) {
    QByteArray text = textOf(fullTrial());
    text.replace("\"version\":1", "\"version\":7,\"layers\":[{\"blend\":\"multiply\"}]");
    trial::Trial t = read(text);
    EXPECT_EQ(t.zoom, 250);
    EXPECT_FALSE(t.unknown.contains("zoom"));
    const QJsonObject again = trial::DescriptionOf(t);
    EXPECT_EQ(again.value("layers").toArray().size(), 1);
    EXPECT_EQ(again.value("headPitch").toDouble(), 4.5);

    // A step it cannot replay: only the overlay's own picture can give the overlay again.
    text.replace("{\"kind\":\"flip\"}", "{\"kind\":\"warp\",\"grid\":8}");
    text.replace("\"ownPicture\":true", "\"ownPicture\":false");
    t = read(text);
    EXPECT_TRUE(t.recipe.ownPicture);
    EXPECT_TRUE(t.recipe.steps.empty());
}

TEST(TrialDescription, MalformedValuesNameTheirKeyAndLeaveTheTryAlone) {
    const struct {
        const char *key, *from, *to;
    } cases[] = {
        {"version", "\"version\":1", "\"versao\":1"},
        {"zoom", "\"zoom\":250", "\"zoom\":\"250\""},
        {"left", "\"left\":-35", "\"left\":1.5"},
        {"hairNumber", "\"hairNumber\":17", "\"hairNumber\":1e12"},
        {"face.keypoints[0]", "\"keypoints\":[[180.5", "\"keypoints\":[[\"x\""},
        {"recipe.steps[2].panel.red", "\"red\":-12", "\"red\":\"x\""},
        {"clientSize", "\"clientSize\":{\"height\":313,\"width\":241}", "\"clientSize\":[241,313]"},
    };
    const QByteArray good = textOf(fullTrial());
    for (const auto& c : cases) {
        QByteArray text = good;
        ASSERT_TRUE(text.contains(c.from)) << c.from;
        text.replace(c.from, c.to);
        trial::Trial t;
        t.zoom = 77;
        try {
            trial::ReadDescription(QJsonDocument::fromJson(text).object(), t);
            ADD_FAILURE() << c.key << ": accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find('"' + std::string(c.key) + '"'), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(t.zoom, 77) << c.key;
    }
}
