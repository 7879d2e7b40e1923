// InstallDir of [Orvane] in qx.ini: read as the profile functions read it,
// and written so that every other byte stays, in a stream of any size.
#include "MemoryFileSystem.h"
#include "cdprograms/install/InstallSetting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qxtest;

namespace {

const char kIni[] = "C:\\WINDOWS\\qx.ini";
const char kNew[] = "C:\\WINDOWS\\NEW.INI";
const std::string kLongLine = "; " + std::string(5000, 'x') + "\r\n";

// The value as the scanner finds it, fed nChunk bytes at a time.
std::string ScanValue(const std::string& strText, size_t nChunk, CIniScanner* pScanner,
                      size_t nValueSize = 300)
{
    std::vector<char> value(nValueSize);
    pScanner->Start(value.data(), static_cast<unsigned>(value.size()));
    for (size_t i = 0; i < strText.size(); i += nChunk) {
        const size_t n = std::min(nChunk, strText.size() - i);
        pScanner->Feed(strText.data() + i, static_cast<unsigned>(n));
    }
    pScanner->Finish();
    return value.data();
}

} // namespace

TEST(InstallSetting, ReadsInstallDirAsTheProfileFunctionsDo)
{
    static const struct
    {
        const char* pszName;
        std::string strText;
        bool bKey;
        const char* pszValue;
    } kRows[] = {
        {"empty", "", false, ""},
        {"plain", "[Orvane]\r\nInstallDir=C:\\GAMES\\ORVANE\r\n", true, "C:\\GAMES\\ORVANE"},
        {"any case, blanks and tabs around", " \t[oRVANE]\r\n\t installdir \t=  C:\\X Y \t\r\n", true,
         "C:\\X Y"},
        {"double quotes", "[Orvane]\r\nInstallDir=\"C:\\X\"\r\n", true, "C:\\X"},
        {"single quotes", "[Orvane]\r\nInstallDir='C:\\X'\r\n", true, "C:\\X"},
        {"quotes that do not match", "[Orvane]\r\nInstallDir=\"C:\\X'\r\n", true, "\"C:\\X'"},
        {"a lone quote", "[Orvane]\r\nInstallDir=\"\r\n", true, "\""},
        {"empty value", "[Orvane]\r\nInstallDir=\r\n", true, ""},
        {"line feeds alone", "[Orvane]\nInstallDir=C:\\X\n", true, "C:\\X"},
        {"no line end at the end", "[Orvane]\r\nInstallDir=C:\\X", true, "C:\\X"},
        {"text after the section name", "[Orvane] ; the game\r\nInstallDir=C:\\X\r\n", true, "C:\\X"},
        {"the first of two", "[Orvane]\r\nInstallDir=C:\\A\r\nInstallDir=C:\\B\r\n", true, "C:\\A"},
        {"after other sections and a long line",
         "[Desktop]\r\nInstallDir=C:\\WRONG\r\n" + kLongLine + "[Orvane]\r\nPath=x\r\nInstallDir=C:\\X\r\n",
         true, "C:\\X"},
        {"in another section only", "[Other]\r\nInstallDir=C:\\X\r\n", false, ""},
        {"before any section", "InstallDir=C:\\X\r\n[Orvane]\r\n", false, ""},
        {"in a second [Orvane] only", "[Orvane]\r\nA=1\r\n[B]\r\n[Orvane]\r\nInstallDir=C:\\X\r\n", false,
         ""},
        {"after the section ended", "[Orvane]\r\n[Other]\r\nInstallDir=C:\\X\r\n", false, ""},
        {"a section line without its bracket", "[Orvane\r\nInstallDir=C:\\X\r\n", false, ""},
        {"a blank inside the key", "[Orvane]\r\nInstall Dir=C:\\X\r\n", false, ""},
        {"a longer key", "[Orvane]\r\nInstallDirs=C:\\X\r\n", false, ""},
        {"a shorter key", "[Orvane]\r\nInstall=C:\\X\r\n", false, ""},
        {"a comment", "[Orvane]\r\n;InstallDir=C:\\X\r\n", false, ""},
        {"a blank inside the section name", "[Orv ane]\r\nInstallDir=C:\\X\r\n", false, ""},
        {"a UTF-8 mark at the start", "\xEF\xBB\xBF[Orvane]\r\nInstallDir=C:\\X\r\n", true, "C:\\X"},
        {"a UTF-8 mark elsewhere", "[A]\r\n\xEF\xBB\xBF[Orvane]\r\nInstallDir=C:\\X\r\n", false, ""},
        {"an end-of-file mark right after the value", "[Orvane]\r\nInstallDir=C:\\X  \x1A\x1A", true,
         "C:\\X"},
        {"an end-of-file mark with text after it", "[Orvane]\r\nInstallDir=C:\\X\x1Ay\r\n", true,
         "C:\\X\x1Ay"},
    };
    for (const auto& row : kRows) {
        for (size_t nChunk : {static_cast<size_t>(1), static_cast<size_t>(3), row.strText.size() + 1}) {
            SCOPED_TRACE(std::string(row.pszName) + ", " + std::to_string(nChunk) + " bytes at a time");
            CIniScanner scanner;
            EXPECT_EQ(ScanValue(row.strText, nChunk, &scanner), row.pszValue);
            EXPECT_EQ(scanner.HasKey(), row.bKey);
            EXPECT_EQ(scanner.Size(), row.strText.size());
        }
    }
}

TEST(InstallSetting, AValueLongerThanTheBufferIsCut)
{
    CIniScanner scanner;
    EXPECT_EQ(ScanValue("[Orvane]\r\nInstallDir=C:\\GAMES\\ORVANE  \r\n", 7, &scanner, 6), "C:\\GA");
    EXPECT_EQ(ScanValue("[Orvane]\r\nInstallDir=C:\\G  S\r\n", 7, &scanner, 6), "C:\\G ");
    EXPECT_EQ(ScanValue("[Orvane]\r\nInstallDir=\"C:\\GAMES\"\r\n", 7, &scanner, 6), "C:\\GA");
}

TEST(InstallSetting, ReadsAFileOrNothing)
{
    char szBuffer[512], szValue[kPathSize];
    CMemoryFileSystem fs;
    EXPECT_EQ(ReadInstallDirSetting(fs, kIni, szBuffer, sizeof(szBuffer), szValue, sizeof(szValue)), 0u);
    EXPECT_STREQ(szValue, "");
    fs.AddFile(kIni, kLongLine + "[Orvane]\r\nInstallDir=C:\\GAMES\\ORVANE\r\n" + kLongLine);
    EXPECT_EQ(ReadInstallDirSetting(fs, kIni, szBuffer, sizeof(szBuffer), szValue, sizeof(szValue)), 0u);
    EXPECT_STREQ(szValue, "C:\\GAMES\\ORVANE");
    fs.m_faultMode = CMemoryFileSystem::kFailFrom;
    EXPECT_EQ(ReadInstallDirSetting(fs, kIni, szBuffer, sizeof(szBuffer), szValue, sizeof(szValue)),
              kErrFault);
    EXPECT_STREQ(szValue, "");
    EXPECT_EQ(fs.OpenHandles(), 0u);
}

TEST(InstallSetting, WritesTheValueAndKeepsEveryOtherByte)
{
    static const char kLine[] = "InstallDir=D:\\NEW\r\n";
    static const struct
    {
        const char* pszName;
        std::string strOld; // "-" for no file
        std::string strNew;
    } kRows[] = {
        {"no file", "-", "[Orvane]\r\nInstallDir=D:\\NEW\r\n"},
        {"an empty file", "", "[Orvane]\r\nInstallDir=D:\\NEW\r\n"},
        {"other sections", "[A]\r\nx=1\r\n", "[A]\r\nx=1\r\n[Orvane]\r\n" + std::string(kLine)},
        {"other sections, no line end at the end", "[A]\r\nx=1",
         "[A]\r\nx=1\r\n[Orvane]\r\n" + std::string(kLine)},
        {"the section without the key", "[A]\r\n[orvane]  ; here\nPath=1\n[B]\n",
         "[A]\r\n[orvane]  ; here\n" + std::string(kLine) + "Path=1\n[B]\n"},
        {"the section as the last line", "[A]\r\n[Orvane]", "[A]\r\n[Orvane]\r\n" + std::string(kLine)},
        {"the key, replaced where it stands", "[Orvane]\r\nA=1\r\n  installdir = C:\\OLD \r\nB=2\r\n[C]\r\n",
         "[Orvane]\r\nA=1\r\n" + std::string(kLine) + "B=2\r\n[C]\r\n"},
        {"the key as the last line", "[Orvane]\r\nInstallDir=C:\\OLD", "[Orvane]\r\n" + std::string(kLine)},
        {"only the key that counts",
         "[Orvane]\r\nInstallDir=1\r\nInstallDir=2\r\n[Orvane]\r\nInstallDir=3\r\n",
         "[Orvane]\r\n" + std::string(kLine) + "InstallDir=2\r\n[Orvane]\r\nInstallDir=3\r\n"},
        {"long lines on both sides", kLongLine + "[Orvane]\r\nInstallDir=C:\\OLD\r\n" + kLongLine,
         kLongLine + "[Orvane]\r\n" + std::string(kLine) + kLongLine},
        {"bytes of any value", std::string("[A]\r\nx=\0\xff\x1a\r\r\n", 13),
         std::string("[A]\r\nx=\0\xff\x1a\r\r\n", 13) + "[Orvane]\r\n" + kLine},
        // MS-DOS's end-of-file mark stays the end, after what is added.
        {"an end-of-file mark at the end", "[A]\r\nx=1\r\n\x1A",
         "[A]\r\nx=1\r\n[Orvane]\r\n" + std::string(kLine) + "\x1A"},
        {"marks after a last line without its end", "[A]\r\nx=1\x1A\x1A",
         "[A]\r\nx=1\r\n[Orvane]\r\n" + std::string(kLine) + "\x1A\x1A"},
        {"the section as the last line, then the mark", "[A]\r\n[Orvane]\x1A",
         "[A]\r\n[Orvane]\r\n" + std::string(kLine) + "\x1A"},
        {"the key as the last line, then the mark", "[Orvane]\r\nInstallDir=C:\\OLD\x1A",
         "[Orvane]\r\n" + std::string(kLine) + "\x1A"},
        {"the mark alone", "\x1A", "[Orvane]\r\n" + std::string(kLine) + "\x1A"},
    };
    for (const auto& row : kRows) {
        for (unsigned nBuffer : {1u, 7u, 512u, 65536u}) {
            SCOPED_TRACE(std::string(row.pszName) + ", buffer of " + std::to_string(nBuffer));
            CMemoryFileSystem fs;
            fs.AddFolder("C:\\WINDOWS");
            if (row.strOld != "-")
                fs.AddFile(kIni, row.strOld);
            std::vector<char> buffer(nBuffer);
            CIniScanner scan;
            scan.Start(nullptr, 0);
            ASSERT_EQ(ScanIniFile(fs, kIni, buffer.data(), nBuffer, &scan), 0u);
            InstallHandle hNew;
            ASSERT_EQ(fs.CreateToWrite(kNew, &hNew), 0u);
            unsigned long nWritten = 0;
            InstallError nError = 0;
            EXPECT_EQ(CopyIniWithInstallDir(fs, kIni, scan, "D:\\NEW", hNew, buffer.data(), nBuffer,
                                            &nWritten, &nError),
                      kIniCopied);
            EXPECT_EQ(fs.Close(hNew), 0u);
            std::string strNew;
            ASSERT_TRUE(fs.ReadFile(kNew, &strNew));
            EXPECT_EQ(strNew, row.strNew);
            EXPECT_EQ(nWritten, strNew.size());
            EXPECT_EQ(fs.OpenHandles(), 0u);
        }
    }
}

TEST(InstallSetting, ReportsWhatStoppedTheCopy)
{
    static const struct
    {
        const char* pszName;
        void (*pfnSpoil)(CMemoryFileSystem&);
        IniCopyResult result;
        InstallError nError;
    } kRows[] = {
        {"a full disk", [](CMemoryFileSystem& fs) { fs.m_nCapacity = 1000; }, kIniWriteFailed, kErrDiskFull},
        {"a file that went", [](CMemoryFileSystem& fs) { fs.Delete(kIni); }, kIniReadFailed, kErrNotFound},
        {"a file that grew", [](CMemoryFileSystem& fs) { fs.AddFile(kIni, kLongLine + kLongLine); },
         kIniChanged, 0},
        {"a file that shrank", [](CMemoryFileSystem& fs) { fs.AddFile(kIni, "[A]\r\n"); }, kIniChanged, 0},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.pszName);
        CMemoryFileSystem fs;
        fs.AddFile(kIni, kLongLine);
        char szBuffer[512];
        CIniScanner scan;
        scan.Start(nullptr, 0);
        ASSERT_EQ(ScanIniFile(fs, kIni, szBuffer, sizeof(szBuffer), &scan), 0u);
        InstallHandle hNew;
        ASSERT_EQ(fs.CreateToWrite(kNew, &hNew), 0u);
        row.pfnSpoil(fs);
        unsigned long nWritten = 0;
        InstallError nError = 0;
        EXPECT_EQ(CopyIniWithInstallDir(fs, kIni, scan, "D:\\NEW", hNew, szBuffer, sizeof(szBuffer),
                                        &nWritten, &nError),
                  row.result);
        EXPECT_EQ(nError, row.nError);
        fs.Close(hNew);
        EXPECT_EQ(fs.OpenHandles(), 0u);
    }
}
