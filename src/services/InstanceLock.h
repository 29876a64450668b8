#pragma once

#include <string>

// A named system-wide marker: the first process to acquire a name holds it until it releases it
// or ends.
class CInstanceLock
{
public:
    CInstanceLock() = default;
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // False when another process holds the name. A marker that cannot be made at all counts as
    // acquired, so the program still starts.
    bool Acquire(const std::string& name);
    void Release();
    const std::string& Name() const { return name_; }

private:
    int handle_ = -1;
    std::string name_;
};
