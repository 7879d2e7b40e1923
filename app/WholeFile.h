// Files that are whole at their path or not there: the one way the launcher
// writes a file. Standard library only.
#pragma once

#include "app/Portable.h"

#include <stddef.h>

// Replaces the file at pszPath with the text of the nPieces pieces of
// apszText, one after the other (a null piece counts as empty), in text
// mode. The text goes to a new temporary file beside it, under a name of its
// own for each writer, so that two launchers at once never write into one
// file; every write, the flush and the close are checked, and only then does
// the old file go and the new one take its place. FALSE when any of that
// failed: the temporary file is removed, and the old file, if any, stays as
// it was, unless another writer put its own whole file there meanwhile.
BOOL ReplaceFileWhole(const char* pszPath, const char* const* apszText, size_t nPieces);
