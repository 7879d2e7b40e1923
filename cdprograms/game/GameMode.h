// What the sample game was started for, read from its arguments. Standard
// C++ only: the Windows and the MS-DOS half share it, and it builds
// natively for unit tests.
#pragma once

enum GameMode
{
    kGamePlay,    // no arguments
    kGameSetUp,   // "/setup", in any case: configure the set-up
    kGameUnknown, // anything else
};

// pszArguments is what follows the program's name, blanks in front already
// skipped; blanks and tabs at the end do not count.
GameMode ReadGameMode(const char* pszArguments);
