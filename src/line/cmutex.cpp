#include "line/cmutex.h"

#include <chrono>

CMutex::CMutex(bool initiallyOwned, const QString& name) : name_(name) {
    if (initiallyOwned)
        mutex_.lock();
}

CMutex::~CMutex() = default;

bool CMutex::Lock(int timeoutMs) {
    if (timeoutMs < 0) {
        mutex_.lock();
        return true;
    }
    if (timeoutMs == 0)
        return mutex_.try_lock();
    return mutex_.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

void CMutex::Unlock() {
    mutex_.unlock();
}
