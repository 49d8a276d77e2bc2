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
// Each row's see-through run through the hair's middle column (or a little beside it), closed
// by hair on both sides, its width a median over five rows; from the first row below the crown
// whose run is at least a fifth of the hair's width, down at most that run's width (so not
// into the neck channel of long hair), leaving out the last rows when lock ends flare there.
// The widest rows give the width and the centre: an oval face is widest at its middle.
std::optional<Opening> measureOpening(const imaging::Raster& hair, imaging::Bgr key);

// A side file's opening. Lines `key=value`: centrex, centrey, width (hairstyle pixels,
// decimals allowed); blank lines and lines starting with `#` or `;` are skipped. `error`
// receives a message naming the file and the fault when the file exists but is malformed.
// Malformed: a line without `=`, a key other than the three (keys are compared in any case,
// so a misspelt key is reported rather than ignored), a key given twice, a value that is not
// a finite number, a negative centre, a width not above 0, a missing key, or a file over
// 64 KiB. nullopt with `error` empty when there is no such file.
std::optional<Opening> readSideFile(const std::filesystem::path& fitFile, std::string& error);

struct OpeningResult {
    Opening opening;
    bool fromSideFile = false;
    std::string error; // a malformed side file: reported by the caller, the measure is used
    bool fromCache = false;
};

// The side file of `gifFile`: `N.fit` in the same folder, its name matched in any case.
// Empty when there is none.
std::filesystem::path sideFileFor(const std::filesystem::path& gifFile);

// The opening of hairstyle file `gifFile` whose picture is `hair` (keyed on `key`): the side
// file's when one is there and well formed, else the measure, else the whole picture's centre
// and 60 % of its width. Kept per file (path, size and modification time, of the GIF and of
// its side file), so a second call for the same file neither reads nor measures again. The
// error of a malformed side file comes only with the call that read it (fromCache false), so
// it is reported once; later calls give the same opening with `error` empty.
// Safe to call from several threads; meant for the one GUI thread.
OpeningResult openingFor(const std::filesystem::path& gifFile, const imaging::Raster& hair,
                         imaging::Bgr key);
void clearOpeningCache();

} // namespace velvo::fit
