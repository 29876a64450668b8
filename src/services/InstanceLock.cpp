#include "services/InstanceLock.h"

CInstanceLock::~CInstanceLock()
{
    Release();
}

bool CInstanceLock::Acquire(const std::string& name)
{
    if (handle_ >= 0) {
        Release();
    }
    bool alreadyExists = false;
    handle_ = platform_.OpenNamedMutex(name, alreadyExists);
    if (alreadyExists) {
        return false;
    }
    name_ = name;
    return true;
}

void CInstanceLock::Release()
{
    if (handle_ < 0) {
        return;
    }
    platform_.CloseNamedMutex(handle_);
    name_.clear();
    handle_ = -1;
}
