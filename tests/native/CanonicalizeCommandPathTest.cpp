#include "commands/CanonicalizeCommandPath.h"
#include "tests/common/CanonicalizeCommandPathReference.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct CanonicalizeRow
{
    const char* pszInput;
    const char* pszOutput;
    int nResult;
};

const CanonicalizeRow kRows[] = {
    // Folding
    {"a\\.\\b", "a\\b", 1},
    {"a\\b\\..\\c", "a\\c", 1},
    {"a\\..\\b", "b", 1},
    {"a\\b\\c\\..\\..\\d", "a\\d", 1},
    {"C:\\a\\b\\..\\..\\c", "C:\\c", 1},
    {"C:a\\..\\b", "C:b", 1},
    {"C:.\\x", "C:x", 1},
    {".\\a", "a", 1},
    {".\\.\\", ".\\", 1},
    {"a\\.\\.\\b", "a\\b", 1},
    // A ".." that cannot climb stays and protects what is before it
    {"..\\a\\..\\b", "..\\b", 1},
    {"a\\..\\..\\x", "..\\x", 1},
    {"a\\b\\..\\..\\..\\c", "..\\c", 1},
    {"..\\..\\x", "..\\..\\x", 1},
    {"c:..\\x", "c:..\\x", 1},
    {"\\..\\x", "\\..\\x", 0},
    {"C:\\a\\..\\..\\b", "C:\\..\\b", 0},
    // Server prefix
    {"\\\\srv\\a\\..\\b", "\\\\srv\\b", 1},
    {"\\\\srv\\share\\..\\..\\x", "\\\\srv\\..\\x", 0},
    {"\\\\srv", "\\\\srv", 1},
    {"\\\\srv.\\x", "\\\\srv.\\x", 1},
    {"\\\\srv..\\x", "\\\\srv..\\x", 1},
    {"\\\\s/v\\x", "\\\\s/v\\x", 1},
    {"//srv/x", "\\\\srv\\x", 1},
    // Slashes
    {"x/y", "x\\y", 1},
    {"a//b", "a\\\\b", 1},
    {"a\\b/..\\c", "a\\c", 1},
    // The end of the text
    {"a\\.", "a\\.", 1},
    {"a\\..", "a\\..", 1},
    {"a\\", "a\\", 1},
    {"a\\b\\..\\", "a\\", 1},
    {"a\\..\\", ".\\", 1},
    {"C:a\\..\\", "C:.\\", 1},
    {"a/../", "", 1},
    // Dots that belong to a name
    {"a\\...\\b", "a\\...\\b", 1},
    {"a\\b.\\c", "a\\b.\\c", 1},
    {"a\\b..\\c", "a\\b..\\c", 1},
    // Validity: a drive that is no letter, and each forbidden character
    {"1:\\x", "1:\\x", 0},
    {"a\"b", "a\"b", 0},
    {"x\\*.txt", "x\\*.txt", 0},
    {"a<b", "a<b", 0},
    {"a>b", "a>b", 0},
    {"x\\?.txt", "x\\?.txt", 0},
    {"a|b", "a|b", 0},
    {"a\\.\\b*", "a\\b*", 0}, // an invalid text is folded all the same
    {"C:", "C:", 1},
    {"1:", "1:", 0},
    {"\xE9:\\x", "\xE9:\\x", 0},
    {"x\xA9\xFF\\.\\y\x80", "x\xA9\xFF\\y\x80", 1},
    {"", "", 1},
    // Whole command lines
    {"notepad.exe D:\\.\\readme.txt", "notepad.exe D:\\readme.txt", 1},
    {"notepad.exe d:.\\readme.txt", "notepad.exe d:readme.txt", 1},
    {"run.bat ..\\b", "run.bat ..\\b", 1},
    {"run.bat a\\..\\b", "b", 1},
    {"run.bat x:..\\b", "b", 1},
    {"D:\\instdata\\gostart.bat C C:..\\ORVANE qx.pif", "D:\\instdata\\ORVANE qx.pif", 1},
    {"<none>", "<none>", 0},
};

TEST(CanonicalizeCommandPath, Table)
{
    for (size_t nRow = 0; nRow < sizeof(kRows) / sizeof(kRows[0]); ++nRow) {
        const CanonicalizeRow& row = kRows[nRow];
        SCOPED_TRACE("row " + std::to_string(nRow) + ": \"" + row.pszInput + "\"");
        // Exactly the input's size, so that any write past it is caught.
        std::vector<char> text(row.pszInput, row.pszInput + std::strlen(row.pszInput) + 1);
        const int nResult = CanonicalizeCommandPath(text.data());
        EXPECT_STREQ(row.pszOutput, text.data());
        EXPECT_EQ(row.nResult, nResult);
    }
}

TEST(CanonicalizeCommandPath, NullIsInvalid)
{
    EXPECT_EQ(0, CanonicalizeCommandPath(nullptr));
}

// Calls check with every text of up to nMaxLength characters over the
// alphabet; stops at the first text that fails a check.
template <class Check>
void ForEveryText(const std::string& alphabet, size_t nMaxLength, Check check)
{
    std::vector<size_t> digits;
    for (size_t nLength = 0; nLength <= nMaxLength; ++nLength) {
        digits.assign(nLength, 0);
        for (;;) {
            std::string input;
            for (size_t nDigit : digits)
                input += alphabet[nDigit];
            check(input);
            if (::testing::Test::HasFatalFailure())
                return;

            size_t nDigit = 0;
            while (nDigit < nLength && ++digits[nDigit] == alphabet.size())
                digits[nDigit++] = 0;
            if (nDigit == nLength)
                break;
        }
    }
}

// Every text of up to seven characters over an alphabet that reaches every
// rule: the result is never longer than the input, and a text without '.' or
// '/' is left exactly as it was.
TEST(CanonicalizeCommandPath, NeverLengthensAndFoldsOnlyDotsAndSlashes)
{
    ForEveryText(std::string("a.\\/:*\xE9", 7), 7, [](const std::string& input) {
        std::vector<char> text(input.c_str(), input.c_str() + input.size() + 1);
        const int nResult = CanonicalizeCommandPath(text.data());
        ASSERT_TRUE(nResult == 0 || nResult == 1) << "input \"" << input << "\"";
        ASSERT_LE(std::strlen(text.data()), input.size()) << "input \"" << input << "\"";
        if (input.find_first_of("./") == std::string::npos) {
            ASSERT_EQ(input, text.data());
        }
    });
}

// Every text of up to seven characters over an alphabet that reaches every
// rule comes out as the reference version leaves it, with the same result:
// every byte of the buffer, the ones after the new terminator included.
TEST(CanonicalizeCommandPath, MatchesTheReferenceVersion)
{
    ForEveryText("a.\\/:|", 7, [](const std::string& input) {
        std::vector<char> text(input.c_str(), input.c_str() + input.size() + 1);
        std::vector<char> expected = text;
        const int nResult = CanonicalizeCommandPath(text.data());
        const int nExpected = CanonicalizeCommandPathReference(expected.data());
        ASSERT_EQ(nExpected, nResult) << "input \"" << input << "\"";
        ASSERT_EQ(expected, text) << "input \"" << input << "\"";
    });
}

} // namespace
