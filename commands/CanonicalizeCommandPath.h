// Folding of "." and ".." segments in an MS-DOS style path, in place.
#pragma once

// Rewrites the terminated text at pszPath in place: folds "." and ".."
// segments and turns '/' into '\'. A drive prefix ("C:") or a server prefix
// ("\\server") at the very start is never rewritten. The whole text counts as
// one path, so a command line's blanks are ordinary characters and a ".." can
// remove text of an earlier argument.
//
// Returns 1 when the path is valid and 0 when it is not (a drive character that
// is not a letter, one of " * < > ? |, or a ".." that would climb above a
// root). The text is rewritten whatever the result, and never gets longer, so
// the caller needs no spare room. One pass, no allocation.
int CanonicalizeCommandPath(char* pszPath);
