#pragma once
// A try drawn at any size: the photo at full resolution and the hairstyle's high-resolution
// master (the library picture where there is none), composed with the geometry the document
// window shows, filtered smoothly and with a soft edge. The presentation, the export and the
// command-line tool all draw through it.
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include "trial/Trial.h"

namespace velvo::render {

class TrialRenderer {
public:
    enum class Layers { PhotoAndHair, PhotoOnly };

    // Prepares the hairstyle once (the recipe replayed on the master, or the overlay's own
    // picture where the recipe cannot describe it), so that each Render only composes.
    // `hairFile` is the library picture the try's hairstyle came from ("…/N.GIF"); its master
    // is the "N.png" beside it, matched without regard to case. Empty: the overlay's picture.
    explicit TrialRenderer(const trial::Trial& trial, const QString& hairFile = {});

    // Draws `region`, in the document's client-area pixels (it may reach beyond the client
    // area: the photo goes on there, the window's colour beyond the photo), into a picture of
    // `size` pixels. Scaled down to the client area's size, the render of the client area
    // agrees with the document's window picture.
    // The photo drawn for the last region and size is kept, so a frame drawn again (the try and
    // the photo alone in turn, a divider moved between them) only lays the hair over it; a
    // renderer is therefore used from one thread at a time.
    QImage Render(const QRectF& region, QSize size, Layers layers = Layers::PhotoAndHair) const;

    // The client area (0, 0, clientSize) as a region, and the size that draws it at the
    // photo's own resolution.
    QRectF ClientRegion() const;
    QSize NativeSize(const QRectF& region) const;

    // Whether the hairstyle is drawn from a master rather than from the library picture.
    bool UsesMaster() const;
    // Why a master beside the library picture was not used (it names the file and the fault:
    // unreadable, no transparency, not an enlargement, another face opening, or overlay edits
    // that cannot be made again from it); empty otherwise.
    QString MasterProblem() const;

private:
    QSize OverlaySize() const;
    QImage DrawPhoto(const QRectF& region, QSize size) const;

    trial::Trial trial_;
    QImage hair_;        // premultiplied ARGB, soft-edged, at the master's (or picture's) size
    double hairScale_ = 1; // hair_ pixels per overlay pixel
    bool usesMaster_ = false;
    QString masterProblem_;
    struct PhotoLayer {
        QRectF region;
        QSize size;
        QImage picture;
    };
    mutable PhotoLayer photoLayer_;
};

// The master beside a library picture ("Curto/3.GIF" -> "Curto/3.png", any case), or empty.
QString MasterFileFor(const QString& hairFile);

} // namespace velvo::render
