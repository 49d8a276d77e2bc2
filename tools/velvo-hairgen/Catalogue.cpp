#include "Catalogue.h"

#include <functional>

#include "Random.h"

namespace velvo::hairgen {

namespace {

const std::vector<HairColour>& lightColours() {
    static const std::vector<HairColour> c = {
        {"loiro",
         {{{62, 40, 18}, {135, 95, 48}, {196, 152, 88}, {228, 196, 135}, {250, 234, 190}}}},
        {"castanho claro",
         {{{40, 24, 12}, {95, 62, 35}, {150, 108, 66}, {192, 152, 102}, {228, 200, 156}}}},
        {"acobreado",
         {{{55, 18, 8}, {125, 48, 20}, {185, 85, 40}, {220, 130, 70}, {245, 186, 132}}}},
        {"loiro mel",
         {{{70, 40, 10}, {150, 95, 30}, {205, 150, 60}, {232, 190, 100}, {250, 226, 162}}}},
        {"platinado",
         {{{84, 74, 58}, {150, 138, 115}, {200, 190, 165}, {228, 221, 200}, {246, 241, 228}}}},
        {"loiro morango",
         {{{85, 40, 25}, {160, 90, 55}, {210, 140, 95}, {235, 180, 135}, {250, 220, 186}}}},
    };
    return c;
}

const std::vector<HairColour>& darkColours() {
    static const std::vector<HairColour> c = {
        {"preto", {{{6, 6, 8}, {20, 19, 22}, {40, 37, 40}, {74, 70, 74}, {128, 122, 128}}}},
        {"castanho escuro",
         {{{14, 9, 6}, {40, 25, 16}, {70, 45, 29}, {104, 73, 50}, {158, 124, 95}}}},
        {"chocolate", {{{10, 7, 6}, {30, 19, 13}, {56, 36, 25}, {88, 62, 44}, {136, 106, 84}}}},
        {"acaju escuro", {{{20, 8, 5}, {55, 22, 12}, {92, 39, 22}, {132, 64, 40}, {180, 110, 80}}}},
        {"preto azulado",
         {{{5, 6, 10}, {16, 18, 27}, {32, 35, 48}, {62, 68, 88}, {114, 122, 146}}}},
    };
    return c;
}

const std::vector<HairColour>& maleColours() {
    static const std::vector<HairColour> c = {
        darkColours()[1],
        darkColours()[0],
        lightColours()[1],
        {"grisalho",
         {{{40, 40, 42}, {90, 90, 92}, {140, 140, 142}, {184, 184, 186}, {226, 226, 228}}}},
        lightColours()[0],
        darkColours()[2],
        lightColours()[2],
        darkColours()[4],
    };
    return c;
}

using Tweak = std::function<void(HairStyle&)>;

HairStyle base(const std::string& name, const Tweak& tweak) {
    HairStyle s;
    s.name = name;
    tweak(s);
    return s;
}

std::vector<HairStyle> shortStyles() {
    return {
        base("pixie",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.volumeTop = 14;
                 s.volumeSide = 8;
                 s.fringe = 30;
                 s.fringeSweep = 0.5;
                 s.partX = 0.4;
                 s.tips = 9;
                 s.strandLength = 60;
                 s.sideburn = 0.3;
             }),
        base("chanel",
             [](HairStyle& s) {
                 s.partX = 0;
                 s.length = 105;
                 s.flare = 10;
                 s.endCurve = -6;
                 s.tips = 6;
                 s.strandLength = 260;
             }),
        base("chanel com franja",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.fringe = 42;
                 s.fringeArc = -6;
                 s.length = 100;
                 s.flare = 6;
                 s.tips = 5;
             }),
        base("chanel ondulado",
             [](HairStyle& s) {
                 s.partX = 0.35;
                 s.length = 110;
                 s.wave = 0.35;
                 s.waveLength = 45;
                 s.flare = 18;
             }),
        base("cacheado curto",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.curl = 0.18;
                 s.wave = 0.95;
                 s.waveLength = 20;
                 s.volumeTop = 26;
                 s.volumeSide = 22;
                 s.length = 80;
                 s.strandLength = 120;
             }),
        base("pixie lateral",
             [](HairStyle& s) {
                 s.partX = -0.45;
                 s.fringe = 38;
                 s.fringeSweep = -0.7;
                 s.tips = 10;
                 s.strandLength = 70;
                 s.sideburn = 0.35;
             }),
        base("repicado curto",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.length = 95;
                 s.tips = 18;
                 s.fringe = 30;
                 s.fringeArc = 10;
                 s.strandLength = 90;
                 s.volumeSide = 16;
             }),
        base("chanel de bico",
             [](HairStyle& s) {
                 s.partX = 0.25;
                 s.length = 115;
                 s.endCurve = -18;
                 s.flare = 6;
                 s.tips = 5;
             }),
    };
}

std::vector<HairStyle> mediumStyles() {
    return {
        base("liso nos ombros",
             [](HairStyle& s) {
                 s.partX = 0;
                 s.length = 185;
                 s.flare = 14;
             }),
        base("franja cortina",
             [](HairStyle& s) {
                 s.partX = 0;
                 s.fringe = 45;
                 s.fringeArc = 18;
                 s.length = 180;
                 s.flare = 18;
                 s.wave = 0.15;
             }),
        base("long bob ondulado",
             [](HairStyle& s) {
                 s.partX = 0.35;
                 s.wave = 0.45;
                 s.waveLength = 55;
                 s.length = 165;
                 s.flare = 24;
             }),
        base("repicado",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.tips = 22;
                 s.length = 190;
                 s.flare = 20;
                 s.strandLength = 140;
             }),
        base("cacheado",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.curl = 0.2;
                 s.wave = 0.9;
                 s.waveLength = 24;
                 s.volumeTop = 28;
                 s.volumeSide = 26;
                 s.length = 170;
                 s.flare = 30;
                 s.strandLength = 150;
             }),
        base("liso lateral",
             [](HairStyle& s) {
                 s.partX = 0.5;
                 s.length = 175;
                 s.flare = 6;
                 s.shine = 0.5;
                 s.tips = 4;
             }),
        base("shaggy com franja",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.fringe = 38;
                 s.length = 175;
                 s.endCurve = 16;
                 s.flare = 26;
                 s.tips = 14;
             }),
        base("ondas com franja lateral",
             [](HairStyle& s) {
                 s.partX = -0.4;
                 s.fringe = 40;
                 s.fringeSweep = -0.8;
                 s.wave = 0.3;
                 s.length = 190;
             }),
    };
}

std::vector<HairStyle> longStyles() {
    return {
        base("longo liso",
             [](HairStyle& s) {
                 s.partX = 0;
                 s.length = 295;
                 s.flare = 16;
                 s.shine = 0.45;
             }),
        base("longo ondulado",
             [](HairStyle& s) {
                 s.partX = 0.3;
                 s.wave = 0.45;
                 s.waveLength = 60;
                 s.length = 290;
                 s.flare = 34;
             }),
        base("longo cacheado",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.curl = 0.22;
                 s.wave = 0.95;
                 s.waveLength = 26;
                 s.length = 270;
                 s.flare = 40;
                 s.volumeTop = 30;
                 s.volumeSide = 28;
                 s.strandLength = 160;
             }),
        base("longo com franja",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.fringe = 48;
                 s.length = 300;
                 s.flare = 12;
             }),
        base("corte em V",
             [](HairStyle& s) {
                 s.partX = 0.2;
                 s.endCurve = -35;
                 s.length = 280;
                 s.flare = 20;
             }),
        base("longo repicado",
             [](HairStyle& s) {
                 s.flow = Flow::Crown;
                 s.tips = 22;
                 s.length = 300;
                 s.strandLength = 180;
                 s.flare = 28;
                 s.fringe = 30;
                 s.fringeArc = 16;
             }),
        base("longo lateral",
             [](HairStyle& s) {
                 s.partX = -0.5;
                 s.length = 300;
                 s.shine = 0.55;
                 s.tips = 4;
             }),
        base("ondas praianas",
             [](HairStyle& s) {
                 s.partX = 0.1;
                 s.wave = 0.35;
                 s.waveLength = 80;
                 s.length = 310;
                 s.flare = 40;
                 s.tips = 14;
             }),
    };
}

std::vector<HairStyle> maleStyles() {
    auto male = [](HairStyle& s) {
        s.male = true;
        s.volumeSide = 3;
        s.tips = 4;
    };
    return {
        base("militar",
             [&](HairStyle& s) {
                 male(s);
                 s.flow = Flow::Crown;
                 s.volumeTop = 10;
                 s.volumeSide = 2;
                 s.strandLength = 22;
                 s.sideburn = 0.35;
             }),
        base("social repartido",
             [&](HairStyle& s) {
                 male(s);
                 s.partX = 0.45;
                 s.volumeTop = 16;
                 s.volumeSide = 4;
                 s.strandLength = 90;
             }),
        base("raspado",
             [&](HairStyle& s) {
                 male(s);
                 s.flow = Flow::Crown;
                 s.volumeTop = 5;
                 s.volumeSide = 3;
                 s.strandLength = 10;
                 s.tips = 2;
             }),
        base("topete",
             [&](HairStyle& s) {
                 male(s);
                 s.flow = Flow::Back;
                 s.volumeTop = 30;
                 s.volumeSide = 4;
                 s.strandLength = 90;
                 s.tips = 6;
             }),
        base("franja texturizada",
             [&](HairStyle& s) {
                 male(s);
                 s.flow = Flow::Crown;
                 s.fringe = 28;
                 s.fringeSweep = 0.3;
                 s.volumeTop = 16;
                 s.volumeSide = 4;
                 s.strandLength = 45;
                 s.tips = 10;
             }),
        base("cacheado masculino",
             [&](HairStyle& s) {
                 male(s);
                 s.flow = Flow::Crown;
                 s.curl = 0.15;
                 s.wave = 0.9;
                 s.waveLength = 16;
                 s.volumeTop = 22;
                 s.volumeSide = 5;
                 s.strandLength = 50;
             }),
        base("penteado para trás",
             [&](HairStyle& s) {
                 male(s);
                 s.flow = Flow::Back;
                 s.volumeTop = 12;
                 s.volumeSide = 3;
                 s.shine = 0.6;
                 s.strandLength = 140;
                 s.tips = 3;
             }),
        base("surfista",
             [](HairStyle& s) {
                 s.partX = 0.1;
                 s.length = 95;
                 s.wave = 0.25;
                 s.volumeTop = 16;
                 s.flare = 6;
                 s.tips = 10;
             }),
    };
}

// The collection's variant of a style: mirrored parting, more body and movement.
void collectionVariant(HairStyle& s, Random& rng) {
    s.partX = -s.partX;
    s.fringeSweep = -s.fringeSweep;
    s.volumeTop *= s.male ? 1.1 : 1.2;
    s.volumeSide *= s.male ? 1.0 : 1.25;
    if (!s.male && s.wave < 0.6)
        s.wave += 0.15;
    s.length *= rng.uniform(0.95, 1.1);
    s.flare *= 1.3;
    s.tips *= 1.2;
}

Library build(const std::string& label, uint64_t seed, bool collection) {
    static const char* folders[7] = {"Curtos e Claros",  "Curtos e Escuros", "Médios e Claros",
                                     "Médios e Escuros", "Longos e Claros",  "Longos e Escuros",
                                     "Masculinos"};
    Library lib{label, {}};
    Random rng(seed);
    for (int c = 0; c < 7; ++c) {
        std::vector<HairStyle> styles = c < 2   ? shortStyles()
                                        : c < 4 ? mediumStyles()
                                        : c < 6 ? longStyles()
                                                : maleStyles();
        const bool light = c % 2 == 0 && c < 6;
        const auto& colours = c == 6 ? maleColours() : light ? lightColours() : darkColours();
        const size_t offset = (collection ? 3 : 0) + size_t(c / 2);
        for (size_t i = 0; i < styles.size(); ++i) {
            HairStyle& s = styles[i];
            s.seed = rng.next();
            const double size = rng.uniform(0.96, 1.05);
            s.headRx *= size, s.headRy *= size;
            s.colour = colours[(i + offset) % colours.size()];
            if (collection)
                collectionVariant(s, rng);
        }
        lib.categories.push_back({folders[c], std::move(styles)});
    }
    return lib;
}

} // namespace

std::vector<HairColour> sampleColours() {
    std::vector<HairColour> all = lightColours();
    all.insert(all.end(), darkColours().begin(), darkColours().end());
    return all;
}

std::vector<Library> sampleLibraries() {
    return {build("Velvo5", 5, false), build("Velvo42", 42, true)};
}

} // namespace velvo::hairgen
