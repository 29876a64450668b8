#pragma once

#include "FakePlatform.h"

#include <map>
#include <string>

// gsettings over a map "schema[:path] key" -> printed value. Keys never set print their
// defaults: an empty list, an empty string.
class FakeGSettings
{
public:
    explicit FakeGSettings(platform::FakePlatform& platform);

    std::map<std::string, std::string> values;
    bool installed = true;
    bool failing = false;
};
