#include "database/ShortCut.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_map>

// ASCII, the usual case, without a detour through QString.
std::string LowerCase(const std::string& text)
{
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; })) {
        std::string lower = text;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return static_cast<char>(std::tolower(c)); });
        return lower;
    }
    return QString::fromStdString(text).toLower().toStdString();
}

namespace {

// A key as the queries compare it: left and right variants of a modifier fold to one code, so
// equivalent keys are equal.
std::uint16_t Folded(std::uint16_t code)
{
    const std::uint16_t generic = GetGenericKeyCode(code);
    return generic ? generic : code;
}

std::vector<std::uint16_t> Folded(const CKeyCodes& codes)
{
    std::vector<std::uint16_t> folded;
    folded.reserve(codes.size());
    for (std::uint16_t code : codes) {
        folded.push_back(Folded(code));
    }
    return folded;
}

// Whether keys (held.size() + N folded codes) hold all of held; if so, extra receives the others
// in their order. Both are in one order, so one merge pass tells.
template <std::size_t N>
bool KeysMore(const std::uint16_t* keys, const std::vector<std::uint16_t>& held,
              std::array<std::uint16_t, N>& extra)
{
    std::size_t found = 0;
    auto p = held.begin();
    for (std::size_t i = 0; i < held.size() + N; ++i) {
        if (p != held.end() && keys[i] == *p) {
            ++p;
        } else if (found < N) {
            extra[found++] = keys[i];
        } else {
            return false;
        }
    }
    return true;
}

// The distinct keys added to it, counted.
class KeyTally
{
public:
    void Add(std::uint16_t code)
    {
        if (code >= seen_.size()) {
            seen_.resize(code + 1u);
        }
        if (!seen_[code]) {
            seen_[code] = true;
            ++count_;
        }
    }
    int Count() const { return count_; }

private:
    std::vector<bool> seen_;
    int count_ = 0;
};

} // namespace

// --- CProgram ---------------------------------------------------------------------------------

CProgramIdentity CLoadedProgram::Identity() const
{
    return CProgramIdentity::Make(FileName, WindowClasses, DesktopIds);
}

CProgramIdentity CProgram::Identity() const
{
    return CProgramIdentity::Make(FileName, WindowClasses, {DesktopId});
}

std::vector<CLoadedProgram*> CProgram::FindEqualLoadedProgram(const CLoadedPrograms& loaded) const
{
    std::vector<CLoadedProgram*> result;
    for (const auto& process : loaded) {
        if (MatchesLoadedProgram(*process)) {
            result.push_back(process.get());
        }
    }
    return result;
}

bool CProgram::MatchesLoadedProgram(const CLoadedProgram& loaded) const
{
    return MatchIdentity(Identity(), loaded.Identity()) != IdentityMatch::None;
}

void CProgram::SetRunState(bool loaded, bool active)
{
    loaded_ = loaded;
    active_ = active;
}

// --- CShortCut --------------------------------------------------------------------------------

CShortCut::CShortCut() : ActionDescription(std::make_unique<CActionDescription>()) {}

bool Applies(ShortCutType type, const CProgram* program)
{
    switch (type) {
    case ShortCutType::Normal:
        return program && program->IsActive();
    case ShortCutType::Global:
        return program && program->IsLoaded();
    case ShortCutType::SuperGlobal:
        return true;
    }
    return false;
}

bool CShortCut::Enabled() const
{
    return Applies(Type, Program);
}

// --- CShortCuts -------------------------------------------------------------------------------

CProgram* CShortCuts::AddProgram(std::unique_ptr<CProgram> program)
{
    programs_.push_back(std::move(program));
    return programs_.back().get();
}

void CShortCuts::Add(std::unique_ptr<CShortCut> shortCut)
{
    const std::size_t count = shortCut->KeyCodes.size();
    if (bySize_.size() <= count) {
        bySize_.resize(count + 1);
    }
    SizeGroup& group = bySize_[count];
    group.entries.push_back({shortCut.get(), shortCut->Program, shortCut->Type});
    for (std::uint16_t code : shortCut->KeyCodes) {
        group.keys.push_back(Folded(code));
    }
    items_.push_back(std::move(shortCut));
}

void CShortCuts::SetRunningPrograms(const CLoadedPrograms& loaded, const CActiveProgram& active)
{
    // Each process's identity once, and the processes by each name in it: a program is compared
    // only with the processes that share a name with it.
    std::vector<CProgramIdentity> identities;
    identities.reserve(loaded.size());
    using Index = std::unordered_map<std::string, std::vector<std::size_t>>;
    Index byFile, byClass, byDesktop;
    const CLoadedProgram* activeProcess = nullptr;
    for (const auto& process : loaded) {
        const std::size_t index = identities.size();
        identities.push_back(process->Identity());
        const CProgramIdentity& identity = identities.back();
        byFile[identity.fileName].push_back(index);
        for (const std::string& name : identity.classes) {
            byClass[name].push_back(index);
        }
        for (const std::string& id : identity.desktopIds) {
            byDesktop[id].push_back(index);
        }
        if (active.ProcessId != 0 && process->ProcessId == active.ProcessId) {
            activeProcess = process.get();
        }
    }
    // The window's own names, with what its process tells (executable, sandbox).
    std::vector<std::string> activeDesktopIds{active.DesktopId};
    if (activeProcess) {
        activeDesktopIds.insert(activeDesktopIds.end(), activeProcess->DesktopIds.begin(),
                                activeProcess->DesktopIds.end());
    }
    const CProgramIdentity activeIdentity =
        CProgramIdentity::Make(activeProcess ? activeProcess->FileName : std::string(),
                               active.WindowClasses, activeDesktopIds);
    std::vector<IdentityMatch> activeMatch(programs_.size(), IdentityMatch::None);
    std::vector<bool> running(programs_.size(), false);
    IdentityMatch best = IdentityMatch::None;
    for (std::size_t i = 0; i < programs_.size(); ++i) {
        const CProgramIdentity identity = programs_[i]->Identity();
        const auto runs = [&](const Index& index, const std::string& name) {
            const auto found = index.find(name);
            return found != index.end() &&
                   std::any_of(found->second.begin(), found->second.end(), [&](std::size_t p) {
                       return MatchIdentity(identity, identities[p]) != IdentityMatch::None;
                   });
        };
        running[i] = (!identity.fileName.empty() && runs(byFile, identity.fileName)) ||
                     std::any_of(identity.classes.begin(), identity.classes.end(),
                                 [&](const std::string& name) { return runs(byClass, name); }) ||
                     std::any_of(identity.desktopIds.begin(), identity.desktopIds.end(),
                                 [&](const std::string& id) { return runs(byDesktop, id); });
        if (active.ProcessId != 0) {
            activeMatch[i] = MatchIdentity(identity, activeIdentity);
            best = std::max(best, activeMatch[i]);
        }
    }
    for (std::size_t i = 0; i < programs_.size(); ++i) {
        const bool isActive = best != IdentityMatch::None && activeMatch[i] == best;
        programs_[i]->SetRunState(running[i] || isActive, isActive);
    }
}

std::map<int, CShortCut*> CShortCuts::GetNextKeys(const CKeyCodes& pressed)
{
    std::map<int, CShortCut*> result;
    const std::vector<std::uint16_t> held = Folded(pressed);
    const SizeGroup& group = WithKeyCount(held.size() + 1);
    for (std::size_t i = 0; i < group.entries.size(); ++i) {
        const Entry& entry = group.entries[i];
        std::array<std::uint16_t, 1> next{};
        if (KeysMore(&group.keys[i * (held.size() + 1)], held, next) &&
            Applies(entry.type, entry.program)) {
            result[next[0]] = entry.shortCut;
        }
    }
    return result;
}

CNextKeys CShortCuts::GetNextKeysAndCounts(const CKeyCodes& pressed)
{
    CNextKeys result{GetNextKeys(pressed), {}};
    // Holding key a too shows key b for a shortcut of the held keys, a and b, and holding b shows
    // a: the keys a held key leads to are those it shares such a shortcut with.
    const std::vector<std::uint16_t> held = Folded(pressed);
    const SizeGroup& group = WithKeyCount(held.size() + 2);
    std::vector<std::array<std::uint16_t, 2>> pairs;
    for (std::size_t i = 0; i < group.entries.size(); ++i) {
        const Entry& entry = group.entries[i];
        std::array<std::uint16_t, 2> pair{};
        if (KeysMore(&group.keys[i * (held.size() + 2)], held, pair) &&
            Applies(entry.type, entry.program)) {
            pairs.push_back(pair);
        }
    }
    // Only a key that begins such a shortcut gets a count; there are few such keys.
    std::vector<std::pair<std::uint16_t, KeyTally>> behind;
    const auto tallyOf = [&behind](std::uint16_t code) -> KeyTally* {
        const auto found = std::find_if(behind.begin(), behind.end(),
                                        [code](const auto& entry) { return entry.first == code; });
        return found == behind.end() ? nullptr : &found->second;
    };
    for (const auto& [first, second] : pairs) {
        if (!tallyOf(first)) {
            behind.emplace_back(first, KeyTally());
        }
    }
    for (const auto& [first, second] : pairs) {
        tallyOf(first)->Add(second);
        if (KeyTally* other = tallyOf(second)) {
            other->Add(first);
        }
    }
    for (const auto& [code, tally] : behind) {
        result.counts[code] = tally.Count();
    }
    return result;
}

CShortCut* CShortCuts::FindShortCut(const CKeyCodes& keys)
{
    const std::vector<std::uint16_t> wanted = Folded(keys);
    const SizeGroup& group = WithKeyCount(wanted.size());
    for (std::size_t i = 0; i < group.entries.size(); ++i) {
        const Entry& entry = group.entries[i];
        if (std::equal(wanted.begin(), wanted.end(), group.keys.begin() + i * wanted.size()) &&
            Applies(entry.type, entry.program)) {
            return entry.shortCut;
        }
    }
    return nullptr;
}

std::vector<const CShortCut*> CShortCuts::ProgramShortCuts(const std::string& fileName) const
{
    std::vector<const CShortCut*> found;
    const std::string wanted = LowerCase(fileName);
    for (const auto& item : items_) {
        if (item->Program && !wanted.empty() && LowerCase(item->Program->FileName) == wanted) {
            found.push_back(item.get());
        }
    }
    return found;
}

std::vector<const CShortCut*> CShortCuts::ActiveProgramShortCuts() const
{
    std::vector<const CShortCut*> found;
    for (const auto& item : items_) {
        if (item->Program && item->Program->IsActive()) {
            found.push_back(item.get());
        }
    }
    return found;
}

const CShortCuts::SizeGroup& CShortCuts::WithKeyCount(std::size_t count) const
{
    static const SizeGroup none;
    return count < bySize_.size() ? bySize_[count] : none;
}

void CShortCuts::Clear()
{
    bySize_.clear();
    items_.clear();
    programs_.clear();
}
