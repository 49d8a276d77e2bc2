#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "fit/CascadeFinder.h"
#include "fit/FaceFinder.h"
#include "fit/FaceFinderStatus.h"

namespace fs = std::filesystem;

namespace velvo::fit {
namespace {

struct TempFolder {
    fs::path path = fs::temp_directory_path() / ("velvo-status-" + std::to_string(::getpid()));
    TempFolder() { fs::create_directories(path); }
    ~TempFolder() { fs::remove_all(path); }
    fs::path touch(const fs::path& relative) const {
        fs::create_directories((path / relative).parent_path());
        std::ofstream(path / relative) << "x";
        return path / relative;
    }
};

// The status reports what the finder's own lookup would load: the first copy of each cascade
// in folder order, and the landmark networks alone among the model folder's entries.
TEST(FaceFinderStatus, ReportsTheFirstCopyOfEachCascadeAndOnlyTheNetworks) {
    TempFolder t;
    fs::create_directories(t.path / "empty");
    const fs::path face = t.touch(fs::path("b") / CascadeFinder::kDefaultFaceCascade);
    const fs::path eyes = t.touch(fs::path("b") / CascadeFinder::kEyeCascade);
    t.touch(fs::path("c") / CascadeFinder::kDefaultFaceCascade);
    const fs::path refine = t.touch(fs::path("c") / CascadeFinder::kRefineCascade);
    const fs::path second = t.touch("models/b.onnx"), first = t.touch("models/a.onnx");
    t.touch("models/LICENSE.txt");
    fs::create_directories(t.path / "models/folder.onnx");

    const FaceFinderStatus s =
        faceFinderStatus(t.path / "models", {t.path / "empty", t.path / "b", t.path / "c"});
    EXPECT_EQ(s.faceCascade, face);
    EXPECT_EQ(s.cascades, (std::vector<fs::path>{face, refine, eyes}));
    EXPECT_EQ(s.models, (std::vector<fs::path>{first, second}));
    EXPECT_TRUE(s.usable());

    // The eyes alone find no face, and a missing model folder is no error.
    fs::remove(face);
    const FaceFinderStatus without = faceFinderStatus(t.path / "none", {t.path / "b"});
    EXPECT_TRUE(without.faceCascade.empty());
    EXPECT_EQ(without.cascades, std::vector<fs::path>{eyes});
    EXPECT_TRUE(without.models.empty());
    EXPECT_FALSE(without.usable());
}

TEST(FaceFinderStatus, LooksInTheProgramFolderFirst) {
    const FaceFinderStatus s = faceFinderStatus(fs::path("/opt/velvo"));
    EXPECT_EQ(s.modelFolder, fs::path("/opt/velvo/facemodels"));
    ASSERT_FALSE(s.cascadeFolders.empty());
    EXPECT_EQ(s.cascadeFolders.front(), fs::path("/opt/velvo/cascades"));
}

} // namespace
} // namespace velvo::fit
