// dosstub: makes an MS-DOS program of a flat real-mode image (linked at
// offset 100h of its segment, as cdprograms/dos/Dos.ld links one), alone or
// in front of a Windows program, so that one file runs in both.
//
//   dosstub IMAGE OUT.EXE            an MS-DOS program on its own
//   dosstub IMAGE OUT.EXE WIN.EXE    WIN.EXE with the MS-DOS program inside
//
// DOS starts the program as it starts a .COM program: CS, DS, ES and SS on
// the program segment prefix, IP 100h, SP at the top of its 64 KB segment,
// which DOS must give it whole.
//
// In front of a Windows program the MS-DOS program takes the place of the
// linker's "cannot be run in DOS mode" stub. The MZ header keeps e_lfanew,
// and its header size covers the PE headers too, so that DOS loads the
// image stored right after them. SizeOfHeaders stays as it is: the headers
// are mapped into memory below the first section, and growing them past its
// address would make the program invalid. Instead everything after the
// headers moves up by a multiple of the file alignment: every section's
// PointerToRawData, the COFF symbol table's offset, the debug directory's
// file offsets. The checksum, when the linker set one, is computed again. A
// signed program (certificate table) is refused: moving it would break the
// signature.
//
// OUT is written beside its place and renamed into it, so it is whole or
// not there. Exit status 1 with a message on stderr when an input cannot be
// handled.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The image's place in its segment, and the segment's size.
constexpr uint32_t kImageOffset = 0x100;
constexpr uint32_t kSegmentSize = 0x10000;
constexpr uint32_t kParagraph = 16;
constexpr uint32_t kPage = 512;
constexpr uint32_t kMzHeaderSize = 0x40;

// Fields of the MZ header.
constexpr size_t kLastPageBytes = 0x02, kPages = 0x04, kRelocations = 0x06, kHeaderParagraphs = 0x08,
                 kMinAlloc = 0x0A, kMaxAlloc = 0x0C, kSs = 0x0E, kSp = 0x10, kIp = 0x14, kCs = 0x16,
                 kRelocationTable = 0x18, kNewHeader = 0x3C;
// Fields after the PE signature: the COFF header, then the optional header.
constexpr size_t kCoffSections = 2, kCoffSymbolTable = 8, kCoffOptionalSize = 16, kCoffSize = 20;
constexpr size_t kOptMagic = 0, kOptFileAlignment = 36, kOptSizeOfHeaders = 60, kOptCheckSum = 64,
                 kOptDirectoryCount = 92, kOptDirectories = 96;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr size_t kDirCertificates = 4, kDirDebug = 6;
// A section header: its size and the fields used.
constexpr size_t kSectionSize = 40, kSecVirtualSize = 8, kSecVirtualAddress = 12, kSecRawSize = 16,
                 kSecRawPointer = 20;
// A debug directory entry and its file offset.
constexpr size_t kDebugEntrySize = 28, kDebugRawPointer = 24;

struct Failure
{
    std::string text;
};

uint32_t Get(const Bytes& b, size_t at, size_t n)
{
    if (at + n > b.size())
        throw Failure{"truncated: a field at offset " + std::to_string(at) + " lies past the end"};
    uint32_t v = 0;
    for (size_t i = n; i-- > 0;)
        v = v << 8 | b[at + i];
    return v;
}

void Put(Bytes& b, size_t at, size_t n, uint32_t v)
{
    for (size_t i = 0; i < n; ++i, v >>= 8)
        b.at(at + i) = static_cast<uint8_t>(v);
}

uint32_t AlignUp(uint32_t n, uint32_t alignment)
{
    return (n + alignment - 1) / alignment * alignment;
}

Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Failure{"cannot read " + path};
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw Failure{"cannot read " + path};
    return bytes;
}

// Fills in the MZ header at the front of `file` for the image stored at
// `imageAt`; newHeader is e_lfanew (0 for a program without one).
void WriteMzHeader(Bytes& file, const Bytes& image, uint32_t imageAt, uint32_t newHeader)
{
    const uint32_t dosSize = imageAt + static_cast<uint32_t>(image.size());
    // The image and the room above it up to the end of the segment: DOS
    // gives the program exactly that.
    const uint32_t above = kSegmentSize - kImageOffset - static_cast<uint32_t>(image.size());
    const uint32_t alloc = AlignUp(above, kParagraph) / kParagraph;
    for (size_t i = 0; i < kMzHeaderSize; ++i)
        file[i] = 0;
    file[0] = 'M';
    file[1] = 'Z';
    Put(file, kLastPageBytes, 2, dosSize % kPage);
    Put(file, kPages, 2, AlignUp(dosSize, kPage) / kPage);
    Put(file, kRelocations, 2, 0);
    Put(file, kHeaderParagraphs, 2, imageAt / kParagraph);
    Put(file, kMinAlloc, 2, alloc);
    Put(file, kMaxAlloc, 2, alloc);
    // The load segment is the prefix's plus 10h: FFF0h brings CS and SS
    // back to the prefix, where the image was linked at 100h.
    Put(file, kSs, 2, 0xFFF0);
    Put(file, kSp, 2, 0xFFFE);
    Put(file, kIp, 2, kImageOffset);
    Put(file, kCs, 2, 0xFFF0);
    // 40h marks a file with a new-style header at e_lfanew for Windows.
    Put(file, kRelocationTable, 2, newHeader ? 0x40 : 0x1C);
    Put(file, kNewHeader, 4, newHeader);
}

void CheckImage(const Bytes& image)
{
    if (image.empty())
        throw Failure{"the MS-DOS image is empty"};
    if (image.size() > kSegmentSize - kImageOffset - 0x1000)
        throw Failure{"the MS-DOS image (" + std::to_string(image.size()) +
                      " bytes) leaves no room for a stack in its 64 KB segment"};
}

Bytes DosProgram(const Bytes& image)
{
    Bytes file(kMzHeaderSize, 0);
    file.insert(file.end(), image.begin(), image.end());
    WriteMzHeader(file, image, kMzHeaderSize, 0);
    return file;
}

// The checksum of the optional header, as the system's image helper
// computes it: 16-bit words added with end-around carry, the field itself
// taken as 0, plus the file's length.
uint32_t PeCheckSum(const Bytes& file, size_t checkSumAt)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (i == checkSumAt || i == checkSumAt + 2)
            continue;
        uint32_t word = file[i];
        if (i + 1 < file.size())
            word |= static_cast<uint32_t>(file[i + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return (sum & 0xFFFF) + static_cast<uint32_t>(file.size());
}

Bytes DualProgram(const Bytes& image, const Bytes& pe, const std::string& pePath)
{
    auto fail = [&](const std::string& what) { return Failure{pePath + ": " + what}; };
    if (pe.size() < kMzHeaderSize || pe[0] != 'M' || pe[1] != 'Z')
        throw fail("not a Windows program (no MZ header)");
    const uint32_t newHeader = Get(pe, kNewHeader, 4);
    if (newHeader < kMzHeaderSize || newHeader % 4 != 0 || newHeader + 4 + kCoffSize > pe.size() ||
        Get(pe, newHeader, 4) != 0x00004550)
        throw fail("not a Windows program (no PE header at e_lfanew)");
    const size_t coff = newHeader + 4;
    const size_t opt = coff + kCoffSize;
    const uint32_t optSize = Get(pe, coff + kCoffOptionalSize, 2);
    if (optSize < kOptDirectories || Get(pe, opt + kOptMagic, 2) != kPe32Magic)
        throw fail("not a 32-bit Windows program (PE32)");
    const uint32_t fileAlignment = Get(pe, opt + kOptFileAlignment, 4);
    if (fileAlignment < kParagraph || (fileAlignment & (fileAlignment - 1)) != 0)
        throw fail("file alignment " + std::to_string(fileAlignment) +
                   " is not a power of two of at least 16");
    const uint32_t headersSize = Get(pe, opt + kOptSizeOfHeaders, 4);
    const size_t sections = opt + optSize;
    const uint32_t sectionCount = Get(pe, coff + kCoffSections, 2);
    if (headersSize > pe.size())
        throw fail("truncated: the file ends inside its headers");
    if (headersSize % fileAlignment != 0 || sections + sectionCount * kSectionSize > headersSize)
        throw fail("SizeOfHeaders does not hold the headers in whole file-alignment steps");
    if (Get(pe, kHeaderParagraphs, 2) * kParagraph == headersSize)
        throw fail("already carries an MS-DOS program after its headers");

    const uint32_t directoryCount = Get(pe, opt + kOptDirectoryCount, 4);
    auto directory = [&](size_t index, uint32_t* pSize) {
        if (index >= directoryCount || kOptDirectories + index * 8 + 8 > optSize) {
            *pSize = 0;
            return uint32_t{0};
        }
        *pSize = Get(pe, opt + kOptDirectories + index * 8 + 4, 4);
        return Get(pe, opt + kOptDirectories + index * 8, 4);
    };
    uint32_t size = 0;
    if (directory(kDirCertificates, &size) != 0 || size != 0)
        throw fail("is signed (certificate table): moving its contents would break the signature");

    const uint32_t imageAt = headersSize; // a multiple of 16, as the MZ header counts paragraphs
    const uint32_t shift = AlignUp(static_cast<uint32_t>(image.size()), fileAlignment);
    Bytes out(pe.begin(), pe.begin() + headersSize);
    out.insert(out.end(), image.begin(), image.end());
    out.resize(headersSize + shift, 0);
    out.insert(out.end(), pe.begin() + headersSize, pe.end());

    WriteMzHeader(out, image, imageAt, newHeader);
    // The linker's stub and its message: nothing of it stays.
    for (size_t i = kMzHeaderSize; i < newHeader; ++i)
        out[i] = 0;

    auto moved = [&](uint32_t offset) {
        if (offset == 0)
            return offset; // no data in the file
        if (offset < headersSize)
            throw fail("data at file offset " + std::to_string(offset) + " lies inside the headers");
        return offset + shift;
    };
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const size_t at = sections + i * kSectionSize;
        if (Get(pe, at + kSecRawSize, 4) != 0)
            Put(out, at + kSecRawPointer, 4, moved(Get(pe, at + kSecRawPointer, 4)));
    }
    Put(out, coff + kCoffSymbolTable, 4, moved(Get(pe, coff + kCoffSymbolTable, 4)));

    // The debug directory is found by its address in memory; its entries
    // hold file offsets of their data.
    const uint32_t debugRva = directory(kDirDebug, &size);
    if (debugRva != 0 && size != 0) {
        size_t debugAt = 0;
        for (uint32_t i = 0; i < sectionCount && debugAt == 0; ++i) {
            const size_t at = sections + i * kSectionSize;
            const uint32_t va = Get(pe, at + kSecVirtualAddress, 4);
            const uint32_t length = Get(pe, at + kSecVirtualSize, 4);
            if (debugRva >= va && debugRva + size <= va + length)
                debugAt = moved(Get(pe, at + kSecRawPointer, 4)) + (debugRva - va);
        }
        if (debugAt == 0 || debugAt + size > out.size())
            throw fail("the debug directory lies outside every section");
        for (uint32_t entry = 0; entry + kDebugEntrySize <= size; entry += kDebugEntrySize)
            Put(out, debugAt + entry + kDebugRawPointer, 4,
                moved(Get(out, debugAt + entry + kDebugRawPointer, 4)));
    }

    if (Get(out, opt + kOptCheckSum, 4) != 0)
        Put(out, opt + kOptCheckSum, 4, PeCheckSum(out, opt + kOptCheckSum));
    return out;
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    const std::string temporary = path + ".tmp";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw Failure{"cannot write " + path};
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: dosstub IMAGE OUT.EXE [WIN.EXE]\n";
        return 2;
    }
    try {
        const Bytes image = ReadFile(argv[1]);
        CheckImage(image);
        WriteFile(argv[2], argc == 4 ? DualProgram(image, ReadFile(argv[3]), argv[3]) : DosProgram(image));
    } catch (const Failure& failure) {
        std::cerr << "dosstub: " << failure.text << "\n";
        return 1;
    }
    return 0;
}
