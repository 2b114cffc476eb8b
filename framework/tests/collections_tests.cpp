#include "framework/collections.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Items(const CStringList& list)
{
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos).GetString());
    return out;
}

std::vector<std::string> ItemsBackwards(const CStringList& list)
{
    std::vector<std::string> out;
    for (POSITION pos = list.GetTailPosition(); pos;)
        out.insert(out.begin(), list.GetPrev(pos).GetString());
    return out;
}

using Strings = std::vector<std::string>;

TEST(CListTest, InsertAndRemoveByPositionKeepBothDirectionsConsistent)
{
    CStringList list;
    list.AddTail("b");
    list.AddHead("a");
    POSITION d = list.AddTail("d");
    list.InsertBefore(d, "c");
    list.InsertAfter(d, "e");
    list.InsertBefore(list.GetHeadPosition(), "0");
    list.InsertAfter(list.GetTailPosition(), "f");
    list.InsertBefore(nullptr, "head");
    list.InsertAfter(nullptr, "tail");
    EXPECT_EQ((Strings{"head", "0", "a", "b", "c", "d", "e", "f", "tail"}), Items(list));
    EXPECT_EQ(Items(list), ItemsBackwards(list));
    EXPECT_EQ(9, list.GetCount());

    list.RemoveAt(d);
    list.RemoveAt(list.GetHeadPosition());
    list.RemoveAt(list.GetTailPosition());
    EXPECT_EQ((Strings{"0", "a", "b", "c", "e", "f"}), Items(list));
    EXPECT_EQ(Items(list), ItemsBackwards(list));

    EXPECT_STREQ("0", list.RemoveHead());
    EXPECT_STREQ("f", list.RemoveTail());
    EXPECT_STREQ("a", list.GetHead());
    EXPECT_STREQ("e", list.GetTail());
    EXPECT_EQ(4, list.GetCount());

    while (!list.IsEmpty())
        list.RemoveTail();
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    EXPECT_EQ(nullptr, list.GetTailPosition());
    list.AddTail("again");
    EXPECT_EQ((Strings{"again"}), Items(list));
}

TEST(CListTest, FindAndFindIndex)
{
    CStringList list;
    for (const char* s : {"x", "y", "x", "z"})
        list.AddTail(s);
    POSITION first = list.Find("x");
    ASSERT_NE(nullptr, first);
    POSITION second = list.Find("x", first);
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    EXPECT_EQ(nullptr, list.Find("x", second));
    EXPECT_EQ(nullptr, list.Find("missing"));

    EXPECT_EQ(first, list.FindIndex(0));
    EXPECT_EQ(second, list.FindIndex(2));
    EXPECT_STREQ("z", list.GetAt(list.FindIndex(3)));
    EXPECT_EQ(nullptr, list.FindIndex(4));
    EXPECT_EQ(nullptr, list.FindIndex(-1));

    list.SetAt(second, "w");
    EXPECT_EQ((Strings{"x", "y", "w", "z"}), Items(list));
}

TEST(CListTest, AddListAtHeadAndTailKeepsOrder)
{
    CStringList a, b;
    a.AddTail("m");
    b.AddTail("1");
    b.AddTail("2");
    a.AddHead(&b);
    a.AddTail(&b);
    EXPECT_EQ((Strings{"1", "2", "m", "1", "2"}), Items(a));
}

TEST(CArrayTest, GrowInsertRemove)
{
    CDWordArray a;
    a.SetAtGrow(3, 7);
    EXPECT_EQ(4, a.GetSize());
    EXPECT_EQ(0u, a[0]);
    EXPECT_EQ(7u, a[3]);
    EXPECT_EQ(4, a.Add(9));
    a.InsertAt(1, 5, 2);
    EXPECT_EQ((std::vector<DWORD>{0, 5, 5, 0, 0, 7, 9}), std::vector<DWORD>(a.GetData(), a.GetData() + a.GetSize()));
    a.RemoveAt(5, 10);
    EXPECT_EQ(5, a.GetSize());
    a.RemoveAt(99);
    EXPECT_EQ(4, a.GetUpperBound());
    a.InsertAt(8, 1);
    EXPECT_EQ(9, a.GetSize());
    EXPECT_EQ(1u, a[8]);

    CStringArray s;
    s.Add("one");
    s.Add("two");
    CStringArray t;
    t.Add("zero");
    EXPECT_EQ(1, t.Append(s));
    EXPECT_STREQ("two", t[2]);
    t.Copy(s);
    EXPECT_EQ(2, t.GetSize());
}

TEST(CMapTest, LookupSetRemoveAndIterateAcrossRehash)
{
    CMapStringToString map;
    std::map<std::string, std::string> expected;
    for (int i = 0; i < 500; ++i) {
        CString key, value;
        key.Format("key%d", i);
        value.Format("value%d", i * 3);
        map.SetAt(key, value);
        expected[key.GetString()] = value.GetString();
    }
    map["key7"] = "changed";
    expected["key7"] = "changed";
    for (int i = 0; i < 500; i += 5) {
        CString key;
        key.Format("key%d", i);
        EXPECT_TRUE(map.RemoveKey(key));
        EXPECT_FALSE(map.RemoveKey(key));
        expected.erase(key.GetString());
    }
    EXPECT_EQ(static_cast<INT_PTR>(expected.size()), map.GetCount());

    CString value;
    EXPECT_TRUE(map.Lookup("key7", value));
    EXPECT_STREQ("changed", value);
    EXPECT_FALSE(map.Lookup("key5", value));
    EXPECT_FALSE(map.Lookup("nothing", value));

    std::map<std::string, std::string> seen;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        CString k, v;
        map.GetNextAssoc(pos, k, v);
        EXPECT_TRUE(seen.emplace(k.GetString(), v.GetString()).second) << "visited twice: " << k;
    }
    EXPECT_EQ(expected, seen);

    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(nullptr, map.GetStartPosition());
    EXPECT_FALSE(map.Lookup("key7", value));
}

TEST(CMapTest, PointerAndWordKeys)
{
    int a = 0, b = 0;
    CMapPtrToPtr ptrs;
    ptrs.SetAt(&a, &b);
    void* found = nullptr;
    EXPECT_TRUE(ptrs.Lookup(&a, found));
    EXPECT_EQ(&b, found);
    EXPECT_FALSE(ptrs.Lookup(&b, found));

    CMapWordToPtr words;
    words[65535] = &a;
    words[0] = &b;
    EXPECT_TRUE(words.Lookup(65535, found));
    EXPECT_EQ(&a, found);
    EXPECT_EQ(2, words.GetCount());
}

} // namespace
