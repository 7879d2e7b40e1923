#include "app/WholeFile.h"

#include <stdio.h>
#include <string.h>

namespace {

// The names beside a file: its own with the extension "~0" to "~9" for the
// temporary files, "~ol" for the old file while it steps aside; 8.3 names
// like those of the first-run files.
const char kTemporaryExtension[] = ".~0";
const int kTemporaryNames = 10;
const char kAsideExtension[] = ".~ol";
const size_t kMaxPath = 260;

// A writer's temporary file is at most this old: it is written, flushed,
// closed and moved within a moment. FAT dates files to two seconds, and a
// slow disk or a busy system stretches the moment; a file that a crash left
// is older at the next start but for a very quick one, and then goes at the
// one after.
const unsigned kWriterSeconds = 10;

bool IsFile(const char* pszPath)
{
    return GetFileState(pszPath, kWriterSeconds) != kNoFile;
}

// What a writer that ended in its last steps left: the old file beside its
// place, with the place empty or holding the new file.
void RecoverAsideFile(const char* pszPath, const char* pszAside)
{
    if (!IsFile(pszAside))
        return;
    // The move fails when another writer put its file in place meanwhile:
    // then the old one stays beside it, and that writer, or the next start,
    // removes it.
    if (!IsFile(pszPath))
        rename(pszAside, pszPath);
    else
        remove(pszAside);
}

// Temporary files that a crash left, which would take the names up one by
// one. One that another writer is busy with was written just now; on
// Windows, while it is open, it cannot be removed either.
void RemoveLeftoverTemporaryFiles(char* pszTemporary, size_t nDigit)
{
    for (int n = 0; n < kTemporaryNames; ++n) {
        pszTemporary[nDigit] = static_cast<char>('0' + n);
        if (GetFileState(pszTemporary, kWriterSeconds) == kFileOlder)
            remove(pszTemporary);
    }
}

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
    static_assert(sizeof(kAsideExtension) >= sizeof(kTemporaryExtension), "the longer name sets the limit");
    char szTemporary[kMaxPath];
    char szAside[kMaxPath];
    if (nStem + sizeof(kAsideExtension) > sizeof(szAside))
        return FALSE;
    memcpy(szTemporary, pszPath, nStem);
    memcpy(szTemporary + nStem, kTemporaryExtension, sizeof(kTemporaryExtension));
    memcpy(szAside, pszPath, nStem);
    memcpy(szAside + nStem, kAsideExtension, sizeof(kAsideExtension));
    const size_t nDigit = nStem + 2;

    RecoverAsideFile(pszPath, szAside);
    RemoveLeftoverTemporaryFiles(szTemporary, nDigit);

    // "x" creates the file, or fails when the name is taken: no two writers
    // ever share one.
    FILE* pFile = nullptr;
    for (int n = 0; n < kTemporaryNames && !pFile; ++n) {
        szTemporary[nDigit] = static_cast<char>('0' + n);
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

    // Windows 95 has no MoveFileEx: the old file steps aside, the new one
    // moves in, and only then does the old one go, so that a move that fails
    // can put it back. A folder of that name never steps aside; the move in
    // then fails. One that cannot step aside (another program holds it open)
    // stays as it is.
    bool bAside = false;
    if (bWritten && IsFile(pszPath)) {
        bAside = rename(pszPath, szAside) == 0;
        bWritten = bAside;
    }
    for (int nTry = 0; bWritten && nTry < 2; ++nTry) {
        if (rename(szTemporary, pszPath) == 0) {
            if (bAside)
                remove(szAside);
            return TRUE;
        }
        // On Windows the move fails when the name is taken: another
        // writer's whole file took the place in between, or a start
        // recovered the old one. That one goes, once.
        if (nTry > 0 || !IsFile(pszPath))
            break;
        remove(pszPath);
    }
    // The old file back in its place; if another writer's file holds it
    // now, the old one is no longer wanted. If neither, it waits beside its
    // place for the next start to put it back.
    if (bAside && rename(szAside, pszPath) != 0 && IsFile(pszPath))
        remove(szAside);
    remove(szTemporary);
    return FALSE;
}
