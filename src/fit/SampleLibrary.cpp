#include "fit/SampleLibrary.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace velvo::fit {

namespace {
bool isHairstyleFile(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const std::string stem = p.stem().string();
    return ext == ".gif" && !stem.empty() && stem.find_first_not_of("0123456789") == std::string::npos;
}
} // namespace

std::vector<fs::path> sampleHairstyles(const fs::path& programFolder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator lib(programFolder, ec), end; !ec && lib != end; lib.increment(ec)) {
        if (!lib->is_directory(ec) || lib->path().filename().string().rfind("Velvo", 0) != 0)
            continue;
        for (fs::directory_iterator cat(lib->path(), ec); !ec && cat != end; cat.increment(ec)) {
            if (!cat->is_directory(ec))
                continue;
            for (fs::directory_iterator f(cat->path(), ec); !ec && f != end; f.increment(ec))
                if (f->is_regular_file(ec) && isHairstyleFile(f->path()))
                    files.push_back(f->path());
        }
        ec.clear();
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace velvo::fit
