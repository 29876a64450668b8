#pragma once

#include "platform/Platform.h"

#include <string>

// The window manager that takes the Windows key for itself, so that a grab of Win + key never
// fires: the key goes to the focused application instead.
enum class WinKeyOwner
{
    Nobody,
    // GNOME's mutter with its overlay key (org.gnome.mutter overlay-key) on a Windows key.
    Mutter,
    // IceWM with Win95Keys=1.
    IceWM,
};

// What the running desktop does with keys.
struct DesktopFacts
{
    // As the window manager names itself; empty without one.
    std::string windowManager;
    WinKeyOwner winKeyOwner = WinKeyOwner::Nobody;
    // GNOME's own shortcut settings can run a command on a key (its custom keybindings).
    bool gnomeShortcuts = false;
    // This program can grab a trigger for the whole desktop; else the desktop's own key
    // bindings must run "quorvel --show".
    bool grabsTrigger = true;
};

// Looks at the running window manager and its settings; runs gsettings for mutter, with a short
// time-out.
DesktopFacts InspectDesktop(platform::Platform& platform);

// IceWM's Win95Keys in the first preferences file IceWM reads ($ICEWM_PRIVCFG,
// $XDG_CONFIG_HOME/icewm, ~/.icewm, /etc/icewm, /usr/share/icewm: icewm(1), FILES), or IceWM's
// default, 1.
bool IceWmTakesWinKeys();
