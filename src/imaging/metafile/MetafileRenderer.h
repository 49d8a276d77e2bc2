#pragma once
// Metafiles are drawn with QPainter. The codecs cannot know Qt, so the readers paint through
// whatever canvas is installed; every path that opens files calls this first.
namespace velvo::imaging {

// Installs the QPainter canvas for decodeWmf/decodeEmf; cheap after the first call.
void installMetafileRenderer();

} // namespace velvo::imaging
