// The installation over game trees of any shape, with a fault wherever the
// input puts it: a run either installs the whole tree and records it, or
// leaves the disk as it was, or names what it could not undo; it never
// leaves a file open, and keeps within MS-DOS's limits when given them.
//
// Input: the fault (mode, operation, disk size), the machine (an earlier
// installation, MS-DOS's limits), then three bytes per entry of the tree
// (the folder it goes in, file or folder, the file's size).
#include "cdprograms/install/InstallSetting.h"
#include "cdprograms/install/Installation.h"
#include "tests/native/MemoryFileSystem.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using qxtest::CMemoryFileSystem;

namespace {

const char kGame[] = "D:\\GAME";
const char kTarget[] = "C:\\GAMES\\ORVANE";
const char kIni[] = "C:\\WINDOWS\\qx.ini";
const char* const kFirstRunFiles[] = {"C:\\_QXCHKCD.BAT", "C:\\QXINST.CFG"};

void Check(bool bHolds)
{
    if (!bHolds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 5)
        return 0;
    CMemoryFileSystem fs;
    fs.AddFile(kIni, "[Other]\r\nx=1\r\n");
    for (const char* pszPath : kFirstRunFiles)
        fs.AddFile(pszPath, "first run");
    const bool bEarlier = pData[4] & 1, bDos = pData[4] & 2;

    // The tree: each entry goes in one of the folders made so far.
    std::vector<std::string> folders = {kGame}, files;
    fs.AddFolder(kGame);
    for (size_t i = 5; i + 3 <= nSize && folders.size() + files.size() < 200; i += 3) {
        const std::string& strFolder = folders[pData[i] % folders.size()];
        const size_t nEntry = folders.size() + files.size();
        if (pData[i + 1] & 1) {
            const std::string strPath = strFolder + "\\D" + std::to_string(nEntry);
            fs.AddFolder(strPath);
            folders.push_back(strPath);
        } else {
            const std::string strPath = strFolder + "\\F" + std::to_string(nEntry) + ".DAT";
            fs.AddFile(strPath, std::string(pData[i + 2] * 7u, static_cast<char>(nEntry)));
            files.push_back(strPath);
        }
    }
    // An earlier version where the new one goes, recorded, with a file of the
    // player's beside it.
    if (bEarlier) {
        for (size_t i = 0; i < files.size(); i += 2)
            fs.AddFile(kTarget + files[i].substr(sizeof(kGame) - 1), "old");
        fs.AddFile(std::string(kTarget) + "\\SAVED.GAM", "the player's");
        fs.AddFile(kIni, std::string("[Orvane]\r\nInstallDir=") + kTarget + "\r\n[Other]\r\nx=1\r\n");
    }
    const auto before = fs.Snapshot();

    fs.m_faultMode = static_cast<CMemoryFileSystem::FaultMode>(pData[0] % 4);
    fs.m_nFaultAt = pData[1] | (pData[2] & 3u) << 8;
    if (pData[3] != 0)
        fs.m_nCapacity = pData[3] * 97u;
    fs.m_bDosNames = bDos;
    fs.m_nMaxFolder = bDos ? 64 : kPathSize - 1;
    fs.m_nMaxPath = bDos ? 77 : kPathSize - 1;

    std::vector<char> buffer(kMinBufferSize);
    const InstallRequest request = {kGame,
                                    kTarget,
                                    kIni,
                                    kFirstRunFiles,
                                    2,
                                    fs.m_nMaxFolder,
                                    fs.m_nMaxPath,
                                    buffer.data(),
                                    static_cast<unsigned>(buffer.size())};
    CInstallation installation;
    InstallOutcome outcome;
    const bool bDone = installation.Run(fs, request, &outcome);
    fs.m_faultMode = CMemoryFileSystem::kNoFault;
    fs.m_nCapacity = ~0UL;

    Check(fs.OpenHandles() == 0 && fs.m_nBreaches == 0);
    Check(bDone == (outcome.result == kResultDone));
    if (bDone) {
        for (const std::string& strFile : files) {
            std::string strCopy, strOriginal;
            fs.ReadFile(strFile, &strOriginal);
            Check(fs.ReadFile(kTarget + strFile.substr(sizeof(kGame) - 1), &strCopy) &&
                  strCopy == strOriginal);
        }
        char szValue[kPathSize];
        Check(ReadInstallDirSetting(fs, kIni, buffer.data(), static_cast<unsigned>(buffer.size()), szValue,
                                    sizeof(szValue)) == 0 &&
              std::string(szValue) == kTarget);
        Check(!bEarlier || fs.Exists(std::string(kTarget) + "\\SAVED.GAM"));
    } else if (!outcome.szLeft[0]) {
        Check(fs.Snapshot() == before);
    }
    return 0;
}
