#include "imaging/codecs/FileBytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/codecs/Error.h"

namespace velvo::imaging {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

std::string systemError() {
    return std::strerror(errno);
}

// Reads to the end of a file whose size is unknown or was not mappable.
void readAll(int fd, std::vector<uint8_t>& out, size_t sizeHint, const std::string& name) {
    out.resize(std::max<size_t>(sizeHint, 65536));
    size_t used = 0;
    for (;;) {
        if (used == out.size())
            out.resize(out.size() * 2);
        const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error(name, "cannot read file (" + systemError() + ")");
        if (n == 0)
            break;
        used += size_t(n);
    }
    out.resize(used);
}

} // namespace

FileBytes::FileBytes(const std::filesystem::path& file) {
    const std::string name = file.string();
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw Error(name, "cannot open file (" + systemError() + ")");
    struct stat st {};
    try {
        if (::fstat(fd, &st) != 0)
            throw Error(name, "cannot open file (" + systemError() + ")");
        // Read, not mapped: a mapped file that another program shortens while we decode it
        // would stop the program with a bus error.
        const size_t hint = S_ISREG(st.st_mode) ? size_t(st.st_size) + 1 : 0;
        if (hint >= 2 * kHugePage) {
            copy_.reserve(hint);
            preferHugePages(copy_.data(), copy_.capacity());
        }
        readAll(fd, copy_, hint, name);
        data_ = copy_.data();
        size_ = copy_.size();
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

FileBytes::~FileBytes() = default;

void preferHugePages(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (start + size) & ~(kHugePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data, (void)size;
#endif
}

void reserveLarge(std::vector<uint8_t>& bytes, size_t size) {
    if (size <= bytes.capacity())
        return;
    bytes.reserve(size);
    if (size >= 2 * kHugePage)
        preferHugePages(bytes.data(), bytes.capacity());
}

} // namespace velvo::imaging
