#include "foundation/cyclicbuffer.h"

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "testsupport/captured_log.h"

namespace {

std::string Peek(CCyclicCharBuffer& ring)
{
    BYTE bytes[64];
    const int n = ring.Read(bytes, sizeof bytes, FALSE);
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
}

BOOL WriteText(CCyclicCharBuffer& ring, const std::string& text)
{
    return ring.Write(reinterpret_cast<const BYTE*>(text.data()), static_cast<int>(text.size()));
}

TEST(CyclicCharBufferTest, OverfullWriteKeepsTheFirstBytesAndSaysSo)
{
    CapturedGlobalLog log;
    CCyclicCharBuffer ring(4);
    EXPECT_FALSE(WriteText(ring, "abcdef"));
    EXPECT_EQ("Chars In: 4 (4 in buffer)\r\n", log.Text());
    EXPECT_EQ(4, ring.GetCount());
    EXPECT_EQ(0, ring.GetFree());
    EXPECT_FALSE(ring.Put('x'));
    EXPECT_FALSE(ring.PutFront('x'));
    EXPECT_EQ("abcd", Peek(ring));
}

TEST(CyclicCharBufferTest, WriteArguments)
{
    CapturedGlobalLog log;
    CCyclicCharBuffer ring(4);
    EXPECT_FALSE(ring.Write(nullptr, 3));
    EXPECT_TRUE(ring.Write(reinterpret_cast<const BYTE*>("x"), 0));
    EXPECT_EQ("", log.Text()); // nothing stored, nothing logged
    EXPECT_TRUE(WriteText(ring, "ab"));
    EXPECT_EQ("Chars In: 2 (2 in buffer)\r\n", log.Text());
}

TEST(CyclicCharBufferTest, PutFrontAndPeek)
{
    CCyclicCharBuffer ring(3);
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_EQ(0, ring.PeekChar(TRUE));
    EXPECT_TRUE(ring.PutFront('z'));
    EXPECT_EQ('z', ring.PeekChar(FALSE));
    EXPECT_EQ('z', ring.PeekChar(FALSE));
    EXPECT_EQ(1, ring.GetCount());

    EXPECT_TRUE(ring.Put('a'));
    EXPECT_TRUE(ring.PutFront('y')); // steps back over the start of storage
    EXPECT_EQ("yza", Peek(ring));
    EXPECT_EQ('y', ring.PeekChar(TRUE));
    ring.Skip();
    EXPECT_EQ("a", Peek(ring));
    ring.Skip();
    EXPECT_TRUE(ring.IsEmpty());
    ring.Skip(); // nothing to skip
    EXPECT_EQ(3, ring.GetFree());
}

TEST(CyclicCharBufferTest, ReadPeeksOrConsumesAcrossTheWrap)
{
    CCyclicCharBuffer ring(5);
    ASSERT_TRUE(WriteText(ring, "abc"));
    BYTE out[10];
    EXPECT_EQ(3, ring.Read(out, 10, FALSE));
    EXPECT_EQ(3, ring.GetCount());
    EXPECT_EQ(2, ring.Read(out, 2, TRUE));
    EXPECT_EQ('a', out[0]);
    EXPECT_EQ('b', out[1]);

    // "c" sits at index 2; four more bytes wrap around the end of storage.
    ASSERT_TRUE(WriteText(ring, "defg"));
    EXPECT_EQ(5, ring.GetCount());
    EXPECT_FALSE(ring.Put('h'));
    EXPECT_EQ("cdefg", Peek(ring));
    EXPECT_EQ(5, ring.Read(out, 10, TRUE));
    EXPECT_EQ("cdefg", std::string(reinterpret_cast<char*>(out), 5));
    EXPECT_TRUE(ring.IsEmpty());

    EXPECT_EQ(0, ring.Read(nullptr, 10, TRUE));
    EXPECT_EQ(0, ring.Read(out, 0, TRUE));
}

TEST(CyclicCharBufferTest, ClearAndResizeEmptyTheRing)
{
    CCyclicCharBuffer ring(2);
    ASSERT_TRUE(WriteText(ring, "ab"));
    ring.Clear();
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_EQ(2, ring.GetFree());

    ASSERT_TRUE(WriteText(ring, "ab"));
    ring.Resize(6);
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_EQ(6, ring.GetSize());
    EXPECT_TRUE(WriteText(ring, "123456"));

    // A ring of no bytes refuses everything instead of writing anywhere.
    ring.Resize(0);
    EXPECT_FALSE(ring.Put('x'));
    EXPECT_FALSE(ring.PutFront('x'));
    EXPECT_TRUE(ring.IsEmpty());
}

// The ring between a receive thread and its reader, as the links use it:
// every byte arrives once and in order, however the two threads meet at the
// full and the empty ring.
TEST(CyclicCharBufferTest, ABytesStreamPassesBetweenTwoThreadsInOrder)
{
    CCyclicCharBuffer ring(16);
    const int total = 100000;
    std::thread writer([&] {
        for (int n = 0; n < total;) {
            if (ring.Put(static_cast<BYTE>(n % 251)))
                ++n;
            else
                std::this_thread::yield();
        }
    });
    int received = 0;
    int wrong = 0;
    BYTE bytes[7];
    while (received < total) {
        const int n = ring.Read(bytes, sizeof bytes, TRUE);
        for (int k = 0; k < n; ++k, ++received)
            wrong += bytes[k] != static_cast<BYTE>(received % 251) ? 1 : 0;
        if (n == 0)
            std::this_thread::yield();
    }
    writer.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(ring.IsEmpty());
}

} // namespace
