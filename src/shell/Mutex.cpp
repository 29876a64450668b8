#include "shell/Mutex.h"

#include "platform/Platform.h"

CMutex::~CMutex()
{
    Release();
}

bool CMutex::Acquire(const std::string& name)
{
    if (handle_ >= 0) {
        Release();
    }
    bool alreadyExists = false;
    handle_ = platform::Get().OpenNamedMutex(name, alreadyExists);
    if (alreadyExists) {
        return false;
    }
    name_ = name;
    return true;
}

void CMutex::Release()
{
    if (handle_ < 0) {
        return;
    }
    platform::Get().CloseNamedMutex(handle_);
    name_.clear();
    handle_ = -1;
}
