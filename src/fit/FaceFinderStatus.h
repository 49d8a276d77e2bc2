#pragma once
// What the face finders have to work with on this machine, for the diagnostics: which files
// each finder's own lookup reaches. Nothing is loaded, so asking costs no OpenCV start-up.
#include <filesystem>
#include <vector>

namespace velvo::fit {

struct FaceFinderStatus {
    // The landmark finder's networks (*.onnx) in modelFolder, sorted.
    std::filesystem::path modelFolder;
    std::vector<std::filesystem::path> models;
    // The cascade finder: the folders searched, in order, and the first copy of each cascade it
    // uses; faceCascade is empty when the one it cannot do without is missing.
    std::vector<std::filesystem::path> cascadeFolders;
    std::filesystem::path faceCascade;
    std::vector<std::filesystem::path> cascades;

    // Some finder can look for faces.
    bool usable() const { return !models.empty() || !faceCascade.empty(); }
};

// The landmark models are looked for in `programFolder`/facemodels, the cascades where FaceFinder
// looks for them.
FaceFinderStatus faceFinderStatus(const std::filesystem::path& programFolder);
// The same over folders of the caller's choosing.
FaceFinderStatus faceFinderStatus(const std::filesystem::path& modelFolder,
                                  const std::vector<std::filesystem::path>& cascadeFolders);

} // namespace velvo::fit
