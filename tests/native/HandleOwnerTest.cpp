// The one owner template, with kinds that record what they free: an owner
// frees what it holds exactly once, whoever holds it last, and a borrowed
// handle never frees anything.
#include "platform/Handle.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

namespace {

std::vector<std::string> g_freed;

// The handle is the name of what it stands for; the context is what a
// release needs besides the handle, like the window of ReleaseDC.
struct NamedKind : afx::HandleKind<const char*>
{
    NamedKind() = default;
    explicit NamedKind(const char* pszContext) : m_pszContext(pszContext) {}
    void Free(const char* pszName) const { g_freed.push_back(std::string(pszName) + "@" + m_pszContext); }
    const char* m_pszContext = "";
};

// A kind with a failure value besides null, like a selection's HGDI_ERROR.
struct ErrorValueKind : afx::HandleKind<const char*>
{
    static bool IsHeld(const char* pszName) { return pszName != nullptr && std::string(pszName) != "error"; }
    static void Free(const char* pszName) { g_freed.push_back(pszName); }
};

typedef CHandleT<NamedKind> COwner;
typedef CHandleT<NamedKind, false> CBorrowed;

static_assert(!std::is_copy_constructible<COwner>::value && !std::is_copy_assignable<COwner>::value,
              "an owner is never copied");
static_assert(std::is_nothrow_move_constructible<COwner>::value &&
                  std::is_nothrow_move_assignable<COwner>::value,
              "an owner moves");
static_assert(std::is_copy_constructible<CBorrowed>::value && std::is_copy_assignable<CBorrowed>::value,
              "a borrowed handle copies");

class HandleOwner : public ::testing::Test
{
protected:
    void SetUp() override { g_freed.clear(); }
};

} // namespace

TEST_F(HandleOwner, FreesOnceWithItsContextWhenItGoes)
{
    {
        const COwner owner("a", NamedKind("window"));
        EXPECT_STREQ(owner, "a");
        EXPECT_TRUE(g_freed.empty());
    }
    EXPECT_EQ(g_freed, std::vector<std::string>{"a@window"});
}

TEST_F(HandleOwner, MovedOwnerFreesOnlyInItsLastHolder)
{
    {
        COwner first("a", NamedKind("dc"));
        COwner second(std::move(first));
        // NOLINTNEXTLINE(bugprone-use-after-move): what a move leaves behind is the point
        EXPECT_EQ(static_cast<const char*>(first), nullptr);
        COwner third;
        third = std::move(second);
        EXPECT_TRUE(g_freed.empty());
        EXPECT_STREQ(third, "a");
    }
    EXPECT_EQ(g_freed, std::vector<std::string>{"a@dc"});
}

TEST_F(HandleOwner, MovingInFreesWhatWasHeldFirst)
{
    {
        COwner owner("old", NamedKind("x"));
        owner = COwner("new", NamedKind("y"));
        EXPECT_EQ(g_freed, std::vector<std::string>{"old@x"});
        COwner& self = owner;
        owner = std::move(self);
        EXPECT_EQ(g_freed.size(), 1u) << "moving into itself frees nothing";
    }
    EXPECT_EQ(g_freed, (std::vector<std::string>{"old@x", "new@y"}));
}

TEST_F(HandleOwner, NothingHeldIsNeverFreed)
{
    {
        const COwner empty;
        const COwner null(nullptr);
        const CHandleT<ErrorValueKind> failed("error");
        const CHandleT<ErrorValueKind> held("held");
    }
    EXPECT_EQ(g_freed, std::vector<std::string>{"held"});
}

TEST_F(HandleOwner, BorrowedHandleNeverFrees)
{
    {
        const COwner owner("a", NamedKind("shared"));
        CBorrowed borrowed(owner, NamedKind("shared"));
        const CBorrowed copy = borrowed;
        borrowed = CBorrowed("b");
        EXPECT_STREQ(copy, "a");
        EXPECT_STREQ(borrowed, "b");
    }
    EXPECT_EQ(g_freed, std::vector<std::string>{"a@shared"}) << "only the owner frees";
}
