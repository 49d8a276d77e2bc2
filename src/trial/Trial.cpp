#include "trial/Trial.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QSet>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace velvo::trial {

namespace {

// The form of the description this version writes. A reader meeting a later one still takes
// what it knows and keeps the rest in `unknown`.
constexpr int kDescriptionVersion = 1;

const char* const kStepKinds[] = {"flip", "virtualColour", "panel", "turn"};

[[noreturn]] void malformed(const QString& key, const char* want) {
    throw std::runtime_error(QStringLiteral("try description: \"%1\" is not %2")
                                 .arg(key, QLatin1String(want))
                                 .toStdString());
}

// Each reader leaves the target as it was when the key is absent, so a description written
// before a field existed reads with that field's default.
class Reader {
public:
    Reader(const QJsonObject& object, QString path) : object_(object), path_(std::move(path)) {}

    bool has(const char* key) const { return object_.contains(QLatin1String(key)); }
    QString name(const char* key) const {
        return path_.isEmpty() ? QLatin1String(key) : path_ + u'.' + QLatin1String(key);
    }

    void text(const char* key, QString& out) const {
        if (const auto v = checked(
                key, [](const QJsonValue& v) { return v.isString(); }, "a text"))
            out = v->toString();
    }
    void flag(const char* key, bool& out) const {
        if (const auto v = checked(
                key, [](const QJsonValue& v) { return v.isBool(); }, "true or false"))
            out = v->toBool();
    }
    void real(const char* key, double& out) const {
        if (const auto v = checked(key, &isFiniteNumber, "a number"))
            out = v->toDouble();
    }
    void whole(const char* key, int& out) const {
        if (!has(key))
            return;
        double d = 0;
        real(key, d);
        if (d != std::floor(d) || d < std::numeric_limits<int>::min() ||
            d > std::numeric_limits<int>::max())
            malformed(name(key), "a whole number");
        out = int(d);
    }
    QJsonObject object(const char* key) const {
        const QJsonValue v = object_.value(QLatin1String(key));
        if (!v.isObject())
            malformed(name(key), "an object");
        return v.toObject();
    }
    QJsonArray array(const char* key) const {
        const QJsonValue v = object_.value(QLatin1String(key));
        if (!v.isArray())
            malformed(name(key), "a list");
        return v.toArray();
    }

private:
    static bool isFiniteNumber(const QJsonValue& v) {
        return v.isDouble() && std::isfinite(v.toDouble());
    }
    // The key's value when present; malformed, naming `what` it must be, unless `ok` holds.
    std::optional<QJsonValue> checked(const char* key, bool (*ok)(const QJsonValue&),
                                      const char* what) const {
        if (!has(key))
            return std::nullopt;
        const QJsonValue v = object_.value(QLatin1String(key));
        if (!ok(v))
            malformed(name(key), what);
        return v;
    }

    QJsonObject object_;
    QString path_;
};

QJsonObject panelJson(const pixel::PanelSettings& p) {
    return QJsonObject{{"red", p.red},           {"green", p.green},
                       {"blue", p.blue},         {"lightness", p.lightness},
                       {"contrast", p.contrast}, {"saturation", p.saturation},
                       {"sharpen", p.sharpen}};
}

void readPanel(const Reader& r, pixel::PanelSettings& p) {
    r.whole("red", p.red);
    r.whole("green", p.green);
    r.whole("blue", p.blue);
    r.whole("lightness", p.lightness);
    r.whole("contrast", p.contrast);
    r.whole("saturation", p.saturation);
    r.whole("sharpen", p.sharpen);
}

QJsonObject stepJson(const OverlayStep& step) {
    QJsonObject o{{"kind", QLatin1String(kStepKinds[int(step.kind)])}};
    switch (step.kind) {
    case OverlayStep::Kind::Flip:
        break;
    case OverlayStep::Kind::VirtualColour:
        o.insert("colour", step.colour);
        break;
    case OverlayStep::Kind::Panel:
        o.insert("panel", panelJson(step.panel));
        break;
    case OverlayStep::Kind::Turn:
        o.insert("degrees", step.degrees);
        break;
    }
    return o;
}

// False for a kind this version does not know.
bool readStep(const Reader& r, OverlayStep& step) {
    QString kind;
    if (!r.has("kind"))
        malformed(r.name("kind"), "a step kind");
    r.text("kind", kind);
    int found = -1;
    for (int i = 0; i < int(std::size(kStepKinds)); ++i)
        if (kind == QLatin1String(kStepKinds[i]))
            found = i;
    if (found < 0)
        return false;
    step.kind = OverlayStep::Kind(found);
    r.whole("colour", step.colour);
    r.real("degrees", step.degrees);
    if (r.has("panel"))
        readPanel(Reader(r.object("panel"), r.name("panel")), step.panel);
    return true;
}

QJsonObject recipeJson(const OverlayRecipe& recipe) {
    QJsonArray steps;
    for (const OverlayStep& s : recipe.steps)
        steps.append(stepJson(s));
    return QJsonObject{{"ownPicture", recipe.ownPicture}, {"steps", steps}};
}

void readRecipe(const Reader& r, OverlayRecipe& recipe) {
    recipe = {};
    r.flag("ownPicture", recipe.ownPicture);
    if (!r.has("steps"))
        return;
    const QJsonArray steps = r.array("steps");
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString at = r.name("steps") + QStringLiteral("[%1]").arg(i);
        if (!steps[i].isObject())
            malformed(at, "an object");
        OverlayStep step;
        if (!readStep(Reader(steps[i].toObject(), at), step)) {
            // A step a later version added cannot be replayed here: the overlay's own picture,
            // which the store keeps beside the description, is then the only faithful source.
            recipe.steps.clear();
            recipe.ownPicture = true;
            return;
        }
        recipe.steps.push_back(step);
    }
}

QJsonObject faceJson(const fit::Face& face) {
    QJsonObject o{
        {"box",
         QJsonObject{{"x", face.box.x}, {"y", face.box.y}, {"w", face.box.w}, {"h", face.box.h}}},
        {"roll", face.roll},
        {"score", face.score}};
    if (face.keypoints) {
        QJsonArray points;
        for (const fit::Point& p : *face.keypoints)
            points.append(QJsonArray{p.x, p.y});
        o.insert("keypoints", points);
    }
    return o;
}

void readFace(const Reader& r, fit::Face& face) {
    face = {};
    if (r.has("box")) {
        const Reader box(r.object("box"), r.name("box"));
        box.whole("x", face.box.x);
        box.whole("y", face.box.y);
        box.whole("w", face.box.w);
        box.whole("h", face.box.h);
    }
    r.real("roll", face.roll);
    r.real("score", face.score);
    if (!r.has("keypoints"))
        return;
    const QJsonArray points = r.array("keypoints");
    if (points.size() != fit::kKeypointCount)
        malformed(r.name("keypoints"), "a list of six points");
    fit::Keypoints keypoints;
    for (int i = 0; i < fit::kKeypointCount; ++i) {
        const QJsonArray xy = points[i].toArray();
        if (xy.size() != 2 || !xy[0].isDouble() || !xy[1].isDouble())
            malformed(r.name("keypoints") + QStringLiteral("[%1]").arg(i), "a point [x, y]");
        keypoints[i] = {xy[0].toDouble(), xy[1].toDouble()};
    }
    face.keypoints = keypoints;
}

} // namespace

QJsonObject DescriptionOf(const Trial& t) {
    // What a later version wrote and this one kept goes back first, so a key this version
    // writes itself always carries the current value.
    QJsonObject o = t.unknown;
    o.insert("version", kDescriptionVersion);
    o.insert("photoFile", t.photoFile);
    o.insert("photoEdited", t.photoEdited);
    o.insert("libraryLabel", t.libraryLabel);
    o.insert("category", t.category);
    o.insert("hairNumber", t.hairNumber);
    o.insert("hairFile", t.hairFile);
    o.insert("recipe", recipeJson(t.recipe));
    o.insert("left", t.left);
    o.insert("top", t.top);
    o.insert("overlayShown", t.overlayShown);
    o.insert("zoom", t.zoom);
    o.insert("viewX", t.viewX);
    o.insert("viewY", t.viewY);
    o.insert("clientSize",
             QJsonObject{{"width", t.clientSize.width()}, {"height", t.clientSize.height()}});
    o.insert("overlaySize",
             QJsonObject{{"width", t.overlaySize.width()}, {"height", t.overlaySize.height()}});
    o.insert("framed", t.framed);
    o.insert("face", faceJson(t.face));
    o.insert("faceIndex", t.faceIndex);
    o.insert("hairTurn", t.hairTurn);
    o.insert("clientName", t.clientName);
    return o;
}

void ReadDescription(const QJsonObject& json, Trial& t) {
    static const QSet<QString> known = {
        "version",  "photoFile",  "photoEdited", "libraryLabel", "category",     "hairNumber",
        "hairFile", "recipe",     "left",        "top",          "overlayShown", "zoom",
        "viewX",    "viewY",      "clientSize",  "framed",       "face",         "faceIndex",
        "hairTurn", "clientName", "overlaySize"};
    const Reader r(json, {});
    int version = 0;
    if (!r.has("version"))
        malformed("version", "present");
    r.whole("version", version);
    if (version < 1)
        malformed("version", "a version number");

    // Read into a copy so a malformed value leaves the caller's try as it was.
    Trial out = t;
    r.text("photoFile", out.photoFile);
    r.flag("photoEdited", out.photoEdited);
    r.text("libraryLabel", out.libraryLabel);
    r.text("category", out.category);
    r.whole("hairNumber", out.hairNumber);
    r.text("hairFile", out.hairFile);
    if (r.has("recipe"))
        readRecipe(Reader(r.object("recipe"), "recipe"), out.recipe);
    r.whole("left", out.left);
    r.whole("top", out.top);
    r.flag("overlayShown", out.overlayShown);
    r.whole("zoom", out.zoom);
    r.whole("viewX", out.viewX);
    r.whole("viewY", out.viewY);
    const auto readSize = [&r](const char* key, QSize& size) {
        if (!r.has(key))
            return;
        const Reader sizeReader(r.object(key), key);
        int w = size.width(), h = size.height();
        sizeReader.whole("width", w);
        sizeReader.whole("height", h);
        size = QSize(w, h);
    };
    readSize("clientSize", out.clientSize);
    // Descriptions kept before it was written leave it empty: the overlay's picture gives it.
    readSize("overlaySize", out.overlaySize);
    r.flag("framed", out.framed);
    if (r.has("face"))
        readFace(Reader(r.object("face"), "face"), out.face);
    r.whole("faceIndex", out.faceIndex);
    r.real("hairTurn", out.hairTurn);
    r.text("clientName", out.clientName);

    out.unknown = {};
    for (auto it = json.begin(); it != json.end(); ++it)
        if (!known.contains(it.key()))
            out.unknown.insert(it.key(), it.value());
    t = std::move(out);
}

} // namespace velvo::trial
