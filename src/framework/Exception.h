#pragma once

#include <stdexcept>
#include <string>

// The one general exception for errors a user or a data file can cause. The message is the
// (translated) text, ready to show.
class Exception : public std::runtime_error
{
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};
