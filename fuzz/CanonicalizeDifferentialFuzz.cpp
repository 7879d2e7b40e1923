// The canonicaliser against its reference version (tests/native): for any
// text, both leave every byte of the buffer the same and give the same
// result.
#include "commands/CanonicalizeCommandPath.h"
#include "tests/common/CanonicalizeCommandPathReference.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // The text ends at the first zero byte; each copy has exactly its size,
    // so AddressSanitizer sees any access past it.
    const void* pvZero = std::memchr(pData, 0, nSize);
    const size_t nLength =
        pvZero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(pvZero) - pData) : nSize;
    char* const pszText = new char[nLength + 1];
    char* const pszExpected = new char[nLength + 1];
    std::memcpy(pszText, pData, nLength);
    pszText[nLength] = '\0';
    std::memcpy(pszExpected, pszText, nLength + 1);

    const int nResult = CanonicalizeCommandPath(pszText);
    const int nExpected = CanonicalizeCommandPathReference(pszExpected);
    if (nResult != nExpected || std::memcmp(pszText, pszExpected, nLength + 1) != 0)
        std::abort();

    delete[] pszExpected;
    delete[] pszText;
    return 0;
}
