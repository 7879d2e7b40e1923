// Files that are whole at their path or not there: the one way the launcher
// writes a file. Standard library only, but for one question that it asks
// the system (GetFileState, below).
#pragma once

#include "app/Portable.h"

#include <stddef.h>

// Replaces the file at pszPath with the text of the nPieces pieces of
// apszText, one after the other (a null piece counts as empty), in text mode.
//
// The text goes to a temporary file beside it, "<stem>.~0", or "~1" to "~9"
// when another writer holds that name, so that two launchers at once never
// write into one file; every write, the flush and the close are checked.
// Then the old file, if any, steps aside as "<stem>.~ol", the new one is
// moved into its place, and the old one goes. Windows 95 has no MoveFileEx,
// so there is no single step that does all three.
//
// TRUE once the new file is in place. FALSE when any step failed: the
// temporary file is removed, and the old file, if any, is back at its path as
// it was, unless another writer put its own whole file there meanwhile.
//
// What a crash (or power failure) leaves, by the step it came in:
//   - while writing the temporary file, or before the old file stepped aside:
//     the old file as it was, and a temporary file that may be short;
//   - after the old file stepped aside, before the new one took its place:
//     no file at pszPath, the old one whole as "<stem>.~ol", the new one
//     whole as its temporary file;
//   - after the new one took its place: the new file, and the old one still
//     as "<stem>.~ol".
// So pszPath only ever holds a whole file, old or new, or for that one step
// nothing, with the whole old file beside it. The next call for pszPath
// recovers before it writes: with no file at pszPath it moves "<stem>.~ol"
// back there, else it removes "<stem>.~ol" (an older version); and it
// removes the temporary names that no writer is busy with, those last
// written more than a few seconds ago (on Windows a file that another
// program holds open is never removed either).
BOOL ReplaceFileWhole(const char* pszPath, const char* const* apszText, size_t nPieces);

// What the system says about a path, the one thing the writer needs that the
// C library does not give: whether a file is there, and whether it was
// written lately, which tells a temporary file that a writer is still busy
// with from one that a crash left. Each system binds it once, beside this
// file: WholeFile_win.cpp, and WholeFile_posix.cpp for the native tests.
enum FileState
{
    kNoFile,     // nothing there, or a folder
    kFileRecent, // a file last written less than the given number of seconds from now
    kFileOlder,  // a file last written longer ago, or dated that far ahead
};
FileState GetFileState(const char* pszPath, unsigned nRecentSeconds);
