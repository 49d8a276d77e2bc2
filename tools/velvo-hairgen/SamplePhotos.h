#pragma once
// The sample photos of the program folder: the portrait converted to Modelo.JPG by our own
// JPEG writer, and generated pictures in other formats.
#include <filesystem>
#include <optional>

#include "imaging/codecs/Raster.h"

namespace velvo::hairgen {

// Writes Modelo.JPG when `portrait` names an existing picture (otherwise says on stdout that
// it is left out), and the generated photos. Throws velvo::Error when a file cannot be written.
void writeSamplePhotos(const std::filesystem::path& programDir,
                       const std::optional<std::filesystem::path>& portrait);

// A styling-mannequin head on a studio backdrop: bald, so every hairstyle fits over it.
// `variant` changes skin tone, backdrop and proportions.
imaging::Raster mannequinPortrait(int variant);

// A salon colour chart: swatches of strands in the sample hair colours.
imaging::Raster colourChart();

} // namespace velvo::hairgen
