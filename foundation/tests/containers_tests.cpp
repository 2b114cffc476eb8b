#include "foundation/containers.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/textutil.h"
#include "testsupport/captured_log.h"

namespace {

template <class T> std::vector<T> Values(const CTList<T>& list)
{
    std::vector<T> out;
    for (T* item = list.GetHead(); item; item = list.GetNext(item))
        out.push_back(*item);
    return out;
}

std::vector<int> Ints(std::initializer_list<int> values)
{
    return std::vector<int>(values);
}

void Fill(CTList<int>& list, std::initializer_list<int> values)
{
    for (int value : values)
        list.AddTail(&value);
}

// A record with a key to sort by and a tag that shows where it came from.
struct SRecord {
    int key = 0;
    std::string tag;
};

TEST(CTListTest, ElementsAreOwnedCopiesThatStayPutUntilRemoved)
{
    CTList<std::string> list;
    std::string source = "a";
    std::string* a = list.AddTail(&source);
    source = "changed";
    std::string* blank = list.AddTail(static_cast<const std::string*>(nullptr));
    std::string* c = list.AddTail(std::string("c"));

    ASSERT_NE(nullptr, a);
    EXPECT_NE(&source, a);
    EXPECT_EQ("a", *a);
    ASSERT_NE(nullptr, blank);
    EXPECT_EQ("", *blank);
    EXPECT_EQ(3, list.GetCount());
    EXPECT_EQ(a, list.GetHead());
    EXPECT_EQ(c, list.GetTail());
    EXPECT_EQ(blank, list.GetAt(1));
    EXPECT_EQ(nullptr, list.GetAt(3));
    EXPECT_EQ(nullptr, list.GetAt(-1));
    EXPECT_EQ(blank, list.GetNext(a));
    EXPECT_EQ(nullptr, list.GetNext(c));
    EXPECT_EQ(nullptr, list.GetNext(nullptr));
    EXPECT_EQ(blank, list.GetPrevious(c));
    EXPECT_EQ(nullptr, list.GetPrevious(a));
    EXPECT_EQ(2, list.FindIndex(c));
    std::string outsider;
    EXPECT_EQ(-1, list.FindIndex(&outsider));
    EXPECT_EQ(nullptr, list.GetNext(&outsider));
}

TEST(CTListTest, RemoveGivesTheFollowingElementBackThroughThePointer)
{
    CTList<int> list;
    Fill(list, {1, 2, 3});
    int* first = list.GetHead();
    int* last = list.GetTail();

    int* second = list.GetAt(1);
    int* p = first;
    EXPECT_EQ(second, list.Remove(p));
    EXPECT_EQ(list.GetHead(), p);
    EXPECT_EQ(Ints({2, 3}), Values(list));

    p = last;
    EXPECT_EQ(nullptr, list.Remove(p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(Ints({2}), Values(list));

    int outsider = 7;
    p = &outsider;
    EXPECT_EQ(nullptr, list.Remove(p));
    EXPECT_EQ(nullptr, p);
    p = nullptr;
    EXPECT_EQ(nullptr, list.Remove(p));
    EXPECT_EQ(Ints({2}), Values(list));

    EXPECT_EQ(nullptr, list.RemoveAt(5));
    EXPECT_EQ(nullptr, list.RemoveAt(0));
    EXPECT_TRUE(list.IsEmpty());
}

TEST(CTListTest, RemoveHeadAndTailReturnTheNewEnds)
{
    CTList<int> list;
    Fill(list, {1, 2, 3, 4});
    EXPECT_EQ(2, *list.RemoveHead());
    EXPECT_EQ(3, *list.RemoveTail());
    EXPECT_EQ(Ints({2, 3}), Values(list));
    list.RemoveHead();
    EXPECT_EQ(nullptr, list.RemoveHead());
    EXPECT_EQ(nullptr, list.RemoveTail());
    EXPECT_TRUE(list.IsEmpty());
}

TEST(CTListTest, InsertBefore)
{
    CTList<int> list;
    Fill(list, {1, 3});
    CTList<int> other;
    Fill(other, {9});

    const int two = 2;
    int* inserted = list.InsertBefore(&two, list.GetTail());
    ASSERT_NE(nullptr, inserted);
    EXPECT_EQ(1, list.FindIndex(inserted));

    const int four = 4;
    int* appended = list.InsertBefore(&four, nullptr); // null before appends
    EXPECT_EQ(list.GetTail(), appended);
    int* blank = list.InsertBefore(nullptr, list.GetHead());
    ASSERT_NE(nullptr, blank);
    EXPECT_EQ(0, *blank);

    // An element of another list is no place in this one.
    EXPECT_EQ(nullptr, list.InsertBefore(&two, other.GetHead()));
    EXPECT_EQ(Ints({0, 1, 2, 3, 4}), Values(list));
    EXPECT_EQ(Ints({9}), Values(other));
}

TEST(CTListTest, AppendAndCopyMakeNewCopies)
{
    CTList<int> a;
    Fill(a, {1, 2});
    CTList<int> b;
    Fill(b, {3, 4});

    int* last = a.Append(b);
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(a.GetTail(), last);
    EXPECT_NE(b.GetTail(), last);
    EXPECT_EQ(Ints({1, 2, 3, 4}), Values(a));

    CTList<int> empty;
    EXPECT_EQ(nullptr, a.Append(empty));

    // A list appended to itself doubles once instead of chasing its tail.
    CTList<int> self;
    Fill(self, {5, 6});
    self.Append(self);
    EXPECT_EQ(Ints({5, 6, 5, 6}), Values(self));

    b.Copy(a);
    EXPECT_EQ(Ints({1, 2, 3, 4}), Values(b));
    EXPECT_NE(a.GetHead(), b.GetHead());
    b.Copy(b);
    EXPECT_EQ(Ints({1, 2, 3, 4}), Values(b));
}

TEST(CTListTest, SortOrdersByTheComparisonAndKeepsElementsAndTies)
{
    struct Case {
        const char* name;
        int (*compare)(const int&, const int&);
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"a - b gives descending", [](const int& a, const int& b) { return a - b; }, {9, 5, 3, 1, 1}},
        {"CompareIntsAscending",
         [](const int& a, const int& b) { return CompareIntsAscending(a, b); },
         {1, 1, 3, 5, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTList<int> list;
        Fill(list, {3, 1, 9, 5, 1});
        std::vector<int*> before;
        for (int* p = list.GetHead(); p; p = list.GetNext(p))
            before.push_back(p);
        ASSERT_TRUE(list.Sort(c.compare));
        EXPECT_EQ(c.expected, Values(list));
        // The same element objects, only in new places.
        for (int* p : before)
            EXPECT_NE(-1, list.FindIndex(p));
    }

    // Extreme values: a comparison by sign never overflows.
    CTList<int> extremes;
    Fill(extremes, {INT_MAX, INT_MIN, 0});
    extremes.Sort([](const int& a, const int& b) { return CompareIntsAscending(a, b); });
    EXPECT_EQ(Ints({INT_MIN, 0, INT_MAX}), Values(extremes));

    CTList<SRecord> records;
    for (const SRecord& r : {SRecord{2, "first 2"}, SRecord{1, "1"}, SRecord{2, "second 2"}})
        records.AddTail(&r);
    records.Sort([](const SRecord& a, const SRecord& b) { return b.key - a.key; });
    std::vector<std::string> tags;
    for (SRecord* r = records.GetHead(); r; r = records.GetNext(r))
        tags.push_back(r->tag);
    EXPECT_EQ((std::vector<std::string>{"1", "first 2", "second 2"}), tags);
}

// While another thread holds the list's lock, every operation gives up
// after the time-out, changes nothing, answers its failure value and logs
// the time-out.
TEST(CTListTest, LockTimeOutChangesNothingAndAnswersTheFailureValue)
{
    CapturedGlobalLog log;
    CTList<int> list;
    Fill(list, {1, 2});
    list.SetLockTimeout(50);
    int* head = list.GetHead();

    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool first = true;
    std::thread holder([&] {
        // Sort holds the lock while it calls the comparison.
        list.Sort([&](const int&, const int&) {
            if (first) {
                first = false;
                entered.set_value();
                released.wait();
            }
            return 0;
        });
    });
    entered.get_future().wait();

    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(0, list.GetCount());
    EXPECT_EQ(-1, list.FindIndex(head));
    EXPECT_EQ(nullptr, list.GetHead());
    EXPECT_EQ(nullptr, list.GetNext(head));
    EXPECT_EQ(nullptr, list.AddTail(3));
    EXPECT_EQ(nullptr, list.InsertBefore(nullptr, head));
    EXPECT_FALSE(list.Sort([](const int&, const int&) { return 0; }));
    std::vector<int> visited;
    EXPECT_FALSE(list.ForEach([&](const int& value) { visited.push_back(value); }));
    EXPECT_TRUE(visited.empty());
    int* p = head;
    EXPECT_EQ(nullptr, list.Remove(p));
    EXPECT_EQ(nullptr, p);

    release.set_value();
    holder.join();
    EXPECT_EQ(Ints({1, 2}), Values(list));
    EXPECT_TRUE(list.ForEach([&](const int& value) { visited.push_back(value); }));
    EXPECT_EQ(Ints({1, 2}), visited);
    EXPECT_EQ(0, list.FindIndex(head));
    EXPECT_NE(std::string::npos, log.Text().find("List lock timed out after 50 ms\r\n"));
}

TEST(CTListTest, NewListsTakeTheDefaultLockTimeOut)
{
    EXPECT_EQ(10000u, CTList<int>().GetLockTimeout());
    const DWORD previous = SetDefaultListLockTimeout(25);
    CTList<int> shortWait;
    SetDefaultListLockTimeout(previous);
    EXPECT_EQ(25u, shortWait.GetLockTimeout());
    EXPECT_EQ(10000u, CTList<int>().GetLockTimeout());
}

TEST(CTListTest, LockIsRecursiveForItsOwner)
{
    CTList<int> list;
    Fill(list, {2, 1});
    list.SetLockTimeout(50);
    // The comparison runs with the lock held and may use the list.
    INT_PTR seen = 0;
    EXPECT_TRUE(list.Sort([&](const int& a, const int& b) {
        seen = list.GetCount();
        return b - a;
    }));
    EXPECT_EQ(2, seen);
    EXPECT_EQ(Ints({1, 2}), Values(list));
}

TEST(CTListTest, ConcurrentAddersLoseNothing)
{
    CTList<int> list;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&list, t] {
            for (int i = 0; i < 500; ++i)
                list.AddTail(t * 1000 + i);
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(2000, list.GetCount());
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
}

// An element whose copying runs a test's action, so that another thread
// can act on the lists while a copy is being made.
struct SCopyProbe {
    int value = 0;
    SCopyProbe& operator=(const SCopyProbe& other)
    {
        value = other.value;
        if (duringCopy) {
            auto action = std::move(duringCopy);
            duringCopy = nullptr;
            action();
        }
        return *this;
    }
    static std::function<void()> duringCopy;
};
std::function<void()> SCopyProbe::duringCopy;

// Append and Copy read the source's elements with the source locked: a
// second thread that removes from the source meanwhile waits (here: times
// out), so no element is copied after it was freed and none is skipped.
TEST(CTListTest, AppendAndCopyHoldTheSourceLocked)
{
    CapturedGlobalLog log;
    const std::pair<const char*, std::function<void(CTList<SCopyProbe>&, const CTList<SCopyProbe>&)>> cases[] = {
        {"Append", [](CTList<SCopyProbe>& to, const CTList<SCopyProbe>& from) { to.Append(from); }},
        {"Copy", [](CTList<SCopyProbe>& to, const CTList<SCopyProbe>& from) { to.Copy(from); }},
    };
    for (const auto& [name, copy] : cases) {
        SCOPED_TRACE(name);
        CTList<SCopyProbe> source;
        for (int value : {1, 2, 3})
            source.AddTail(SCopyProbe{value});
        source.SetLockTimeout(50);
        CTList<SCopyProbe> target;

        bool removedDuringCopy = false;
        SCopyProbe::duringCopy = [&] {
            std::thread remover([&] { removedDuringCopy = source.RemoveHead() != nullptr; });
            remover.join();
        };
        copy(target, source);
        SCopyProbe::duringCopy = nullptr;

        EXPECT_FALSE(removedDuringCopy);
        std::vector<int> copied;
        for (SCopyProbe* item = target.GetHead(); item; item = target.GetNext(item))
            copied.push_back(item->value);
        EXPECT_EQ(Ints({1, 2, 3}), copied);
        EXPECT_EQ(3, source.GetCount());
    }
}

// Two threads copying between the same two lists in opposite directions,
// with waits without limit, while a third changes the lists' time-outs:
// no deadlock, and every copy is whole.
TEST(CTListTest, CrossCopiesBetweenTwoListsFinish)
{
    CTList<int> a;
    CTList<int> b;
    Fill(a, {1, 2, 3});
    Fill(b, {4, 5, 6});
    a.SetLockTimeout(0xFFFFFFFF);
    b.SetLockTimeout(0xFFFFFFFF);
    std::atomic<bool> done{false};
    std::thread tuner([&] {
        while (!done) {
            a.SetLockTimeout(0xFFFFFFFF);
            b.SetLockTimeout(0xFFFFFFFF);
            std::this_thread::yield();
        }
    });
    std::thread forward([&] {
        for (int i = 0; i < 200; ++i)
            a.Copy(b);
    });
    std::thread backward([&] {
        for (int i = 0; i < 200; ++i)
            b.Copy(a);
    });
    forward.join();
    backward.join();
    done = true;
    tuner.join();
    EXPECT_EQ(3, a.GetCount());
    EXPECT_EQ(Values(a), Values(b));
    EXPECT_EQ(0xFFFFFFFFu, a.GetLockTimeout());
}

TEST(CTStackTest, PushPopTop)
{
    CTStack<CString> stack;
    CString out = "untouched";
    EXPECT_FALSE(stack.Top(out));
    EXPECT_FALSE(stack.Pop(out));
    EXPECT_EQ(CString("untouched"), out);

    stack.Push("Root");
    stack.Push("Child");
    EXPECT_EQ(2, stack.GetCount());
    ASSERT_TRUE(stack.Top(out));
    EXPECT_EQ(CString("Child"), out);
    ASSERT_TRUE(stack.Pop(out));
    EXPECT_EQ(CString("Child"), out);
    ASSERT_TRUE(stack.Pop(out));
    EXPECT_EQ(CString("Root"), out);
    EXPECT_EQ(0, stack.GetCount());
}

TEST(CTRangeTest, BoundsInequalityAndContains)
{
    CTRange<int> range;
    EXPECT_EQ(0, range.GetLow());
    EXPECT_EQ(0, range.GetHigh());
    range.Set(-5, 10);
    EXPECT_TRUE(range.Contains(-5));
    EXPECT_TRUE(range.Contains(10));
    EXPECT_FALSE(range.Contains(11));
    EXPECT_FALSE(range.Contains(-6));

    CTRange<int> copy;
    copy = range;
    EXPECT_FALSE(copy != range);
    copy.m_high = 11;
    EXPECT_TRUE(copy != range);
    copy.Clear();
    EXPECT_FALSE(copy != CTRange<int>());

    // A bound that is not a number never equals anything, itself included.
    CTRange<double> nan(std::nan(""), 1.0);
    CTRange<double> same = nan;
    EXPECT_TRUE(nan != same);
    CTRange<double> plain(0.5, 1.0);
    EXPECT_FALSE(plain != CTRange<double>(0.5, 1.0));
}

TEST(CTRangeListTest, HoldsRangesAndNamesItsClass)
{
    CTRangeList<CTRange<int>> ranges;
    CTRange<int> r(1, 4);
    ranges.AddTail(&r);
    EXPECT_EQ(4, ranges.GetHead()->GetHigh());
    EXPECT_STREQ("CTRangeList", ranges.GetRuntimeClass()->m_lpszClassName);
    EXPECT_TRUE(ranges.IsKindOf(RUNTIME_CLASS(CObject)));
}

TEST(CExtendedStringListTest, SortsWithTheCallersComparison)
{
    CExtendedStringList list;
    for (const char* text : {"beta", "10", "", "2", "Alpha", "-3"})
        list.AddTail(text);
    list.Sort([](const CString& a, const CString& b) { return CompareNatural(a, b); });
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos).GetString());
    EXPECT_EQ((std::vector<std::string>{"", "-3", "2", "10", "Alpha", "beta"}), out);
    EXPECT_TRUE(list.IsKindOf(RUNTIME_CLASS(CStringList)));
}

} // namespace
