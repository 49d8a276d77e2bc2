#pragma once
// The face opening of a hairstyle: measured from the picture, or read from a side file
// beside it (`N.fit` beside `N.GIF`), and kept once per file.
#include <filesystem>
#include <optional>
#include <string>

#include "fit/Framing.h"
#include "imaging/codecs/Raster.h"

namespace velvo::fit {

// The see-through region the hair frames: the background-coloured (`key`) area enclosed by
// hair, its centre and width. nullopt when the picture frames no such region.
std::optional<Opening> measureOpening(const imaging::Raster& hair, imaging::Bgr key);

// A side file's opening. Lines `key=value`: centrex, centrey, width (hairstyle pixels,
// decimals allowed); blank lines and lines starting with `#` or `;` are skipped. `error`
// receives a message naming the file and the fault when the file exists but is malformed.
std::optional<Opening> readSideFile(const std::filesystem::path& fitFile, std::string& error);

struct OpeningResult {
    Opening opening;
    bool fromSideFile = false;
    std::string error; // a malformed side file: reported by the caller, the measure is used
};

// The opening of hairstyle file `gifFile` whose picture is `hair` (keyed on `key`): the side
// file's when one is there and well formed, else the measure, else the whole picture's centre
// and 60 % of its width. Kept per file (path, size and modification time), so a second call
// for the same file neither reads nor measures again.
OpeningResult openingFor(const std::filesystem::path& gifFile, const imaging::Raster& hair,
                         imaging::Bgr key);
void clearOpeningCache();

} // namespace velvo::fit
