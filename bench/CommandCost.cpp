// Runs the command-line code over given inputs, for counting its instructions
// under callgrind (tools/bench.sh). Inputs are read and copied outside the
// functions measured.
//
//   qx_bench_commands canonicalize LINES REPEAT
//       Canonicalises every line of file LINES (a copy of it each time),
//       REPEAT times over.
//   qx_bench_commands expand TEMPLATES SOURCE INSTALLED WINDOWS REPEAT
//       Expands every line of file TEMPLATES against the three directories,
//       as the launcher does (its lower-casing is the system's and is left
//       out), REPEAT times over.
//   qx_bench_commands scan TEMPLATES SOURCE INSTALLED WINDOWS
//       Prints, for every line of file TEMPLATES, the line that the template
//       scan writes before the path clean-up: the bench's input lines.
//
// canonicalize and expand print the lines they made, then "bytes N": the
// input bytes of one repetition (the lines' lengths; for expand, those of the
// finished lines).
#include "commands/CanonicalizeCommandPath.h"
#include "commands/ExpandCommandTemplate.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadLines(const char* pszPath)
{
    std::vector<std::string> lines;
    FILE* pFile = std::fopen(pszPath, "rb");
    if (pFile == nullptr) {
        std::perror(pszPath);
        std::exit(2);
    }
    std::string line;
    int ch;
    while ((ch = std::fgetc(pFile)) != EOF) {
        if (ch == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(ch);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    std::fclose(pFile);
    return lines;
}

void CountUnknownCode(void* pContext)
{
    ++*static_cast<int*>(pContext);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "canonicalize") == 0) {
        const std::vector<std::string> lines = ReadLines(argv[2]);
        const long nRepeat = std::atol(argv[3]);
        std::vector<char> buffer;
        size_t nBytes = 0;
        for (const std::string& line : lines) {
            nBytes += line.size();
            if (buffer.size() < line.size() + 1)
                buffer.resize(line.size() + 1);
        }
        for (long nPass = 0; nPass < nRepeat; ++nPass) {
            for (const std::string& line : lines) {
                std::memcpy(buffer.data(), line.c_str(), line.size() + 1);
                const int nValid = CanonicalizeCommandPath(buffer.data());
                if (nPass == 0)
                    std::printf("%d %s\n", nValid, buffer.data());
            }
        }
        std::printf("bytes %zu\n", nBytes);
        return 0;
    }
    if (argc == 7 && std::strcmp(argv[1], "expand") == 0) {
        const std::vector<std::string> templates = ReadLines(argv[2]);
        const long nRepeat = std::atol(argv[6]);
        int nUnknown = 0;
        // Lower-casing, where the seam has it, stays null: the launcher leaves
        // it to the system.
        CommandTemplateSeam seam = {};
        seam.pfnReportUnknownCode = CountUnknownCode;
        seam.pContext = &nUnknown;
        // The launcher asks the system for short names only for folders that
        // a command line cannot carry; the sample folders need none.
        const ShortNameSeam shortNames = {nullptr, nullptr};
        char szLine[kMaxCommandLine + 1];
        size_t nBytes = 0;
        for (long nPass = 0; nPass < nRepeat; ++nPass) {
            for (const std::string& line : templates) {
                const size_t nLength =
                    ExpandCommandLine(line.c_str(), argv[3], argv[4], argv[5], seam, shortNames, szLine)
                        .nLength;
                if (nPass == 0) {
                    nBytes += nLength;
                    std::printf("%s\n", szLine);
                }
            }
        }
        std::printf("bytes %zu\n", nBytes);
        return nUnknown == 0 ? 0 : 1;
    }
    if (argc == 6 && std::strcmp(argv[1], "scan") == 0) {
        const CommandTemplateSeam seam = {nullptr, nullptr};
        char szLine[kMaxCommandLine + 1];
        for (const std::string& line : ReadLines(argv[2])) {
            ScanCommandTemplate(line.c_str(), argv[3], argv[4], argv[5], seam, szLine);
            std::printf("%s\n", szLine);
        }
        return 0;
    }
    std::fprintf(stderr, "usage: qx_bench_commands canonicalize LINES REPEAT\n"
                         "       qx_bench_commands expand TEMPLATES SOURCE INSTALLED WINDOWS REPEAT\n"
                         "       qx_bench_commands scan TEMPLATES SOURCE INSTALLED WINDOWS\n");
    return 2;
}
