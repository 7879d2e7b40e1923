// makepif: writes a program-information file (.pif) for MS-DOS mode, as
// Windows 95 writes one: the 369-byte basic section with its heading, the
// Windows 386 and 286 sections (545 bytes up to there, the record that
// Windows 3.1 reads), and the Windows 95 section.
//
//   makepif OUT.pif TITLE PROGRAM [PARAMETERS [WORKING_DIR]]
//
// The MS-DOS-mode flag is set, and so is the flag that skips Windows' own
// warning before the restart: the launcher has already warned the user.
// Exit status 1 with a message on stderr when a text does not fit its field;
// nothing is written then.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

// Offsets in the file.
constexpr size_t kBasicSize = 0x171;
constexpr size_t kHeadingSize = 22; // 16-byte name, next heading, data offset, data length
constexpr size_t k386Heading = kBasicSize + kHeadingSize;
constexpr size_t k386Data = k386Heading + kHeadingSize;
constexpr size_t k386Size = 0x68;
constexpr size_t k286Heading = k386Data + k386Size;
constexpr size_t k286Data = k286Heading + kHeadingSize;
constexpr size_t k286Size = 6;
constexpr size_t kVmmHeading = k286Data + k286Size; // 545: the end of the Windows 3.1 record
constexpr size_t kVmmData = kVmmHeading + kHeadingSize;
constexpr size_t kVmmSize = 0x1AC;
constexpr size_t kFileSize = kVmmData + kVmmSize;
constexpr uint16_t kLastHeading = 0xFFFF;

// Flags of the Windows 386 section.
constexpr uint32_t k386FullScreen = 0x00000008;
constexpr uint32_t k386MsDosMode = 0x00800000;
constexpr uint32_t k386NoMsDosModeWarning = 0x10000000;

struct Writer
{
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kFileSize, 0);

    void Byte(size_t at, uint8_t v) { bytes.at(at) = v; }
    void Word(size_t at, uint16_t v)
    {
        Byte(at, static_cast<uint8_t>(v));
        Byte(at + 1, static_cast<uint8_t>(v >> 8));
    }
    void Dword(size_t at, uint32_t v)
    {
        Word(at, static_cast<uint16_t>(v));
        Word(at + 2, static_cast<uint16_t>(v >> 16));
    }
    // A NUL-terminated text in a field of `size` bytes; `pad` fills the rest.
    bool Text(size_t at, size_t size, const std::string& text, uint8_t pad, bool needsTerminator)
    {
        if (text.size() > size - (needsTerminator ? 1 : 0))
            return false;
        for (size_t i = 0; i < size; ++i)
            Byte(at + i, i < text.size() ? static_cast<uint8_t>(text[i]) : pad);
        return true;
    }
    void Heading(size_t at, const char* name, size_t next, size_t data, size_t length)
    {
        Text(at, 16, name, 0, true);
        Word(at + 16, static_cast<uint16_t>(next));
        Word(at + 18, static_cast<uint16_t>(data));
        Word(at + 20, static_cast<uint16_t>(length));
    }
};

bool Fail(const std::string& what)
{
    std::cerr << "makepif: " << what << "\n";
    return false;
}

bool Build(Writer& w, const std::string& title, const std::string& program, const std::string& parameters,
           const std::string& workingDir)
{
    // Basic section.
    if (!w.Text(0x02, 30, title, ' ', false))
        return Fail("title \"" + title + "\" is longer than 30 characters");
    w.Word(0x20, 640); // conventional memory, KB: at most
    w.Word(0x22, 128); //                          at least
    if (!w.Text(0x24, 63, program, 0, true))
        return Fail("program \"" + program + "\" is longer than 62 characters");
    w.Byte(0x63, 0x10); // close the window on exit
    if (!w.Text(0x65, 64, workingDir, 0, true))
        return Fail("working directory \"" + workingDir + "\" is longer than 63 characters");
    if (!w.Text(0xA5, 64, parameters, 0, true))
        return Fail("parameters \"" + parameters + "\" are longer than 63 characters");
    w.Byte(0xE6, 1);    // text pages
    w.Byte(0xE8, 0xFF); // last interrupt to save
    w.Byte(0xE9, 25);   // rows
    w.Byte(0xEA, 80);   // columns
    w.Word(0xED, 7);
    if (!parameters.empty())
        w.Byte(0x170, 0x40); // the parameters field is used
    unsigned sum = 0;
    for (size_t i = 2; i < kBasicSize; ++i)
        sum += w.bytes[i];
    w.Byte(0x01, static_cast<uint8_t>(sum));

    w.Heading(kBasicSize, "MICROSOFT PIFEX", k386Heading, 0, kBasicSize);

    // Windows 386 section.
    w.Heading(k386Heading, "WINDOWS 386 3.0", k286Heading, k386Data, k386Size);
    w.Word(k386Data + 0x00, 640);  // conventional memory, KB: at most
    w.Word(k386Data + 0x02, 128);  //                          at least
    w.Word(k386Data + 0x04, 100);  // foreground priority
    w.Word(k386Data + 0x06, 50);   // background priority
    w.Word(k386Data + 0x08, 1024); // expanded memory, KB: at most
    w.Word(k386Data + 0x0C, 1024); // extended memory, KB: at most
    w.Dword(k386Data + 0x10, k386MsDosMode | k386NoMsDosModeWarning | k386FullScreen);
    w.Word(k386Data + 0x14, 0x001F); // video: text memory and ports, ROM emulation
    w.Text(k386Data + 0x28, 64, parameters, 0, true);

    // Windows 286 section: no extended memory, no flags.
    w.Heading(k286Heading, "WINDOWS 286 3.0", kVmmHeading, k286Data, k286Size);

    // Windows 95 section.
    w.Heading(kVmmHeading, "WINDOWS VMM 4.0", kLastHeading, kVmmData, kVmmSize);
    w.Text(kVmmData + 0x58, 80, "PIFMGR.DLL", 0, true); // icon file
    w.Word(kVmmData + 0xB6, 50);                        // idle sensitivity
    w.Word(kVmmData + 0xC2, 25);                        // lines on screen
    w.Text(kVmmData + 0xEA, 32, "Terminal", 0, true);   // raster font
    w.Text(kVmmData + 0x10A, 32, "Courier New", 0, true);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 6) {
        std::cerr << "usage: makepif OUT.pif TITLE PROGRAM [PARAMETERS [WORKING_DIR]]\n";
        return 2;
    }
    Writer w;
    if (!Build(w, argv[2], argv[3], argc > 4 ? argv[4] : "", argc > 5 ? argv[5] : ""))
        return 1;
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(w.bytes.data()), static_cast<std::streamsize>(w.bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "makepif: cannot write " << argv[1] << "\n";
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
