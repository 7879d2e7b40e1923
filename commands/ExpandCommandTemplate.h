// Expansion of one command template: '$' codes replaced by directories.
#pragma once

#include <cstddef>

// What the system supplies to the expansion: the report of an unknown code,
// called once for each one met, in template order; null reports nothing.
// (Lower-casing by the system's code page is the caller's, on the stored line.)
struct CommandTemplateSeam
{
    void (*pfnReportUnknownCode)(void* pContext);
    void* pContext;
};

enum
{
    kMaxCommandLine = 255
};

// Expands pszTemplate into szOut: "$s" gives the source directory, "$i" the
// installed directory, "$I" the installed directory's characters before its
// first ':' (nothing without a ':'), "$w" the Windows directory. Any other code,
// and a '$' that ends the template, is reported through the seam and adds
// nothing. Directories are inserted verbatim, never scanned for codes. The line
// is cut at kMaxCommandLine characters, in the middle of a directory if need
// be; the rest of the template is ignored and its codes are not reported.
// The line is then canonicalised as a path (its validity is not used); its
// case stays. A null template or directory counts as empty.
// Returns the length of the finished line.
size_t ExpandCommandTemplate(const char* pszTemplate, const char* pszSourceDir, const char* pszInstalledDir,
                             const char* pszWindowsDir, const CommandTemplateSeam& seam,
                             char (&szOut)[kMaxCommandLine + 1]);
