#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

class CDBRegistry;

// What the first start put into the new base.
struct FirstRunResult
{
    // The names of the applications whose packs were added, in the order of the pack files.
    std::vector<std::string> applications;
    // Whether the desktop's pack was added to the always-shown shortcuts.
    bool desktop = false;

    bool Added() const { return desktop || !applications.empty(); }
};

// Loads the base at start-up. When there is none yet, builds one from the packs in packsFolder
// and saves it: the pack of the desktop (matched by XDG_CURRENT_DESKTOP, else by the running
// window manager's name) and the packs of the applications installed here (an executable of the
// pack on PATH, or a desktop entry that runs one of them or has the pack's desktop-file id). A base
// that exists is only loaded. A pack that cannot be read is left out with a logged warning.
FirstRunResult LoadOrSetUpBase(platform::Platform& platform, CDBRegistry& registry,
                               const std::string& packsFolder);

// What a first start added to the base, in words for the user.
std::string DescribeFirstRun(const FirstRunResult& result);
