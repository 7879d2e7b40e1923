// The five command lines the launcher can start.
#pragma once

#include "commands/ExpandCommandTemplate.h"
#include "platform/String.h"

// Index of a command line; slot n takes its template from string n + 3. An
// int underneath, so that any int names a slot, if not a valid one.
enum CommandSlot : int
{
    kSlotViewReadme = 0,
    kSlotInstall = 1,
    kSlotPlay = 2,
    kSlotUnused = 3, // bound to no button
    kSlotConfigure = 4,
    kCommandSlotCount = 5
};

class CLaunchCommands
{
public:
    // Loads the five templates and expands each against the directories:
    // $s source, $i installed, $I the installed drive, $w Windows. Every line
    // is then canonicalised as a path and lower-cased. A directory that a
    // command line cannot carry goes in by its short name; a line that still
    // cannot run (no such short name, cut at 255 characters, a directory not
    // found out, a ".." that folds across its arguments) is kept with the
    // reason it must not run.
    void ExpandCommandTemplates(const char* pszSourceDir, const char* pszInstalledDir,
                                const char* pszWindowsDir);

    // Starts the slot's command line; TRUE when the system started a program.
    // A line that must not run never reaches the system. On FALSE, *pstrWhy
    // (when given) says for the user what could not be started and why.
    BOOL RunCommand(CommandSlot nSlot, CString* pstrWhy = nullptr) const;

    CString m_strCommand[kCommandSlotCount];
    // Whether each line may run: only kCommandLineRuns lets it reach the system.
    CommandLineStatus m_nStatus[kCommandSlotCount] = {};
    // For a line that must not run, what the user is told instead.
    CString m_strRefusal[kCommandSlotCount];
};

// pszDirectory as a batch file can carry it: itself, or else its short name
// when that one can be carried. FALSE when it has none, or it is empty or
// longer than a command line; szOut then holds nothing to use.
BOOL GetCommandLineDirectory(const char* pszDirectory, char (&szOut)[kMaxCommandLine + 1]);
