// The template expansion over arbitrary templates and directories. The input
// is split at line feeds into template, source, installed and Windows
// directory; a missing part is passed as a null pointer. Whatever the lengths,
// the line holds at most 255 characters, is terminated inside its buffer, and
// no more unknown codes are reported than the template has '$' characters.
#include "commands/ExpandCommandTemplate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct FuzzLog
{
    size_t nReports;
};

void CountReport(void* pContext)
{
    ++static_cast<FuzzLog*>(pContext)->nReports;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // Each part in its own exactly-sized heap copy.
    char* apszParts[4] = {nullptr, nullptr, nullptr, nullptr};
    size_t nPos = 0;
    for (size_t nPart = 0; nPart < 4 && nPos <= nSize; ++nPart) {
        const void* pvEnd = std::memchr(pData + nPos, '\n', nSize - nPos);
        const size_t nEnd =
            pvEnd != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(pvEnd) - pData) : nSize;
        apszParts[nPart] = new char[nEnd - nPos + 1];
        std::memcpy(apszParts[nPart], pData + nPos, nEnd - nPos);
        apszParts[nPart][nEnd - nPos] = '\0';
        nPos = nEnd + 1;
    }

    size_t nDollars = 0;
    for (const char* pch = apszParts[0]; *pch != '\0'; ++pch)
        nDollars += *pch == '$';

    FuzzLog log = {0};
    const CommandTemplateSeam seam = {CountReport, &log};
    char szOut[kMaxCommandLine + 1];
    const size_t nLength =
        ExpandCommandTemplate(apszParts[0], apszParts[1], apszParts[2], apszParts[3], seam, szOut);

    if (nLength > kMaxCommandLine || std::memchr(szOut, '\0', sizeof(szOut)) == nullptr ||
        std::strlen(szOut) != nLength)
        std::abort();
    if (log.nReports > nDollars)
        std::abort();

    for (char* psz : apszParts)
        delete[] psz;
    return 0;
}
