// The collection classes: doubly linked lists addressed by POSITION, growable
// arrays and hash maps, with the familiar member sets. POSITION values stay
// valid until their element is removed.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/cstring.h"
#include "framework/object.h"

// ---------------------------------------------------------------- lists ----

template <class TYPE, class ARG_TYPE = const TYPE&> class CList : public CObject {
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        TYPE data;
    };

    static CNode* Node(POSITION pos) { return reinterpret_cast<CNode*>(pos); }
    static POSITION Pos(CNode* node) { return reinterpret_cast<POSITION>(node); }

public:
    CList() = default;
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { return m_pHead->data; }
    const TYPE& GetHead() const { return m_pHead->data; }
    TYPE& GetTail() { return m_pTail->data; }
    const TYPE& GetTail() const { return m_pTail->data; }

    POSITION AddHead(ARG_TYPE value) { return InsertBefore(Pos(m_pHead), value); }
    POSITION AddTail(ARG_TYPE value) { return InsertAfter(Pos(m_pTail), value); }
    void AddHead(const CList* other)
    {
        for (POSITION pos = other->GetTailPosition(); pos;)
            AddHead(other->GetPrev(pos));
    }
    void AddTail(const CList* other)
    {
        for (POSITION pos = other->GetHeadPosition(); pos;)
            AddTail(other->GetNext(pos));
    }

    TYPE RemoveHead()
    {
        TYPE value = std::move(m_pHead->data);
        RemoveAt(Pos(m_pHead));
        return value;
    }
    TYPE RemoveTail()
    {
        TYPE value = std::move(m_pTail->data);
        RemoveAt(Pos(m_pTail));
        return value;
    }
    void RemoveAll()
    {
        for (CNode* node = m_pHead; node;) {
            CNode* next = node->pNext;
            delete node;
            node = next;
        }
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return Pos(m_pHead); }
    POSITION GetTailPosition() const { return Pos(m_pTail); }
    TYPE& GetNext(POSITION& pos)
    {
        CNode* node = Node(pos);
        pos = Pos(node->pNext);
        return node->data;
    }
    const TYPE& GetNext(POSITION& pos) const
    {
        CNode* node = Node(pos);
        pos = Pos(node->pNext);
        return node->data;
    }
    TYPE& GetPrev(POSITION& pos)
    {
        CNode* node = Node(pos);
        pos = Pos(node->pPrev);
        return node->data;
    }
    const TYPE& GetPrev(POSITION& pos) const
    {
        CNode* node = Node(pos);
        pos = Pos(node->pPrev);
        return node->data;
    }
    TYPE& GetAt(POSITION pos) { return Node(pos)->data; }
    const TYPE& GetAt(POSITION pos) const { return Node(pos)->data; }
    void SetAt(POSITION pos, ARG_TYPE value) { Node(pos)->data = value; }

    // Inserting before null adds at the head, after null at the tail.
    POSITION InsertBefore(POSITION pos, ARG_TYPE value)
    {
        CNode* at = Node(pos);
        CNode* node = new CNode{nullptr, nullptr, TYPE(value)};
        Link(node, at ? at->pPrev : nullptr, at ? at : m_pHead);
        return Pos(node);
    }
    POSITION InsertAfter(POSITION pos, ARG_TYPE value)
    {
        CNode* at = Node(pos);
        CNode* node = new CNode{nullptr, nullptr, TYPE(value)};
        Link(node, at ? at : m_pTail, at ? at->pNext : nullptr);
        return Pos(node);
    }
    void RemoveAt(POSITION pos)
    {
        CNode* node = Node(pos);
        (node->pPrev ? node->pPrev->pNext : m_pHead) = node->pNext;
        (node->pNext ? node->pNext->pPrev : m_pTail) = node->pPrev;
        delete node;
        --m_nCount;
    }

    // Searches from the element after startAfter (from the head when null).
    POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const
    {
        CNode* node = startAfter ? Node(startAfter)->pNext : m_pHead;
        for (; node; node = node->pNext) {
            if (node->data == value)
                return Pos(node);
        }
        return nullptr;
    }
    // The position of the index-th element, or null when out of range.
    POSITION FindIndex(INT_PTR index) const
    {
        if (index < 0 || index >= m_nCount)
            return nullptr;
        CNode* node = m_pHead;
        while (index--)
            node = node->pNext;
        return Pos(node);
    }

private:
    void Link(CNode* node, CNode* prev, CNode* next)
    {
        node->pPrev = prev;
        node->pNext = next;
        (prev ? prev->pNext : m_pHead) = node;
        (next ? next->pPrev : m_pTail) = node;
        ++m_nCount;
    }

    CNode* m_pHead = nullptr;
    CNode* m_pTail = nullptr;
    INT_PTR m_nCount = 0;
};

class CObList : public CList<CObject*, CObject*> {
    DECLARE_DYNAMIC(CObList)
};

class CPtrList : public CList<void*, void*> {
    DECLARE_DYNAMIC(CPtrList)
};

class CStringList : public CList<CString, const char*> {
    DECLARE_DYNAMIC(CStringList)
};

// --------------------------------------------------------------- arrays ----

template <class TYPE, class ARG_TYPE = const TYPE&> class CArray : public CObject {
public:
    CArray() = default;
    CArray(const CArray& other) : CObject(), m_data(other.m_data) {}
    CArray& operator=(const CArray& other)
    {
        m_data = other.m_data;
        return *this;
    }

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_data.empty(); }
    void SetSize(INT_PTR newSize, INT_PTR growBy = -1)
    {
        m_data.resize(static_cast<std::size_t>(std::max<INT_PTR>(newSize, 0)));
    }
    void FreeExtra() { m_data.shrink_to_fit(); }
    void RemoveAll() { m_data.clear(); }

    TYPE& GetAt(INT_PTR index) { return m_data.at(static_cast<std::size_t>(index)); }
    const TYPE& GetAt(INT_PTR index) const { return m_data.at(static_cast<std::size_t>(index)); }
    void SetAt(INT_PTR index, ARG_TYPE value) { GetAt(index) = value; }
    TYPE& ElementAt(INT_PTR index) { return GetAt(index); }
    TYPE& operator[](INT_PTR index) { return GetAt(index); }
    const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
    TYPE* GetData() { return m_data.data(); }
    const TYPE* GetData() const { return m_data.data(); }

    // Grows the array with default elements when index lies past the end.
    void SetAtGrow(INT_PTR index, ARG_TYPE value)
    {
        if (index >= GetSize())
            SetSize(index + 1);
        GetAt(index) = value;
    }
    INT_PTR Add(ARG_TYPE value)
    {
        m_data.push_back(TYPE(value));
        return GetUpperBound();
    }
    INT_PTR Append(const CArray& other)
    {
        const INT_PTR first = GetSize();
        m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end());
        return first;
    }
    void Copy(const CArray& other) { m_data = other.m_data; }
    // Inserting past the end grows the array first.
    void InsertAt(INT_PTR index, ARG_TYPE value, INT_PTR count = 1)
    {
        if (index > GetSize())
            SetSize(index);
        m_data.insert(m_data.begin() + index, static_cast<std::size_t>(count), TYPE(value));
    }
    void RemoveAt(INT_PTR index, INT_PTR count = 1)
    {
        if (index < 0 || count <= 0 || index >= GetSize())
            return;
        count = std::min(count, GetSize() - index);
        m_data.erase(m_data.begin() + index, m_data.begin() + index + count);
    }

private:
    std::vector<TYPE> m_data;
};

class CStringArray : public CArray<CString, const char*> {
    DECLARE_DYNAMIC(CStringArray)
};
class CDWordArray : public CArray<DWORD, DWORD> {
    DECLARE_DYNAMIC(CDWordArray)
};
class CWordArray : public CArray<WORD, WORD> {
    DECLARE_DYNAMIC(CWordArray)
};
class CByteArray : public CArray<BYTE, BYTE> {
    DECLARE_DYNAMIC(CByteArray)
};
class CUIntArray : public CArray<UINT, UINT> {
    DECLARE_DYNAMIC(CUIntArray)
};
class CPtrArray : public CArray<void*, void*> {
    DECLARE_DYNAMIC(CPtrArray)
};
class CObArray : public CArray<CObject*, CObject*> {
    DECLARE_DYNAMIC(CObArray)
};

// ----------------------------------------------------------------- maps ----

// Hash of a map key: integers and pointers by value, texts by content.
template <class KEY> inline UINT HashKey(const KEY& key)
{
    if constexpr (std::is_pointer_v<KEY>)
        return static_cast<UINT>(reinterpret_cast<UINT_PTR>(key) >> 4);
    else
        return static_cast<UINT>(static_cast<ULONGLONG>(key) * 2654435761u);
}
template <> inline UINT HashKey<CString>(const CString& key)
{
    return static_cast<UINT>(std::hash<std::string_view>()(key.str()));
}
template <> inline UINT HashKey<const char*>(const char* const& key)
{
    return static_cast<UINT>(std::hash<std::string_view>()(key ? key : ""));
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE> class CMap : public CObject {
    struct CAssoc {
        CAssoc* pNext;
        UINT nHash;
        KEY key;
        VALUE value;
    };

public:
    explicit CMap(INT_PTR blockSize = 10) {}
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() override { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    BOOL Lookup(ARG_KEY key, VALUE& value) const
    {
        const CAssoc* assoc = Find(key);
        if (!assoc)
            return FALSE;
        value = assoc->value;
        return TRUE;
    }
    // The value stored under key, created (default value) when missing.
    VALUE& operator[](ARG_KEY key)
    {
        if (CAssoc* assoc = Find(key))
            return assoc->value;
        if (m_buckets.empty() || m_nCount >= static_cast<INT_PTR>(m_buckets.size()))
            Rehash(m_buckets.empty() ? 17 : m_buckets.size() * 2 + 1);
        const UINT hash = HashKey<KEY>(key);
        CAssoc*& head = m_buckets[hash % m_buckets.size()];
        head = new CAssoc{head, hash, KEY(key), VALUE()};
        ++m_nCount;
        return head->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }
    BOOL RemoveKey(ARG_KEY key)
    {
        if (m_buckets.empty())
            return FALSE;
        const UINT hash = HashKey<KEY>(key);
        for (CAssoc** link = &m_buckets[hash % m_buckets.size()]; *link; link = &(*link)->pNext) {
            if ((*link)->nHash == hash && (*link)->key == key) {
                CAssoc* gone = *link;
                *link = gone->pNext;
                delete gone;
                --m_nCount;
                return TRUE;
            }
        }
        return FALSE;
    }
    void RemoveAll()
    {
        for (CAssoc*& head : m_buckets) {
            while (head) {
                CAssoc* next = head->pNext;
                delete head;
                head = next;
            }
        }
        m_buckets.clear();
        m_nCount = 0;
    }

    // Iteration in no particular order; the map must not change meanwhile.
    POSITION GetStartPosition() const { return m_nCount ? reinterpret_cast<POSITION>(FirstFrom(0)) : nullptr; }
    void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const
    {
        const CAssoc* assoc = reinterpret_cast<const CAssoc*>(pos);
        key = assoc->key;
        value = assoc->value;
        const CAssoc* next = assoc->pNext ? assoc->pNext : FirstFrom(assoc->nHash % m_buckets.size() + 1);
        pos = reinterpret_cast<POSITION>(const_cast<CAssoc*>(next));
    }

private:
    CAssoc* Find(ARG_KEY key) const
    {
        if (m_buckets.empty())
            return nullptr;
        const UINT hash = HashKey<KEY>(key);
        for (CAssoc* assoc = m_buckets[hash % m_buckets.size()]; assoc; assoc = assoc->pNext) {
            if (assoc->nHash == hash && assoc->key == key)
                return assoc;
        }
        return nullptr;
    }
    CAssoc* FirstFrom(std::size_t bucket) const
    {
        for (; bucket < m_buckets.size(); ++bucket) {
            if (m_buckets[bucket])
                return m_buckets[bucket];
        }
        return nullptr;
    }
    void Rehash(std::size_t buckets)
    {
        std::vector<CAssoc*> fresh(buckets, nullptr);
        for (CAssoc* head : m_buckets) {
            while (head) {
                CAssoc* next = head->pNext;
                CAssoc*& slot = fresh[head->nHash % buckets];
                head->pNext = slot;
                slot = head;
                head = next;
            }
        }
        m_buckets.swap(fresh);
    }

    std::vector<CAssoc*> m_buckets;
    INT_PTR m_nCount = 0;
};

class CMapStringToPtr : public CMap<CString, const char*, void*, void*> {
    DECLARE_DYNAMIC(CMapStringToPtr)
};
class CMapStringToOb : public CMap<CString, const char*, CObject*, CObject*> {
    DECLARE_DYNAMIC(CMapStringToOb)
};
class CMapStringToString : public CMap<CString, const char*, CString, const char*> {
    DECLARE_DYNAMIC(CMapStringToString)
};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
    DECLARE_DYNAMIC(CMapPtrToPtr)
};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
    DECLARE_DYNAMIC(CMapWordToPtr)
};
class CMapWordToOb : public CMap<WORD, WORD, CObject*, CObject*> {
    DECLARE_DYNAMIC(CMapWordToOb)
};
