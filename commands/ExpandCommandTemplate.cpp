#include "commands/ExpandCommandTemplate.h"

#include "commands/CanonicalizeCommandPath.h"

#include <cstring>

namespace {

const char* OrEmpty(const char* psz)
{
    return psz != nullptr ? psz : "";
}

// Appends at most nCount characters of psz (fewer when it ends first) without
// taking the line past kMaxCommandLine characters.
void AppendText(char* pchOut, size_t& nOut, const char* psz, size_t nCount)
{
    for (size_t n = 0; n < nCount && psz[n] != '\0' && nOut < kMaxCommandLine; ++n)
        pchOut[nOut++] = psz[n];
}

void ReportUnknownCode(const CommandTemplateSeam& seam)
{
    if (seam.pfnReportUnknownCode != nullptr)
        seam.pfnReportUnknownCode(seam.pContext);
}

} // namespace

size_t ExpandCommandTemplate(const char* pszTemplate, const char* pszSourceDir, const char* pszInstalledDir,
                             const char* pszWindowsDir, const CommandTemplateSeam& seam,
                             char (&szOut)[kMaxCommandLine + 1])
{
    const char* pch = OrEmpty(pszTemplate);
    const char* const pszInstalled = OrEmpty(pszInstalledDir);
    const size_t nAll = static_cast<size_t>(-1);
    size_t nOut = 0;

    while (*pch != '\0' && nOut < kMaxCommandLine) {
        if (*pch != '$') {
            szOut[nOut++] = *pch++;
            continue;
        }

        const char chCode = pch[1];
        if (chCode == '\0') {
            // A '$' with no code after it: there is nothing left to read.
            ReportUnknownCode(seam);
            break;
        }
        pch += 2;

        switch (chCode) {
        case 's':
            AppendText(szOut, nOut, OrEmpty(pszSourceDir), nAll);
            break;
        case 'i':
            AppendText(szOut, nOut, pszInstalled, nAll);
            break;
        case 'I': {
            const char* const pchColon = std::strchr(pszInstalled, ':');
            if (pchColon != nullptr)
                AppendText(szOut, nOut, pszInstalled, static_cast<size_t>(pchColon - pszInstalled));
            break;
        }
        case 'w':
            AppendText(szOut, nOut, OrEmpty(pszWindowsDir), nAll);
            break;
        default:
            ReportUnknownCode(seam);
            break;
        }
    }
    szOut[nOut] = '\0';

    // An invalid line (such as "<none>") is kept and run like any other.
    (void)CanonicalizeCommandPath(szOut);
    return std::strlen(szOut);
}
