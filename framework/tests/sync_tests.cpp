#include "framework/sync.h"

#include <thread>

#include <gtest/gtest.h>

namespace {

const DWORD kWait = 5000; // bound for waits that should succeed at once

TEST(CMutex, WaitTimesOutWhileAnotherThreadOwnsIt)
{
    // The second thread opens the mutex by name, so this also shows that
    // the name reaches the system.
    const char* name = "VexoFrameworkTests.OwnedMutex";
    CMutex mutex(FALSE, name);
    CEvent owned;
    CEvent release;
    std::thread owner([&] {
        CMutex same(FALSE, name);
        same.Lock(kWait);
        owned.SetEvent();
        release.Lock(kWait);
        same.Unlock();
    });

    EXPECT_TRUE(owned.Lock(kWait));
    EXPECT_FALSE(mutex.Lock(50));
    release.SetEvent();
    EXPECT_TRUE(mutex.Lock(kWait));
    EXPECT_TRUE(mutex.Unlock());
    owner.join();
}

TEST(CMutex, AbandonedMutexCountsAsAcquired)
{
    CMutex mutex;
    std::thread([&] { mutex.Lock(kWait); }).join();

    EXPECT_TRUE(mutex.Lock(kWait));
    EXPECT_TRUE(mutex.Unlock());
}

TEST(CEvent, AutoAndManualReset)
{
    struct {
        BOOL manualReset;
        BOOL stillSetAfterWait;
    } cases[] = {{FALSE, FALSE}, {TRUE, TRUE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.manualReset ? "manual reset" : "auto reset");
        CEvent initiallySet(TRUE, c.manualReset);
        EXPECT_TRUE(initiallySet.Lock(0));

        CEvent event(FALSE, c.manualReset);
        EXPECT_FALSE(event.Lock(0));
        EXPECT_TRUE(event.SetEvent());
        EXPECT_TRUE(event.Lock(0));
        EXPECT_EQ(c.stillSetAfterWait, event.Lock(0));
        EXPECT_TRUE(event.ResetEvent());
        EXPECT_FALSE(event.Lock(0));
    }
}

TEST(CEvent, WaitEndsWhenAnotherThreadSetsIt)
{
    CEvent event;
    CEvent started;
    std::thread setter([&] {
        started.SetEvent();
        event.SetEvent();
    });
    EXPECT_TRUE(started.Lock(kWait));
    EXPECT_TRUE(event.Lock(kWait));
    setter.join();
}

TEST(CSingleLock, ReleasesWhenItLeavesScope)
{
    // A semaphore has no owner thread, so one thread can see it taken.
    CSemaphore semaphore(1, 1);
    {
        CSingleLock lock(&semaphore, TRUE);
        EXPECT_TRUE(lock.IsLocked());
        EXPECT_TRUE(lock.Lock(0)); // already held: no second count taken
        EXPECT_FALSE(semaphore.Lock(0));

        EXPECT_TRUE(lock.Unlock());
        EXPECT_FALSE(lock.IsLocked());
        EXPECT_TRUE(lock.Lock(0));
    }
    EXPECT_TRUE(semaphore.Lock(0));
    EXPECT_TRUE(semaphore.Unlock());

    CSingleLock notTaken(&semaphore);
    EXPECT_FALSE(notTaken.IsLocked());
}

TEST(CMultiLock, WaitForAnyAndForAll)
{
    CEvent first;
    CEvent second;
    CSyncObject* events[] = {&first, &second};
    CMultiLock lock(events, 2);

    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), lock.Lock(0, FALSE));
    second.SetEvent();
    EXPECT_EQ(WAIT_OBJECT_0 + 1, lock.Lock(0, FALSE));
    EXPECT_FALSE(lock.IsLocked(0));
    EXPECT_TRUE(lock.IsLocked(1));

    second.SetEvent();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), lock.Lock(0, TRUE)); // only one of two set
    first.SetEvent();
    EXPECT_EQ(WAIT_OBJECT_0, lock.Lock(0, TRUE));
    EXPECT_TRUE(lock.IsLocked(0));
    EXPECT_TRUE(lock.IsLocked(1));
}

TEST(CMultiLock, ReleasesEverythingItHolds)
{
    CSemaphore a(1, 1);
    CSemaphore b(1, 1);
    CSyncObject* objects[] = {&a, &b};
    {
        CMultiLock lock(objects, 2);
        EXPECT_EQ(WAIT_OBJECT_0, lock.Lock(kWait));
        EXPECT_TRUE(lock.IsLocked(0));
        EXPECT_TRUE(lock.IsLocked(1));
        EXPECT_FALSE(a.Lock(0));
        EXPECT_FALSE(b.Lock(0));
    }
    EXPECT_TRUE(a.Lock(0));
    EXPECT_TRUE(b.Lock(0));
}

} // namespace
