#include "imaging/codecs/PackBits.h"

#include <algorithm>
#include <cstring>

namespace velvo::imaging {

size_t decodePackBits(std::span<const uint8_t> in, std::span<uint8_t> out) {
    size_t i = 0;
    size_t o = 0;
    while (i < in.size() && o < out.size()) {
        const int n = int(int8_t(in[i++]));
        if (n >= 0) {
            const size_t count = std::min({size_t(n) + 1, in.size() - i, out.size() - o});
            std::memcpy(out.data() + o, in.data() + i, count);
            i += size_t(n) + 1;
            o += count;
        } else if (n != -128) {
            if (i >= in.size())
                break;
            const size_t count = std::min(size_t(1 - n), out.size() - o);
            std::memset(out.data() + o, in[i++], count);
            o += count;
        }
    }
    return o;
}

} // namespace velvo::imaging
