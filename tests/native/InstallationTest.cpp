// The installation as one transaction, on an in-memory disk: what a good run
// leaves, and that every fault, wherever it strikes, leaves the disk as it
// was or says what it could not undo.
#include "MemoryFileSystem.h"
#include "cdprograms/install/InstallSetting.h"
#include "cdprograms/install/Installation.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

using namespace qxtest;

namespace {

const char kGame[] = "D:\\GAME";
const char kTarget[] = "C:\\GAMES\\ORVANE";
const char kIni[] = "C:\\WINDOWS\\qx.ini";
const char kBatch[] = "C:\\_QXCHKCD.BAT";
const char kMarker[] = "C:\\QXINST.CFG";
const char* const kFirstRunFiles[] = {kBatch, kMarker};
const char kOtherSections[] = "[Desktop]\r\nWallpaper=clouds.bmp\r\n\r\n[Sound]\r\nVolume = 7\r\n";

// Bytes that differ from file to file and from one offset to the next.
std::string Content(const std::string& strSeed, size_t nSize)
{
    std::string s(nSize, '\0');
    for (size_t i = 0; i < nSize; ++i)
        s[i] = static_cast<char>(strSeed[i % strSeed.size()] + i / 7);
    return s;
}

// The CD's game tree: files at the top, two levels of folders, an empty one.
const struct
{
    const char* pszPath; // below the game folder; null data for a folder
    size_t nSize;
} kGameTree[] = {
    {"ORVANE.EXE", 7168},
    {"QX.PIF", 995},
    {"QXCONFIG.PIF", 995},
    {"DATA\\LEVEL1.DAT", 3000},
    {"DATA\\MUSIC\\THEME.MID", 1200},
    {"SAVE", 0},
};

bool IsFolderRow(size_t i)
{
    return kGameTree[i].nSize == 0;
}

// A machine with the CD in D:, the launcher's first-run files and a qx.ini
// holding other programs' settings.
CMemoryFileSystem FreshMachine()
{
    CMemoryFileSystem fs;
    for (size_t i = 0; i < sizeof(kGameTree) / sizeof(kGameTree[0]); ++i) {
        const std::string strPath = std::string(kGame) + "\\" + kGameTree[i].pszPath;
        if (IsFolderRow(i))
            fs.AddFolder(strPath);
        else
            fs.AddFile(strPath, Content(kGameTree[i].pszPath, kGameTree[i].nSize));
    }
    fs.AddFile(kIni, kOtherSections);
    fs.AddFile(kBatch, "@echo off\r\n");
    fs.AddFile(kMarker, "win95dir C:\\WINDOWS\r\n");
    return fs;
}

// The same with an earlier version installed and recorded in kTarget, and a
// saved game of the player's beside it.
CMemoryFileSystem InstalledMachine()
{
    CMemoryFileSystem fs = FreshMachine();
    fs.AddFile(std::string(kTarget) + "\\ORVANE.EXE", "old program");
    fs.AddFile(std::string(kTarget) + "\\QX.PIF", "old pif");
    fs.AddFile(std::string(kTarget) + "\\DATA\\LEVEL1.DAT", "old level");
    fs.AddFile(std::string(kTarget) + "\\SAVE\\GAME1.SAV", "the player's own");
    fs.AddFile(kIni, std::string(kOtherSections) + "[Orvane]\r\nInstallDir=" + kTarget + "\r\n");
    return fs;
}

// A fresh machine whose qx.ini is hidden and a system file, as a user or a
// tool may have made it.
CMemoryFileSystem HiddenIniMachine()
{
    CMemoryFileSystem fs = FreshMachine();
    fs.SetAttributes(kIni, kAttributeHidden | kAttributeSystem | kAttributeArchive);
    return fs;
}

struct InstallRun
{
    bool bOk;
    InstallOutcome outcome;
};

InstallRun Install(CMemoryFileSystem& fs, const char* pszTarget = kTarget, unsigned nBuffer = 4096,
                   unsigned nMaxFolder = kPathSize - 1, unsigned nMaxPath = kPathSize - 1)
{
    std::vector<char> buffer(nBuffer);
    InstallRequest request = {kGame,      pszTarget, kIni,          kFirstRunFiles, 2,
                              nMaxFolder, nMaxPath,  buffer.data(), nBuffer};
    CInstallation installation;
    InstallRun run;
    run.bOk = installation.Run(fs, request, &run.outcome);
    return run;
}

std::string Recorded(CMemoryFileSystem& fs)
{
    char szBuffer[600], szValue[kPathSize];
    EXPECT_EQ(ReadInstallDirSetting(fs, kIni, szBuffer, sizeof(szBuffer), szValue, sizeof(szValue)), 0u);
    return szValue;
}

bool HasTempName(const std::string& strPath)
{
    return strPath.find("~QX") != std::string::npos;
}

// The game is in strTarget as on the CD and recorded; every file that is not
// the game's is as it was (other than qx.ini and the first-run files); no
// temporary file is left, unless the outcome names it.
void ExpectInstalled(CMemoryFileSystem& fs, const std::map<std::string, std::string>& before,
                     const InstallRun& run, const std::string& strTarget = kTarget)
{
    EXPECT_EQ(run.outcome.result, kResultDone);
    std::map<std::string, std::string> expected = before;
    for (size_t i = 0; i < sizeof(kGameTree) / sizeof(kGameTree[0]); ++i) {
        std::string strKey = strTarget + "\\" + kGameTree[i].pszPath;
        for (char& ch : strKey)
            ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
        expected[strKey] =
            IsFolderRow(i) ? "<folder>"
                           : CMemoryFileSystem::Describe(Content(kGameTree[i].pszPath, kGameTree[i].nSize));
        for (size_t n = strKey.rfind('\\'); n > 2; n = strKey.rfind('\\', n - 1))
            expected[strKey.substr(0, n)] = "<folder>";
    }
    expected.erase(kBatch);
    expected.erase(kMarker);
    std::map<std::string, std::string> after = fs.Snapshot();
    const std::string strIniKey = "C:\\WINDOWS\\QX.INI";
    std::string strIni;
    ASSERT_TRUE(fs.ReadFile(kIni, &strIni));
    EXPECT_NE(strIni.find(kOtherSections), std::string::npos) << "other settings kept";
    expected.erase(strIniKey);
    after.erase(strIniKey);
    // When the outcome names something that could not be removed, more of
    // the same kind may stay: Setup's temporary files, the first-run files.
    const bool bLeft = run.outcome.szLeft[0] != '\0';
    for (auto it = after.begin(); bLeft && it != after.end();) {
        if (HasTempName(it->first) || it->first == kBatch || it->first == kMarker)
            it = after.erase(it);
        else
            ++it;
    }
    EXPECT_EQ(after, expected);
    EXPECT_EQ(Recorded(fs), strTarget);
    EXPECT_EQ(fs.OpenHandles(), 0u);
}

void ExpectUnchanged(CMemoryFileSystem& fs, const std::map<std::string, std::string>& before,
                     const InstallRun& run)
{
    EXPECT_FALSE(run.bOk);
    EXPECT_STREQ(run.outcome.szLeft, "") << "undo incomplete";
    EXPECT_EQ(fs.Snapshot(), before);
    EXPECT_EQ(fs.OpenHandles(), 0u);
}

} // namespace

TEST(Installation, InstallsTheWholeTreeRecordsItAndRemovesTheFirstRunFiles)
{
    static const struct
    {
        const char* pszName;
        CMemoryFileSystem (*pfnMachine)();
        const char* pszRecordedBefore;
    } kRows[] = {
        {"fresh machine", FreshMachine, ""},
        {"over an earlier version, the player's files kept", InstalledMachine, kTarget},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CMemoryFileSystem fs = row.pfnMachine();
        const auto before = fs.Snapshot();
        const InstallRun run = Install(fs);
        ASSERT_TRUE(run.bOk) << run.outcome.result << " " << run.outcome.szPath;
        ExpectInstalled(fs, before, run);
        EXPECT_STREQ(run.outcome.szRecorded, row.pszRecordedBefore);
        EXPECT_STREQ(run.outcome.szLeft, "");
        EXPECT_EQ(fs.m_progress,
                  (std::vector<std::string>{"0/5 DATA\\LEVEL1.DAT", "1/5 DATA\\MUSIC\\THEME.MID",
                                            "2/5 ORVANE.EXE", "3/5 QX.PIF", "4/5 QXCONFIG.PIF"}));
        // Profile caches are written out before qx.ini is read and after it is replaced.
        EXPECT_GE(fs.m_nFlushes, 2u);
    }
}

TEST(Installation, CopiesAnyNumberOfFilesToAnyDepth)
{
    CMemoryFileSystem fs = FreshMachine();
    std::string strFolder = std::string(kGame) + "\\DEEP";
    std::vector<std::string> files;
    for (int nLevel = 0; nLevel < 20; ++nLevel) {
        for (int i = 0; i < 3; ++i)
            files.push_back(strFolder.substr(strlen(kGame) + 1) + "\\F" + std::to_string(i) + ".DAT");
        strFolder += "\\L" + std::to_string(nLevel);
    }
    for (int i = 0; i < 40; ++i)
        files.push_back("MANY\\FILE" + std::to_string(i) + ".DAT");
    for (const std::string& strFile : files)
        fs.AddFile(std::string(kGame) + "\\" + strFile, Content(strFile, 100));

    const InstallRun run = Install(fs);
    ASSERT_TRUE(run.bOk) << run.outcome.result << " " << run.outcome.szPath;
    for (const std::string& strFile : files) {
        std::string strData;
        EXPECT_TRUE(fs.ReadFile(std::string(kTarget) + "\\" + strFile, &strData)) << strFile;
        EXPECT_EQ(strData, Content(strFile, 100)) << strFile;
    }
    EXPECT_EQ(fs.m_progress.size(), files.size() + 5);
    EXPECT_EQ(fs.m_progress.back().substr(0, 8),
              std::to_string(files.size() + 4) + "/" + std::to_string(files.size() + 5) + " ");
}

// Each fault on its own, as a user meets it: the result says what and where,
// and the disk is as it was.
TEST(Installation, AFailureLeavesEverythingAsItWasAndSaysWhatWentWrong)
{
    static const struct
    {
        const char* pszName;
        CMemoryFileSystem (*pfnMachine)();
        void (*pfnSpoil)(CMemoryFileSystem&);
        InstallResult result;
        const char* pszPath;
        InstallError nError;
        bool bChanged;
    } kRows[] = {
        {"disk full, fresh", FreshMachine, [](CMemoryFileSystem& fs) { fs.m_nCapacity = 8000; },
         kResultCopyFile, "ORVANE.EXE", kErrDiskFull, true},
        {"disk full, over an earlier version", InstalledMachine,
         [](CMemoryFileSystem& fs) { fs.m_nCapacity = 8000; }, kResultCopyFile, "ORVANE.EXE", kErrDiskFull,
         true},
        {"the old program in use", InstalledMachine,
         [](CMemoryFileSystem& fs) { fs.m_inUse.insert("C:\\GAMES\\ORVANE\\ORVANE.EXE"); },
         kResultReplaceFile, "C:\\GAMES\\ORVANE\\ORVANE.EXE", kErrInUse, true},
        {"a file where the target folder belongs", FreshMachine,
         [](CMemoryFileSystem& fs) { fs.AddFile("C:\\GAMES", "x"); }, kResultFileInTheWay, "C:\\GAMES", 0,
         false},
        {"a file where a folder of the game belongs", InstalledMachine,
         [](CMemoryFileSystem& fs) { fs.AddFile("C:\\GAMES\\ORVANE\\DATA\\MUSIC", "x"); },
         kResultFileInTheWay, "C:\\GAMES\\ORVANE\\DATA\\MUSIC", 0, true},
        {"a folder where a file of the game belongs", InstalledMachine,
         [](CMemoryFileSystem& fs) { fs.AddFolder("C:\\GAMES\\ORVANE\\QXCONFIG.PIF"); },
         kResultFolderInTheWay, "C:\\GAMES\\ORVANE\\QXCONFIG.PIF", 0, true},
        {"the CD taken out half-way", FreshMachine,
         [](CMemoryFileSystem& fs) {
             fs.m_faultMode = CMemoryFileSystem::kCdGoneFrom;
             fs.m_nFaultAt = 65;
         },
         kResultCopyFile, "DATA\\MUSIC\\THEME.MID", kErrNotReady, true},
        {"no game folder on the CD", FreshMachine,
         [](CMemoryFileSystem& fs) {
             fs = CMemoryFileSystem();
             fs.AddFile(kIni, kOtherSections);
         },
         kResultNoGameFiles, "D:\\GAME", 0, false},
        {"an empty game folder", FreshMachine,
         [](CMemoryFileSystem& fs) {
             fs = CMemoryFileSystem();
             fs.AddFolder("D:\\GAME\\EMPTY");
         },
         kResultNoGameFiles, "D:\\GAME", 0, false},
        {"qx.ini that cannot be read", FreshMachine,
         [](CMemoryFileSystem& fs) {
             fs.Delete(kIni);
             fs.AddFolder(kIni);
         },
         kResultReadSetting, kIni, kErrAccessDenied, false},
        {"qx.ini written short but said to be whole", InstalledMachine,
         [](CMemoryFileSystem& fs) {
             fs.m_strLiarPath = "C:\\WINDOWS\\~QXINI.NEW";
             fs.m_nLiarSize = 40;
         },
         kResultSettingNotReadBack, kIni, 0, true},
        {"qx.ini in use", InstalledMachine,
         [](CMemoryFileSystem& fs) { fs.m_inUse.insert("C:\\WINDOWS\\QX.INI"); }, kResultWriteSetting, kIni,
         kErrInUse, true},
        {"qx.ini read otherwise by the system", InstalledMachine,
         [](CMemoryFileSystem& fs) { fs.m_bRefuseSetting = true; }, kResultSettingNotReadBack, kIni, 0, true},
        {"a read-only qx.ini", FreshMachine,
         [](CMemoryFileSystem& fs) { fs.SetAttributes(kIni, kAttributeReadOnly | kAttributeArchive); },
         kResultSettingReadOnly, kIni, 0, false},
        {"a read-only qx.ini, hidden too, over an earlier version", InstalledMachine,
         [](CMemoryFileSystem& fs) { fs.SetAttributes(kIni, kAttributeReadOnly | kAttributeHidden); },
         kResultSettingReadOnly, kIni, 0, false},
        {"no qx.ini, and the system reads the new one otherwise", FreshMachine,
         [](CMemoryFileSystem& fs) {
             fs.Delete(kIni);
             fs.m_bRefuseSetting = true;
         },
         kResultSettingNotReadBack, kIni, 0, true},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CMemoryFileSystem fs = row.pfnMachine();
        row.pfnSpoil(fs);
        fs.m_nOperations = 0;
        const auto before = fs.Snapshot();
        const InstallRun run = Install(fs);
        ExpectUnchanged(fs, before, run);
        EXPECT_EQ(run.outcome.result, row.result);
        EXPECT_STREQ(run.outcome.szPath, row.pszPath);
        EXPECT_EQ(run.outcome.nError, row.nError);
        EXPECT_EQ(run.outcome.bChanged, row.bChanged);
        EXPECT_STREQ(run.outcome.szRecorded, row.pfnMachine == InstalledMachine ? kTarget : "");
    }
}

// Every operation of a run, failing in turn: once, for good, or by the CD
// going away there. A run either installs, or leaves the disk as it was, or
// names what it could not undo; qx.ini is whole in every case.
TEST(Installation, AFaultAtAnyOperationIsUndone)
{
    static const struct
    {
        const char* pszName;
        CMemoryFileSystem (*pfnMachine)();
    } kMachines[] = {{"fresh", FreshMachine},
                     {"over an earlier version", InstalledMachine},
                     {"a hidden qx.ini", HiddenIniMachine}};
    static const struct
    {
        const char* pszName;
        CMemoryFileSystem::FaultMode mode;
    } kModes[] = {{"fails once", CMemoryFileSystem::kFailOnce},
                  {"fails from then on", CMemoryFileSystem::kFailFrom},
                  {"CD gone from then on", CMemoryFileSystem::kCdGoneFrom}};
    for (const auto& machine : kMachines) {
        CMemoryFileSystem clean = machine.pfnMachine();
        std::string strOldIni;
        clean.ReadFile(kIni, &strOldIni);
        const auto before = clean.Snapshot();
        CMemoryFileSystem probe = clean;
        ASSERT_TRUE(Install(probe).bOk);
        const unsigned long nOperations = probe.m_nOperations;
        std::string strNewIni;
        probe.ReadFile(kIni, &strNewIni);

        for (const auto& mode : kModes) {
            for (unsigned long nAt = 0; nAt <= nOperations; ++nAt) {
                SCOPED_TRACE(std::string(machine.pszName) + ", " + mode.pszName + " at operation " +
                             std::to_string(nAt));
                CMemoryFileSystem fs = clean;
                fs.m_faultMode = mode.mode;
                fs.m_nFaultAt = nAt;
                const InstallRun run = Install(fs);
                fs.m_faultMode = CMemoryFileSystem::kNoFault;
                std::string strIni;
                const bool bIni = fs.ReadFile(kIni, &strIni);
                if (run.bOk) {
                    ExpectInstalled(fs, before, run);
                    EXPECT_EQ(strIni, strNewIni);
                } else if (mode.mode != CMemoryFileSystem::kFailFrom || !run.outcome.szLeft[0]) {
                    ExpectUnchanged(fs, before, run);
                } else {
                    // A fault that lasts may stop the undo, but only with a word.
                    std::string strAside;
                    EXPECT_TRUE((bIni && (strIni == strOldIni || strIni == strNewIni)) ||
                                (fs.ReadFile("C:\\WINDOWS\\~QXINI.OLD", &strAside) && strAside == strOldIni))
                        << "qx.ini lost";
                    EXPECT_EQ(fs.OpenHandles(), 0u);
                }
                if (::testing::Test::HasFailure())
                    return;
            }
        }
    }
}

// A failure, and then a second fault at any operation of the undo: the undo
// goes on past it, and the outcome names what it could not undo.
TEST(Installation, ASecondFaultWhileUndoingIsNamed)
{
    static const struct
    {
        const char* pszName;
        void (*pfnSpoil)(CMemoryFileSystem&);
    } kFirst[] = {
        {"a full disk", [](CMemoryFileSystem& fs) { fs.m_nCapacity = 8000; }},
        {"qx.ini in use, after every file was replaced",
         [](CMemoryFileSystem& fs) { fs.m_inUse.insert("C:\\WINDOWS\\QX.INI"); }},
    };
    for (const auto& first : kFirst) {
        CMemoryFileSystem clean = InstalledMachine();
        first.pfnSpoil(clean);
        const auto before = clean.Snapshot();
        CMemoryFileSystem probe = clean;
        ASSERT_FALSE(Install(probe).bOk);
        for (unsigned long nAt = 0; nAt <= probe.m_nOperations; ++nAt) {
            SCOPED_TRACE(std::string(first.pszName) + ", then a fault at operation " + std::to_string(nAt));
            CMemoryFileSystem fs = clean;
            fs.m_faultMode = CMemoryFileSystem::kFailOnce;
            fs.m_nFaultAt = nAt;
            const InstallRun run = Install(fs);
            fs.m_faultMode = CMemoryFileSystem::kNoFault;
            EXPECT_FALSE(run.bOk);
            EXPECT_EQ(fs.OpenHandles(), 0u);
            if (!run.outcome.szLeft[0])
                EXPECT_EQ(fs.Snapshot(), before);
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

TEST(Installation, ADiskFullAtAnyByteIsUndone)
{
    for (auto pfnMachine : {FreshMachine, InstalledMachine}) {
        const CMemoryFileSystem clean = pfnMachine();
        const auto before = clean.Snapshot();
        for (unsigned long nCapacity = 0; nCapacity < 20000; nCapacity += 97) {
            SCOPED_TRACE("capacity " + std::to_string(nCapacity));
            CMemoryFileSystem fs = clean;
            fs.m_nCapacity = nCapacity;
            const InstallRun run = Install(fs);
            if (run.bOk) {
                ExpectInstalled(fs, before, run);
                continue;
            }
            ExpectUnchanged(fs, before, run);
            EXPECT_EQ(run.outcome.nError, kErrDiskFull);
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

// A folder of nLength characters on C: made of 8.3 names.
std::string DosFolder(size_t nLength)
{
    std::string s = "C:\\ABCDEFGH";
    while (s.size() + 9 < nLength)
        s += "\\ABCDEFGH";
    return s + "\\" + std::string(nLength - s.size() - 1, 'X');
}

// Under MS-DOS every name made is 8.3 and every folder within 64 characters;
// a tree that cannot fit is refused before anything is written.
TEST(Installation, KeepsWithinTheLimitsItIsGiven)
{
    static const struct
    {
        const char* pszName;
        std::string strTarget;
        bool bOk;
        const char* pszTooLong;
    } kRows[] = {
        {"short", "C:\\ORVANE", true, ""},
        {"53 characters: DATA\\MUSIC and a temporary name in it fit", DosFolder(53), true, ""},
        {"54 characters: DATA\\MUSIC does not", DosFolder(54), false, "DATA\\MUSIC"},
        {"64 characters: no game folder fits", DosFolder(64), false, "DATA"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CMemoryFileSystem fs = FreshMachine();
        fs.m_bDosNames = true;
        fs.m_nMaxFolder = 64;
        fs.m_nMaxPath = 77;
        const auto before = fs.Snapshot();
        const InstallRun run = Install(fs, row.strTarget.c_str(), 4096, 64, 77);
        EXPECT_EQ(fs.m_nBreaches, 0u);
        if (row.bOk) {
            EXPECT_TRUE(run.bOk) << run.outcome.result << " " << run.outcome.szPath;
            continue;
        }
        ExpectUnchanged(fs, before, run);
        EXPECT_EQ(run.outcome.result, kResultTooLong);
        EXPECT_STREQ(run.outcome.szPath, row.pszTooLong);
        EXPECT_FALSE(run.outcome.bChanged);
    }
}

TEST(Installation, RefusesARequestItCannotCarry)
{
    static const struct
    {
        const char* pszName;
        std::string strTarget;
        unsigned nBuffer;
    } kRows[] = {
        {"relative target", "GAMES\\ORVANE", 4096},
        {"drive root", "C:\\", 4096},
        {"target longer than the folder limit", "C:\\" + std::string(70, 'A'), 4096},
        {"too small a buffer", kTarget, kMinBufferSize - 1},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CMemoryFileSystem fs = FreshMachine();
        const auto before = fs.Snapshot();
        const InstallRun run = Install(fs, row.strTarget.c_str(), row.nBuffer, 64, 77);
        ExpectUnchanged(fs, before, run);
        EXPECT_EQ(run.outcome.result, kResultBadRequest);
    }
}

// What an earlier run left after the machine went off half-way: its
// temporary files are not the game's, on the CD or in the target.
TEST(Installation, LeftoversOfAnEarlierRunAreNotTheGame)
{
    CMemoryFileSystem fs = InstalledMachine();
    fs.AddFile("C:\\GAMES\\ORVANE\\~QX00002.OLD", "stale backup");
    fs.AddFile("C:\\GAMES\\ORVANE\\~QX00003.NEW", "stale copy");
    fs.AddFile("D:\\GAME\\~QX00000.NEW", "on the CD by mistake");
    const InstallRun run = Install(fs);
    ASSERT_TRUE(run.bOk) << run.outcome.result << " " << run.outcome.szPath;
    EXPECT_FALSE(fs.Exists("C:\\GAMES\\ORVANE\\~QX00002.OLD"));
    EXPECT_FALSE(fs.Exists("C:\\GAMES\\ORVANE\\~QX00003.NEW"));
    EXPECT_FALSE(fs.Exists("C:\\GAMES\\ORVANE\\~QX00000.NEW"));
    std::string strData;
    ASSERT_TRUE(fs.ReadFile("C:\\GAMES\\ORVANE\\ORVANE.EXE", &strData));
    EXPECT_EQ(strData, Content("ORVANE.EXE", 7168));
}

// The copy buffer only bounds how much moves at once.
TEST(Installation, TheBufferSizeChangesNothingButSpeed)
{
    for (unsigned nBuffer : {static_cast<unsigned>(kMinBufferSize), 513u, 7168u, 65536u}) {
        SCOPED_TRACE(nBuffer);
        CMemoryFileSystem fs = InstalledMachine();
        const auto before = fs.Snapshot();
        const InstallRun run = Install(fs, kTarget, nBuffer);
        ASSERT_TRUE(run.bOk);
        ExpectInstalled(fs, before, run);
    }
}

// A disk that takes every write and loses what does not fit when the file
// is closed, saying nothing: the game is read back at its real names before
// it is called installed, so the run fails and undoes itself.
TEST(Installation, FilesLostAtCloseAreFoundBeforeTheGameIsRecorded)
{
    static const struct
    {
        const char* pszName;
        CMemoryFileSystem (*pfnMachine)();
    } kMachines[] = {{"fresh", FreshMachine}, {"installed", InstalledMachine}};
    for (const auto& machine : kMachines) {
        SCOPED_TRACE(machine.pszName);
        CMemoryFileSystem fs = machine.pfnMachine();
        fs.m_nCapacity = 9000;
        fs.m_bLoseAtClose = true;
        const auto before = fs.Snapshot();
        const InstallRun run = Install(fs);
        EXPECT_EQ(run.outcome.result, kResultCopyFile);
        EXPECT_EQ(run.outcome.nError, 0u);
        ExpectUnchanged(fs, before, run);
    }
}

namespace {

// pszTarget: the folder the user asks for this time; the MS-DOS installer
// recovers before it asks, with none.
InstallRecoveryOutcome Recover(CMemoryFileSystem& fs, const char* pszTarget = kTarget)
{
    std::vector<char> buffer(4096);
    InstallRequest request = {kGame,
                              pszTarget,
                              kIni,
                              kFirstRunFiles,
                              2,
                              kPathSize - 1,
                              kPathSize - 1,
                              buffer.data(),
                              static_cast<unsigned>(buffer.size())};
    CInstallation installation;
    InstallRecoveryOutcome outcome;
    installation.Recover(fs, request, &outcome);
    return outcome;
}

} // namespace

// A run cut off after any operation (a reset: nothing from then on reaches
// the disk), whether it was installing or undoing a failure, is finished
// or undone by the next run before anything else: the disk then holds the
// old state or the whole new one, with qx.ini and the user's other settings,
// as the recovery says; and installing again works.
TEST(Installation, ARunCutOffAnywhereIsFinishedOrUndoneByTheNext)
{
    static const struct
    {
        const char* pszName;
        CMemoryFileSystem (*pfnMachine)();
        bool bInUse; // qx.ini in use: the run fails once every file is replaced, and undoes
    } kRuns[] = {
        {"fresh", FreshMachine, false},
        {"over an installed game", InstalledMachine, false},
        {"undoing over an installed game", InstalledMachine, true},
    };
    for (const auto& row : kRuns) {
        const CMemoryFileSystem clean = row.pfnMachine();
        const auto before = clean.Snapshot();
        // The disk once the game is installed, which a run cut off while
        // undoing may also finish: it had replaced every file.
        CMemoryFileSystem installed = clean;
        ASSERT_TRUE(Install(installed).bOk);
        const auto done = installed.Snapshot();
        CMemoryFileSystem probe = clean;
        if (row.bInUse)
            probe.m_inUse.insert("C:\\WINDOWS\\QX.INI");
        EXPECT_EQ(Install(probe).bOk, !row.bInUse);
        for (unsigned long nAt = 0; nAt < probe.m_nOperations; ++nAt) {
            SCOPED_TRACE(std::string(row.pszName) + ", cut off at operation " + std::to_string(nAt));
            CMemoryFileSystem fs = clean;
            if (row.bInUse)
                fs.m_inUse.insert("C:\\WINDOWS\\QX.INI");
            fs.m_faultMode = CMemoryFileSystem::kFailFrom;
            fs.m_nFaultAt = nAt;
            Install(fs);
            fs.m_faultMode = CMemoryFileSystem::kNoFault;
            fs.m_inUse.clear();

            const InstallRecoveryOutcome recovered = Recover(fs);
            EXPECT_STREQ(recovered.szLeft, "");
            std::string strIni;
            ASSERT_TRUE(fs.ReadFile(kIni, &strIni)) << "qx.ini is there";
            EXPECT_EQ(fs.Snapshot(), recovered.recovery == kRecoveryFinished ? done : before);
            if (recovered.recovery != kRecoveryNone)
                EXPECT_STREQ(recovered.szPath, kTarget);

            const InstallRun run = Install(fs);
            ExpectInstalled(fs, before, run);
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

// A run cut off while it installed in a folder it created is undone in
// that folder, the journal's, whatever the next run is asked for: the
// folders it created go, and an empty folder of the user's on the way to
// the folder asked for this time stays.
TEST(Installation, ARunCutOffIsUndoneInItsOwnFolder)
{
    static const struct
    {
        const char* pszName;
        const char* pszTarget;
    } kNextRuns[] = {
        {"the MS-DOS installer, which asks for no folder", nullptr},
        {"another folder typed this time", "C:\\EMPTY\\ORVANE"},
    };
    CMemoryFileSystem clean = FreshMachine();
    clean.AddFolder("C:\\EMPTY");
    const auto before = clean.Snapshot();
    CMemoryFileSystem probe = clean;
    ASSERT_TRUE(Install(probe).bOk);
    for (const auto& row : kNextRuns) {
        for (unsigned long nAt = 0; nAt < probe.m_nOperations; ++nAt) {
            SCOPED_TRACE(std::string(row.pszName) + ", cut off at operation " + std::to_string(nAt));
            CMemoryFileSystem fs = clean;
            fs.m_faultMode = CMemoryFileSystem::kFailFrom;
            fs.m_nFaultAt = nAt;
            Install(fs);
            fs.m_faultMode = CMemoryFileSystem::kNoFault;

            const InstallRecoveryOutcome recovered = Recover(fs, row.pszTarget);
            EXPECT_STREQ(recovered.szLeft, "");
            if (recovered.recovery == kRecoveryUndone) {
                EXPECT_EQ(fs.Snapshot(), before);
                EXPECT_STREQ(recovered.szPath, kTarget);
            }
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

// qx.ini keeps its hidden and system attributes, whichever it has; the
// new file is marked as changed since the last backup, as any written file.
TEST(Installation, QxIniKeepsItsHiddenAndSystemAttributes)
{
    for (unsigned nAttributes :
         {0u, static_cast<unsigned>(kAttributeHidden), static_cast<unsigned>(kAttributeSystem),
          static_cast<unsigned>(kAttributeHidden | kAttributeSystem)}) {
        SCOPED_TRACE(nAttributes);
        CMemoryFileSystem fs = FreshMachine();
        fs.SetAttributes(kIni, nAttributes);
        const auto before = fs.Snapshot();
        const InstallRun run = Install(fs);
        ASSERT_TRUE(run.bOk) << run.outcome.result << " " << run.outcome.szPath;
        ExpectInstalled(fs, before, run);
        unsigned nNow = 0;
        EXPECT_EQ(fs.GetAttributes(kIni, &nNow), 0u);
        EXPECT_EQ(nNow, nAttributes | kAttributeArchive);
    }
}

// A qx.ini that another program makes read-only while the game is copied
// is refused all the same, and the copy undone.
TEST(Installation, QxIniMadeReadOnlyMeanwhileIsRefused)
{
    class CReadOnlyMeanwhile : public CMemoryFileSystem
    {
    public:
        explicit CReadOnlyMeanwhile(const CMemoryFileSystem& fs) : CMemoryFileSystem(fs) {}
        void OnProgress(unsigned long nFile, unsigned long nFiles, const char* pszName) override
        {
            CMemoryFileSystem::OnProgress(nFile, nFiles, pszName);
            SetAttributes(kIni, kAttributeReadOnly | kAttributeArchive);
        }
    };
    CReadOnlyMeanwhile fs(FreshMachine());
    fs.SetAttributes(kIni, kAttributeReadOnly | kAttributeArchive);
    const auto before = fs.Snapshot();
    fs.SetAttributes(kIni, kAttributeArchive);
    const InstallRun run = Install(fs);
    ExpectUnchanged(fs, before, run);
    EXPECT_EQ(run.outcome.result, kResultSettingReadOnly);
    EXPECT_TRUE(run.outcome.bChanged);
}

// Another program writes qx.ini in the moment it is aside: its file steps
// aside in turn, under the name the message gives, and the user's file is
// back under its own, with the game as it was.
TEST(Installation, AnotherWriterDuringTheSwapEndsWithTheUsersFileBack)
{
    static const struct
    {
        const char* pszName;
        CMemoryFileSystem (*pfnMachine)();
    } kMachines[] = {{"fresh", FreshMachine}, {"installed", InstalledMachine}};
    const char kOther[] = "[Other]\r\nKey=written meanwhile\r\n";
    for (const auto& machine : kMachines) {
        SCOPED_TRACE(machine.pszName);
        CMemoryFileSystem fs = machine.pfnMachine();
        auto expected = fs.Snapshot();
        fs.m_strIntruderPath = kIni;
        fs.m_strIntruderData = kOther;
        const InstallRun run = Install(fs);
        EXPECT_FALSE(run.bOk);
        EXPECT_EQ(run.outcome.result, kResultSettingChanged);
        EXPECT_STREQ(run.outcome.szPath, "C:\\WINDOWS\\~QXINI.OTH");
        EXPECT_STREQ(run.outcome.szLeft, "");
        expected["C:\\WINDOWS\\~QXINI.OTH"] = CMemoryFileSystem::Describe(kOther);
        EXPECT_EQ(fs.Snapshot(), expected);
    }
}
