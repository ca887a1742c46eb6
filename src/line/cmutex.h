#pragma once

#include <QString>

#include <mutex>

// A recursive mutex that can be waited on with a time-out. Each worker thread
// guards its send text with one; the thread that holds it may lock it again.
class CMutex {
public:
    // With initiallyOwned the constructing thread holds the mutex once. The
    // name only labels the object: nothing is shared between processes (the
    // single-instance rule has its own lock file).
    explicit CMutex(bool initiallyOwned = false, const QString& name = QString());
    virtual ~CMutex();

    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    // Waits at most timeoutMs milliseconds (-1: without limit, 0: only tries).
    // True when the calling thread now holds the mutex.
    bool Lock(int timeoutMs = -1);
    // Releases one level of ownership. Only the holding thread may call it.
    void Unlock();

    const QString& Name() const { return name_; }

private:
    std::recursive_timed_mutex mutex_;
    QString name_;
};

// Holds a CMutex for a scope, waiting without limit.
class CMutexLocker {
public:
    explicit CMutexLocker(CMutex& mutex) : mutex_(mutex) { mutex_.Lock(-1); }
    ~CMutexLocker() { mutex_.Unlock(); }

    CMutexLocker(const CMutexLocker&) = delete;
    CMutexLocker& operator=(const CMutexLocker&) = delete;

private:
    CMutex& mutex_;
};
