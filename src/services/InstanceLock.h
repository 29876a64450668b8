#pragma once

#include "platform/Platform.h"

#include <string>

// A named system-wide marker: the first process to acquire a name holds it until it releases it
// or ends.
class CInstanceLock
{
public:
    explicit CInstanceLock(platform::Platform& platform) : platform_(platform) {}
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // False when another process holds the name. A marker that cannot be made at all counts as
    // acquired, so the program still starts.
    bool Acquire(const std::string& name);
    void Release();
    const std::string& Name() const { return name_; }
    // False when the last Acquire could not make the marker at all: nothing then tells a second
    // copy that this one runs.
    bool Held() const { return handle_ >= 0; }

private:
    platform::Platform& platform_;
    int handle_ = -1;
    std::string name_;
};
