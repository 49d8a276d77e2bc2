#pragma once
// What every face finder offers the framing: faces with whatever each detector knows of them.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fit/Face.h"

namespace velvo::fit {

// One file a detector needs, as the diagnostics list it.
struct DetectorFile {
    std::string role;           // e.g. "front model", "face cascade"
    std::string name;           // the file name looked for
    std::filesystem::path file; // where it was loaded from; empty when not loaded
    std::string problem;        // why not: not found (and where it was looked for), or damaged
    bool loaded() const { return !file.empty(); }
};

class FaceDetector {
public:
    virtual ~FaceDetector() = default;
    virtual bool available() const = 0;
    // Faces in photo pixels over rows of blue, green, red; the photo is not changed.
    // A detector serves one thread at a time.
    virtual std::vector<Face> detect(const uint8_t* bgr, int width, int height,
                                     size_t stride) const = 0;
    virtual std::vector<DetectorFile> files() const = 0;
};

} // namespace velvo::fit
