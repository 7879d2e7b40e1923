#include "MemoryFileSystem.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace qxtest {

namespace {

const InstallError kErrNotEmpty = 145;

bool IsDosName(const std::string& strName)
{
    const size_t nDot = strName.find('.');
    const std::string strBase = strName.substr(0, nDot);
    const std::string strExtension = nDot == std::string::npos ? "" : strName.substr(nDot + 1);
    if (strBase.empty() || strBase.size() > 8 || strExtension.size() > 3 ||
        (nDot != std::string::npos && strExtension.empty()) || strExtension.find('.') != std::string::npos)
        return false;
    for (unsigned char ch : strName) {
        if (ch <= ' ' || std::strchr("\"*+,/:;<=>?[\\]|", ch))
            return false;
    }
    return true;
}

} // namespace

std::string CMemoryFileSystem::Key(const std::string& strPath)
{
    std::string strKey = strPath;
    for (char& ch : strKey) {
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    }
    return strKey;
}

std::string CMemoryFileSystem::Parent(const std::string& strKey)
{
    const size_t n = strKey.rfind('\\');
    return n == std::string::npos ? "" : strKey.substr(0, n);
}

bool CMemoryFileSystem::OnCd(const std::string& strKey)
{
    return strKey.compare(0, 2, "D:") == 0;
}

void CMemoryFileSystem::AddFolder(const std::string& strPath)
{
    const std::string strKey = Key(strPath);
    if (strKey.size() <= 2 || IsFolder(strPath))
        return;
    AddFolder(strPath.substr(0, strPath.rfind('\\')));
    m_nodes[strKey] = Node{strPath, true, "", 0};
}

void CMemoryFileSystem::AddFile(const std::string& strPath, const std::string& strData)
{
    AddFolder(strPath.substr(0, strPath.rfind('\\')));
    m_nodes[Key(strPath)] = Node{strPath, false, strData, kAttributeArchive};
}

bool CMemoryFileSystem::ReadFile(const std::string& strPath, std::string* pData) const
{
    auto it = m_nodes.find(Key(strPath));
    if (it == m_nodes.end() || it->second.bFolder)
        return false;
    *pData = it->second.strData;
    return true;
}

bool CMemoryFileSystem::IsFolder(const std::string& strPath) const
{
    const std::string strKey = Key(strPath);
    if (strKey.size() == 2 && strKey[1] == ':')
        return true;
    auto it = m_nodes.find(strKey);
    return it != m_nodes.end() && it->second.bFolder;
}

bool CMemoryFileSystem::Exists(const std::string& strPath) const
{
    return IsFolder(strPath) || m_nodes.count(Key(strPath)) != 0;
}

std::map<std::string, std::string> CMemoryFileSystem::Snapshot() const
{
    std::map<std::string, std::string> snapshot;
    for (const auto& entry : m_nodes) {
        const Node& node = entry.second;
        snapshot[entry.first] = node.bFolder ? "<folder>" : Describe(node.strData);
        if (node.nAttributes & (kAttributeReadOnly | kAttributeHidden | kAttributeSystem))
            snapshot[entry.first] += ", attributes " + std::to_string(node.nAttributes);
    }
    return snapshot;
}

// The size and a hash of the content: short enough to read in a failed check.
std::string CMemoryFileSystem::Describe(const std::string& strData)
{
    return std::to_string(strData.size()) + " bytes, hash " +
           std::to_string(std::hash<std::string>()(strData));
}

std::vector<std::string> CMemoryFileSystem::List(const std::string& strFolder) const
{
    const std::string strPrefix = Key(strFolder) + "\\";
    std::vector<std::string> paths;
    for (const auto& entry : m_nodes) {
        if (entry.first.compare(0, strPrefix.size(), strPrefix) == 0)
            paths.push_back(entry.second.strPath);
    }
    return paths;
}

InstallError CMemoryFileSystem::Operation(const std::string& strKey)
{
    const unsigned long n = m_nOperations++;
    switch (m_faultMode) {
    case kNoFault:
        break;
    case kFailOnce:
        if (n == m_nFaultAt)
            return kErrFault;
        break;
    case kFailFrom:
        if (n >= m_nFaultAt)
            return kErrFault;
        break;
    case kCdGoneFrom:
        if (n >= m_nFaultAt && OnCd(strKey))
            return kErrNotReady;
        break;
    }
    return 0;
}

bool CMemoryFileSystem::Breach(const std::string& strPath, bool bFolder)
{
    bool bBreach = strPath.size() >= kPathSize;
    if (m_bDosNames) {
        const std::string strFolder = bFolder ? strPath : strPath.substr(0, strPath.rfind('\\'));
        bBreach = bBreach || strFolder.size() > m_nMaxFolder || strPath.size() > m_nMaxPath ||
                  !IsDosName(strPath.substr(strPath.rfind('\\') + 1));
    }
    if (bBreach)
        ++m_nBreaches;
    return bBreach;
}

unsigned long CMemoryFileSystem::UsedOnC() const
{
    unsigned long n = 0;
    for (const auto& entry : m_nodes) {
        if (entry.first.compare(0, 2, "C:") == 0)
            n += static_cast<unsigned long>(entry.second.strData.size());
    }
    return n;
}

InstallError CMemoryFileSystem::GetKind(const char* pszPath, InstallFileKind* pKind)
{
    const std::string strKey = Key(pszPath);
    if (InstallError nError = Operation(strKey))
        return nError;
    *pKind = IsFolder(pszPath) ? kKindFolder : m_nodes.count(strKey) ? kKindFile : kKindNothing;
    return 0;
}

InstallError CMemoryFileSystem::NextEntry(Search& search, InstallFindEntry* pEntry)
{
    if (search.nNext == search.names.size()) {
        pEntry->szName[0] = '\0';
        return 0;
    }
    const std::string& strName = search.names[search.nNext++];
    if (strName.size() >= sizeof(pEntry->szName))
        return kErrFault;
    std::strcpy(pEntry->szName, strName.c_str());
    pEntry->bFolder = strName == "." || strName == ".." || IsFolder(search.strFolderKey + "\\" + strName);
    return 0;
}

InstallError CMemoryFileSystem::FindFirst(const char* pszFolder, InstallFind* pFind, InstallFindEntry* pEntry)
{
    const std::string strKey = Key(pszFolder);
    if (InstallError nError = Operation(strKey))
        return nError;
    if (!IsFolder(pszFolder))
        return kErrPathNotFound;
    Search search{strKey, {".", ".."}, 0};
    for (const auto& entry : m_nodes) {
        if (Parent(entry.first) == strKey)
            search.names.push_back(entry.second.strPath.substr(entry.second.strPath.rfind('\\') + 1));
    }
    const unsigned long nId = m_nNextSearch++;
    std::memcpy(pFind->abData, &nId, sizeof(nId));
    Search& stored = m_finds[nId] = search;
    return NextEntry(stored, pEntry);
}

InstallError CMemoryFileSystem::FindNext(InstallFind* pFind, InstallFindEntry* pEntry)
{
    unsigned long nId;
    std::memcpy(&nId, pFind->abData, sizeof(nId));
    auto it = m_finds.find(nId);
    if (it == m_finds.end())
        return kErrFault;
    if (InstallError nError = Operation(it->second.strFolderKey))
        return nError;
    return NextEntry(it->second, pEntry);
}

void CMemoryFileSystem::FindClose(InstallFind* pFind)
{
    unsigned long nId;
    std::memcpy(&nId, pFind->abData, sizeof(nId));
    m_finds.erase(nId);
}

InstallError CMemoryFileSystem::CreateFolder(const char* pszPath)
{
    const std::string strKey = Key(pszPath);
    if (InstallError nError = Operation(strKey))
        return nError;
    if (OnCd(strKey))
        return kErrAccessDenied;
    if (Exists(pszPath))
        return kErrExists;
    if (!IsFolder(Parent(strKey)) || Breach(pszPath, true))
        return kErrPathNotFound;
    m_nodes[strKey] = Node{pszPath, true, "", 0};
    return 0;
}

InstallError CMemoryFileSystem::RemoveFolder(const char* pszPath)
{
    const std::string strKey = Key(pszPath);
    if (InstallError nError = Operation(strKey))
        return nError;
    if (OnCd(strKey))
        return kErrAccessDenied;
    if (!IsFolder(pszPath) || strKey.size() <= 2)
        return kErrPathNotFound;
    if (!List(pszPath).empty())
        return kErrNotEmpty;
    m_nodes.erase(strKey);
    return 0;
}

InstallError CMemoryFileSystem::OpenToRead(const char* pszPath, InstallHandle* phFile)
{
    const std::string strKey = Key(pszPath);
    if (InstallError nError = Operation(strKey))
        return nError;
    auto it = m_nodes.find(strKey);
    if (it == m_nodes.end())
        return kErrNotFound;
    if (it->second.bFolder)
        return kErrAccessDenied;
    *phFile = m_nNextHandle++;
    m_files[*phFile] = OpenFile{strKey, false, 0};
    return 0;
}

InstallError CMemoryFileSystem::CreateToWrite(const char* pszPath, InstallHandle* phFile)
{
    const std::string strKey = Key(pszPath);
    if (InstallError nError = Operation(strKey))
        return nError;
    if (OnCd(strKey))
        return kErrAccessDenied;
    if (m_inUse.count(strKey))
        return kErrInUse;
    // As the systems do, a read-only file is not opened to write.
    auto it = m_nodes.find(strKey);
    if (IsFolder(pszPath) || (it != m_nodes.end() && (it->second.nAttributes & kAttributeReadOnly)))
        return kErrAccessDenied;
    if (!IsFolder(Parent(strKey)) || Breach(pszPath, false))
        return kErrPathNotFound;
    m_nodes[strKey] = Node{pszPath, false, "", kAttributeArchive};
    *phFile = m_nNextHandle++;
    m_files[*phFile] = OpenFile{strKey, true, 0};
    return 0;
}

InstallError CMemoryFileSystem::Read(InstallHandle hFile, void* pBuffer, unsigned nSize, unsigned* pnRead)
{
    auto it = m_files.find(hFile);
    if (it == m_files.end() || it->second.bWrite)
        return kErrFault;
    if (InstallError nError = Operation(it->second.strKey))
        return nError;
    auto node = m_nodes.find(it->second.strKey);
    if (node == m_nodes.end())
        return kErrFault;
    const std::string& strData = node->second.strData;
    const size_t nLeft = strData.size() - std::min(strData.size(), it->second.nPosition);
    *pnRead = static_cast<unsigned>(std::min<size_t>(nSize, nLeft));
    std::memcpy(pBuffer, strData.data() + it->second.nPosition, *pnRead);
    it->second.nPosition += *pnRead;
    return 0;
}

InstallError CMemoryFileSystem::Write(InstallHandle hFile, const void* pData, unsigned nSize)
{
    auto it = m_files.find(hFile);
    if (it == m_files.end() || !it->second.bWrite)
        return kErrFault;
    const std::string& strKey = it->second.strKey;
    if (InstallError nError = Operation(strKey))
        return nError;
    auto node = m_nodes.find(strKey);
    if (node == m_nodes.end())
        return kErrFault;
    std::string& strData = node->second.strData;
    const char* p = static_cast<const char*>(pData);
    if (!m_strLiarPath.empty() && strKey == Key(m_strLiarPath)) {
        const size_t nRoom = m_nLiarSize - std::min<size_t>(m_nLiarSize, strData.size());
        strData.append(p, std::min<size_t>(nSize, nRoom));
        return 0;
    }
    if (strKey.compare(0, 2, "C:") == 0 && !m_bLoseAtClose) {
        const unsigned long nUsed = UsedOnC();
        const unsigned long nRoom = m_nCapacity - std::min(m_nCapacity, nUsed);
        if (nSize > nRoom) {
            strData.append(p, nRoom);
            return kErrDiskFull;
        }
    }
    strData.append(p, nSize);
    return 0;
}

InstallError CMemoryFileSystem::Close(InstallHandle hFile)
{
    auto it = m_files.find(hFile);
    if (it == m_files.end())
        return kErrFault;
    const std::string strKey = it->second.strKey;
    const bool bWritten = it->second.bWrite;
    m_files.erase(it);
    if (bWritten && m_bLoseAtClose && strKey.compare(0, 2, "C:") == 0 && UsedOnC() > m_nCapacity) {
        auto node = m_nodes.find(strKey);
        if (node != m_nodes.end())
            node->second.strData.clear();
    }
    return Operation(strKey);
}

InstallError CMemoryFileSystem::Delete(const char* pszPath)
{
    const std::string strKey = Key(pszPath);
    if (InstallError nError = Operation(strKey))
        return nError;
    if (OnCd(strKey))
        return kErrAccessDenied;
    auto it = m_nodes.find(strKey);
    if (it == m_nodes.end())
        return kErrNotFound;
    if (it->second.bFolder)
        return kErrAccessDenied;
    if (m_inUse.count(strKey))
        return kErrInUse;
    m_nodes.erase(it);
    return 0;
}

InstallError CMemoryFileSystem::GetAttributes(const char* pszPath, unsigned* pnAttributes)
{
    const std::string strKey = Key(pszPath);
    *pnAttributes = 0;
    if (InstallError nError = Operation(strKey))
        return nError;
    auto it = m_nodes.find(strKey);
    if (it != m_nodes.end())
        *pnAttributes = it->second.nAttributes;
    return 0;
}

InstallError CMemoryFileSystem::SetAttributes(const char* pszPath, unsigned nAttributes)
{
    const std::string strKey = Key(pszPath);
    if (InstallError nError = Operation(strKey))
        return nError;
    if (OnCd(strKey))
        return kErrAccessDenied;
    auto it = m_nodes.find(strKey);
    if (it == m_nodes.end() || it->second.bFolder)
        return kErrNotFound;
    it->second.nAttributes = nAttributes;
    return 0;
}

InstallError CMemoryFileSystem::Rename(const char* pszFrom, const char* pszTo)
{
    const std::string strFrom = Key(pszFrom), strTo = Key(pszTo);
    if (InstallError nError = Operation(strFrom))
        return nError;
    if (OnCd(strFrom))
        return kErrAccessDenied;
    auto it = m_nodes.find(strFrom);
    if (it == m_nodes.end() || it->second.bFolder)
        return kErrNotFound;
    if (m_inUse.count(strFrom))
        return kErrInUse;
    if (Exists(pszTo))
        return kErrExists;
    if (Parent(strFrom) != Parent(strTo) || Breach(pszTo, false)) {
        ++m_nBreaches;
        return kErrPathNotFound;
    }
    Node node = it->second;
    node.strPath = pszTo;
    m_nodes.erase(it);
    m_nodes[strTo] = node;
    if (!m_strIntruderPath.empty() && strFrom == Key(m_strIntruderPath)) {
        AddFile(m_strIntruderPath, m_strIntruderData);
        m_strIntruderPath.clear();
    }
    return 0;
}

void CMemoryFileSystem::FlushSettings(const char*)
{
    ++m_nFlushes;
}

void CMemoryFileSystem::OnProgress(unsigned long nFile, unsigned long nFiles, const char* pszName)
{
    m_progress.push_back(std::to_string(nFile) + "/" + std::to_string(nFiles) + " " + pszName);
}

bool CMemoryFileSystem::ConfirmSetting(const char*, const char*)
{
    return !m_bRefuseSetting;
}

} // namespace qxtest
