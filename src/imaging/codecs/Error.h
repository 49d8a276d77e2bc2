#pragma once
#include <stdexcept>
#include <string>

namespace velvo {

// The one exception the engine throws. The message names the file and the fault, for example
// "photo.gif: truncated LZW data", so the standard error box can show it as it stands.
class Error : public std::runtime_error {
public:
    Error(const std::string& file, const std::string& fault)
        : std::runtime_error(file.empty() ? fault : file + ": " + fault), file_(file), fault_(fault) {}

    const std::string& file() const { return file_; }
    const std::string& fault() const { return fault_; }

private:
    std::string file_;
    std::string fault_;
};

} // namespace velvo
