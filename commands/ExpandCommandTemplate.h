// Command lines from templates: '$' codes replaced by directories, and
// whether the finished line may run.
#pragma once

#include <cstddef>

enum
{
    kMaxCommandLine = 255
};

// The directories a template can name.
enum CommandDirectory : int
{
    kDirectorySource = 0,
    kDirectoryInstalled = 1, // "$i" and "$I"
    kDirectoryWindows = 2,
    kCommandDirectoryCount = 3,
    kNoCommandDirectory = -1
};

// What the system supplies to the expansion: the report of an unknown code,
// called once for each one met, in template order; null reports nothing.
// (Lower-casing by the system's code page is the caller's, on the stored line.)
struct CommandTemplateSeam
{
    void (*pfnReportUnknownCode)(void* pContext);
    void* pContext;
};

// What the system supplies for directories that a command line cannot
// carry: their short (8.3) names, which MS-DOS mode sees anyway.
struct ShortNameSeam
{
    // Copies the short name of pszDirectory into pchOut (nOut characters with
    // the terminator); false when the system gives none, or none that fits.
    // Null: no directory has a short name.
    bool (*pfnGetShortName)(const char* pszDirectory, char* pchOut, size_t nOut, void* pContext);
    void* pContext;
};

// Whether a command line may run, and if not, why.
enum CommandLineStatus : int
{
    kCommandLineRuns = 0,
    // A directory it needs cannot be carried (see IsUnsafeOnCommandLine), and
    // has no short name that can.
    kCommandLineUnsafeDirectory,
    // The expansion is longer than kMaxCommandLine characters: the line was cut.
    kCommandLineTooLong,
    // It needs the source or the Windows directory, and that is empty: the
    // launcher could not find it out.
    kCommandLineUnknownDirectory,
    // A ".." folded away a blank, or the whole program: the line would start
    // another program, or hand it other arguments, than its template names.
    // Or in a piece that names a share ("\\server\share\..."), a "." or
    // ".." folded the server or the share, or a ".." climbed out of the
    // share: the piece would name another share, or another folder, than
    // the one the system finds below the share.
    kCommandLineFolded,
};

struct CommandLineCheck
{
    CommandLineStatus nStatus;
    CommandDirectory nDirectory; // the directory the status is about, if any
    size_t nLength;              // of the finished line in szOut
    size_t nExpanded;            // of the expansion before the cut at kMaxCommandLine
};

// The launcher's command line from pszTemplate: "$s" gives the source
// directory, "$i" the installed directory, "$I" the installed directory's
// characters before its first ':' (nothing without a ':'), "$w" the Windows
// directory. Any other code, and a '$' that ends the template, is reported
// through the seam and adds nothing. Directories are inserted verbatim, never
// scanned for codes. The line is cut at kMaxCommandLine characters, in the
// middle of a directory if need be (the rest of the template is ignored and
// its codes are not reported), then canonicalised as a path; its case stays.
// A null template or directory counts as empty.
//
// A directory that the template names and that a command line cannot carry
// is replaced by its short name when that one can be carried ("$I" then
// takes the drive from the short name too); with none, the line is built
// from the directory as it stands and must not run. Checked in this order:
// directories unknown, directories that cannot be carried (each in the order
// source, installed, Windows), a line that was cut, a line that folded. The
// folding check names the first directory the template uses whose name holds
// "..", if any. A template whose directories can all be carried gives the
// very line of ExpandCommandTemplate, with the same reports.
CommandLineCheck ExpandCommandLine(const char* pszTemplate, const char* pszSourceDir,
                                   const char* pszInstalledDir, const char* pszWindowsDir,
                                   const CommandTemplateSeam& seam, const ShortNameSeam& shortNames,
                                   char (&szOut)[kMaxCommandLine + 1]);

// Who reads a line's arguments: the program it starts, or first the command
// interpreter, which runs a batch file.
enum CommandReader : int
{
    kReadByProgram = 0,
    kReadByInterpreter = 1,
};

// True when a command line read by nReader cannot carry pszDirectory as it
// stands. A blank or a tab splits any program's arguments, and a '"' changes
// how they split. The interpreter also splits a batch file's arguments at
// ',', ';' and '=', and the one of the Windows NT family reads & | < > ^ and
// % again, so that a folder name could start another program or reach it
// changed.
bool IsUnsafeOnCommandLine(const char* pszDirectory, CommandReader nReader);

// ---------------------------------------------------------------------------
// The parts of ExpandCommandLine on their own, for the tests, the fuzzer and
// the build's tools (the release check, the bench's input lines).

// The directory that a '$' code names, chCode being the character after the
// '$'; kNoCommandDirectory for an unknown code. *pbDriveOnly says whether the
// code takes only the part before the directory's first ':' ("$I").
CommandDirectory GetCodeDirectory(char chCode, bool* pbDriveOnly);

// The directories that pszTemplate names, as bits 1 << CommandDirectory, found
// as the expansion reads the template (a '$' that ends it names nothing).
unsigned GetTemplateDirectories(const char* pszTemplate);

// Who reads the lines of pszTemplate, by the program it names (its text up to
// the first blank): a program file (".exe" or ".com") reads its own; anything
// else, a batch file above all, counts as read by the interpreter.
CommandReader GetTemplateReader(const char* pszTemplate);

// The expansion alone, without short names and without the checks: the line
// of ExpandCommandLine for directories that need no short names. Returns the
// length of the finished line.
size_t ExpandCommandTemplate(const char* pszTemplate, const char* pszSourceDir, const char* pszInstalledDir,
                             const char* pszWindowsDir, const CommandTemplateSeam& seam,
                             char (&szOut)[kMaxCommandLine + 1]);

// The same before the path clean-up: the line as the scan writes it, cut at
// kMaxCommandLine characters. Returns its length.
size_t ScanCommandTemplate(const char* pszTemplate, const char* pszSourceDir, const char* pszInstalledDir,
                           const char* pszWindowsDir, const CommandTemplateSeam& seam,
                           char (&szOut)[kMaxCommandLine + 1]);
