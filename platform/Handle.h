// One owner template for every kind of handle that goes back to the system.
// A kind names the handle type, says when a handle is held, frees it, and
// keeps whatever else freeing takes (the window of ReleaseDC, the device
// context that a selection is undone in). The owning form moves but never
// copies, and frees what it holds exactly once: when it goes, or when another
// owner is moved into it. The borrowing form (t_bOwned false) is the same
// handle handed on: copied freely, never freed. The type says which it is.
#pragma once

namespace afx {

// What most kinds share: a null handle is the one that is not held.
template <class H>
struct HandleKind
{
    typedef H Handle;
    static bool IsHeld(H h) { return h != nullptr; }
};

// An owner moves but never copies; a borrowed handle copies freely.
template <bool t_bOwned>
struct HandleCopying
{
};

template <>
struct HandleCopying<true>
{
    HandleCopying() = default;
    HandleCopying(const HandleCopying&) = delete;
    HandleCopying& operator=(const HandleCopying&) = delete;
    HandleCopying(HandleCopying&&) = default;
    HandleCopying& operator=(HandleCopying&&) = default;
};

} // namespace afx

template <class Kind, bool t_bOwned = true>
class CHandleT : private afx::HandleCopying<t_bOwned>
{
public:
    typedef typename Kind::Handle Handle;

    CHandleT() = default;
    explicit CHandleT(Handle h, const Kind& kind = Kind()) : m_h(h), m_kind(kind) {}
    // Deleted for an owner, through its base.
    CHandleT(const CHandleT&) = default;
    CHandleT& operator=(const CHandleT&) = default;
    CHandleT(CHandleT&& other) noexcept : m_h(other.m_h), m_kind(other.m_kind) { other.Forget(); }
    CHandleT& operator=(CHandleT&& other) noexcept
    {
        if (this != &other) {
            Free();
            m_h = other.m_h;
            m_kind = other.m_kind;
            other.Forget();
        }
        return *this;
    }
    ~CHandleT() { Free(); }

    // The plain handle, for the system's calls; an owner keeps owning it.
    // NOLINTNEXTLINE(google-explicit-constructor): passed as the handle, as the framework's own classes are
    operator Handle() const { return m_h; }

protected:
    Handle m_h = Handle();
    Kind m_kind;

private:
    void Free()
    {
        if constexpr (t_bOwned) {
            if (m_kind.IsHeld(m_h))
                m_kind.Free(m_h);
        }
        Forget();
    }
    void Forget()
    {
        m_h = Handle();
        m_kind = Kind();
    }
};
