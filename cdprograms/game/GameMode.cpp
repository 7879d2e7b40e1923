#include "cdprograms/game/GameMode.h"

namespace {

char LowerAscii(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

} // namespace

GameMode ReadGameMode(const char* pszArguments)
{
    static const char kSetUp[] = "/setup";
    const char* pEnd = pszArguments;
    while (*pEnd)
        ++pEnd;
    while (pEnd > pszArguments && (pEnd[-1] == ' ' || pEnd[-1] == '\t'))
        --pEnd;
    if (pEnd == pszArguments)
        return kGamePlay;
    const char* p = pszArguments;
    for (const char* pWord = kSetUp; *pWord; ++pWord, ++p) {
        if (p == pEnd || LowerAscii(*p) != *pWord)
            return kGameUnknown;
    }
    return p == pEnd ? kGameSetUp : kGameUnknown;
}
