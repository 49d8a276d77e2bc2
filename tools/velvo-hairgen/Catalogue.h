#pragma once
// The sample libraries: for each library label, seven categories of hairstyles in the order
// of the category numbers, each with at least eight styles.
#include <string>
#include <vector>

#include "HairStyle.h"

namespace velvo::hairgen {

struct Category {
    std::string folder; // UTF-8, as the category list names it
    std::vector<HairStyle> styles;
};

struct Library {
    std::string label;
    std::vector<Category> categories;
};

// The hair colours the samples use, light ones first.
std::vector<HairColour> sampleColours();

// "Velvo5" (the program's own) and "Velvo42" (the collection); same seed, same styles.
std::vector<Library> sampleLibraries();

} // namespace velvo::hairgen
