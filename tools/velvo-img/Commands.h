#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fit/Face.h"
#include "fit/Framing.h"
#include "imaging/codecs/Raster.h"

// Each sub-command takes its own arguments (after the command name) and returns the exit code.
// Faults are reported as one line on stderr.
int runConvert(const std::vector<std::string>& args);
int runInfo(const std::vector<std::string>& args);
int runFilter(const std::vector<std::string>& args);
// Frames the face of PHOTO in a document window and writes what the window shows.
int runFit(const std::vector<std::string>& args);
// The same framing, drawn by the try renderer at any size from the photo at full resolution
// and the hairstyle's master.
int runRender(const std::vector<std::string>& args);

// What `fit` frames: the photo, the hairstyle turned with a rolled head, the face (none when
// no face was found: the whole photo is fitted), the view and the hairstyle's place, and the
// line `fit` prints. Notes about missing models and malformed side files go to stderr.
struct FitFraming {
    velvo::imaging::Raster photo;
    std::optional<velvo::imaging::Raster> hair;
    velvo::fit::Opening opening;
    std::optional<velvo::fit::Face> face;
    velvo::fit::View view;
    std::optional<velvo::fit::HairPlacement> place;
    std::string line;
};
FitFraming frameForFit(const std::filesystem::path& photo, const std::optional<std::filesystem::path>& hair);

// A picture read from a file that was cut short or damaged is used as far as it could be
// read; this says so on stderr, in one line naming the file.
void warnIfIncomplete(const std::string& file, const velvo::imaging::Raster& picture);
