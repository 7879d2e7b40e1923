// The installer's messages, put together in one place for both of its
// programs, so that Windows and MS-DOS mode say exactly the same: each
// program only supplies the texts of InstallText.h (its string table, or
// the texts compiled in) and the system's words for an error code.
// Portable (see InstallFileSystem.h).
#pragma once

#include "cdprograms/install/InstallDir.h"
#include "cdprograms/install/Installation.h"

class CInstallTexts
{
public:
    // The text of string nId of InstallText.h, cut to fit nSize bytes.
    virtual void LoadText(unsigned nId, char* pszOut, unsigned nSize) = 0;
    // The system's words for error code nError (never 0), without a line end.
    virtual void DescribeError(InstallError nError, char* pszOut, unsigned nSize) = 0;

protected:
    ~CInstallTexts() = default;
};

// The text of string nId as InstallText.h has it, for a program without a
// string table (InstallTextTable.cpp); null for an id that is not there.
const char* FindInstallText(unsigned nId);

// pszFormat with each %s replaced by the next of the pieces given (%% is a
// percent sign), cut to fit nSize bytes.
void FormatInstallText(char* pszOut, unsigned nSize, const char* pszFormat, const char* psz1 = nullptr,
                       const char* psz2 = nullptr, const char* psz3 = nullptr);

// What a run of the installation into pszTarget did, for the user: that the
// game is installed, or what went wrong and what state the disk is in.
void DescribeInstallOutcome(CInstallTexts& texts, const char* pszTarget, const InstallOutcome& outcome,
                            char* pszOut, unsigned nSize);

// What Recover did with a run that was cut off; empty when it found none.
void DescribeInstallRecovery(CInstallTexts& texts, const InstallRecoveryOutcome& outcome, char* pszOut,
                             unsigned nSize);

// Why the folder rules refuse a folder (check.verdict is not kInstallDirOk).
void DescribeInstallDirCheck(CInstallTexts& texts, const InstallDirCheck& check, char* pszOut,
                             unsigned nSize);

// "Copying NAME (n of N)", file nFile counted from 0.
void DescribeInstallProgress(CInstallTexts& texts, unsigned long nFile, unsigned long nFiles,
                             const char* pszName, char* pszOut, unsigned nSize);
