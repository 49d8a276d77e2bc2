#include "imaging/codecs/JpegHuffman.h"

namespace velvo::imaging::jpeg {

bool buildHuffman(Huffman& h, const JHUFF_TBL* table, bool dc) {
    if (!table)
        return false;
    h.count = 0;
    for (int l = 1; l <= 16; ++l)
        h.count += table->bits[l];
    if (h.count > 256)
        return false;
    std::copy(table->huffval, table->huffval + h.count, h.values.begin());
    int32_t code = 0;
    int k = 0;
    for (int l = 1; l <= 16; ++l) {
        h.valueOffset[size_t(l)] = k - code;
        for (int i = 0; i < table->bits[l]; ++i, ++k, ++code) {
            const uint8_t symbol = table->huffval[k];
            // No code may be all ones; one past them would index outside the tables.
            if ((dc && symbol > 15) || code + 1 >= (int32_t(1) << l))
                return false;
            if (l > kFastBits)
                continue;
            const int run = symbol >> 4, size = symbol & 15;
            const int advance = size ? run + 1 : (run == 15 ? 16 : 64);
            const int shift = kFastBits - l;
            for (int j = 0; j < (1 << shift); ++j) {
                const size_t at = size_t(code << shift | j);
                h.fast[at] = uint16_t(l << 8 | symbol);
                h.skip[at] = uint16_t(advance << 8 | (l + size));
            }
        }
        h.maxCode[size_t(l)] = table->bits[l] ? code - 1 : -1;
        code <<= 1;
    }
    return true;
}

} // namespace velvo::imaging::jpeg
