#pragma once
// The hairstyle of a try as the renderer draws it: the overlay made again from the best picture
// there is (the high-resolution master, else the library picture, else the overlay's own
// picture), with a see-through background whose edge is soft rather than cut at whole pixels.
#include <QImage>
#include <QString>

#include "fit/Framing.h"
#include "pixel/PixelFilters.h"
#include "trial/Trial.h"

namespace velvo::render {

struct TrialHair {
    // Premultiplied ARGB; drawn stretched over the overlay's place in the document. Null when
    // the try shows no hairstyle.
    QImage picture;
    bool fromMaster = false;
    // Why a master beside the library picture was passed over, or why the recipe was (names the
    // file and the fault); empty when it was used or there was none.
    QString problem;
};

// `hairFile` empty, or a recipe that cannot describe the overlay (it says so, or what it makes
// plainly differs from the overlay): the overlay's own picture.
TrialHair prepareTrialHair(const trial::Trial& trial, const QString& hairFile);

// The building blocks, shared with the document's own edits so that both give the same colours.
// A 24-bit picture with every pixel of its bottom-left colour see-through (straight ARGB; the
// see-through pixels keep their colour, so filters reading neighbours see what the window sees).
QImage keyedPicture(const QImage& picture);
// Virtual colour 1..5 (Amarelo, Marrom, Vermelho, Preto, Normal) on the colours of a straight
// ARGB or 24-bit picture, its alpha untouched.
void applyVirtualColour(QImage& picture, int colour);
// The colour panel's chain on the colours of a straight ARGB or 24-bit picture; the sharpen
// distance is in the picture's own pixels.
void applyPanel(QImage& picture, const pixel::PanelSettings& settings);
// Turned by `degrees` about the opening as the framing turns a library-sized picture
// (fit::turnedFrame), for a picture `scale` times the library picture's size: the canvas and the
// opening's place in it are the library picture's, scaled. Smoothly resampled.
QImage turnedPicture(const QImage& picture, fit::Size librarySize, const fit::Opening& opening,
                     double degrees, double scale);

} // namespace velvo::render
