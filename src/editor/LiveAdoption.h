#pragma once

#include "live/LiveCache.h"
#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <vector>

class CDBRegistry;
class DataSet;

// The base's program record a live program's shortcuts belong to (the one OwnerOf picks).
struct OwnerRecord
{
    std::int32_t id = 0;
    bool liveReadingOff = false;
};
std::optional<OwnerRecord> FindOwnerRecord(DataSet& programs, const live::LiveProgram& program);

// The combinations the overlay shows from the base in place of a program's live ones: the
// program's own shortcuts and the super-global ones, on the active layout.
std::vector<CKeyCodes> KeysInBase(platform::Platform& platform, DataSet& shortcuts,
                                  std::int32_t programId);

// What adopting live shortcuts into the user's base did.
struct AdoptionReport
{
    int adopted = 0;
    // Left out: the program or the super-global shortcuts already have the combination, which
    // the overlay shows in their place anyway.
    int alreadyInBase = 0;
    // The program's record the shortcuts went to.
    std::int32_t programId = 0;
};

// Adds live shortcuts to the user's base as normal shortcuts of their program: the base's program
// the live one belongs to, or a new program made from its identity (name, executable, window
// classes, desktop entry). Each is named by its menu item or shortcuts-window title; an
// accelerator that names no key is left out. The tables change as an edit of the editor does:
// saved with the base.
AdoptionReport AdoptLiveShortcuts(platform::Platform& platform, CDBRegistry& registry,
                                  const live::LiveProgram& program,
                                  const std::vector<live::LiveShortcut>& shortcuts);

// Switches live reading off for the program in the base, made as adopting makes it when the base
// has none; returns its record's id.
std::int32_t SwitchLiveReadingOff(CDBRegistry& registry, const live::LiveProgram& program);
