// The picture reader and both scalers over arbitrary packed bitmaps. The
// first two bytes give the scaled width and height (1 to 64 each), the rest
// is the packed bitmap. What the reader accepts lies inside the input, and
// each scaler writes exactly its rows into a buffer of exactly that size,
// keeps to the picture's table and never leaves the range of its colours.
#include "ui/DibScale.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 2)
        return 0;
    const int cx = pData[0] % 64 + 1;
    const int cy = pData[1] % 64 + 1;
    // The bitmap in its own exactly-sized copy, so that AddressSanitizer sees
    // a read past its end.
    std::vector<unsigned char> packed(pData + 2, pData + nSize);
    DibView view;
    if (!ReadDibView(packed.data(), packed.size(), &view))
        return 0;
    const unsigned char* pEnd = packed.data() + packed.size();
    if (view.pBits + view.nStride * view.nHeight > pEnd)
        std::abort();

    std::vector<unsigned char> smooth(GetDibStride(cx, 24) * cy);
    if (!ScaleDibSmooth(view, cx, cy, smooth.data()))
        std::abort();
    // No channel of the result is darker or lighter than the table allows.
    if (view.nColors > 0) {
        int anMin[3] = {255, 255, 255}, anMax[3] = {0, 0, 0};
        for (int k = 0; k < view.nColors; ++k) {
            for (int c = 0; c < 3; ++c) {
                const int v = view.pTable[4 * k + c];
                anMin[c] = v < anMin[c] ? v : anMin[c];
                anMax[c] = v > anMax[c] ? v : anMax[c];
            }
        }
        for (int y = 0; y < cy; ++y) {
            const unsigned char* pRow = smooth.data() + GetDibStride(cx, 24) * y;
            for (int x = 0; x < 3 * cx; ++x) {
                if (pRow[x] < anMin[x % 3] || pRow[x] > anMax[x % 3])
                    std::abort();
            }
        }
    }

    std::vector<unsigned char> nearest(GetDibStride(cx, 8) * cy);
    const bool bNearest = ScaleDibNearest(view, cx, cy, nearest.data());
    if (bNearest != (view.nColors > 0))
        std::abort();
    if (bNearest) {
        for (int y = 0; y < cy; ++y) {
            const unsigned char* pRow = nearest.data() + GetDibStride(cx, 8) * y;
            for (int x = 0; x < cx; ++x) {
                if (pRow[x] >= view.nColors)
                    std::abort();
            }
        }
    }
    return 0;
}
