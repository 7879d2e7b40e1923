// Static message maps. Each class that handles messages has a constant table
// of entries {message, notification code, control id, thunk}; the thunk is a
// function template instantiated for the handler, so the handler is called
// with typed arguments and a handler of the wrong shape does not compile.
// Lookup goes through the class's map, then its base's, and so on.
#pragma once

#include <windows.h>

#include <type_traits>

class CCmdTarget;

typedef LRESULT (*AFX_PMSG)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;
    UINT nCode;   // notification code, for WM_COMMAND
    UINT nID;     // control or command id, for WM_COMMAND
    AFX_PMSG pfn; // null ends the table
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Finds the entry for a message (and, for WM_COMMAND, its code and id) in a
// map or one of its bases; null when none handles it.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* pMap, UINT nMessage, UINT nCode, UINT nID);

namespace afx {

template <class Pmf>
struct HandlerClass;
template <class C, class R, class... A>
struct HandlerClass<R (C::*)(A...)>
{
    typedef C type;
};

template <auto pmf>
using HandlerOwner = typename HandlerClass<decltype(pmf)>::type;

template <class T, auto pmf>
constexpr void CheckHandler()
{
    static_assert(std::is_base_of<HandlerOwner<pmf>, T>::value,
                  "message handler does not belong to this class or a base");
}

// Commands and WM_PAINT: handlers without arguments or result.
template <class T, auto pmf>
LRESULT VoidThunk(CCmdTarget* p, WPARAM, LPARAM)
{
    static_assert(std::is_same<decltype(pmf), void (HandlerOwner<pmf>::*)()>::value,
                  "command and paint handlers are void f()");
    CheckHandler<T, pmf>();
    (static_cast<T*>(p)->*pmf)();
    return 0;
}

template <class T, auto pmf>
LRESULT QueryDragIconThunk(CCmdTarget* p, WPARAM, LPARAM)
{
    static_assert(std::is_same<decltype(pmf), HCURSOR (HandlerOwner<pmf>::*)()>::value,
                  "OnQueryDragIcon is HCURSOR OnQueryDragIcon()");
    CheckHandler<T, pmf>();
    return reinterpret_cast<LRESULT>((static_cast<T*>(p)->*pmf)());
}

template <class T, auto pmf>
LRESULT QueryNewPaletteThunk(CCmdTarget* p, WPARAM, LPARAM)
{
    static_assert(std::is_same<decltype(pmf), BOOL (HandlerOwner<pmf>::*)()>::value,
                  "OnQueryNewPalette is BOOL OnQueryNewPalette()");
    CheckHandler<T, pmf>();
    return (static_cast<T*>(p)->*pmf)();
}

} // namespace afx

#define DECLARE_MESSAGE_MAP()                                                                                \
protected:                                                                                                   \
    static const AFX_MSGMAP* GetThisMessageMap();                                                            \
                                                                                                             \
public:                                                                                                      \
    virtual const AFX_MSGMAP* GetMessageMap() const;

// The two macros open and close one function and its table between them,
// which clang-format cannot follow (it would break the table's last entry
// apart): it leaves them as written.
// clang-format off
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                 \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                          \
    {                                                                                          \
        return GetThisMessageMap();                                                            \
    }                                                                                          \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                            \
    {                                                                                          \
        using ThisClass [[maybe_unused]] = theClass;                                           \
        typedef baseClass TheBaseClass;                                                        \
        static constexpr AFX_MSGMAP_ENTRY s_entries[] = {

#define END_MESSAGE_MAP()                                                                      \
            {0, 0, 0, nullptr}                                                                 \
        };                                                                                     \
        static constexpr AFX_MSGMAP s_map = {&TheBaseClass::GetThisMessageMap, &s_entries[0]}; \
        return &s_map;                                                                         \
    }
// clang-format on

// NOLINTNEXTLINE(bugprone-macro-parentheses): &(C::f) would be no pointer to member
#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, (id), &afx::VoidThunk<ThisClass, &memberFxn>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &afx::VoidThunk<ThisClass, &ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON()                                                                                \
    {WM_QUERYDRAGICON, 0, 0, &afx::QueryDragIconThunk<ThisClass, &ThisClass::OnQueryDragIcon>},
#define ON_WM_QUERYNEWPALETTE()                                                                              \
    {WM_QUERYNEWPALETTE, 0, 0, &afx::QueryNewPaletteThunk<ThisClass, &ThisClass::OnQueryNewPalette>},
