#pragma once
// A salon's own hairstyle brought into a library category from a cut-out picture with
// transparency, as background-removal apps on phones write it: the library picture `N.GIF`
// (the hair on white, the key the overlay and the whitening step expect, at the size the
// category's hairstyles have) and its high-resolution master `N.png` beside it. Knows no
// window: the main window's import command asks for the file and the category.
#include <filesystem>
#include <string>

#include "imaging/codecs/Raster.h"

namespace velvo::library {

struct PictureSize {
    int width = 0, height = 0;
};

struct ImportedHairstyle {
    // White margin on every side, so every corner is the key; no hair pixel is white.
    imaging::Raster picture;
    // `scale` times the picture's size over the same region: library pixel (x, y) is the
    // mean of the master's block (scale x, scale y) .. (scale x + scale - 1, ...), and hair
    // exactly where that block is at least half opaque.
    imaging::RasterBgra master;
    int scale = 1;
};

class HairImport {
public:
    static constexpr int kMaxMasterScale = 4;
    // The hair's longer side in the cut-out must reach this; fewer pixels would only be
    // blown up into a blur.
    static constexpr int kMinHairSide = 120;
    // White around the hair in the library picture, in its pixels.
    static constexpr int kMargin = 5;

    // The median width and height of the category's hairstyle pictures, else of the other
    // categories of its library, else a size like the sample library's.
    static PictureSize UsualSize(const std::filesystem::path& categoryFolder);

    // The smallest number n >= 1 without an n.GIF (any case) in the folder.
    static int NextFreeNumber(const std::filesystem::path& categoryFolder);

    // Fits the cut-out's hair into `usual` and makes both pictures. Throws velvo::Error
    // naming `file` when the cut-out has no transparency, no hair, or too little of it.
    static ImportedHairstyle Make(const imaging::RasterBgra& cutOut, bool hasAlpha,
                                  const std::string& file, PictureSize usual);

    // Reads the PNG, makes the pictures and writes the master, then the library picture, as
    // the next free number of `categoryFolder` (each to a temporary name, then renamed).
    // Returns the library picture's path. Throws velvo::Error naming the file at fault;
    // nothing stays written then.
    static std::filesystem::path Import(const std::filesystem::path& pngFile,
                                        const std::filesystem::path& categoryFolder);
};

} // namespace velvo::library
