#pragma once

#include "database/ShortCutSetLoader.h"
#include "live/LiveCache.h"
#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The user's shortcut set with what the programs read this session tell of their own shortcuts
// under it: a live shortcut is a normal shortcut of its program, left out where the base has a
// shortcut on the same keys for that program or for every program (the base wins), and where an
// earlier live one of the program took the keys. Its description says where it was found.
class CLiveShortCutLoader : public IShortCutLoader
{
public:
    // The programs whose shortcuts are kept; the oldest read goes first.
    static constexpr std::size_t MaxPrograms = 16;

    CLiveShortCutLoader(platform::Platform& platform, CShortCutSetLoader& base);

    std::unique_ptr<IShortCuts> LoadShortCuts() override;
    std::uint64_t Revision() const override;

    struct LiveProgramShortcuts
    {
        live::LiveProgram program;
        std::vector<live::LiveShortcut> shortcuts;
    };

    // What the cache holds for a program now (empty: forget it). Ignored while switched off.
    void SetLive(const live::LiveProgram& program, std::vector<live::LiveShortcut> shortcuts);
    // The live shortcuts of one program, as last set.
    const std::vector<live::LiveShortcut>* LiveOf(const live::LiveProgram& program) const;
    // The programs read, oldest first.
    const std::vector<LiveProgramShortcuts>& Programs() const { return programs_; }
    // Switched off, the set holds no live shortcuts and every program's are forgotten.
    void SetEnabled(bool enabled);

private:
    void AddLive(CShortCuts& set, const LiveProgramShortcuts& live) const;

    platform::Platform& platform_;
    CShortCutSetLoader& base_;
    bool enabled_ = true;
    std::vector<LiveProgramShortcuts> programs_;
    mutable std::uint64_t baseRevision_ = 0;
    mutable std::uint64_t revision_ = 1;
};

// "from the menu File › Save", "from the program's shortcuts window: Documents › Open": where a
// live shortcut was found, translated.
std::string DescribeOrigin(const live::LiveShortcut& shortcut);

// A live program as a program of the base names it: executable file name, classes, desktop entry.
std::unique_ptr<CProgram> ProgramOfLive(const live::LiveProgram& program);
// The program of the base a live program's shortcuts belong to: the one whose identity it matches
// most specifically (a program of its own, known more specifically, would be the active one in
// its place and hide the base's shortcuts); null when none.
CProgram* OwnerOf(const std::vector<std::unique_ptr<CProgram>>& programs,
                  const live::LiveProgram& program);
// The same for a live program's identity, made once already.
CProgram* OwnerOf(const std::vector<std::unique_ptr<CProgram>>& programs,
                  const CProgramIdentity& identity);
// Its keys as the base stores them (a key written by a character stays that character until
// OnLayout); empty when the accelerator names no key.
CKeyCodes KeysOfLive(platform::Platform& platform, const live::LiveShortcut& shortcut);
