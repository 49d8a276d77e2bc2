#pragma once
// File operations of the engine: choosing a reader or writer by extension, format detection,
// and safe writing. The Qt file companion (TPictureIO) calls these.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/codecs/Raster.h"

namespace velvo::imaging {

// Format codes; None (0) means "not an image".
// HEIC and HEIF files are both Heif; AVIF, though read by the same reader, is its own format.
enum class ImageFormat { None = 0, Bmp, Gif, Jpeg, Png, Tiff, Pcx, Ico, Cur, Wmf, Emf, Heif, Avif, Webp };

// "BMP", "GIF", ... ; "none" for None.
const char* formatName(ImageFormat format);

// The format an extension names (".JPG" and "jpeg" both give Jpeg); None when unknown.
ImageFormat formatFromExtension(const std::filesystem::path& file);

// Reads the file by its extension, compared in lower case. nullopt when the extension names no
// reader, in which case the file is not opened. Throws velvo::Error when the file cannot be
// opened or is not a valid picture of that format; the message says so when the content is
// another format (a PNG renamed ".gif"), and a ".gif" without the "GIF" signature is an error
// here, unlike in loadGif.
std::optional<Raster> loadImageFile(const std::filesystem::path& file);

// Decodes a file held in memory with the reader of `format`; nullopt for None.
std::optional<Raster> decodeByFormat(ImageFormat format, std::span<const uint8_t> data,
                                     const std::string& name);

// Writes by extension. false when the extension names no writer (nothing is written).
// Throws velvo::Error when writing fails; an existing file is then left as it was.
bool saveImageFile(const std::filesystem::path& file, const Raster& picture);

// nullopt, without reading further, when the file does not begin with "GIF".
std::optional<Raster> loadGif(const std::filesystem::path& file);

// The bytes of encodeBmp, the 24-bit rows written straight from the picture rather than joined
// into a second picture-sized buffer first.
void saveBmp(const std::filesystem::path& file, const Raster& picture);

// From the file's header. With checkExtension, also None when the extension names another
// format. A file that cannot be read is None.
ImageFormat detectFileFormat(const std::filesystem::path& file, bool checkExtension);
ImageFormat detectFormat(std::span<const uint8_t> header);

// The table of additional formats: readers and writers registered for other extensions
// (lower case, with the dot).
using ExtraReader = std::function<Raster(std::span<const uint8_t>, const std::string&)>;
using ExtraWriter = std::function<std::vector<uint8_t>(const Raster&)>;
void registerFormat(const std::string& extension, ExtraReader reader, ExtraWriter writer);

// The whole file, in a vector sized to it. Throws velvo::Error "cannot open file" (naming it)
// on failure.
std::vector<uint8_t> readFile(const std::filesystem::path& file);

// Writes to a temporary file beside the target and renames it over the target, so a failed
// write never destroys an existing file. Throws velvo::Error on failure.
void writeFileAtomic(const std::filesystem::path& file, std::span<const uint8_t> bytes);
// The same for a file made of pieces lying apart in memory, written in order.
void writeFileAtomic(const std::filesystem::path& file,
                     std::span<const std::span<const uint8_t>> pieces);

} // namespace velvo::imaging
