#pragma once

#include <string>

// What a later copy of the program asks the first one over the instance channel, as far as the
// executable's quick path for "--show" needs it: plain C++, built before the program's libraries
// load.
namespace instance {

// The channel later copies reach the first one on.
inline constexpr const char* MessageChannel = "quorvel";
inline constexpr const char* ShowMessage = "show";
// Where a Wayland launch hands the activation token of the window it raises.
inline constexpr const char* ActivationTokenVariable = "XDG_ACTIVATION_TOKEN";

// The request with the activation token this copy was launched with, if any ("show TOKEN"), so
// that the window the first copy raises may take the focus.
std::string WithActivationToken(const std::string& request);
// The show message with the activation token.
std::string ShowRequest();

} // namespace instance
