// Watches the X screen for the backdrop picture, for timing a program from
// outside (tools/bench.sh). It reads the picture from the 8-bit bitmap file
// given, connects to $DISPLAY, prints "ready" and then answers commands on
// standard input, one a line:
//
//   appear X Y TIMEOUT_MS   waits until the picture is on the screen with its
//                           top-left corner at X,Y; prints "appeared T"
//   gone X Y TIMEOUT_MS     waits until it is no longer there; prints "gone T"
//
// T is CLOCK_MONOTONIC_RAW in 100 ns ticks, the clock of Wine's performance
// counter, read right after the poll that decided; "timeout" when the time ran
// out. The picture counts as there when a few full rows of it, spread from
// top to bottom and clear of the buttons, show exactly the picture's colours
// (a 24-bit screen shows them unchanged). The screen is polled every
// millisecond.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

// Rows of the 600 by 400 picture that are compared: the buttons sit between
// rows 366 and 389.
const int kRows[] = {0, 100, 200, 300, 399};

struct Picture
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<unsigned long> pixels; // 0xRRGGBB, top row first
};

unsigned ReadLittleEndian(const unsigned char* pb, int nBytes)
{
    unsigned nValue = 0;
    for (int n = nBytes - 1; n >= 0; --n)
        nValue = nValue << 8 | pb[n];
    return nValue;
}

bool ReadPicture(const char* pszPath, Picture& picture)
{
    FILE* pFile = std::fopen(pszPath, "rb");
    if (pFile == nullptr)
        return false;
    std::vector<unsigned char> data;
    unsigned char buffer[65536];
    size_t nRead;
    while ((nRead = std::fread(buffer, 1, sizeof(buffer), pFile)) > 0)
        data.insert(data.end(), buffer, buffer + nRead);
    std::fclose(pFile);
    if (data.size() < 54 + 1024 || data[0] != 'B' || data[1] != 'M')
        return false;
    const unsigned nBitsOffset = ReadLittleEndian(&data[10], 4);
    const unsigned nHeaderSize = ReadLittleEndian(&data[14], 4);
    const int nWidth = static_cast<int>(ReadLittleEndian(&data[18], 4));
    const int nHeight = static_cast<int>(ReadLittleEndian(&data[22], 4));
    const unsigned nBitCount = ReadLittleEndian(&data[28], 2);
    const unsigned nCompression = ReadLittleEndian(&data[30], 4);
    if (nBitCount != 8 || nCompression != 0 || nWidth <= 0 || nHeight <= 0)
        return false;
    const size_t nStride = (static_cast<size_t>(nWidth) + 3) & ~static_cast<size_t>(3);
    if (nBitsOffset + nStride * nHeight > data.size())
        return false;
    const unsigned char* pTable = &data[14 + nHeaderSize];
    picture.nWidth = nWidth;
    picture.nHeight = nHeight;
    picture.pixels.resize(static_cast<size_t>(nWidth) * nHeight);
    for (int y = 0; y < nHeight; ++y) {
        // Bottom-up rows.
        const unsigned char* pRow = &data[nBitsOffset + nStride * (nHeight - 1 - y)];
        for (int x = 0; x < nWidth; ++x) {
            const unsigned char* pEntry = pTable + 4 * pRow[x];
            picture.pixels[static_cast<size_t>(y) * nWidth + x] =
                static_cast<unsigned long>(pEntry[2]) << 16 | pEntry[1] << 8 | pEntry[0];
        }
    }
    return true;
}

long long NowTicks()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return static_cast<long long>(now.tv_sec) * 10000000 + now.tv_nsec / 100;
}

bool ShowsPicture(Display* pDisplay, Window root, const Picture& picture, int x, int y)
{
    for (int nRow : kRows) {
        if (nRow >= picture.nHeight)
            continue;
        XImage* pImage = XGetImage(pDisplay, root, x, y + nRow, picture.nWidth, 1, AllPlanes, ZPixmap);
        if (pImage == nullptr)
            return false;
        bool bSame = true;
        const unsigned long* pWant = &picture.pixels[static_cast<size_t>(nRow) * picture.nWidth];
        for (int n = 0; n < picture.nWidth && bSame; ++n)
            bSame = (XGetPixel(pImage, n, 0) & 0xFFFFFF) == pWant[n];
        XDestroyImage(pImage);
        if (!bSame)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Picture picture;
    if (argc != 2 || !ReadPicture(argv[1], picture)) {
        std::fprintf(stderr, "usage: qx_bench_robot BACKDROP.bmp (8 bits, uncompressed)\n");
        return 2;
    }
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr) {
        std::fprintf(stderr, "qx_bench_robot: cannot open the display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(pDisplay);
    // A window outside the screen makes XGetImage fail, which only reads as "not there".
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("ready\n");

    char szCommand[128];
    while (std::fgets(szCommand, sizeof(szCommand), stdin) != nullptr) {
        char szVerb[16];
        int x, y;
        long nTimeoutMs;
        if (std::sscanf(szCommand, "%15s %d %d %ld", szVerb, &x, &y, &nTimeoutMs) != 4) {
            std::printf("error\n");
            continue;
        }
        const bool bAppear = std::strcmp(szVerb, "appear") == 0;
        const long long nDeadline = NowTicks() + nTimeoutMs * 10000;
        for (;;) {
            const bool bThere = ShowsPicture(pDisplay, root, picture, x, y);
            const long long nNow = NowTicks();
            if (bThere == bAppear) {
                std::printf("%s %lld\n", bAppear ? "appeared" : "gone", nNow);
                break;
            }
            if (nNow > nDeadline) {
                std::printf("timeout\n");
                break;
            }
            const timespec pause = {0, 1000000};
            nanosleep(&pause, nullptr);
        }
    }
    XCloseDisplay(pDisplay);
    return 0;
}
