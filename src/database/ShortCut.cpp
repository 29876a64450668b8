#include "database/ShortCut.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace {

// Lower case by the locale's rules; ASCII, the usual case, without a detour through QString.
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

// The one key of keys (pressed.size() + 1 folded codes) that is not in pressed, when keys hold
// all of pressed; 0 otherwise. Both are in one order, so one merge pass tells.
std::uint16_t OneKeyMore(const std::uint16_t* keys, const std::vector<std::uint16_t>& pressed)
{
    std::uint16_t extra = 0;
    auto p = pressed.begin();
    for (std::size_t i = 0; i <= pressed.size(); ++i) {
        if (p != pressed.end() && keys[i] == *p) {
            ++p;
        } else if (extra == 0) {
            extra = keys[i];
        } else {
            return 0;
        }
    }
    return p == pressed.end() ? extra : 0;
}

} // namespace

// --- CProgram ---------------------------------------------------------------------------------

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
    return !FileName.empty() && LowerCase(loaded.FileName) == LowerCase(FileName);
}

void CProgram::SetRunState(bool loaded, bool active)
{
    loaded_ = loaded;
    active_ = active;
}

// --- CShortCut --------------------------------------------------------------------------------

CShortCut::CShortCut() : ActionDescription(std::make_unique<CActionDescription>()) {}

bool CShortCut::Enabled() const
{
    switch (Type) {
    case ShortCutType::Normal:
        return Program && Program->IsActive();
    case ShortCutType::Global:
        return Program && Program->IsLoaded();
    case ShortCutType::SuperGlobal:
        return true;
    }
    return false;
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
    group.shortCuts.push_back(shortCut.get());
    for (std::uint16_t code : shortCut->KeyCodes) {
        group.keys.push_back(Folded(code));
    }
    items_.push_back(std::move(shortCut));
}

void CShortCuts::SetRunningPrograms(const CLoadedPrograms& loaded, std::int32_t activeProcessId)
{
    // Processes by lower-case file name: one pass over the processes, one look-up per program.
    std::unordered_map<std::string, std::vector<const CLoadedProgram*>> byName;
    for (const auto& process : loaded) {
        if (!process->FileName.empty()) {
            byName[LowerCase(process->FileName)].push_back(process.get());
        }
    }
    for (const auto& program : programs_) {
        const auto found =
            program->FileName.empty() ? byName.end() : byName.find(LowerCase(program->FileName));
        if (found == byName.end()) {
            program->SetRunState(false, false);
            continue;
        }
        const bool active =
            activeProcessId != 0 && std::any_of(found->second.begin(), found->second.end(),
                                                [activeProcessId](const CLoadedProgram* process) {
                                                    return process->ProcessId == activeProcessId;
                                                });
        program->SetRunState(true, active);
    }
}

std::map<int, CShortCut*> CShortCuts::GetNextKeys(const CKeyCodes& pressed)
{
    std::map<int, CShortCut*> result;
    const std::vector<std::uint16_t> held = Folded(pressed);
    const SizeGroup& group = WithKeyCount(held.size() + 1);
    for (std::size_t i = 0; i < group.shortCuts.size(); ++i) {
        const std::uint16_t next = OneKeyMore(&group.keys[i * (held.size() + 1)], held);
        if (next != 0 && group.shortCuts[i]->Enabled()) {
            result[next] = group.shortCuts[i];
        }
    }
    return result;
}

CShortCut* CShortCuts::FindShortCut(const CKeyCodes& keys)
{
    const std::vector<std::uint16_t> wanted = Folded(keys);
    const SizeGroup& group = WithKeyCount(wanted.size());
    for (std::size_t i = 0; i < group.shortCuts.size(); ++i) {
        if (std::equal(wanted.begin(), wanted.end(), group.keys.begin() + i * wanted.size()) &&
            group.shortCuts[i]->Enabled()) {
            return group.shortCuts[i];
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
