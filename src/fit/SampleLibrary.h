#pragma once
// The hairstyle files of the libraries a program folder carries, for the command-line tool and
// the checks that go over every hairstyle.
#include <filesystem>
#include <vector>

namespace velvo::fit {

// Every `N.GIF` (any case) in every category folder of every library folder (`Velvo*`) under
// `programFolder`, sorted by path. Empty when there are none.
std::vector<std::filesystem::path> sampleHairstyles(const std::filesystem::path& programFolder);

} // namespace velvo::fit
