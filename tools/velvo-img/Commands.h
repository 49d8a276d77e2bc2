#pragma once
#include <string>
#include <vector>

namespace velvo::imaging {
struct Raster;
}

// Each sub-command takes its own arguments (after the command name) and returns the exit code.
// Faults are reported as one line on stderr.
int runConvert(const std::vector<std::string>& args);
int runInfo(const std::vector<std::string>& args);
int runFilter(const std::vector<std::string>& args);
// Frames the face of PHOTO in a document window and writes what the window shows.
int runFit(const std::vector<std::string>& args);

// A picture read from a file that was cut short or damaged is used as far as it could be
// read; this says so on stderr, in one line naming the file.
void warnIfIncomplete(const std::string& file, const velvo::imaging::Raster& picture);
