// The resource set as it lands in the built launcher, read back from the
// program file on the sample CD.
#include "TestSupport.h"
#include "platform/GdiHandles.h"
#include "platform/String.h"
#include "platform/WinApp.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace qxtest;

namespace {

class LauncherResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hModule = m_launcherResources.Get();
        ASSERT_NE(m_hModule, nullptr) << "cannot load " << kLauncherPath;
    }

    std::vector<BYTE> Resource(LPCSTR pszType, UINT nId,
                               WORD nLang = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US))
    {
        HRSRC hRes = FindResourceExA(m_hModule, pszType, MAKEINTRESOURCEA(nId), nLang);
        if (!hRes)
            return {};
        const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(m_hModule, hRes)));
        return std::vector<BYTE>(p, p + SizeofResource(m_hModule, hRes));
    }

    ScopedLauncherResources m_launcherResources;
    HMODULE m_hModule = nullptr;
};

template <class T>
T Read(const std::vector<BYTE>& data, size_t nOffset)
{
    T value;
    memcpy(&value, data.data() + nOffset, sizeof(T));
    return value;
}

// Reads a template's sz_Or_Ord field: an ordinal (0xFFFF, id) or a UTF-16 string.
struct SzOrOrd
{
    bool bOrdinal = false;
    WORD nOrdinal = 0;
    std::string strText; // 8-bit, for ASCII names
};

SzOrOrd ReadSzOrOrd(const std::vector<BYTE>& data, size_t* pOffset)
{
    SzOrOrd result;
    WORD w = Read<WORD>(data, *pOffset);
    if (w == 0xFFFF) {
        result.bOrdinal = true;
        result.nOrdinal = Read<WORD>(data, *pOffset + 2);
        *pOffset += 4;
        return result;
    }
    for (;;) {
        w = Read<WORD>(data, *pOffset);
        *pOffset += 2;
        if (w == 0)
            break;
        result.strText += static_cast<char>(w);
    }
    return result;
}

void AlignDword(size_t* pOffset)
{
    *pOffset = (*pOffset + 3) & ~static_cast<size_t>(3);
}

// The ordinals that stand for the predefined control classes in a template.
const WORD kButtonOrdinal = 0x0080;
const WORD kStaticOrdinal = 0x0082;

// Dialog 102's controls in template order: the frame over the picture,
// created hidden, and the four push buttons.
const struct
{
    WORD nId;
    WORD nClass;
    const char* pszClass;
    const char* pszText;
    short x, y, cx, cy;
    DWORD dwStyle;
} kLauncherControls[] = {
    {IDC_BACKDROP_FRAME, kStaticOrdinal, "Static", "", 0, 0, 399, 246, WS_CHILD | WS_GROUP | SS_LEFT},
    {IDOK, kButtonOrdinal, "Button", "Install or Play", 145, 225, 56, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {IDC_CONFIGURE, kButtonOrdinal, "Button", "&Configure", 210, 225, 56, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {IDC_VIEW_README, kButtonOrdinal, "Button", "&View Readme", 275, 225, 56, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {IDCANCEL, kButtonOrdinal, "Button", "&Quit", 340, 225, 56, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
};

} // namespace

TEST_F(LauncherResources, StringTableHoldsExactlyTheNineTexts)
{
    static const struct
    {
        UINT nId;
        const char* pszText;
    } kStrings[] = {
        {IDS_PLAY, "&Play"},
        {IDS_INSTALL, "&Install"},
        {IDS_CMD_VIEW_README, "notepad.exe $s\\.\\readme.txt"},
        {IDS_CMD_INSTALL, "$s\\instdata\\runcheck.bat $s\\qxinst.pif $s\\qxchk.pif"},
        {IDS_CMD_PLAY, "$s\\instdata\\gostart.bat $I $i qx.pif"},
        {IDS_CMD_UNUSED, "<none>"},
        {IDS_CMD_CONFIGURE, "$s\\instdata\\gostart.bat $I $i qxconfig.pif"},
        {IDS_MARKER_FILE, "c:\\qxinst.cfg"},
        {IDS_CONFIRM_DOS_MODE, "Orvane does not support Windows 95 natively.\n"
                               "We will now close all programs and attempt to run under MS-DOS mode."},
    };
    for (const auto& row : kStrings) {
        CString str;
        EXPECT_TRUE(str.LoadString(row.nId)) << "string " << row.nId;
        EXPECT_STREQ(str, row.pszText) << "string " << row.nId;
    }
    for (UINT nId : {0u, 10u, 11u, 12u, 13u, 14u, 15u, 16u, 57344u}) {
        CString str;
        EXPECT_FALSE(str.LoadString(nId)) << "string " << nId << " should not exist";
    }
    // One string block, and nothing else of type string.
    EXPECT_FALSE(Resource(RT_STRING, 1).empty());
    EXPECT_EQ(FindResourceA(m_hModule, MAKEINTRESOURCEA(57344 / 16 + 1), RT_STRING), nullptr);
}

TEST_F(LauncherResources, DialogTemplateIsTheExtendedTemplateOfFiveControls)
{
    std::vector<BYTE> d = Resource(RT_DIALOG, IDD_LAUNCHER);
    ASSERT_GE(d.size(), 26u);
    EXPECT_EQ(Read<WORD>(d, 0), 1);      // dlgVer
    EXPECT_EQ(Read<WORD>(d, 2), 0xFFFF); // signature
    EXPECT_EQ(Read<DWORD>(d, 4), 0u);    // helpID
    EXPECT_EQ(Read<DWORD>(d, 8), static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(Read<DWORD>(d, 12),
              static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(Read<WORD>(d, 16), 5); // controls
    EXPECT_EQ(Read<short>(d, 18), 0);
    EXPECT_EQ(Read<short>(d, 20), 0);
    EXPECT_EQ(Read<short>(d, 22), 400);
    EXPECT_EQ(Read<short>(d, 24), 246);
    size_t off = 26;
    SzOrOrd menu = ReadSzOrOrd(d, &off);
    SzOrOrd wndClass = ReadSzOrOrd(d, &off);
    SzOrOrd title = ReadSzOrOrd(d, &off);
    EXPECT_TRUE(!menu.bOrdinal && menu.strText.empty());
    EXPECT_TRUE(!wndClass.bOrdinal && wndClass.strText.empty());
    EXPECT_TRUE(!title.bOrdinal && title.strText.empty());
    EXPECT_EQ(Read<WORD>(d, off), 8);     // point size
    EXPECT_EQ(Read<WORD>(d, off + 2), 0); // weight
    EXPECT_EQ(d[off + 4], 0);             // italic
    EXPECT_EQ(d[off + 5], 1);             // DEFAULT_CHARSET
    off += 6;
    EXPECT_EQ(ReadSzOrOrd(d, &off).strText, "MS Sans Serif");

    for (const auto& c : kLauncherControls) {
        SCOPED_TRACE(testing::Message() << "control " << c.nId);
        AlignDword(&off);
        ASSERT_LE(off + 24, d.size());
        EXPECT_EQ(Read<DWORD>(d, off), 0u);     // helpID
        EXPECT_EQ(Read<DWORD>(d, off + 4), 0u); // exStyle
        EXPECT_EQ(Read<DWORD>(d, off + 8), c.dwStyle);
        EXPECT_EQ(Read<short>(d, off + 12), c.x);
        EXPECT_EQ(Read<short>(d, off + 14), c.y);
        EXPECT_EQ(Read<short>(d, off + 16), c.cx);
        EXPECT_EQ(Read<short>(d, off + 18), c.cy);
        EXPECT_EQ(Read<DWORD>(d, off + 20), c.nId);
        off += 24;
        SzOrOrd cls = ReadSzOrOrd(d, &off);
        EXPECT_TRUE(cls.bOrdinal) << "class stored by name: " << cls.strText;
        EXPECT_EQ(cls.nOrdinal, c.nClass);
        SzOrOrd text = ReadSzOrOrd(d, &off);
        EXPECT_FALSE(text.bOrdinal);
        EXPECT_EQ(text.strText, c.pszText);
        EXPECT_EQ(Read<WORD>(d, off), 0); // no creation data
        off += 2;
    }
    EXPECT_LE(off, d.size());
}

TEST_F(LauncherResources, DialogCreatedFromTheTemplateHasItsControls)
{
    const auto dlg = CreateHiddenDialog(m_hModule, IDD_LAUNCHER);
    ASSERT_NE(dlg, nullptr);

    // Creation order is template order. The window styles (the high word)
    // are as the template says; the class's own bits may change at creation.
    const DWORD dwWindowStyles = 0xFFFF0000u;
    HWND hChild = GetWindow(dlg, GW_CHILD);
    for (const auto& c : kLauncherControls) {
        SCOPED_TRACE(testing::Message() << "control " << c.nId);
        ASSERT_NE(hChild, nullptr);
        EXPECT_EQ(GetDlgCtrlID(hChild), c.nId);
        EXPECT_STRCASEEQ(ClassName(hChild).c_str(), c.pszClass);
        EXPECT_EQ(WindowText(hChild), c.pszText);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hChild, GWL_STYLE)) & dwWindowStyles,
                  c.dwStyle & dwWindowStyles);
        hChild = GetWindow(hChild, GW_HWNDNEXT);
    }
    EXPECT_EQ(hChild, nullptr) << "more than five controls";

    RECT rc;
    GetClientRect(dlg, &rc);
    EXPECT_EQ(rc.right, 600);
    EXPECT_EQ(rc.bottom, 400);
}

TEST_F(LauncherResources, BackdropBitmapIsA600By400PictureOf235Colours)
{
    std::vector<BYTE> b = Resource(RT_BITMAP, IDB_BACKDROP);
    ASSERT_EQ(b.size(), 241064u);
    BITMAPINFOHEADER h;
    memcpy(&h, b.data(), sizeof(h));
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 600);
    EXPECT_EQ(h.biHeight, 400);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 240000u);
    EXPECT_EQ(h.biXPelsPerMeter, 0);
    EXPECT_EQ(h.biYPelsPerMeter, 0);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(b[40 + 4 * i + 3], 0) << "reserved byte of colour " << i;
    BYTE nMaxIndex = 0;
    for (size_t i = 40 + 1024; i < b.size(); ++i)
        nMaxIndex = std::max(nMaxIndex, b[i]);
    EXPECT_LE(nMaxIndex, 234);
    // Not a blank picture: many colours in use.
    std::vector<bool> used(256);
    for (size_t i = 40 + 1024; i < b.size(); ++i)
        used[b[i]] = true;
    EXPECT_GT(std::count(used.begin(), used.end(), true), 64);
}

TEST_F(LauncherResources, IconGroupHoldsA32And16PixelImage)
{
    std::vector<BYTE> g = Resource(RT_GROUP_ICON, IDI_LAUNCHER);
    ASSERT_EQ(g.size(), 6u + 2 * 14);
    EXPECT_EQ(Read<WORD>(g, 0), 0);
    EXPECT_EQ(Read<WORD>(g, 2), 1); // icons
    EXPECT_EQ(Read<WORD>(g, 4), 2);
    static const struct
    {
        BYTE nSize;
        DWORD nBytes;
        WORD nId;
    } kEntries[] = {{32, 744, 1}, {16, 296, 2}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << "entry " << i);
        const size_t e = 6 + 14 * i;
        EXPECT_EQ(g[e], kEntries[i].nSize);
        EXPECT_EQ(g[e + 1], kEntries[i].nSize);
        EXPECT_EQ(g[e + 2], 16); // colours
        EXPECT_EQ(g[e + 3], 0);
        EXPECT_EQ(Read<WORD>(g, e + 4), 1); // planes
        EXPECT_EQ(Read<WORD>(g, e + 6), 4); // bits per pixel
        EXPECT_EQ(Read<DWORD>(g, e + 8), kEntries[i].nBytes);
        EXPECT_EQ(Read<WORD>(g, e + 12), kEntries[i].nId);
        std::vector<BYTE> image = Resource(RT_ICON, kEntries[i].nId);
        ASSERT_EQ(image.size(), kEntries[i].nBytes);
        BITMAPINFOHEADER h;
        memcpy(&h, image.data(), sizeof(h));
        EXPECT_EQ(h.biWidth, kEntries[i].nSize);
        EXPECT_EQ(h.biHeight, 2 * kEntries[i].nSize);
        EXPECT_EQ(h.biBitCount, 4);
        const CIcon icon(CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                                  0x00030000, kEntries[i].nSize, kEntries[i].nSize, 0));
        EXPECT_NE(icon, nullptr);
    }
}

TEST_F(LauncherResources, VersionBlockNamesTheProgramInBothTables)
{
    DWORD nHandle = 0;
    DWORD nSize = GetFileVersionInfoSizeA(kLauncherPath, &nHandle);
    ASSERT_GT(nSize, 0u);
    std::vector<BYTE> info(nSize);
    ASSERT_TRUE(GetFileVersionInfoA(kLauncherPath, 0, nSize, info.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nLen = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&pFixed), &nLen));
    EXPECT_EQ(pFixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(pFixed->dwStrucVersion, 0x00010000u);
    EXPECT_EQ(pFixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(pFixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(pFixed->dwProductVersionLS, 0x00000000u);
    EXPECT_EQ(pFixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(pFixed->dwFileFlags, 0u);
    EXPECT_EQ(pFixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(pFixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(pFixed->dwFileSubtype, 0u);
    EXPECT_EQ(pFixed->dwFileDateMS, 0u);
    EXPECT_EQ(pFixed->dwFileDateLS, 0u);

    DWORD* pTranslations = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&pTranslations), &nLen));
    ASSERT_EQ(nLen, 8u);
    EXPECT_EQ(pTranslations[0], 0x04B00000u); // language 0, code page 1200
    EXPECT_EQ(pTranslations[1], 0x04B00409u); // language 0x0409, code page 1200

    static const struct
    {
        const char* pszKey;
        const char* pszNeutral;
        const char* pszEnglish;
    } kValues[] = {
        {"FileDescription", "Qxinst95", "QXINST95 MFC Application"},
        {"FileVersion", "1, 0, 0, 1", "1, 0, 0, 1"},
        {"InternalName", "Qxinst95", "QXINST95"},
        {"OriginalFilename", "Qxinst95.exe", "QXINST95.EXE"},
        {"ProductName", "Orvane Install Shell '95", "Orvane Install shell '95"},
        {"ProductVersion", "1.00", "1.00"},
    };
    auto value = [&](const char* pszTable, const char* pszKey) {
        std::string strPath = std::string("\\StringFileInfo\\") + pszTable + "\\" + pszKey;
        char* psz = nullptr;
        UINT n = 0;
        if (!VerQueryValueA(info.data(), strPath.c_str(), reinterpret_cast<void**>(&psz), &n) || !psz)
            return std::string("<missing>");
        return std::string(psz);
    };
    for (const auto& row : kValues) {
        EXPECT_EQ(value("000004b0", row.pszKey), row.pszNeutral) << row.pszKey;
        EXPECT_EQ(value("040904b0", row.pszKey), row.pszEnglish) << row.pszKey;
    }
    for (const char* pszKey : {"CompanyName", "LegalCopyright"}) {
        EXPECT_NE(value("000004b0", pszKey), "<missing>") << pszKey;
        EXPECT_EQ(value("000004b0", pszKey), value("040904b0", pszKey)) << pszKey;
    }
}

namespace {

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD nLang, LONG_PTR lParam)
{
    reinterpret_cast<std::vector<WORD>*>(lParam)->push_back(nLang);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE hModule, LPCSTR pszType, LPSTR pszName, LONG_PTR lParam)
{
    auto* pNames = reinterpret_cast<std::vector<std::string>*>(lParam);
    std::string strName =
        IS_INTRESOURCE(pszName) ? std::to_string(reinterpret_cast<UINT_PTR>(pszName)) : pszName;
    std::vector<WORD> langs;
    EnumResourceLanguagesA(hModule, pszType, pszName, CollectLanguage, reinterpret_cast<LONG_PTR>(&langs));
    for (WORD nLang : langs)
        pNames->push_back(strName + "/" + std::to_string(nLang));
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE hModule, LPSTR pszType, LONG_PTR lParam)
{
    auto* pAll = reinterpret_cast<std::vector<std::string>*>(lParam);
    std::string strType =
        IS_INTRESOURCE(pszType) ? std::to_string(reinterpret_cast<UINT_PTR>(pszType)) : pszType;
    std::vector<std::string> names;
    EnumResourceNamesA(hModule, pszType, CollectName, reinterpret_cast<LONG_PTR>(&names));
    for (const std::string& strName : names)
        pAll->push_back(strType + ":" + strName);
    return TRUE;
}

} // namespace

TEST_F(LauncherResources, ProgramCarriesExactlyTheResourceSetInUsEnglish)
{
    std::vector<std::string> all;
    EnumResourceTypesA(m_hModule, CollectType, reinterpret_cast<LONG_PTR>(&all));
    std::sort(all.begin(), all.end());
    // type:name/language — bitmap 2, icon 3, dialog 5, string 6, group icon 14, version 16
    std::vector<std::string> expected = {"14:128/1033", "16:1/1033",  "2:130/1033", "3:1/1033",
                                         "3:2/1033",    "5:102/1033", "6:1/1033"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(all, expected);
}
