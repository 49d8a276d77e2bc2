#include "fit/HairOpening.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace velvo::fit {

namespace {

// A side file holds three numbers; anything this long is not one.
constexpr uintmax_t kMaxSideFileBytes = 64 * 1024;

struct Run {
    int left = 0, right = 0; // the first hair pixels either side of the see-through run
    bool bounded = false;
};

// The see-through run through column `x` of row `y`, with the hair closing it on both sides.
Run runThrough(const imaging::Raster& hair, const std::vector<uint8_t>& isHair, int x, int y) {
    Run r;
    const uint8_t* row = isHair.data() + size_t(y) * hair.width;
    if (row[x])
        return r;
    int l = x, rr = x;
    while (l >= 0 && !row[l])
        --l;
    while (rr < hair.width && !row[rr])
        ++rr;
    r.left = l, r.right = rr;
    r.bounded = l >= 0 && rr < hair.width;
    return r;
}

} // namespace

std::optional<Opening> measureOpening(const imaging::Raster& hair, imaging::Bgr key) {
    if (hair.empty() || hair.pixels.size() < size_t(hair.height) * hair.stride())
        return std::nullopt;
    const int w = hair.width, h = hair.height;
    std::vector<uint8_t> isHair(size_t(w) * h);
    int minX = w, maxX = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (hair.at(x, y) != key) {
                isHair[size_t(y) * w + x] = 1;
                minX = std::min(minX, x), maxX = std::max(maxX, x);
            }
    if (maxX < 0)
        return std::nullopt;

    // The face sits in the middle of the hair; a parting or a side fringe can leave a strand
    // across that column, so each row also tries columns a little to either side and keeps
    // the widest closed run.
    const int mid = (minX + maxX) / 2;
    const int reach = std::max(1, (maxX - minX) / 16);
    std::vector<Run> runs(h);
    for (int y = 0; y < h; ++y)
        for (int dx : {0, -reach, reach, -2 * reach, 2 * reach}) {
            const int x = std::clamp(mid + dx, 0, w - 1);
            const Run r = runThrough(hair, isHair, x, y);
            if (r.bounded && (!runs[y].bounded || r.right - r.left > runs[y].right - runs[y].left))
                runs[y] = r;
        }

    // Widths smoothed by a median of five rows, so a lone stray strand or a gap between two
    // locks cannot make the widest row.
    std::vector<int> width(h, 0);
    for (int y = 0; y < h; ++y) {
        int win[5], n = 0;
        for (int k = y - 2; k <= y + 2; ++k)
            win[n++] = k >= 0 && k < h && runs[k].bounded ? runs[k].right - runs[k].left - 1 : 0;
        std::nth_element(win, win + 2, win + 5);
        width[y] = runs[y].bounded ? win[2] : 0;
    }
    // The opening starts at the first row, below the crown, whose closed run is a real part of
    // the hair's width (a gap between two locks is not a face).
    const int hairWidth = maxX - minX + 1;
    const int minWidth = std::max(4, hairWidth / 5);
    int top = 0;
    while (top < h && width[top] < minWidth)
        ++top;
    if (top == h)
        return std::nullopt;
    // It runs on while the rows stay closed; a few open rows (a parting, a thin lock) are
    // bridged.
    int end = top;
    for (int y = top, open = 0; y < h && open <= 3; ++y) {
        if (width[y] > 0)
            end = y, open = 0;
        else
            ++open;
    }
    // The ends of side locks spread as they stop, so the last rows of the opening are not
    // its width; nor is the neck channel of long hair far below the face.
    int first = 0;
    for (int y = top; y <= std::min(end, top + int(0.6 * hairWidth)); ++y)
        first = std::max(first, width[y]);
    auto widestUpTo = [&](int last) {
        int most = 0;
        for (int y = top; y <= last; ++y)
            most = std::max(most, width[y]);
        return most;
    };
    // Sideburns that stop at the face's widest keep that width to their end; lock ends that
    // flare widen it further, and then the last rows are left out.
    int last = std::min(end, top + first);
    const int trimmed = std::min(end - int(0.12 * first), top + first);
    if (widestUpTo(last) > 1.04 * widestUpTo(trimmed))
        last = trimmed;
    const int widest = widestUpTo(last);
    if (widest < minWidth)
        return std::nullopt;

    // The face is an oval: its widest rows mark its middle, both across and down.
    double sumY = 0, sumX = 0, sumW = 0;
    int rows = 0;
    for (int y = top; y <= last; ++y)
        if (width[y] >= widest * 0.97) {
            sumY += y + 0.5;
            sumX += (runs[y].left + 1 + runs[y].right) / 2.0;
            sumW += width[y];
            ++rows;
        }
    return Opening{sumX / rows, sumY / rows, sumW / rows};
}

namespace {

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

std::string lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::optional<Opening> readSideFile(const fs::path& fitFile, std::string& error) {
    error.clear();
    const std::string name = fitFile.string();
    std::error_code ec;
    if (!fs::is_regular_file(fitFile, ec))
        return std::nullopt;
    const uintmax_t size = fs::file_size(fitFile, ec);
    if (ec || size > kMaxSideFileBytes) {
        error = name + ": " + (ec ? "cannot be read" : "too large for a face opening file");
        return std::nullopt;
    }
    std::ifstream in(fitFile, std::ios::binary);
    if (!in) {
        error = name + ": cannot be read";
        return std::nullopt;
    }
    std::map<std::string, double> values;
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& fault) {
        error = name + ": line " + std::to_string(number) + ": " + fault;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++number;
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected key=value");
        const std::string key = lower(trim(line.substr(0, eq)));
        const std::string text = trim(line.substr(eq + 1));
        // A misspelt key would otherwise leave the measure in force without a word.
        if (key != "centrex" && key != "centrey" && key != "width")
            return fail("unknown key \"" + key + "\" (centrex, centrey and width are known)");
        if (values.count(key))
            return fail("\"" + key + "\" given twice");
        char* end = nullptr;
        errno = 0;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(v))
            return fail("\"" + text + "\" is not a number");
        if (key == "width" ? !(v > 0) : v < 0)
            return fail(key == "width" ? "width must be above 0" : key + " must not be negative");
        values[key] = v;
    }
    for (const char* key : {"centrex", "centrey", "width"})
        if (!values.count(key)) {
            error = name + ": no " + key + " line";
            return std::nullopt;
        }
    return Opening{values["centrex"], values["centrey"], values["width"]};
}

fs::path sideFileFor(const fs::path& gifFile) {
    const fs::path dir = gifFile.parent_path();
    const std::string stem = gifFile.stem().string();
    std::error_code ec;
    for (const char* ext : {".fit", ".FIT", ".Fit"}) {
        fs::path p = dir / (stem + ext);
        if (fs::is_regular_file(p, ec))
            return p;
    }
    const std::string wanted = lower(stem + ".fit");
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
         it.increment(ec))
        if (lower(it->path().filename().string()) == wanted && it->is_regular_file(ec))
            return it->path();
    return {};
}

namespace {

// What identifies one state of a file without reading it.
struct Stamp {
    bool exists = false;
    uintmax_t size = 0;
    fs::file_time_type mtime{};
    friend bool operator==(const Stamp&, const Stamp&) = default;
};

Stamp stampOf(const fs::path& p) {
    Stamp s;
    std::error_code ec;
    if (p.empty() || !fs::is_regular_file(p, ec))
        return s;
    s.size = fs::file_size(p, ec);
    if (ec)
        return s;
    s.mtime = fs::last_write_time(p, ec);
    s.exists = !ec;
    return s;
}

struct Entry {
    Stamp gif;
    fs::path side;
    Stamp sideStamp;
    OpeningResult result;
};

std::mutex cacheMutex;
std::map<fs::path, Entry>& cache() {
    static std::map<fs::path, Entry> entries;
    return entries;
}

} // namespace

OpeningResult openingFor(const fs::path& gifFile, const imaging::Raster& hair, imaging::Bgr key) {
    std::error_code ec;
    fs::path absolute = fs::absolute(gifFile, ec);
    if (ec)
        absolute = gifFile;
    const Stamp gif = stampOf(absolute);
    const fs::path side = sideFileFor(absolute);
    const Stamp sideStamp = stampOf(side);
    {
        std::lock_guard lock(cacheMutex);
        auto it = cache().find(absolute);
        if (it != cache().end() && gif.exists && it->second.gif == gif && it->second.side == side &&
            it->second.sideStamp == sideStamp) {
            OpeningResult r = it->second.result;
            r.error.clear(); // told once, when the file was read
            r.fromCache = true;
            return r;
        }
    }
    OpeningResult r;
    std::optional<Opening> fromSide;
    if (!side.empty())
        fromSide = readSideFile(side, r.error);
    if (fromSide) {
        r.opening = *fromSide;
        r.fromSideFile = true;
    } else if (auto measured = measureOpening(hair, key)) {
        r.opening = *measured;
    } else {
        r.opening = {hair.width / 2.0, hair.height / 2.0, hair.width * 0.6};
    }
    if (gif.exists) {
        std::lock_guard lock(cacheMutex);
        cache()[absolute] = Entry{gif, side, sideStamp, r};
    }
    return r;
}

void clearOpeningCache() {
    std::lock_guard lock(cacheMutex);
    cache().clear();
}

} // namespace velvo::fit
