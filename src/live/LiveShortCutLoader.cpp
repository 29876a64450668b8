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

void CLiveShortCutLoader::SetLive(const live::LiveProgram& program,
                                  std::vector<live::LiveShortcut> shortcuts)
{
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
    auto program = std::make_unique<CProgram>();
    program->FileName = FileName(live.program.executable);
    program->WindowClasses = live.program.classes;
    program->DesktopId = live.program.desktopId;
    const CProgramIdentity identity = program->Identity();
    // The base's program for it owns the live shortcuts too: a program of its own, known more
    // specifically, would be the active one in its place and hide the base's shortcuts.
    CProgram* owner = nullptr;
    IdentityMatch best = IdentityMatch::None;
    // The keys the base has for this program or for every program.
    std::vector<CKeyCodes> taken;
    for (const auto& item : set.Items()) {
        const IdentityMatch match = item->Program
                                        ? MatchIdentity(item->Program->Identity(), identity)
                                        : IdentityMatch::None;
        if (item->Type != ShortCutType::Normal || match != IdentityMatch::None) {
            taken.push_back(item->KeyCodes);
        }
        if (match > best) {
            best = match;
            owner = item->Program;
        }
    }
    if (!owner) {
        owner = set.AddProgram(std::move(program));
    }
    const live::KeyOfKeySym keyOf = [this](const std::string& name) {
        return platform_.GetKeyOfBindingName(name);
    };
    for (const live::LiveShortcut& shortcut : live.shortcuts) {
        const CKeyCodes keys = live::ParseAccelerator(shortcut.syntax, shortcut.accelerator, keyOf)
                                   .OnLayout(platform_);
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
