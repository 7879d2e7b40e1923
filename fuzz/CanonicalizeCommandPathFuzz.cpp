// The canonicaliser over arbitrary text: it stays inside the text, never
// lengthens it and always leaves it terminated. A second run over its own
// output may fold further, so idempotence is not checked.
#include "commands/CanonicalizeCommandPath.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // The text ends at the first zero byte; the copy has exactly its size, so
    // AddressSanitizer sees any access past it.
    const void* pvZero = std::memchr(pData, 0, nSize);
    const size_t nLength =
        pvZero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(pvZero) - pData) : nSize;
    char* const pszText = new char[nLength + 1];
    std::memcpy(pszText, pData, nLength);
    pszText[nLength] = '\0';

    const bool bPlain =
        std::memchr(pszText, '.', nLength) == nullptr && std::memchr(pszText, '/', nLength) == nullptr;

    const int nResult = CanonicalizeCommandPath(pszText);
    if (nResult != 0 && nResult != 1)
        std::abort();
    const size_t nOut = std::strlen(pszText);
    if (nOut > nLength)
        std::abort();
    // Without a dot or a slash there is nothing to fold or rewrite.
    if (bPlain && (nOut != nLength || std::memcmp(pszText, pData, nLength) != 0))
        std::abort();

    delete[] pszText;
    return 0;
}
