#include "app/WholeFile.h"

#include <stdio.h>
#include <string.h>

namespace {

// The temporary names beside a file: its own with the extension "~0" to
// "~9", 8.3 names like those of the first-run files. A name that a crash
// left behind is skipped as one that another writer holds.
const char kTemporaryExtension[] = ".~0";
const int kTemporaryNames = 10;
const size_t kMaxPath = 260;

} // namespace

BOOL ReplaceFileWhole(const char* pszPath, const char* const* apszText, size_t nPieces)
{
    if (!pszPath || !*pszPath)
        return FALSE;
    size_t nStem = strlen(pszPath);
    for (size_t n = nStem; n > 0 && strchr("\\/:", pszPath[n - 1]) == nullptr; --n) {
        if (pszPath[n - 1] == '.') {
            nStem = n - 1;
            break;
        }
    }
    char szTemporary[kMaxPath];
    if (nStem + sizeof(kTemporaryExtension) > sizeof(szTemporary))
        return FALSE;
    memcpy(szTemporary, pszPath, nStem);
    memcpy(szTemporary + nStem, kTemporaryExtension, sizeof(kTemporaryExtension));

    // "x" creates the file, or fails when the name is taken: no two writers
    // ever share one.
    FILE* pFile = nullptr;
    for (int n = 0; n < kTemporaryNames && !pFile; ++n) {
        szTemporary[nStem + 2] = static_cast<char>('0' + n);
        pFile = fopen(szTemporary, "wx");
    }
    if (!pFile)
        return FALSE;
    bool bWritten = true;
    for (size_t n = 0; n < nPieces && bWritten; ++n)
        bWritten = fputs(apszText[n] ? apszText[n] : "", pFile) >= 0;
    // A C library's fclose need not report a final flush that failed.
    bWritten = fflush(pFile) == 0 && bWritten;
    bWritten = fclose(pFile) == 0 && bWritten;

    // Windows 95 has no MoveFileEx: the old file goes first, and the move
    // then fails if another writer's file took its place in between; that
    // one goes too, once.
    for (int nTry = 0; bWritten && nTry < 2; ++nTry) {
        remove(pszPath);
        if (rename(szTemporary, pszPath) == 0)
            return TRUE;
    }
    remove(szTemporary);
    return FALSE;
}
