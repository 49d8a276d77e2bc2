#pragma once
// Windows metafiles: WMF (with or without the placeable header) and EMF. Both are drawn onto
// a white 24-bit picture of the metafile's own size at screen resolution (96 dpi):
// - WMF with a placeable header: its bounding box in its units per inch.
// - WMF without one: the window extent the records set, one logical unit to a pixel, scaled
//   down to kMaxPlainWmfSide on the longer side when larger (such files carry no physical
//   size, and their extents are often in twips).
// - EMF: the frame of its header (0.01 mm); the bounds (device pixels) when the frame is empty.
//
// Reading rules: a record that lies about its size (shorter than its type needs, or running
// past the end of the file) ends the reading with a velvo::Error naming the file. Records that
// are not drawn are skipped and counted. The picture size, the record count and the object
// table are checked before anything is allocated. Drawing has a budget of painted area (a
// multiple of the picture's size) so that a hostile file cannot keep the reader busy; records
// past it are skipped and counted too.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/MetafileCanvas.h"

namespace velvo::imaging {

struct MetafileLimits {
    int64_t maxRecords = 4'000'000;
    int maxObjects = 65536;
    // Painted area allowed, in pictures' worth of pixels (plus a fixed allowance).
    int64_t paintBudget = 48;
};
MetafileLimits& metafileLimits();

constexpr int kMaxPlainWmfSide = 2000;

struct MetafileResult {
    int width = 0;
    int height = 0;
    int64_t records = 0;
    int64_t drawn = 0;   // records that painted or changed the drawing state
    int64_t skipped = 0; // records not drawn (unknown, unsupported, bad embedded bitmap, budget)
    bool budgetExhausted = false;

    void tally(bool wasDrawn) { ++(wasDrawn ? drawn : skipped); }
};

// Reads the whole file onto `canvas` (begin() is called with the picture size).
MetafileResult readWmf(Bytes data, const std::string& name, metafile::Canvas& canvas);
MetafileResult readEmf(Bytes data, const std::string& name, metafile::Canvas& canvas);

// The canvas the decoders below paint with. Until one is installed they throw a velvo::Error
// saying that metafiles cannot be drawn in this program.
using MetafileCanvasFactory = std::function<std::unique_ptr<metafile::Canvas>()>;
void setMetafileCanvasFactory(MetafileCanvasFactory factory);
bool haveMetafileCanvas();

Raster decodeWmf(Bytes data, const std::string& name);
Raster decodeEmf(Bytes data, const std::string& name);

} // namespace velvo::imaging
