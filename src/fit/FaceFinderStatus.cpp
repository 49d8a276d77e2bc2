#include "fit/FaceFinderStatus.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include "fit/CascadeFinder.h"
#include "fit/FaceFinder.h"

namespace fs = std::filesystem;

namespace velvo::fit {

FaceFinderStatus faceFinderStatus(const fs::path& programFolder) {
    return faceFinderStatus(programFolder / FaceFinder::kModelFolder,
                            CascadeFinder::cascadeFolders(programFolder));
}

FaceFinderStatus faceFinderStatus(const fs::path& modelFolder,
                                  const std::vector<fs::path>& cascadeFolders) {
    FaceFinderStatus status;
    status.modelFolder = modelFolder;
    status.cascadeFolders = cascadeFolders;
    // An unreadable folder counts as an empty one: the finder would find nothing there either.
    std::error_code ec;
    for (fs::directory_iterator it(modelFolder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".onnx" && it->is_regular_file(ec))
            status.models.push_back(it->path());
    std::sort(status.models.begin(), status.models.end());
    for (const char* name :
         {CascadeFinder::kDefaultFaceCascade, CascadeFinder::kRefineCascade, CascadeFinder::kEyeCascade}) {
        for (const fs::path& dir : cascadeFolders) {
            if (!fs::is_regular_file(dir / name, ec))
                continue;
            status.cascades.push_back(dir / name);
            if (std::string_view(name) == CascadeFinder::kDefaultFaceCascade)
                status.faceCascade = dir / name;
            break;
        }
    }
    return status;
}

} // namespace velvo::fit
