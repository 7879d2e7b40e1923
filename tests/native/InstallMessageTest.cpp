// The installer's messages as both of its programs put them together.
#include "cdprograms/install/InstallMessage.h"
#include "cdprograms/install/resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The texts compiled in, as the MS-DOS installer has them, and error codes
// by number.
class CTestTexts : public CInstallTexts
{
public:
    void LoadText(unsigned nId, char* pszOut, unsigned nSize) override
    {
        const char* pszText = FindInstallText(nId);
        FormatInstallText(pszOut, nSize, "%s", pszText ? pszText : "?");
    }
    void DescribeError(InstallError nError, char* pszOut, unsigned nSize) override
    {
        FormatInstallText(pszOut, nSize, "error %s", std::to_string(nError).c_str());
    }
};

InstallOutcome Outcome(InstallResult result, const char* pszPath, InstallError nError, bool bChanged,
                       const char* pszRecorded = "", const char* pszLeft = "", InstallError nLeftError = 0)
{
    InstallOutcome outcome = {};
    outcome.result = result;
    outcome.nError = nError;
    strcpy(outcome.szPath, pszPath);
    outcome.bChanged = bChanged;
    strcpy(outcome.szRecorded, pszRecorded);
    strcpy(outcome.szLeft, pszLeft);
    outcome.nLeftError = nLeftError;
    return outcome;
}

} // namespace

TEST(InstallMessage, SaysWhatHappenedAndWhatTheDiskHolds)
{
    const char kFrame[] = "Orvane was not installed.\n\n";
    static const struct
    {
        const char* pszName;
        InstallOutcome outcome;
        std::string strMessage;
    } kRows[] = {
        {"installed", Outcome(kResultDone, "", 0, true),
         "Orvane is installed in C:\\GAMES\\ORVANE.\n\nStart the CD again and press Play."},
        {"installed, an old file left",
         Outcome(kResultDone, "", 0, true, "", "C:\\GAMES\\ORVANE\\~QX00000.OLD", 5),
         "Orvane is installed in C:\\GAMES\\ORVANE.\n\nStart the CD again and press Play.\n\n"
         "Setup could not remove C:\\GAMES\\ORVANE\\~QX00000.OLD: error 5\n"
         "Files whose names begin with ~QX are Setup's own and may be deleted."},
        {"disk full on a fresh machine", Outcome(kResultCopyFile, "DATA\\LEVEL1.DAT", 112, true),
         kFrame +
             std::string("Could not copy DATA\\LEVEL1.DAT to C:\\GAMES\\ORVANE: error 112\n\n"
                         "Setup removed what it had copied, and the game is not recorded as installed.")},
        {"a file in use over an installed game",
         Outcome(kResultReplaceFile, "C:\\GAMES\\ORVANE\\ORVANE.EXE", 32, true, "C:\\GAMES\\ORVANE"),
         kFrame +
             std::string("Could not replace C:\\GAMES\\ORVANE\\ORVANE.EXE: error 32\nIf Orvane or another "
                         "program is using that file, close it and try again.\n\n"
                         "Setup removed what it had copied: Orvane is still installed in "
                         "C:\\GAMES\\ORVANE, as it was.")},
        {"in the way before anything changed", Outcome(kResultFileInTheWay, "C:\\GAMES", 0, false),
         kFrame +
             std::string("C:\\GAMES is in the way: it is a file, where Setup needs a folder.\n\nNothing was "
                         "changed, and the game is not recorded as installed.")},
        {"a folder in the way of a file",
         Outcome(kResultFolderInTheWay, "C:\\GAMES\\ORVANE\\ORVANE.EXE", 0, true),
         kFrame +
             std::string(
                 "C:\\GAMES\\ORVANE\\ORVANE.EXE is in the way: it is a folder, where Setup needs a "
                 "file.\n\nSetup removed what it had copied, and the game is not recorded as installed.")},
        {"too long, recorded elsewhere", Outcome(kResultTooLong, "DATA\\MUSIC", 0, false, "D:\\ORVANE"),
         kFrame +
             std::string("Could not copy DATA\\MUSIC to C:\\GAMES\\ORVANE: the path would be longer than the "
                         "system allows.\n\nNothing was changed: Orvane is still installed in D:\\ORVANE.")},
        {"qx.ini not read back", Outcome(kResultSettingNotReadBack, "C:\\WINDOWS\\qx.ini", 0, true),
         kFrame +
             std::string("Could not record the folder in qx.ini in the Windows folder: it did not read back "
                         "as it was written.\n\nSetup removed what it had copied, and the game is not "
                         "recorded as installed.")},
        {"qx.ini not written, undo stopped",
         Outcome(kResultWriteSetting, "C:\\WINDOWS\\qx.ini", 112, true, "C:\\GAMES\\ORVANE",
                 "C:\\GAMES\\ORVANE\\ORVANE.EXE", 5),
         kFrame +
             std::string("Could not record the folder in qx.ini in the Windows folder: error 112\n\n"
                         "Setup could not undo all it had done. C:\\GAMES\\ORVANE\\ORVANE.EXE is left as it "
                         "is: error 5 Orvane is still recorded as installed in C:\\GAMES\\ORVANE.")},
        {"qx.ini read-only", Outcome(kResultSettingReadOnly, "C:\\WINDOWS\\qx.ini", 0, false, "D:\\ORVANE"),
         kFrame +
             std::string(
                 "Could not record the folder in qx.ini in the Windows folder: the file is read-only.\n\n"
                 "Nothing was changed: Orvane is still installed in D:\\ORVANE.")},
        {"the CD gone", Outcome(kResultReadGame, "D:\\GAME\\DATA", 21, true),
         kFrame +
             std::string("Could not read D:\\GAME\\DATA on the CD: error 21\n\nSetup removed what it had "
                         "copied, and the game is not recorded as installed.")},
    };
    CTestTexts texts;
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        char szMessage[1024];
        DescribeInstallOutcome(texts, "C:\\GAMES\\ORVANE", row.outcome, szMessage, sizeof(szMessage));
        EXPECT_EQ(std::string(szMessage), row.strMessage);
    }
}

TEST(InstallMessage, EveryResultHasItsOwnWords)
{
    CTestTexts texts;
    for (int n = kResultBadRequest; n <= kResultSettingNotReadBack; ++n) {
        SCOPED_TRACE(n);
        char szMessage[1024];
        DescribeInstallOutcome(texts, "C:\\X", Outcome(static_cast<InstallResult>(n), "P", 7, false),
                               szMessage, sizeof(szMessage));
        EXPECT_EQ(std::string(szMessage).find('?'), std::string::npos) << szMessage;
        EXPECT_EQ(std::string(szMessage).find('%'), std::string::npos) << szMessage;
    }
}

TEST(InstallMessage, FolderVerdictsAndProgress)
{
    CTestTexts texts;
    char sz[512];
    InstallDirCheck check = CheckInstallDir("C:\\R&D");
    DescribeInstallDirCheck(texts, check, sz, sizeof(sz));
    EXPECT_STREQ(sz, "The folder name may not contain the character &.");
    check = CheckInstallDir("C:\\PROGRAM FILES", kDosFolderRules);
    DescribeInstallDirCheck(texts, check, sz, sizeof(sz));
    EXPECT_STREQ(sz, FindInstallText(IDS_NOT_DOS_NAME));
    check = CheckInstallDir("C:\\GAMES\\Con.dir\\ORVANE");
    DescribeInstallDirCheck(texts, check, sz, sizeof(sz));
    EXPECT_STREQ(sz, "The folder name may not contain Con.dir: that is the name of a device.");
    DescribeInstallProgress(texts, 9, 120, "DATA\\LEVEL1.DAT", sz, sizeof(sz));
    EXPECT_STREQ(sz, "Copying DATA\\LEVEL1.DAT (10 of 120)");
}

TEST(InstallMessage, FormatsWithinItsBuffer)
{
    static const struct
    {
        const char* pszFormat;
        unsigned nSize;
        const char* pszExpected;
    } kRows[] = {
        {"%s and %s", 64, "one and two"},
        {"100%% of %s", 64, "100% of one"},
        {"%s %s %s %s", 64, "one two three "},
        {"%d stays", 64, "%d stays"},
        {"a trailing %", 64, "a trailing %"},
        {"%s and %s", 6, "one a"},
        {"%s", 1, ""},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszFormat);
        char sz[64];
        memset(sz, 'x', sizeof(sz));
        FormatInstallText(sz, row.nSize, row.pszFormat, "one", "two", "three");
        EXPECT_STREQ(sz, row.pszExpected);
    }
}
