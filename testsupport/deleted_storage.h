// Objects that live in one buffer of the test's own. Deleting one fills the
// buffer with a pattern, so a write to the object after its deletion shows:
//
//     class CSelfDeleting : public DeletedStorage<CSelfDeletingBase> {};
//     auto* p = new CSelfDeleting;   // at most one object at a time
//     ...                            // code that deletes p and may touch it
//     EXPECT_TRUE(CSelfDeleting::IsDeleted());
//     EXPECT_EQ(-1, CSelfDeleting::FirstWriteAfterDeletion());
#pragma once

#include <cstddef>
#include <cstring>

#include <gtest/gtest.h>

template <class Base, std::size_t Capacity = 1024> class DeletedStorage : public Base {
public:
    using Base::Base;

    static void* operator new(std::size_t size)
    {
        EXPECT_LE(size, Capacity);
        s_deleted = false;
        s_size = size;
        return s_storage;
    }
    static void operator delete(void*, std::size_t size)
    {
        std::memset(s_storage, kPattern, size);
        s_deleted = true;
    }

    static bool IsDeleted() { return s_deleted; }
    // The first byte that differs from the pattern, or -1.
    static std::ptrdiff_t FirstWriteAfterDeletion()
    {
        for (std::size_t i = 0; i < s_size; ++i)
            if (s_storage[i] != kPattern)
                return static_cast<std::ptrdiff_t>(i);
        return -1;
    }

private:
    static const unsigned char kPattern = 0xDD;
    alignas(16) static inline unsigned char s_storage[Capacity];
    static inline bool s_deleted = false;
    static inline std::size_t s_size = 0;
};
