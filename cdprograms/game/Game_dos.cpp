// The sample game in MS-DOS mode, the MS-DOS half of orvane.exe: it shows
// what its Windows half shows in its window (whether it was started to play
// or to configure, the folder it was started from, the current folder and
// its command line), waits for a key and ends.
#include "cdprograms/dos/DosRuntime.h"
#include "cdprograms/game/GameMode.h"
#include "cdprograms/game/GameText.h"

#include <string.h>

namespace {

// A label and its value, the values in one column.
void PrintField(const char* pszLabel, const char* pszValue)
{
    DosPrint(pszLabel);
    for (size_t n = strlen(pszLabel); n < 16; ++n)
        DosPrintChar(' ');
    DosPrint(pszValue);
    DosPrint("\n");
}

} // namespace

int DosMain(const char* pszArguments)
{
    static const char* const kModes[] = {QX_GAME_MODE_PLAY, QX_GAME_MODE_SETUP, QX_GAME_MODE_UNKNOWN};
    static_assert(sizeof(kModes) / sizeof(kModes[0]) == kGameUnknown + 1, "one text for each mode");
    DosPrint(kModes[ReadGameMode(pszArguments)]);
    DosPrint("\n\n");

    char szProgram[128];
    if (!DosGetProgramPath(szProgram, sizeof(szProgram)))
        szProgram[0] = '\0';
    char szFolder[128] = "";
    AppendText(szFolder, sizeof(szFolder), szProgram);
    if (char* pLastSlash = strrchr(szFolder, '\\'))
        *pLastSlash = '\0';
    PrintField(QX_GAME_PROGRAM_FOLDER, szFolder);

    char szCurrent[kDosCurrentDirSize];
    DosGetCurrentDir(szCurrent, sizeof(szCurrent));
    PrintField(QX_GAME_CURRENT_FOLDER, szCurrent);

    // The program and its arguments: 127 and 126 characters at most.
    char szCommandLine[256] = "";
    AppendText(szCommandLine, sizeof(szCommandLine), szProgram);
    if (*pszArguments) {
        AppendText(szCommandLine, sizeof(szCommandLine), " ");
        AppendText(szCommandLine, sizeof(szCommandLine), pszArguments);
    }
    PrintField(QX_GAME_COMMAND_LINE, szCommandLine);
    DosPrint("\nPress any key to end.\n");
    DosReadKey();
    return 0;
}
