#pragma once
#include <QIcon>

namespace velvo::app {

// The pictures of the tool bar items, drawn at start (22 x 22, on a transparent ground).
enum ToolGlyph {
    gOpen,
    gSave,
    gPrint,
    gPreview,
    gOriginal,
    gReplay,
    gCapture,
    gScroll,
    gResize,
    gZoom,
    gLasso,
    gSliders,
    gThumbs,
    gCategory0,
    gCategory6 = gCategory0 + 6,
    gExit,
    gFace,
    gPresent
};

QIcon toolGlyph(ToolGlyph glyph);

} // namespace velvo::app
