#include "imaging/codecs/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string_view>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "imaging/codecs/BmpCodec.h"
#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"
#include "imaging/codecs/FileBytes.h"
#include "imaging/codecs/MetafileReader.h"

namespace velvo::imaging {
namespace fs = std::filesystem;

namespace {

std::string lowerExtension(const fs::path& file) {
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return ext;
}

struct Extra {
    ExtraReader reader;
    ExtraWriter writer;
};
std::map<std::string, Extra>& extraFormats() {
    static std::map<std::string, Extra> table;
    return table;
}

std::string systemError() { return std::strerror(errno); }

// HEIF and AVIF files open with an ISO media "ftyp" box: its major brand, then compatible
// brands to the end of the box. The major brand decides; a generic image brand (mif1, msf1)
// is settled by the compatible ones.
ImageFormat isoMediaFormat(std::span<const uint8_t> h) {
    if (h.size() < 16 || h[4] != 'f' || h[5] != 't' || h[6] != 'y' || h[7] != 'p')
        return ImageFormat::None;
    auto brandAt = [&](size_t at) -> ImageFormat {
        const std::string_view b(reinterpret_cast<const char*>(h.data()) + at, 4);
        if (b == "avif" || b == "avis")
            return ImageFormat::Avif;
        if (b == "heic" || b == "heix" || b == "hevc" || b == "hevx")
            return ImageFormat::Heif;
        return ImageFormat::None;
    };
    if (const ImageFormat major = brandAt(8); major != ImageFormat::None)
        return major;
    const std::string_view major(reinterpret_cast<const char*>(h.data()) + 8, 4);
    const size_t boxEnd = std::min<size_t>(h.size(), size_t(h[0]) << 24 | size_t(h[1]) << 16 |
                                                         size_t(h[2]) << 8 | size_t(h[3]));
    bool generic = major == "mif1" || major == "msf1";
    for (size_t at = 16; at + 4 <= boxEnd; at += 4) {
        if (const ImageFormat f = brandAt(at); f != ImageFormat::None)
            return f;
        const std::string_view b(reinterpret_cast<const char*>(h.data()) + at, 4);
        generic = generic || b == "mif1" || b == "msf1";
    }
    return generic ? ImageFormat::Heif : ImageFormat::None;
}

} // namespace

const char* formatName(ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp: return "BMP";
    case ImageFormat::Gif: return "GIF";
    case ImageFormat::Jpeg: return "JPEG";
    case ImageFormat::Png: return "PNG";
    case ImageFormat::Tiff: return "TIFF";
    case ImageFormat::Pcx: return "PCX";
    case ImageFormat::Ico: return "ICO";
    case ImageFormat::Cur: return "CUR";
    case ImageFormat::Wmf: return "WMF";
    case ImageFormat::Emf: return "EMF";
    case ImageFormat::Heif: return "HEIF";
    case ImageFormat::Avif: return "AVIF";
    case ImageFormat::Webp: return "WebP";
    case ImageFormat::None: break;
    }
    return "none";
}

ImageFormat formatFromExtension(const fs::path& file) {
    static const std::map<std::string, ImageFormat> table = {
        {".jpg", ImageFormat::Jpeg}, {".jpeg", ImageFormat::Jpeg}, {".png", ImageFormat::Png},
        {".tif", ImageFormat::Tiff}, {".tiff", ImageFormat::Tiff}, {".pcx", ImageFormat::Pcx},
        {".gif", ImageFormat::Gif},  {".wmf", ImageFormat::Wmf},   {".emf", ImageFormat::Emf},
        {".bmp", ImageFormat::Bmp},  {".cur", ImageFormat::Cur},   {".ico", ImageFormat::Ico},
        {".heic", ImageFormat::Heif}, {".heif", ImageFormat::Heif}, {".avif", ImageFormat::Avif},
        {".webp", ImageFormat::Webp},
    };
    auto it = table.find(lowerExtension(file));
    return it == table.end() ? ImageFormat::None : it->second;
}

std::vector<uint8_t> readFile(const fs::path& file) {
    const FileBytes bytes(file);
    return {bytes.bytes().begin(), bytes.bytes().end()};
}

void writeFileAtomic(const fs::path& file, std::span<const uint8_t> bytes) {
    const std::span<const uint8_t> pieces[] = {bytes};
    writeFileAtomic(file, std::span<const std::span<const uint8_t>>(pieces));
}

void writeFileAtomic(const fs::path& file, std::span<const std::span<const uint8_t>> pieces) {
    const std::string name = file.string();
    fs::path dir = file.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmpl = (dir / ("." + file.filename().string() + ".XXXXXX")).string();
    std::vector<char> tmp(tmpl.begin(), tmpl.end());
    tmp.push_back('\0');
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        throw Error(name, "cannot write file (" + systemError() + ")");
    auto fail = [&](const std::string& why) {
        ::close(fd);
        ::unlink(tmp.data());
        throw Error(name, "cannot write file (" + why + ")");
    };
    // Gathered writes: the pieces go out as they lie in memory, without being joined first.
    std::vector<iovec> vec;
    vec.reserve(std::min<size_t>(pieces.size(), IOV_MAX));
    size_t next = 0;
    while (next < pieces.size()) {
        vec.clear();
        size_t pending = 0;
        for (; next < pieces.size() && vec.size() < IOV_MAX; ++next) {
            if (pieces[next].empty())
                continue;
            vec.push_back({const_cast<uint8_t*>(pieces[next].data()), pieces[next].size()});
            pending += pieces[next].size();
        }
        size_t first = 0;
        while (pending > 0) {
            const ssize_t w = ::writev(fd, vec.data() + first, int(vec.size() - first));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                fail(systemError());
            pending -= size_t(w);
            // Drop what was written: whole pieces, then the written part of the next one.
            for (size_t done = size_t(w); done > 0;) {
                iovec& v = vec[first];
                const size_t take = std::min(done, v.iov_len);
                v.iov_base = static_cast<uint8_t*>(v.iov_base) + take;
                v.iov_len -= take;
                done -= take;
                if (v.iov_len == 0)
                    ++first;
            }
        }
    }
    // Keep the permissions an ordinary new file would get, not mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 || std::rename(tmp.data(), name.c_str()) != 0) {
        std::string why = systemError();
        ::unlink(tmp.data());
        throw Error(name, "cannot write file (" + why + ")");
    }
}

std::optional<Raster> loadGif(const fs::path& file) {
    const std::string name = file.string();
    const FileBytes data(file);
    if (data.bytes().size() < 3 || std::memcmp(data.bytes().data(), "GIF", 3) != 0)
        return std::nullopt;
    return decodeGif(data.bytes(), name);
}

namespace {
// Formats whose signature cannot be mistaken for the start of a damaged file of another kind;
// a file beginning with one of them is that format whatever its name says.
bool unmistakable(ImageFormat f) {
    switch (f) {
    case ImageFormat::Gif:
    case ImageFormat::Jpeg:
    case ImageFormat::Png:
    case ImageFormat::Tiff:
    case ImageFormat::Bmp:
    case ImageFormat::Webp:
    case ImageFormat::Heif:
    case ImageFormat::Avif: return true;
    default: return false;
    }
}

bool sameReader(ImageFormat a, ImageFormat b) {
    auto reader = [](ImageFormat f) {
        return f == ImageFormat::Cur    ? ImageFormat::Ico
               : f == ImageFormat::Avif ? ImageFormat::Heif
                                        : f;
    };
    return reader(a) == reader(b);
}
} // namespace

std::optional<Raster> loadImageFile(const fs::path& file) {
    const std::string name = file.string();
    const ImageFormat format = formatFromExtension(file);
    if (format == ImageFormat::None) {
        auto it = extraFormats().find(lowerExtension(file));
        if (it == extraFormats().end() || !it->second.reader)
            return std::nullopt;
        return it->second.reader(FileBytes(file).bytes(), name);
    }
    const FileBytes data(file);
    const Bytes bytes = data.bytes();
    // The extension chooses the reader; a photo renamed to another format's extension (a PNG
    // saved as ".gif") is refused with what it really is, not as a damaged file of the other.
    const ImageFormat content = detectFormat(bytes.first(std::min<size_t>(bytes.size(), 64)));
    if (unmistakable(content) && !sameReader(content, format))
        throw Error(name, std::string("the file holds a ") + formatName(content) +
                              " picture, not " + formatName(format) +
                              " (its name has the wrong extension)");
    const bool gifSignature = bytes.size() >= 3 && std::memcmp(bytes.data(), "GIF", 3) == 0;
    if (format == ImageFormat::Gif && !gifSignature)
        throw Error(name, "not a valid GIF file: it does not begin with the \"GIF\" signature "
                          "(the file is damaged or is not a picture)");
    return decodeByFormat(format, bytes, name);
}

std::optional<Raster> decodeByFormat(ImageFormat format, std::span<const uint8_t> data,
                                     const std::string& name) {
    switch (format) {
    case ImageFormat::Gif: return decodeGif(data, name);
    case ImageFormat::Jpeg: return decodeJpeg(data, name);
    case ImageFormat::Png: return decodePng(data, name);
    case ImageFormat::Tiff: return decodeTiff(data, name);
    case ImageFormat::Pcx: return decodePcx(data, name);
    case ImageFormat::Bmp:
        if (data.size() < 2 || data[0] != 'B' || data[1] != 'M')
            throw Error(name, "not a Windows bitmap (no \"BM\" signature)");
        return decodeBmp(data, name);
    case ImageFormat::Ico:
    case ImageFormat::Cur: return decodeIco(data, name);
    case ImageFormat::Wmf: return decodeWmf(data, name);
    case ImageFormat::Emf: return decodeEmf(data, name);
    case ImageFormat::Heif:
    case ImageFormat::Avif: return decodeHeif(data, name);
    case ImageFormat::Webp: return decodeWebp(data, name);
    case ImageFormat::None: break;
    }
    return std::nullopt;
}

namespace {
// The encoders know nothing of file names; a fault they report is put under the file's name.
template <typename Write>
auto namingTheFile(const fs::path& file, Write write) {
    try {
        return write();
    } catch (const Error& e) {
        if (!e.file().empty())
            throw;
        throw Error(file.string(), e.fault());
    }
}

void writeBmp(const fs::path& file, const Raster& picture) {
    if (bmp::keepsOneBit(picture)) {
        writeFileAtomic(file, encodeBmp(picture));
        return;
    }
    // 24 bits: the header, then the rows bottom-up straight from the picture with their pads.
    const std::vector<uint8_t> header = bmp::fileHeader(picture.width, picture.height, 24);
    static constexpr uint8_t kPad[3] = {};
    const size_t pad = (4 - picture.stride() % 4) % 4;
    std::vector<std::span<const uint8_t>> pieces;
    pieces.reserve(1 + 2 * size_t(picture.height));
    pieces.emplace_back(header);
    for (int y = picture.height - 1; y >= 0; --y) {
        pieces.emplace_back(picture.row(y), picture.stride());
        pieces.emplace_back(kPad, pad);
    }
    writeFileAtomic(file, pieces);
}

} // namespace

void saveBmp(const fs::path& file, const Raster& picture) {
    namingTheFile(file, [&] { writeBmp(file, picture); });
}

namespace {
bool writeByExtension(const fs::path& file, const Raster& picture) {
    std::vector<uint8_t> bytes;
    switch (formatFromExtension(file)) {
    case ImageFormat::Jpeg: bytes = encodeJpeg(picture, 90); break;
    case ImageFormat::Pcx: bytes = encodePcx(picture); break;
    case ImageFormat::Gif: bytes = encodeGif(picture); break;
    case ImageFormat::Tiff: bytes = encodeTiff(picture, TiffCompression::Lzw); break;
    case ImageFormat::Png: bytes = encodePng(picture); break;
    case ImageFormat::Bmp: writeBmp(file, picture); return true;
    default: {
        auto it = extraFormats().find(lowerExtension(file));
        if (it == extraFormats().end() || !it->second.writer)
            return false;
        bytes = it->second.writer(picture);
    }
    }
    writeFileAtomic(file, bytes);
    return true;
}
} // namespace

bool saveImageFile(const fs::path& file, const Raster& picture) {
    if (picture.empty())
        throw Error(file.string(), "there is no picture to save");
    return namingTheFile(file, [&] { return writeByExtension(file, picture); });
}

ImageFormat detectFormat(std::span<const uint8_t> h) {
    auto starts = [&](std::initializer_list<uint8_t> sig) {
        return h.size() >= sig.size() && std::equal(sig.begin(), sig.end(), h.begin());
    };
    if (starts({'G', 'I', 'F', '8'}))
        return ImageFormat::Gif;
    if (starts({0xFF, 0xD8, 0xFF}))
        return ImageFormat::Jpeg;
    if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}))
        return ImageFormat::Png;
    if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42}))
        return ImageFormat::Tiff;
    if (starts({'B', 'M'}))
        return ImageFormat::Bmp;
    if (h.size() >= 12 && starts({'R', 'I', 'F', 'F'}) && h[8] == 'W' && h[9] == 'E' && h[10] == 'B' &&
        h[11] == 'P')
        return ImageFormat::Webp;
    if (const ImageFormat heif = isoMediaFormat(h); heif != ImageFormat::None)
        return heif;
    if (starts({0xD7, 0xCD, 0xC6, 0x9A}) || starts({1, 0, 9, 0}) || starts({2, 0, 9, 0}))
        return ImageFormat::Wmf;
    if (h.size() >= 44 && starts({1, 0, 0, 0}) && h[40] == ' ' && h[41] == 'E' && h[42] == 'M' &&
        h[43] == 'F')
        return ImageFormat::Emf;
    if (h.size() >= 6 && h[0] == 0 && h[1] == 0 && h[2] <= 2 && h[3] == 0 && (h[4] | h[5]) != 0) {
        if (h[2] == 1)
            return ImageFormat::Ico;
        if (h[2] == 2)
            return ImageFormat::Cur;
    }
    if (h.size() >= 4 && h[0] == 0x0A && h[1] <= 5 && h[2] <= 1 &&
        (h[3] == 1 || h[3] == 2 || h[3] == 4 || h[3] == 8))
        return ImageFormat::Pcx;
    return ImageFormat::None;
}

ImageFormat detectFileFormat(const fs::path& file, bool checkExtension) {
    std::vector<uint8_t> header(64);
    FILE* f = std::fopen(file.string().c_str(), "rb");
    if (!f)
        return ImageFormat::None;
    header.resize(std::fread(header.data(), 1, header.size(), f));
    std::fclose(f);
    const ImageFormat format = detectFormat(header);
    if (!checkExtension || format == ImageFormat::None)
        return format;
    // Only an extension that names a different format vetoes the header: a photo saved as
    // "x.dat" or with no extension at all is still a photo. One registered in the table of
    // additional formats names that format.
    const ImageFormat named = formatFromExtension(file);
    if (named != ImageFormat::None)
        return named == format ? format : ImageFormat::None;
    return extraFormats().count(lowerExtension(file)) ? ImageFormat::None : format;
}

void registerFormat(const std::string& extension, ExtraReader reader, ExtraWriter writer) {
    extraFormats()[extension] = {std::move(reader), std::move(writer)};
}

} // namespace velvo::imaging
