// relcheck: the release checks of the launcher's command templates, run by
// the build on the compiled resource script (a .res file, as windres -O res
// writes it), so that what is checked is what the launcher carries.
//
//   relcheck TEMPLATES.res
//
// Strings 3 to 7 are the command templates. Each must be there, use only the
// launcher's $ codes ($s the CD folder, $i the installed folder, $I its
// drive letter, $w the Windows folder), and, expanded as the launcher expands
// it with a folder of kFolderLength characters for each code, fit the 255
// characters of a command line (the launcher would not run a longer line)
// and keep its program and arguments through the path clean-up (a ".." of
// the template's own that folds across a blank would run something else).
// On the first fault it prints one line naming the string id and the fault,
// and exits with 1.
//
// Built from the launcher's own portable sources: the codes and the
// expansion are the launcher's.

#include "commands/ExpandCommandTemplate.h"
#include "res/CdContract.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kFirstTemplate = 3;
constexpr int kLastTemplate = 7;
// A realistic longest folder: MS-DOS's own limit.
constexpr size_t kFolderLength = QX_DOS_MAX_FOLDER;
constexpr uint16_t kRtString = 6;

const char* const kRoles[] = {"View Readme", "Install", "Play", "unused", "Configure"};

struct Fault
{
    std::string what;
};

uint32_t Get16(const std::vector<uint8_t>& d, size_t at)
{
    if (at + 2 > d.size())
        throw Fault{"the resource file is cut short"};
    return d[at] | d[at + 1] << 8;
}

uint32_t Get32(const std::vector<uint8_t>& d, size_t at)
{
    return Get16(d, at) | Get16(d, at + 2) << 16;
}

// A type or name in a resource header: an ordinal (0xFFFF, then the number)
// or a NUL-terminated UTF-16 name. Returns the ordinal, or -1 for a name.
long ReadId(const std::vector<uint8_t>& d, size_t* pAt)
{
    if (Get16(d, *pAt) == 0xFFFF) {
        const long id = static_cast<long>(Get16(d, *pAt + 2));
        *pAt += 4;
        return id;
    }
    while (Get16(d, *pAt) != 0)
        *pAt += 2;
    *pAt += 2;
    return -1;
}

// Every string of the string tables, by id, as 8-bit text (anything beyond
// ASCII shown as '?'), for each language the file holds.
std::map<uint16_t, std::map<int, std::string>> ReadStrings(const std::vector<uint8_t>& d)
{
    std::map<uint16_t, std::map<int, std::string>> tables;
    size_t at = 0;
    while (at + 8 <= d.size()) {
        const uint32_t dataSize = Get32(d, at);
        const uint32_t headerSize = Get32(d, at + 4);
        size_t p = at + 8;
        const long type = ReadId(d, &p);
        const long name = ReadId(d, &p);
        p = (p + 3) & ~size_t(3);
        const uint16_t language = static_cast<uint16_t>(Get16(d, p + 6));
        const size_t data = at + headerSize;
        if (data + dataSize > d.size())
            throw Fault{"the resource file is cut short"};
        if (type == kRtString && name > 0) {
            // A block holds 16 strings, each a length and that many UTF-16 units.
            size_t q = data;
            for (int i = 0; i < 16 && q + 2 <= data + dataSize; ++i) {
                const uint32_t length = Get16(d, q);
                q += 2;
                std::string text;
                for (uint32_t k = 0; k < length; ++k, q += 2) {
                    const uint32_t unit = Get16(d, q);
                    text += unit < 0x80 ? static_cast<char>(unit) : '?';
                }
                if (length > 0)
                    tables[language][static_cast<int>((name - 1) * 16 + i)] = text;
            }
        }
        at = (data + dataSize + 3) & ~size_t(3);
    }
    return tables;
}

void CheckTemplate(int id, const std::string& text)
{
    const std::string name =
        "string " + std::to_string(id) + " (" + kRoles[id - kFirstTemplate] + " command, \"" + text + "\")";
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '$')
            continue;
        if (++i == text.size())
            throw Fault{name + ": a $ ends the template; the codes are $s, $i, $I and $w"};
        bool driveOnly = false;
        if (GetCodeDirectory(text[i], &driveOnly) == kNoCommandDirectory)
            throw Fault{name + ": unknown code $" + std::string(1, text[i]) +
                        "; the codes are $s, $i, $I and $w"};
    }

    // Folders that any command line carries as they stand, and that fold nothing.
    const std::string source = "D:\\" + std::string(kFolderLength - 3, 'S');
    const std::string installed = "C:\\" + std::string(kFolderLength - 3, 'I');
    const std::string windows = "C:\\" + std::string(kFolderLength - 3, 'W');
    const CommandTemplateSeam seam = {nullptr, nullptr};
    const ShortNameSeam shortNames = {nullptr, nullptr};
    char line[kMaxCommandLine + 1];
    const CommandLineCheck check = ExpandCommandLine(text.c_str(), source.c_str(), installed.c_str(),
                                                     windows.c_str(), seam, shortNames, line);
    switch (check.nStatus) {
    case kCommandLineRuns:
        return;
    case kCommandLineTooLong:
        throw Fault{name + ": expands to " + std::to_string(check.nExpanded) + " characters with " +
                    std::to_string(kFolderLength) + "-character folders; a command line holds " +
                    std::to_string(kMaxCommandLine)};
    case kCommandLineFolded:
        throw Fault{name + ": a \"..\" of its own folds across a blank, giving \"" + line + "\" with " +
                    std::to_string(kFolderLength) + "-character folders"};
    default:
        throw Fault{name + ": the launcher would not run it with " + std::to_string(kFolderLength) +
                    "-character folders (status " + std::to_string(check.nStatus) + ")"};
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: relcheck TEMPLATES.res\n";
        return 2;
    }
    try {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in)
            throw Fault{std::string(argv[1]) + ": cannot open"};
        const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), {}};
        const auto tables = ReadStrings(data);
        if (tables.empty())
            throw Fault{"the resource script has no string table"};
        for (const auto& table : tables) {
            for (int id = kFirstTemplate; id <= kLastTemplate; ++id) {
                const auto found = table.second.find(id);
                if (found == table.second.end())
                    throw Fault{"string " + std::to_string(id) + " (" + kRoles[id - kFirstTemplate] +
                                " command) is missing or empty"};
                CheckTemplate(id, found->second);
            }
        }
    } catch (const Fault& fault) {
        std::cerr << "release check: " << fault.what << "\n";
        return 1;
    }
    return 0;
}
