#include "line/cmutex.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Whether another thread can take the mutex within timeoutMs.
bool OtherThreadLocks(CMutex& mutex, int timeoutMs) {
    bool locked = false;
    std::thread other([&] {
        locked = mutex.Lock(timeoutMs);
        if (locked)
            mutex.Unlock();
    });
    other.join();
    return locked;
}

TEST(CMutex, IsRecursiveAndExcludesOtherThreads) {
    CMutex mutex;
    ASSERT_TRUE(mutex.Lock(-1));
    ASSERT_TRUE(mutex.Lock(0));
    EXPECT_FALSE(OtherThreadLocks(mutex, 0));
    EXPECT_FALSE(OtherThreadLocks(mutex, 20));
    mutex.Unlock();
    EXPECT_FALSE(OtherThreadLocks(mutex, 0));
    mutex.Unlock();
    EXPECT_TRUE(OtherThreadLocks(mutex, 0));
    EXPECT_TRUE(OtherThreadLocks(mutex, -1));
}

TEST(CMutex, InitiallyOwnedByItsMaker) {
    CMutex mutex(true, QStringLiteral("SendLock"));
    EXPECT_EQ(mutex.Name(), QStringLiteral("SendLock"));
    EXPECT_FALSE(OtherThreadLocks(mutex, 0));
    mutex.Unlock();
    EXPECT_TRUE(OtherThreadLocks(mutex, 0));
}

}  // namespace
