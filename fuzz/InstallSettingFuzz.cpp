// qx.ini's scanner, fed in pieces of any size, against a plain reading of
// the whole text line by line; and the rewrite, which must keep every other
// byte, put the new line where the scan says (before the end-of-file marks
// that end the file), and read back.
//
// Input: one byte for the piece size (1 to 64), then the text.
#include "cdprograms/install/InstallSetting.h"
#include "tests/native/MemoryFileSystem.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kIni[] = "C:\\WINDOWS\\qx.ini";
const char kNew[] = "C:\\WINDOWS\\NEW.INI";
const char kValue[] = "C:\\NEW";

struct Reading
{
    bool bSection = false, bKey = false, bSectionOpen = false;
    size_t nSectionEnd = 0, nKeyStart = 0, nKeyEnd = 0;
    std::string strValue;
};

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r';
}

std::string Lower(std::string s)
{
    for (char& ch : s)
        ch = ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
    return s;
}

std::string Trim(const std::string& s)
{
    size_t nBegin = 0, nEnd = s.size();
    while (nBegin < nEnd && IsBlank(s[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsBlank(s[nEnd - 1]))
        --nEnd;
    return s.substr(nBegin, nEnd - nBegin);
}

// The rules of InstallSetting.h, on the whole text at once.
Reading Read(const std::string& strText)
{
    static const char kMark[] = "\xEF\xBB\xBF";
    Reading reading;
    int nState = 0; // before the first [Orvane], in it, after it
    for (size_t nPos = 0; nPos < strText.size();) {
        const size_t nNewline = strText.find('\n', nPos);
        const size_t nLineEnd = nNewline == std::string::npos ? strText.size() : nNewline + 1;
        const std::string strLine =
            strText.substr(nPos, (nNewline == std::string::npos ? strText.size() : nNewline) - nPos);
        size_t i = 0;
        while (i < strLine.size() && (IsBlank(strLine[i]) || (nPos + i < 3 && strLine[i] == kMark[nPos + i])))
            ++i;
        if (i < strLine.size() && strLine[i] == '[') {
            const size_t nClose = strLine.find(']', i + 1);
            if (nClose != std::string::npos) {
                if (nState == 1)
                    nState = 2;
                if (nState == 0 && Lower(strLine.substr(i + 1, nClose - i - 1)) == "orvane") {
                    nState = 1;
                    reading.bSection = true;
                    reading.nSectionEnd = nLineEnd;
                    reading.bSectionOpen = nNewline == std::string::npos;
                }
            }
        } else if (i < strLine.size() && nState == 1 && !reading.bKey) {
            const size_t nEquals = strLine.find('=', i);
            if (nEquals != std::string::npos && Lower(Trim(strLine.substr(i, nEquals - i))) == "installdir") {
                reading.bKey = true;
                reading.nKeyStart = nPos;
                reading.nKeyEnd = nLineEnd;
                std::string strValue = Trim(strLine.substr(nEquals + 1));
                if (strValue.size() >= 2 && (strValue[0] == '"' || strValue[0] == '\'') &&
                    strValue.back() == strValue[0])
                    strValue = strValue.substr(1, strValue.size() - 2);
                // A C string, as the value is handed on: it ends at a zero byte.
                reading.strValue = strValue.substr(0, strValue.find('\0'));
            }
        }
        nPos = nLineEnd;
    }
    return reading;
}

void Check(bool bHolds)
{
    if (!bHolds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize == 0)
        return 0;
    const unsigned nPiece = pData[0] % 64 + 1;
    const std::string strText(reinterpret_cast<const char*>(pData + 1), nSize - 1);

    std::vector<char> value(strText.size() + 2);
    CIniScanner scan;
    scan.Start(value.data(), static_cast<unsigned>(value.size()));
    for (size_t i = 0; i < strText.size(); i += nPiece)
        scan.Feed(strText.data() + i, static_cast<unsigned>(std::min<size_t>(nPiece, strText.size() - i)));
    scan.Finish();

    // MS-DOS's end-of-file marks at the very end are no part of the text.
    const size_t nTextEnd = strText.find_last_not_of('\x1A') + 1;
    const std::string strBody = strText.substr(0, nTextEnd);
    const Reading reading = Read(strBody);
    Check(scan.Size() == strText.size() && scan.TextEnd() == nTextEnd);
    Check(scan.HasSection() == reading.bSection && scan.HasKey() == reading.bKey);
    Check(!reading.bSection ||
          (scan.SectionLineEnd() == reading.nSectionEnd && scan.SectionLineOpen() == reading.bSectionOpen));
    Check(!reading.bKey ||
          (scan.KeyLineStart() == reading.nKeyStart && scan.KeyLineEnd() == reading.nKeyEnd &&
           std::string(value.data()) == reading.strValue));
    Check(scan.LastLineOpen() == (!strBody.empty() && strBody.back() != '\n'));

    // The rewrite, through a buffer of the piece size.
    qxtest::CMemoryFileSystem fs;
    fs.AddFile(kIni, strText);
    InstallHandle hNew;
    Check(fs.CreateToWrite(kNew, &hNew) == 0);
    std::vector<char> buffer(nPiece);
    unsigned long nWritten = 0;
    InstallError nError = 0;
    Check(CopyIniWithInstallDir(fs, kIni, scan, kValue, hNew, buffer.data(), nPiece, &nWritten, &nError) ==
          kIniCopied);
    Check(fs.Close(hNew) == 0);
    std::string strNew;
    Check(fs.ReadFile(kNew, &strNew) && strNew.size() == nWritten);

    // Every byte but the one line, where the scan put it.
    size_t nCut = nTextEnd, nResume = nTextEnd;
    std::string strInserted = std::string(kValue);
    strInserted = "InstallDir=" + strInserted + "\r\n";
    if (reading.bKey) {
        nCut = reading.nKeyStart;
        nResume = reading.nKeyEnd;
    } else if (reading.bSection) {
        nCut = nResume = reading.nSectionEnd;
        if (reading.bSectionOpen)
            strInserted = "\r\n" + strInserted;
    } else {
        strInserted = (scan.LastLineOpen() ? "\r\n[Orvane]\r\n" : "[Orvane]\r\n") + strInserted;
    }
    Check(strNew == strText.substr(0, nCut) + strInserted + strText.substr(nResume));

    // It reads back, with the value where it counts.
    CIniScanner check;
    std::vector<char> checked(strNew.size() + 2);
    check.Start(checked.data(), static_cast<unsigned>(checked.size()));
    check.Feed(strNew.data(), static_cast<unsigned>(strNew.size()));
    check.Finish();
    Check(check.HasKey() && std::string(checked.data()) == kValue);
    return 0;
}
