#pragma once
// Tries written out to hand to the client: one try as a JPEG or PNG picture large enough for a
// phone, or every try of a photo on an A4 sheet (PDF). Written to a temporary file beside the
// target and renamed over it, so a failure never leaves a half-written file behind.
#include <QDate>
#include <QSize>
#include <QString>
#include <vector>

#include "trial/Trial.h"

namespace velvo::render {

class TrialRenderer;

// The long side of an exported picture unless asked otherwise.
inline constexpr int kExportLongSide = 2000;

// The size an export of the try's window area gets: `longSide` pixels on its long side, fewer
// when the photo itself has fewer there (an export never makes up pixels the photo lacks), but
// never fewer than the window itself showed.
QSize ExportSize(const TrialRenderer& renderer, int longSide = kExportLongSide);

// Writes the try as the window frames it, as a JPEG (".jpg", ".jpeg") or PNG (".png") file by
// the name's extension. Throws velvo::Error naming the file when the extension names neither
// or the file cannot be written; an existing file is then left as it was.
void ExportTrial(const trial::Trial& trial, const QString& file, int longSide = kExportLongSide);

// Writes the tries side by side on one A4 page at 300 dots per inch, headed with `date` and
// the client's name where the tries have one. Throws velvo::Error naming the file on failure.
void ExportSheet(const std::vector<trial::Trial>& trials, const QString& file, const QDate& date);

} // namespace velvo::render
