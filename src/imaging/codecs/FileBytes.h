#pragma once
// Whole files and picture-sized buffers without needless copies or page faults: a picture of
// 12 megapixels is 36 MB, and touching that much fresh memory one small page at a time costs
// more than the filters that run over it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace velvo::imaging {

// The bytes of a whole file, read into memory sized to the file (on huge pages when large).
// Throws velvo::Error "cannot open file" or "cannot read file" (naming it) on failure.
class FileBytes {
public:
    explicit FileBytes(const std::filesystem::path& file);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    std::span<const uint8_t> bytes() const { return {data_, size_}; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    std::vector<uint8_t> copy_;
};

// Asks for huge pages behind the whole huge pages inside [data, data + size), before they are
// first touched; small ranges and systems without them are left alone.
void preferHugePages(void* data, size_t size);

// Reserves room for `size` bytes in an empty vector without touching it, on huge pages when
// it is picture-sized; the caller's resize or inserts then fault it in a few large steps.
void reserveLarge(std::vector<uint8_t>& bytes, size_t size);

} // namespace velvo::imaging
