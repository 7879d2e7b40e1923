// artpack: packs the launcher's artwork into the exact formats the resource
// script embeds, and checks them.
//
//   artpack bmp  IN.ppm OUT.bmp
//       IN is a binary PPM (P6, maxval 255), 600 x 400, with at most 235
//       distinct colours. Writes an 8-bit bottom-up BMP with a full 256-entry
//       colour table; pixels use indices 0..234 only, entries 235..255 are
//       black and unused.
//
//   artpack ico  OUT.ico  C32.ppm M32.pgm  C16.ppm M16.pgm
//       Cn is the colour image (P6), Mn its mask (P5, 0 = transparent,
//       anything else = opaque). At most 16 colours per image, counting black
//       when the image has transparent pixels (they are stored as black
//       under a set mask bit). Writes a two-image icon: 32 x 32 first, then
//       16 x 16, both 4 bits per pixel, uncompressed.
//
//   artpack check FILE...
//       Validates a .bmp or .ico made as above, field by field, and prints
//       what it checked: headers, colour tables, the 0..234 index rule and
//       the even strip under the buttons for the bitmap; directory, image
//       headers and black under every transparent pixel for the icon.
//       Exit status 1 on the first mismatch.
//
// The palette is the sorted set of colours present, so the output depends
// only on the pixels: packing the same input twice gives the same bytes.
// Any error exits with status 1 and a message on stderr; nothing is written
// in that case.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kBackdropWidth = 600;
constexpr int kBackdropHeight = 400;
constexpr int kBackdropColours = 235; // indices 0..234; 235..255 unused
constexpr uint32_t kBmpFileHeader = 14;
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kBackdropPixels = kBackdropWidth * kBackdropHeight;
constexpr uint32_t kBackdropOffBits = kBmpFileHeader + kInfoHeader + 256 * 4;
constexpr uint32_t kBackdropFileSize = kBackdropOffBits + kBackdropPixels;
// The launcher's buttons stand in x 217..594, y 366..389; the picture keeps
// the area around them even (checked, not drawn, here).
constexpr int kStripLeft = 200;
constexpr int kStripTop = 355;

constexpr int kIconColours = 16;
constexpr int kIconSizes[2] = {32, 16};

struct Fail : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& what)
{
    throw Fail(what);
}

struct Rgb
{
    uint8_t r, g, b;
    bool operator<(const Rgb& o) const
    {
        if (r != o.r)
            return r < o.r;
        if (g != o.g)
            return g < o.g;
        return b < o.b;
    }
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// ---------------------------------------------------------------- file I/O

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail(path + ": cannot open");
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            fail(tmp + ": cannot create");
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            fail(tmp + ": write failed");
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0)
        fail(path + ": cannot replace");
}

// Binary netpbm (P5 grey or P6 colour), maxval 255. Comments are allowed in
// the header, as the format permits.
struct Netpbm
{
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> samples; // row-major, top row first
};

Netpbm readNetpbm(const std::string& path, char kind)
{
    const std::vector<uint8_t> data = readFile(path);
    size_t pos = 0;
    auto skipSpace = [&] {
        for (;;) {
            while (pos < data.size() && std::isspace(data[pos]))
                ++pos;
            if (pos < data.size() && data[pos] == '#') {
                while (pos < data.size() && data[pos] != '\n')
                    ++pos;
            } else {
                return;
            }
        }
    };
    auto number = [&]() -> long {
        skipSpace();
        long v = 0;
        size_t start = pos;
        while (pos < data.size() && std::isdigit(data[pos]) && v < 1000000)
            v = v * 10 + (data[pos++] - '0');
        if (pos == start)
            fail(path + ": malformed netpbm header");
        return v;
    };
    if (data.size() < 2 || data[0] != 'P' || data[1] != kind)
        fail(path + ": not a binary P" + std::string(1, kind) + " file");
    pos = 2;
    Netpbm img;
    img.width = static_cast<int>(number());
    img.height = static_cast<int>(number());
    const long maxval = number();
    if (maxval != 255)
        fail(path + ": maxval " + std::to_string(maxval) + ", expected 255 (8 bits per sample)");
    if (pos >= data.size() || !std::isspace(data[pos]))
        fail(path + ": malformed netpbm header");
    ++pos; // the single whitespace byte before the raster
    img.channels = kind == '6' ? 3 : 1;
    const size_t need = static_cast<size_t>(img.width) * img.height * img.channels;
    if (img.width <= 0 || img.height <= 0 || data.size() - pos != need)
        fail(path + ": raster is " + std::to_string(data.size() - pos) + " bytes, expected " +
             std::to_string(need));
    img.samples.assign(data.begin() + static_cast<long>(pos), data.end());
    return img;
}

std::vector<Rgb> pixelsOf(const Netpbm& img)
{
    std::vector<Rgb> px(static_cast<size_t>(img.width) * img.height);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = {img.samples[3 * i], img.samples[3 * i + 1], img.samples[3 * i + 2]};
    return px;
}

// ------------------------------------------------------- little-endian out

void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
uint32_t get16(const std::vector<uint8_t>& in, size_t at)
{
    if (at + 2 > in.size())
        fail("file truncated");
    return in[at] | in[at + 1] << 8;
}
uint32_t get32(const std::vector<uint8_t>& in, size_t at)
{
    return get16(in, at) | get16(in, at + 2) << 16;
}

void putInfoHeader(std::vector<uint8_t>& out, int width, int height, int bitCount, uint32_t sizeImage)
{
    put32(out, kInfoHeader);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1); // biPlanes
    put16(out, static_cast<uint32_t>(bitCount));
    put32(out, 0); // biCompression: BI_RGB
    put32(out, sizeImage);
    put32(out, 0); // biXPelsPerMeter
    put32(out, 0); // biYPelsPerMeter
    put32(out, 0); // biClrUsed: the full table
    put32(out, 0); // biClrImportant
}

void putColourTable(std::vector<uint8_t>& out, const std::vector<Rgb>& palette, size_t entries)
{
    for (size_t i = 0; i < entries; ++i) {
        const Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
}

// Sorted distinct colours, or a failure naming the count when there are more
// than `limit`.
std::vector<Rgb> paletteOf(const std::vector<Rgb>& pixels, size_t limit, const std::string& what)
{
    std::vector<Rgb> palette(pixels);
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    if (palette.size() > limit)
        fail(what + ": " + std::to_string(palette.size()) + " colours, at most " + std::to_string(limit) +
             " allowed");
    return palette;
}

uint8_t indexOf(const std::vector<Rgb>& palette, const Rgb& c)
{
    return static_cast<uint8_t>(std::lower_bound(palette.begin(), palette.end(), c) - palette.begin());
}

// ------------------------------------------------------------------- BMP

std::vector<uint8_t> packBackdrop(const std::string& in)
{
    const Netpbm img = readNetpbm(in, '6');
    if (img.width != kBackdropWidth || img.height != kBackdropHeight)
        fail(in + ": " + std::to_string(img.width) + " x " + std::to_string(img.height) +
             ", expected 600 x 400");
    const std::vector<Rgb> px = pixelsOf(img);
    const std::vector<Rgb> palette = paletteOf(px, kBackdropColours, in);

    std::vector<uint8_t> out;
    out.reserve(kBackdropFileSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, kBackdropFileSize);
    put32(out, 0); // bfReserved1, bfReserved2
    put32(out, kBackdropOffBits);
    putInfoHeader(out, kBackdropWidth, kBackdropHeight, 8, kBackdropPixels);
    putColourTable(out, palette, 256);
    for (int y = kBackdropHeight - 1; y >= 0; --y) // bottom-up
        for (int x = 0; x < kBackdropWidth; ++x)
            out.push_back(indexOf(palette, px[static_cast<size_t>(y) * kBackdropWidth + x]));
    std::cout << in << ": " << palette.size() << " colours -> 8-bit bitmap, " << out.size() << " bytes\n";
    return out;
}

// ------------------------------------------------------------------- ICO

constexpr uint32_t xorRowBytes(int size)
{
    return ((static_cast<uint32_t>(size) * 4 + 31) / 32) * 4;
}
constexpr uint32_t andRowBytes(int size)
{
    return ((static_cast<uint32_t>(size) + 31) / 32) * 4;
}
constexpr uint32_t iconMaskBytes(int size)
{
    return (xorRowBytes(size) + andRowBytes(size)) * size;
}
constexpr uint32_t iconImageBytes(int size)
{
    return kInfoHeader + kIconColours * 4 + iconMaskBytes(size);
}

std::vector<uint8_t> packIconImage(const std::string& colourPath, const std::string& maskPath, int size)
{
    const Netpbm colour = readNetpbm(colourPath, '6');
    const Netpbm mask = readNetpbm(maskPath, '5');
    for (const Netpbm* img : {&colour, &mask})
        if (img->width != size || img->height != size)
            fail((img == &colour ? colourPath : maskPath) + ": " + std::to_string(img->width) + " x " +
                 std::to_string(img->height) + ", expected " + std::to_string(size) + " x " +
                 std::to_string(size));

    std::vector<Rgb> px = pixelsOf(colour);
    bool anyTransparent = false;
    for (size_t i = 0; i < px.size(); ++i)
        if (mask.samples[i] == 0) {
            px[i] = {0, 0, 0}; // transparent: black under a set mask bit leaves the screen as it is
            anyTransparent = true;
        }
    std::vector<Rgb> counted = px;
    if (anyTransparent)
        counted.push_back({0, 0, 0});
    const std::vector<Rgb> palette = paletteOf(counted, kIconColours, colourPath);

    std::vector<uint8_t> out;
    putInfoHeader(out, size, size * 2, 4, iconMaskBytes(size));
    putColourTable(out, palette, kIconColours);
    for (int y = size - 1; y >= 0; --y) { // colour image, bottom-up, two pixels a byte
        std::vector<uint8_t> row(xorRowBytes(size), 0);
        for (int x = 0; x < size; ++x) {
            const uint8_t idx = indexOf(palette, px[static_cast<size_t>(y) * size + x]);
            row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? idx << 4 : idx);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) { // AND mask, bottom-up, 1 = transparent
        std::vector<uint8_t> row(andRowBytes(size), 0);
        for (int x = 0; x < size; ++x)
            if (mask.samples[static_cast<size_t>(y) * size + x] == 0)
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    std::cout << colourPath << ": " << palette.size() << " colours -> " << size << " x " << size
              << " 4-bit icon image, " << out.size() << " bytes\n";
    return out;
}

std::vector<uint8_t> packIcon(const std::vector<std::string>& inputs)
{
    std::vector<std::vector<uint8_t>> images;
    for (int i = 0; i < 2; ++i)
        images.push_back(packIconImage(inputs[2 * i], inputs[2 * i + 1], kIconSizes[i]));

    std::vector<uint8_t> out;
    put16(out, 0); // idReserved
    put16(out, 1); // idType: icon
    put16(out, 2); // idCount
    uint32_t offset = 6 + 16 * 2;
    for (int i = 0; i < 2; ++i) {
        out.push_back(static_cast<uint8_t>(kIconSizes[i])); // bWidth
        out.push_back(static_cast<uint8_t>(kIconSizes[i])); // bHeight
        out.push_back(kIconColours);                        // bColorCount
        out.push_back(0);                                   // bReserved
        put16(out, 1);                                      // wPlanes
        put16(out, 4);                                      // wBitCount
        put32(out, static_cast<uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& img : images)
        out.insert(out.end(), img.begin(), img.end());
    return out;
}

// ----------------------------------------------------------------- check

struct Checker
{
    const std::string file;
    const std::vector<uint8_t>& data;
    void field(const std::string& name, size_t at, int width, uint32_t want) const
    {
        if (at + static_cast<size_t>(width) > data.size())
            fail(file + ": truncated at " + name);
        const uint32_t got = width == 1 ? data[at] : width == 2 ? get16(data, at) : get32(data, at);
        if (got != want)
            fail(file + ": " + name + " is " + std::to_string(got) + ", expected " + std::to_string(want));
        std::cout << "  " << name << " = " << got << "\n";
    }
    void infoHeader(const std::string& p, size_t at, int width, int height, int bitCount,
                    uint32_t sizeImage) const
    {
        field(p + "biSize", at + 0, 4, kInfoHeader);
        field(p + "biWidth", at + 4, 4, static_cast<uint32_t>(width));
        field(p + "biHeight", at + 8, 4, static_cast<uint32_t>(height));
        field(p + "biPlanes", at + 12, 2, 1);
        field(p + "biBitCount", at + 14, 2, static_cast<uint32_t>(bitCount));
        field(p + "biCompression", at + 16, 4, 0);
        field(p + "biSizeImage", at + 20, 4, sizeImage);
        field(p + "biXPelsPerMeter", at + 24, 4, 0);
        field(p + "biYPelsPerMeter", at + 28, 4, 0);
        field(p + "biClrUsed", at + 32, 4, 0);
        field(p + "biClrImportant", at + 36, 4, 0);
    }
    void reservedBytesZero(const std::string& p, size_t table, size_t entries) const
    {
        for (size_t i = 0; i < entries; ++i)
            if (data[table + 4 * i + 3] != 0)
                fail(file + ": " + p + "colour table entry " + std::to_string(i) +
                     " has a non-zero reserved byte");
        std::cout << "  " << p << "colour table: " << entries << " entries, reserved bytes 0\n";
    }
};

void checkBackdrop(const std::string& file)
{
    const std::vector<uint8_t> data = readFile(file);
    std::cout << file << ":\n";
    const Checker c{file, data};
    if (data.size() != kBackdropFileSize)
        fail(file + ": " + std::to_string(data.size()) + " bytes, expected " +
             std::to_string(kBackdropFileSize));
    std::cout << "  file size = " << data.size() << " (packed bitmap " << data.size() - kBmpFileHeader
              << ")\n";
    if (data[0] != 'B' || data[1] != 'M')
        fail(file + ": no 'BM' signature");
    std::cout << "  bfType = BM\n";
    c.field("bfSize", 2, 4, kBackdropFileSize);
    c.field("bfReserved1", 6, 2, 0);
    c.field("bfReserved2", 8, 2, 0);
    c.field("bfOffBits", 10, 4, kBackdropOffBits);
    c.infoHeader("", kBmpFileHeader, kBackdropWidth, kBackdropHeight, 8, kBackdropPixels);
    c.reservedBytesZero("", kBmpFileHeader + kInfoHeader, 256);
    int highest = 0;
    size_t firstBad = data.size();
    for (size_t i = kBackdropOffBits; i < data.size(); ++i) {
        highest = std::max<int>(highest, data[i]);
        if (data[i] >= kBackdropColours && firstBad == data.size())
            firstBad = i;
    }
    if (firstBad != data.size()) {
        const size_t n = firstBad - kBackdropOffBits;
        fail(file + ": pixel at x " + std::to_string(n % kBackdropWidth) + ", y " +
             std::to_string(kBackdropHeight - 1 - n / kBackdropWidth) + " uses index " +
             std::to_string(data[firstBad]) + ", only 0.." + std::to_string(kBackdropColours - 1) +
             " allowed");
    }
    std::cout << "  pixels: " << kBackdropPixels << ", highest index " << highest << " (0.."
              << kBackdropColours - 1 << " allowed)\n";
    // The strip the buttons stand on must be one even colour.
    const auto at = [&](int x, int y) {
        return data[kBackdropOffBits + static_cast<size_t>(kBackdropHeight - 1 - y) * kBackdropWidth + x];
    };
    const uint8_t calm = at(kStripLeft, kStripTop);
    for (int y = kStripTop; y < kBackdropHeight; ++y)
        for (int x = kStripLeft; x < kBackdropWidth; ++x)
            if (at(x, y) != calm)
                fail(file + ": button strip not even: x " + std::to_string(x) + ", y " + std::to_string(y) +
                     " has index " + std::to_string(at(x, y)) + ", x " + std::to_string(kStripLeft) + ", y " +
                     std::to_string(kStripTop) + " has " + std::to_string(calm));
    std::cout << "  button strip x " << kStripLeft << ".." << kBackdropWidth - 1 << ", y " << kStripTop
              << ".." << kBackdropHeight - 1 << ": one colour, index " << int(calm) << "\n";
}

void checkIcon(const std::string& file)
{
    const std::vector<uint8_t> data = readFile(file);
    std::cout << file << ":\n";
    const Checker c{file, data};
    const uint32_t total = 6 + 16 * 2 + iconImageBytes(32) + iconImageBytes(16);
    if (data.size() != total)
        fail(file + ": " + std::to_string(data.size()) + " bytes, expected " + std::to_string(total));
    std::cout << "  file size = " << data.size() << "\n";
    c.field("idReserved", 0, 2, 0);
    c.field("idType", 2, 2, 1);
    c.field("idCount", 4, 2, 2);
    uint32_t offset = 6 + 16 * 2;
    for (int i = 0; i < 2; ++i) {
        const int size = kIconSizes[i];
        const std::string p = "image " + std::to_string(i + 1) + " ";
        const size_t e = 6 + 16 * static_cast<size_t>(i);
        c.field(p + "bWidth", e + 0, 1, static_cast<uint32_t>(size));
        c.field(p + "bHeight", e + 1, 1, static_cast<uint32_t>(size));
        c.field(p + "bColorCount", e + 2, 1, kIconColours);
        c.field(p + "bReserved", e + 3, 1, 0);
        c.field(p + "wPlanes", e + 4, 2, 1);
        c.field(p + "wBitCount", e + 6, 2, 4);
        c.field(p + "dwBytesInRes", e + 8, 4, iconImageBytes(size));
        c.field(p + "dwImageOffset", e + 12, 4, offset);
        if (data[offset] == 0x89 && data[offset + 1] == 'P')
            fail(file + ": " + p + "is PNG-compressed");
        c.infoHeader(p, offset, size, size * 2, 4, iconMaskBytes(size));
        const size_t table = offset + kInfoHeader;
        c.reservedBytesZero(p, table, kIconColours);
        // Where the mask is set the colour must be black, or the screen
        // behind the icon would be inverted instead of showing through.
        const size_t xorBits = table + kIconColours * 4;
        const size_t andBits = xorBits + xorRowBytes(size) * size;
        int transparent = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                if (!(data[andBits + y * andRowBytes(size) + x / 8] & (0x80 >> (x % 8))))
                    continue;
                ++transparent;
                const uint8_t b = data[xorBits + y * xorRowBytes(size) + x / 2];
                const size_t idx = x % 2 == 0 ? b >> 4 : b & 15;
                const uint8_t* q = &data[table + 4 * idx];
                if (q[0] || q[1] || q[2])
                    fail(file + ": " + p + "transparent pixel at x " + std::to_string(x) + ", y " +
                         std::to_string(size - 1 - y) + " is not black");
            }
        std::cout << "  " << p << "mask: " << transparent << " transparent pixels, all black underneath\n";
        offset += iconImageBytes(size);
    }
}

int usage()
{
    std::cerr << "usage: artpack bmp IN.ppm OUT.bmp\n"
                 "       artpack ico OUT.ico C32.ppm M32.pgm C16.ppm M16.pgm\n"
                 "       artpack check FILE.bmp|FILE.ico...\n";
    return 2;
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 3 && args[0] == "bmp") {
            writeFile(args[2], packBackdrop(args[1]));
        } else if (args.size() == 6 && args[0] == "ico") {
            writeFile(args[1], packIcon({args.begin() + 2, args.end()}));
        } else if (args.size() >= 2 && args[0] == "check") {
            for (size_t i = 1; i < args.size(); ++i) {
                if (endsWith(args[i], ".bmp"))
                    checkBackdrop(args[i]);
                else if (endsWith(args[i], ".ico"))
                    checkIcon(args[i]);
                else
                    fail(args[i] + ": neither .bmp nor .ico");
            }
            std::cout << "artwork OK\n";
        } else {
            return usage();
        }
    } catch (const Fail& e) {
        std::cerr << "artpack: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
