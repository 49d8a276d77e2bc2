#pragma once
// The parameters of one generated hairstyle. Lengths are in pixels of the finished picture,
// measured from the centre of the skull ellipse (y grows downwards).
#include <array>
#include <cstdint>
#include <string>

namespace velvo::hairgen {

struct Rgb {
    double r, g, b;
};

// Five colours from the deepest shadow to the brightest highlight; the shading of every pixel
// picks a point on this ramp. The highlight must not be pure white, which is the background.
struct HairColour {
    std::string name;
    std::array<Rgb, 5> ramp;
};

// How the strands run over the skull before they fall.
enum class Flow {
    Part,  // combed away from a parting, around the head
    Crown, // falling in every direction from the crown (fringes, crops, curls)
    Back,  // swept back from the hairline
};

struct HairStyle {
    std::string name;
    double headRx = 82, headRy = 92; // skull ellipse
    double volumeTop = 16, volumeSide = 11;
    double partX = 0.3; // parting as a fraction of headRx from the middle, negative = left
    Flow flow = Flow::Part;

    double fringe = 0;      // how far a fringe comes down below the hairline; 0 = none
    double fringeSweep = 0; // sideways slope of the fringe strands (-1 .. 1)
    double fringeArc = 0;   // + shorter in the middle (curtain), - longer in the middle

    double length = 0;   // where the hanging hair ends below the head centre; 0 = none
    double flare = 0;    // extra half-width gained towards the ends
    double endCurve = 0; // + ends longer at the outer edge, - longer next to the face
    double wave = 0;     // amplitude of the wave in radians; curls use about 0.9
    double waveLength = 60;
    double curl = 0;           // bumpiness of the outline (0 .. 0.3)
    double tips = 8;           // longest loose strand tip beyond the outline
    double strandLength = 220; // longest traced strand; short crops use 30 .. 60
    double faceOpen = 1.0;     // scale of the face cut-out
    double shine = 0.35;       // strength of the highlight band

    bool male = false;      // ears and nape free, sideburns
    double sideburn = 0.45; // male sideburn end below the head centre, as a fraction of headRy

    HairColour colour;
    uint64_t seed = 1;
};

} // namespace velvo::hairgen
