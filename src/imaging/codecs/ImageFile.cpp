#include "imaging/codecs/ImageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/codecs/Codecs.h"
#include "imaging/codecs/Error.h"

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
    };
    auto it = table.find(lowerExtension(file));
    return it == table.end() ? ImageFormat::None : it->second;
}

std::vector<uint8_t> readFile(const fs::path& file) {
    const std::string name = file.string();
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f)
        throw Error(name, "cannot open file (" + systemError() + ")");
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        data.insert(data.end(), buf, buf + n);
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed)
        throw Error(name, "cannot read file");
    return data;
}

void writeFileAtomic(const fs::path& file, std::span<const uint8_t> bytes) {
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
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            std::string why = systemError();
            ::close(fd);
            ::unlink(tmp.data());
            throw Error(name, "cannot write file (" + why + ")");
        }
        done += size_t(w);
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
    std::vector<uint8_t> data = readFile(file);
    if (data.size() < 3 || std::memcmp(data.data(), "GIF", 3) != 0)
        return std::nullopt;
    return decodeGif(data, name);
}

std::optional<Raster> loadImageFile(const fs::path& file) {
    const std::string name = file.string();
    const ImageFormat format = formatFromExtension(file);
    if (format == ImageFormat::Gif)
        return loadGif(file);
    if (format == ImageFormat::None) {
        auto it = extraFormats().find(lowerExtension(file));
        if (it == extraFormats().end() || !it->second.reader)
            return std::nullopt;
        return it->second.reader(readFile(file), name);
    }
    return decodeByFormat(format, readFile(file), name);
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
    case ImageFormat::Wmf:
    case ImageFormat::Emf:
        throw Error(name, std::string(formatName(format)) + " metafiles cannot be read yet");
    case ImageFormat::None: break;
    }
    return std::nullopt;
}

void saveBmp(const fs::path& file, const Raster& picture) {
    writeFileAtomic(file, encodeBmp(picture));
}

bool saveImageFile(const fs::path& file, const Raster& picture) {
    if (picture.empty())
        throw Error(file.string(), "there is no picture to save");
    std::vector<uint8_t> bytes;
    switch (formatFromExtension(file)) {
    case ImageFormat::Jpeg: bytes = encodeJpeg(picture, 90); break;
    case ImageFormat::Pcx: bytes = encodePcx(picture); break;
    case ImageFormat::Gif: bytes = encodeGif(picture); break;
    case ImageFormat::Tiff: bytes = encodeTiff(picture, TiffCompression::Lzw); break;
    case ImageFormat::Png: bytes = encodePng(picture); break;
    case ImageFormat::Bmp: saveBmp(file, picture); return true;
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
    ImageFormat format = detectFormat(header);
    if (checkExtension && format != formatFromExtension(file))
        return ImageFormat::None;
    return format;
}

void registerFormat(const std::string& extension, ExtraReader reader, ExtraWriter writer) {
    extraFormats()[extension] = {std::move(reader), std::move(writer)};
}

} // namespace velvo::imaging
