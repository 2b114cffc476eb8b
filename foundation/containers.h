// The program's own containers.
//
// CTList<T> is the list that records shared between threads live in (links,
// project window queues, editor lines, drive parameter sets, INI entries,
// XML attributes). It owns a heap copy of every element; callers hold plain
// element pointers, valid until the element is removed. Every operation
// takes the list's own recursive lock with a time-out (10 000 ms unless set
// otherwise); when the lock cannot be had the operation changes nothing,
// logs the time-out and returns its failure value (null, 0, -1, or true
// for IsEmpty). Each call stands alone: a caller that walks a list with
// GetHead and GetNext holds no lock between the calls.
//
// CTStack<T> is a stack on a CTList, CTRange<T> an inclusive range,
// CTRangeList<R> a list of ranges and CExtendedStringList a string list that
// sorts with a caller's comparison.
//
// This header includes no Win32 header.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <iterator>
#include <list>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "framework/collections.h"
#include "framework/types.h"

// The lock time-out of a CTList unless changed.
const DWORD CTLIST_LOCK_TIMEOUT_MS = 10000;

// The lock time-out new lists start with (CTLIST_LOCK_TIMEOUT_MS unless a
// test shortens it); returns the one set before.
DWORD SetDefaultListLockTimeout(DWORD timeoutMs);
DWORD GetDefaultListLockTimeout();

// Writes the line that reports a list lock time-out to the program log.
void LogListLockTimeout(DWORD timeoutMs);

template <class T> class CTList : public CObject {
public:
    CTList() = default;
    ~CTList() override { RemoveAll(); }
    CTList(const CTList&) = delete;
    CTList& operator=(const CTList&) = delete;

    // How long every operation waits for the list's lock; 0xFFFFFFFF waits
    // without limit.
    void SetLockTimeout(DWORD timeoutMs) { m_timeoutMs.store(timeoutMs); }
    DWORD GetLockTimeout() const { return m_timeoutMs.load(); }

    // Destroys the first element; returns the new first element (null when
    // the list is empty now, or on a lock time-out).
    virtual T* RemoveHead()
    {
        Guard guard(*this);
        if (!guard)
            return nullptr;
        if (!m_items.empty())
            Erase(m_items.begin());
        return m_items.empty() ? nullptr : m_items.front().get();
    }

    // Destroys the last element; returns the new last element.
    virtual T* RemoveTail()
    {
        Guard guard(*this);
        if (!guard)
            return nullptr;
        if (!m_items.empty())
            Erase(std::prev(m_items.end()));
        return m_items.empty() ? nullptr : m_items.back().get();
    }

    // Destroys the element p when it belongs to this list. Returns the
    // element that followed it (null when p was last, absent or null) and
    // stores the same value in p, also on a lock time-out (null then).
    virtual T* Remove(T*& element)
    {
        Guard guard(*this);
        if (!guard) {
            element = nullptr;
            return nullptr;
        }
        T* next = nullptr;
        auto found = m_index.find(element);
        if (element && found != m_index.end()) {
            auto after = std::next(found->second);
            next = after == m_items.end() ? nullptr : after->get();
            Erase(found->second);
        }
        element = next;
        return next;
    }

    // Inserts a copy of *value (a default element when value is null)
    // before the element before; with a null before it appends. Returns the
    // new element, or null when before is not in this list.
    virtual T* InsertBefore(const T* value, T* before)
    {
        Guard guard(*this);
        if (!guard)
            return nullptr;
        if (!before)
            return AddTail(value);
        auto found = m_index.find(before);
        if (found == m_index.end())
            return nullptr;
        return Insert(found->second, value);
    }

    // Appends a copy of every element of other, walking it from its head
    // with both lists locked. Returns the last element appended, or null
    // when none was (also when either lock timed out). A list appended to
    // itself gets one copy of each element it held before.
    virtual T* Append(const CTList& other)
    {
        PairGuard guard(*this, other);
        if (!guard)
            return nullptr;
        T* last = nullptr;
        if (&other == this) {
            INT_PTR count = static_cast<INT_PTR>(m_items.size());
            auto it = m_items.begin();
            for (; count > 0; --count, ++it) {
                T* added = Insert(m_items.end(), it->get());
                if (!added)
                    break;
                last = added;
            }
            return last;
        }
        // The source stays locked while it is copied, so no element of it
        // can go while it is read.
        for (const auto& item : other.m_items) {
            T* added = Insert(m_items.end(), item.get());
            if (!added)
                break;
            last = added;
        }
        return last;
    }

    // Appends a copy of *value (a default element when value is null).
    // Returns the new element; null on failure.
    virtual T* AddTail(const T* value = nullptr)
    {
        Guard guard(*this);
        if (!guard)
            return nullptr;
        return Insert(m_items.end(), value);
    }
    T* AddTail(const T& value) { return AddTail(&value); }

    // True also when the lock could not be had.
    BOOL IsEmpty() const
    {
        Guard guard(*this);
        return !guard || m_items.empty();
    }

    INT_PTR GetCount() const
    {
        Guard guard(*this);
        return guard ? static_cast<INT_PTR>(m_items.size()) : 0;
    }

    T* GetHead() const
    {
        Guard guard(*this);
        return (guard && !m_items.empty()) ? m_items.front().get() : nullptr;
    }

    T* GetTail() const
    {
        Guard guard(*this);
        return (guard && !m_items.empty()) ? m_items.back().get() : nullptr;
    }

    // The element at a zero-based index; null when out of range.
    T* GetAt(INT_PTR index) const
    {
        Guard guard(*this);
        if (!guard || index < 0 || index >= static_cast<INT_PTR>(m_items.size()))
            return nullptr;
        auto it = m_items.begin();
        std::advance(it, index);
        return it->get();
    }

    // The element after (before) the given one; null when it is null,
    // absent or last (first).
    T* GetNext(const T* element) const
    {
        Guard guard(*this);
        if (!guard)
            return nullptr;
        auto found = m_index.find(element);
        if (!element || found == m_index.end())
            return nullptr;
        auto after = std::next(found->second);
        return after == m_items.end() ? nullptr : after->get();
    }

    T* GetPrevious(const T* element) const
    {
        Guard guard(*this);
        if (!guard)
            return nullptr;
        auto found = m_index.find(element);
        if (!element || found == m_index.end() || found->second == m_items.begin())
            return nullptr;
        return std::prev(found->second)->get();
    }

    // Zero-based index of the element (compared by address); -1 when absent.
    INT_PTR FindIndex(const T* element) const
    {
        Guard guard(*this);
        if (!guard || !element || !m_index.count(element))
            return -1;
        INT_PTR index = 0;
        for (const auto& item : m_items) {
            if (item.get() == element)
                return index;
            ++index;
        }
        return -1;
    }

    // Removes the element at an index through Remove; returns the element
    // that followed it, null when the index is out of range.
    T* RemoveAt(INT_PTR index)
    {
        Guard guard(*this);
        if (!guard)
            return nullptr;
        T* element = GetAt(index);
        if (!element)
            return nullptr;
        return Remove(element);
    }

    // Removes elements from the head until the list is empty (or its lock
    // times out).
    void RemoveAll()
    {
        while (!IsEmpty())
            RemoveHead();
    }

    // Replaces the contents with copies of other's elements, in order, with
    // both lists locked; nothing changes when either lock times out.
    CTList& Copy(const CTList& other)
    {
        if (&other == this)
            return *this;
        PairGuard guard(*this, other);
        if (!guard)
            return *this;
        RemoveAll();
        for (const auto& item : other.m_items) {
            if (!Insert(m_items.end(), item.get()))
                break;
        }
        return *this;
    }

    // Sorts in place so that compare(x, y) >= 0 for every neighbouring pair
    // (x before y): a comparison that returns a - b gives descending order.
    // Elements that compare equal keep their order; elements stay the same
    // objects, only their places change. compare is called as
    // compare(const T&, const T&) with the list locked.
    template <class Compare> BOOL Sort(Compare compare)
    {
        Guard guard(*this);
        if (!guard)
            return FALSE;
        m_items.sort([&](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) {
            return compare(static_cast<const T&>(*b), static_cast<const T&>(*a)) < 0;
        });
        return TRUE;
    }

    // Calls visit(const T&) for every element in order with the list locked
    // for the whole walk, so the walk sees one state of the list. FALSE,
    // with nothing visited, when the lock timed out.
    template <class Visit> BOOL ForEach(Visit visit) const
    {
        Guard guard(*this);
        if (!guard)
            return FALSE;
        for (const auto& item : m_items)
            visit(static_cast<const T&>(*item));
        return TRUE;
    }

private:
    using Items = std::list<std::unique_ptr<T>>;

    // Takes the list's lock for one operation; false when it timed out.
    class Guard {
    public:
        // With attempt false nothing is locked (and the guard is false).
        explicit Guard(const CTList& list, bool attempt = true) : m_list(list)
        {
            if (!attempt)
                return;
            const DWORD timeoutMs = list.m_timeoutMs.load();
            if (timeoutMs == 0xFFFFFFFF) {
                list.m_lock.lock();
                m_locked = true;
            } else {
                m_locked = list.m_lock.try_lock_for(std::chrono::milliseconds(timeoutMs));
                if (!m_locked)
                    LogListLockTimeout(timeoutMs);
            }
        }
        ~Guard()
        {
            if (m_locked)
                m_list.m_lock.unlock();
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        explicit operator bool() const { return m_locked; }

    private:
        const CTList& m_list;
        bool m_locked = false;
    };

    // Takes the locks of two lists, always in the same order (by address),
    // so that two threads copying between the same lists in opposite
    // directions cannot deadlock. False when either timed out.
    class PairGuard {
    public:
        PairGuard(const CTList& a, const CTList& b)
            : m_first(Before(a, b) ? a : b), m_second(Before(a, b) ? b : a, static_cast<bool>(m_first))
        {
        }
        explicit operator bool() const { return m_first && m_second; }

    private:
        static bool Before(const CTList& a, const CTList& b) { return std::less<const CTList*>()(&a, &b); }

        Guard m_first;
        Guard m_second;
    };

    // A new element (copy of *value, or default) placed before where;
    // null when memory runs out.
    T* Insert(typename Items::iterator where, const T* value)
    {
        try {
            auto element = std::make_unique<T>();
            if (value)
                *element = *value;
            T* raw = element.get();
            auto it = m_items.insert(where, std::move(element));
            try {
                m_index.emplace(raw, it);
            } catch (const std::bad_alloc&) {
                m_items.erase(it);
                return nullptr;
            }
            return raw;
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

    void Erase(typename Items::iterator it)
    {
        m_index.erase(it->get());
        m_items.erase(it);
    }

    Items m_items;
    // Element address to its place, so that walking and removing by
    // element do not search the list.
    std::unordered_map<const T*, typename Items::iterator> m_index;
    mutable std::recursive_timed_mutex m_lock;
    std::atomic<DWORD> m_timeoutMs{GetDefaultListLockTimeout()};
};

// A stack on a CTList: the tail is the top.
template <class T> class CTStack {
public:
    virtual ~CTStack() = default;

    void Push(const T& value)
    {
        if (T* top = m_list.AddTail(static_cast<const T*>(nullptr)))
            *top = value;
    }
    // Copies the top into out; false when the stack is empty.
    BOOL Top(T& out) const
    {
        T* top = m_list.GetTail();
        if (!top)
            return FALSE;
        out = *top;
        return TRUE;
    }
    // Copies the top into out and removes it; false when the stack is empty.
    BOOL Pop(T& out)
    {
        T* top = m_list.GetTail();
        if (!top)
            return FALSE;
        out = *top;
        m_list.Remove(top);
        return TRUE;
    }
    INT_PTR GetCount() const { return m_list.GetCount(); }

private:
    CTList<T> m_list;
};

// An inclusive range of numbers; both bounds are 0 after construction.
template <class T> class CTRange {
public:
    CTRange() = default;
    CTRange(T low, T high) : m_low(low), m_high(high) {}
    CTRange(const CTRange&) = default;
    virtual ~CTRange() = default;
    CTRange& operator=(const CTRange&) = default;

    void Set(T low, T high)
    {
        m_low = low;
        m_high = high;
    }
    void Clear() { m_low = m_high = T(); }
    T GetLow() const { return m_low; }
    T GetHigh() const { return m_high; }

    // True when value lies between the bounds, both included.
    bool Contains(T value) const { return value >= m_low && value <= m_high; }

    // Bounds are compared as values of T, so a bound that is not a number
    // always counts as different.
    bool operator!=(const CTRange& other) const { return m_low != other.m_low || m_high != other.m_high; }
    bool operator==(const CTRange& other) const { return !(*this != other); }

    T m_low = T();
    T m_high = T();
};

// A list of ranges. The operations on the ranges belong to the code that
// holds the list; this class gives it a run-time class of its own.
template <class R> class CTRangeList : public CTList<R> {
public:
    static CRuntimeClass classCTRangeList;
    static CRuntimeClass* _GetBaseClass() { return RUNTIME_CLASS(CObject); }
    CRuntimeClass* GetRuntimeClass() const override { return &classCTRangeList; }
};

template <class R>
CRuntimeClass CTRangeList<R>::classCTRangeList = {"CTRangeList", sizeof(CTRangeList<R>), nullptr,
                                                  &CTRangeList<R>::_GetBaseClass, nullptr};

// A string list that sorts with the caller's comparison.
class CExtendedStringList : public CStringList {
    DECLARE_DYNAMIC(CExtendedStringList)
public:
    // Sorts so that compare(later, earlier) >= 0 for every pair; strings
    // that compare equal keep their order. compare is called as
    // compare(const CString&, const CString&).
    template <class Compare> void Sort(Compare compare)
    {
        std::vector<CString> items;
        items.reserve(static_cast<std::size_t>(GetCount()));
        for (POSITION pos = GetHeadPosition(); pos;)
            items.push_back(GetNext(pos));
        std::stable_sort(items.begin(), items.end(),
                         [&](const CString& a, const CString& b) { return compare(a, b) < 0; });
        POSITION pos = GetHeadPosition();
        for (const CString& item : items)
            GetNext(pos) = item;
    }
};
