#include "live/LiveShortCutLoader.h"

#include "services/Translation.h"
#include "util/Text.h"

#include <algorithm>
#include <utility>

namespace {

std::string FileName(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string JoinPath(const std::vector<std::string>& path)
{
    std::string joined;
    for (const std::string& part : path) {
        joined += (joined.empty() ? "" : " › ") + part;
    }
    return joined;
}

} // namespace

std::string DescribeOrigin(const live::LiveShortcut& shortcut)
{
    return FormatText(shortcut.source == live::LiveSource::Menu
                          ? Translate("из меню %s")
                          : Translate("из окна сочетаний клавиш программы: %s"),
                      JoinPath(shortcut.path));
}

CLiveShortCutLoader::CLiveShortCutLoader(platform::Platform& platform, CShortCutSetLoader& base)
    : platform_(platform), base_(base)
{
}

std::unique_ptr<CProgram> ProgramOfLive(const live::LiveProgram& program)
{
    auto result = std::make_unique<CProgram>();
    result->FileName = FileName(program.executable);
    result->WindowClasses = program.classes;
    result->DesktopId = program.desktopId;
    return result;
}

CProgram* OwnerOf(const std::vector<std::unique_ptr<CProgram>>& programs,
                  const live::LiveProgram& program)
{
    return OwnerOf(programs, ProgramOfLive(program)->Identity());
}

CProgram* OwnerOf(const std::vector<std::unique_ptr<CProgram>>& programs,
                  const CProgramIdentity& identity)
{
    CProgram* owner = nullptr;
    IdentityMatch best = IdentityMatch::None;
    for (const auto& candidate : programs) {
        const IdentityMatch match = MatchIdentity(candidate->Identity(), identity);
        if (match > best) {
            best = match;
            owner = candidate.get();
        }
    }
    return owner;
}

CKeyCodes KeysOfLive(platform::Platform& platform, const live::LiveShortcut& shortcut)
{
    const live::KeyOfKeySym keyOf = [&platform](const std::string& name) {
        return platform.GetKeyOfBindingName(name);
    };
    return live::ParseAccelerator(shortcut.syntax, shortcut.accelerator, keyOf);
}

std::unique_ptr<IShortCuts> CLiveShortCutLoader::LoadShortCuts()
{
    std::unique_ptr<CShortCuts> set = base_.LoadShortCutSet();
    for (const LiveProgramShortcuts& live : programs_) {
        AddLive(*set, live);
    }
    return set;
}

std::uint64_t CLiveShortCutLoader::Revision() const
{
    const std::uint64_t base = base_.Revision();
    if (base != baseRevision_) {
        baseRevision_ = base;
        ++revision_;
    }
    return revision_;
}

void CLiveShortCutLoader::SetEnabled(bool enabled)
{
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    if (!programs_.empty()) {
        programs_.clear();
        ++revision_;
    }
}

void CLiveShortCutLoader::SetLive(const live::LiveProgram& program,
                                  std::vector<live::LiveShortcut> shortcuts)
{
    if (!enabled_) {
        return;
    }
    const auto known =
        std::find_if(programs_.begin(), programs_.end(),
                     [&](const LiveProgramShortcuts& p) { return p.program.SameProgram(program); });
    const bool wasKnown = known != programs_.end();
    if (wasKnown) {
        if (known->shortcuts == shortcuts) {
            return;
        }
        programs_.erase(known);
    }
    if (!shortcuts.empty()) {
        if (programs_.size() == MaxPrograms) {
            programs_.erase(programs_.begin());
        }
        programs_.push_back({program, std::move(shortcuts)});
    } else if (!wasKnown) {
        return;
    }
    ++revision_;
}

const std::vector<live::LiveShortcut>*
CLiveShortCutLoader::LiveOf(const live::LiveProgram& program) const
{
    for (const LiveProgramShortcuts& live : programs_) {
        if (live.program.SameProgram(program)) {
            return &live.shortcuts;
        }
    }
    return nullptr;
}

void CLiveShortCutLoader::AddLive(CShortCuts& set, const LiveProgramShortcuts& live) const
{
    // The base's program for it owns the live shortcuts too.
    auto program = ProgramOfLive(live.program);
    const CProgramIdentity identity = program->Identity();
    CProgram* owner = OwnerOf(set.Programs(), identity);
    if (owner && owner->LiveReadingOff) {
        return;
    }
    // The keys the base has for this program or for every program.
    std::vector<CKeyCodes> taken;
    for (const auto& item : set.Items()) {
        if (item->Type != ShortCutType::Normal ||
            (item->Program &&
             MatchIdentity(item->Program->Identity(), identity) != IdentityMatch::None)) {
            taken.push_back(item->KeyCodes);
        }
    }
    if (!owner) {
        owner = set.AddProgram(std::move(program));
    }
    for (const live::LiveShortcut& shortcut : live.shortcuts) {
        const CKeyCodes keys = KeysOfLive(platform_, shortcut).OnLayout(platform_);
        if (keys.empty() || std::find(taken.begin(), taken.end(), keys) != taken.end()) {
            continue;
        }
        taken.push_back(keys);
        auto shortCut = std::make_unique<CShortCut>();
        shortCut->Program = owner;
        shortCut->KeyCodes = keys;
        shortCut->Type = ShortCutType::Normal;
        shortCut->ActionDescription->Name = shortcut.path.back();
        shortCut->ActionDescription->ShortName = shortcut.path.back();
        shortCut->ActionDescription->Origin = DescribeOrigin(shortcut);
        set.Add(std::move(shortCut));
    }
}
