#pragma once
// A try as data: everything a document shows, described without its window, so that the client
// records can keep it, the renderer can draw it at any size and a reopened record can rebuild
// the document. Plain values; nothing here knows a window or a database.
#include <QByteArray>
#include <QImage>
#include <QJsonObject>
#include <QSize>
#include <QString>
#include <vector>

#include "fit/Face.h"
#include "pixel/PixelFilters.h"

namespace velvo::trial {

// One step of how the overlay was made from the library picture. Replayed in order on the
// library picture (or on its high-resolution master) it gives the overlay again, up to its
// stretched size, which the placement carries.
struct OverlayStep {
    enum class Kind {
        Flip,          // mirrored left to right
        VirtualColour, // colour 1..5 (Amarelo, Marrom, Vermelho, Preto, Normal) from the pristine copy
        Panel,         // the colour panel's settings, applied to what the steps before gave
        Turn,          // turned by `degrees` about the face opening, as the framing turns it
    };
    Kind kind = Kind::Flip;
    int colour = 0;
    pixel::PanelSettings panel;
    double degrees = 0;
};

struct OverlayRecipe {
    // A virtual colour starts again from the pristine copy, so it clears the steps before it.
    std::vector<OverlayStep> steps;
    // The overlay was changed in a way no step describes (a retouch, a colour panel run through
    // a selection): it can only be drawn from its own picture.
    bool ownPicture = false;
};

struct Trial {
    // The photo. `photoBytes` are the bytes of the file the document opened (a clipboard or
    // scanned picture: PNG bytes of it as it came), kept so the record holds the original.
    QString photoFile;
    QByteArray photoBytes;
    // The photo as the document holds it now; `photoEdited` when it differs from what the
    // bytes decode to (a retouch, the colour panel on the photo).
    QImage photo;
    bool photoEdited = false;

    // The hairstyle: library label ("Velvo5"), category text ("0".."6") and number (0: none).
    QString libraryLabel;
    QString category;
    int hairNumber = 0;
    // The library picture the overlay was read from ("…/Velvo5/Curto/3.GIF"); empty: none.
    QString hairFile;
    // The overlay's picture as the document holds it now (colour, flip, stretch and retouch
    // included), keyed on its own background colour as the window shows it.
    QImage overlay;
    // The size the overlay is drawn at: its picture's size, except while a resize is under way
    // (the picture is then stretched to the grip's bounds). Empty: the picture's size.
    QSize overlaySize;
    OverlayRecipe recipe;

    // Placement in the document's client area: the overlay's top-left (L, T), whether it is
    // shown, the photo's zoom in percent and the view offsets in screen pixels.
    int left = 0;
    int top = 0;
    bool overlayShown = true;
    int zoom = 100;
    int viewX = 0;
    int viewY = 0;
    // The client area the try was shown in; the window picture has this size.
    QSize clientSize;

    // The framing, where the document was framed: the face in photo pixels, which of the
    // photo's faces it is, and the degrees the overlay is turned by.
    bool framed = false;
    fit::Face face;
    int faceIndex = 0;
    double hairTurn = 0;

    // The window picture (the document's CompositeImage) as it was when described.
    QImage thumbnail;
    // The client whose record the try belongs to, where it came from one; empty otherwise.
    QString clientName;

    // Keys of a stored description this version does not know, kept as they came so that a
    // record written by a later version loses nothing when this one saves it again.
    QJsonObject unknown;
};

// The description's values without its pictures and photo bytes, which a store keeps beside it.
QJsonObject DescriptionOf(const Trial& trial);
// Fills the description's values of `trial` from `json` (pictures and bytes untouched); keys it
// does not know go to `unknown`. Throws std::runtime_error naming the key of a malformed value.
void ReadDescription(const QJsonObject& json, Trial& trial);

} // namespace velvo::trial
