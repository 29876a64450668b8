#include "database/Shortcut.h"

#include "framework/Exception.h"
#include "platform/Platform.h"
#include "shell/Activewindow.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <optional>
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

bool AnyIsActive(const std::vector<CLoadedProgram*>& matching, std::int32_t activeProcessId)
{
    return std::any_of(matching.begin(), matching.end(), [activeProcessId](const auto* loaded) {
        return loaded->ProcessId != 0 && loaded->ProcessId == activeProcessId;
    });
}

std::int32_t ActiveProcessId()
{
    return static_cast<std::int32_t>(CActiveWindow::Instance().GetActiveProcessId());
}

// What deciding whether a shortcut applies needs to know about the running programs.
class RunningPrograms
{
public:
    virtual ~RunningPrograms() = default;
    virtual std::vector<CLoadedProgram*> Matching(const CProgram& program) = 0;
    virtual std::int32_t ActiveProcessId() = 0;
};

bool Applies(const CShortCut& shortCut, RunningPrograms& running)
{
    switch (shortCut.Type) {
    case stNormal:
        return shortCut.Programm &&
               AnyIsActive(running.Matching(*shortCut.Programm), running.ActiveProcessId());
    case stGlobal:
        return shortCut.Programm && !running.Matching(*shortCut.Programm).empty();
    case stSuperGlobal:
        return true;
    default:
        throw Exception(Translate("Неправильный тип в свойстве CShortCut::Type"));
    }
}

// Asks each program, as a single Enabled() does.
class DirectRunningPrograms : public RunningPrograms
{
public:
    std::vector<CLoadedProgram*> Matching(const CProgram& program) override
    {
        return program.FindEqualLoadedProgram();
    }
    std::int32_t ActiveProcessId() override { return ::ActiveProcessId(); }
};

// One query over many shortcuts: processes indexed by file name and the active process read
// once. Shortcuts of one program lie together in the collection, so whether the last program
// runs and is active is kept.
class Applicability : public RunningPrograms
{
public:
    bool operator()(const CShortCut& shortCut)
    {
        if (shortCut.Type != stNormal && shortCut.Type != stGlobal) {
            return Applies(shortCut, *this);
        }
        if (!shortCut.Programm) {
            return false;
        }
        if (shortCut.Programm != lastProgram_) {
            const auto matching = Matching(*shortCut.Programm);
            lastProgram_ = shortCut.Programm;
            loaded_ = !matching.empty();
            active_ = AnyIsActive(matching, ActiveProcessId());
        }
        return shortCut.Type == stNormal ? active_ : loaded_;
    }

    std::vector<CLoadedProgram*> Matching(const CProgram& program) override
    {
        if (!program.LoadedPrograms || program.FileName.empty()) {
            return program.FindEqualLoadedProgram();
        }
        if (indexed_ != program.LoadedPrograms) {
            index_.clear();
            for (const auto& loaded : *program.LoadedPrograms) {
                if (!loaded->FileName.empty()) {
                    index_[LowerCase(loaded->FileName)].push_back(loaded.get());
                }
            }
            indexed_ = program.LoadedPrograms;
        }
        const auto found = index_.find(LowerCase(program.FileName));
        return found == index_.end() ? std::vector<CLoadedProgram*>{} : found->second;
    }

    std::int32_t ActiveProcessId() override
    {
        if (!activeProcess_) {
            activeProcess_ = ::ActiveProcessId();
        }
        return *activeProcess_;
    }

private:
    const CLoadedPrograms* indexed_ = nullptr;
    std::unordered_map<std::string, std::vector<CLoadedProgram*>> index_;
    std::optional<std::int32_t> activeProcess_;
    const CProgram* lastProgram_ = nullptr;
    bool loaded_ = false;
    bool active_ = false;
};

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

std::vector<CLoadedProgram*> CProgram::FindEqualLoadedProgram() const
{
    if (!LoadedPrograms) {
        throw Exception(Translate("Вызван метод CProgram::FindEqualLoadedProgram объекта для "
                                  "которого не определен LoadedPrograms"));
    }
    std::vector<CLoadedProgram*> result;
    for (const auto& loaded : *LoadedPrograms) {
        if (MatchesLoadedProgram(*loaded)) {
            result.push_back(loaded.get());
        }
    }
    return result;
}

bool CProgram::MatchesLoadedProgram(const CLoadedProgram& loaded) const
{
    return !FileName.empty() && LowerCase(loaded.FileName) == LowerCase(FileName);
}

bool CProgram::IsLoaded() const
{
    return !FindEqualLoadedProgram().empty();
}

bool CProgram::IsActive() const
{
    return AnyIsActive(FindEqualLoadedProgram(), ActiveProcessId());
}

// --- CShortCut --------------------------------------------------------------------------------

CShortCut::CShortCut() : ActionDescription(std::make_unique<CActionDescription>()) {}

bool CShortCut::Enabled() const
{
    DirectRunningPrograms running;
    return Applies(*this, running);
}

// --- CShortCuts -------------------------------------------------------------------------------

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

std::map<int, CShortCut*> CShortCuts::GetNextKeys(const CKeyCodes& pressed)
{
    std::map<int, CShortCut*> result;
    const std::vector<std::uint16_t> held = Folded(pressed);
    const SizeGroup& group = WithKeyCount(held.size() + 1);
    Applicability applies;
    for (std::size_t i = 0; i < group.shortCuts.size(); ++i) {
        const std::uint16_t next = OneKeyMore(&group.keys[i * (held.size() + 1)], held);
        if (next != 0 && applies(*group.shortCuts[i])) {
            result[next] = group.shortCuts[i];
        }
    }
    return result;
}

CShortCut* CShortCuts::FindShortCut(const CKeyCodes& keys)
{
    const std::vector<std::uint16_t> wanted = Folded(keys);
    const SizeGroup& group = WithKeyCount(wanted.size());
    Applicability applies;
    for (std::size_t i = 0; i < group.shortCuts.size(); ++i) {
        if (std::equal(wanted.begin(), wanted.end(), group.keys.begin() + i * wanted.size()) &&
            applies(*group.shortCuts[i])) {
            return group.shortCuts[i];
        }
    }
    return nullptr;
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
}

// --- processes --------------------------------------------------------------------------------

void RefreshLoadedPrograms(CLoadedPrograms& programs)
{
    const auto ids = platform::Get().EnumProcesses();
    programs.clear();
    for (const auto id : ids) {
        auto loaded = std::make_unique<CLoadedProgram>();
        loaded->ProcessId = static_cast<std::int32_t>(id);
        loaded->ModulePath = GetProcessModulePath(id);
        loaded->FileName = ExtractFileName(loaded->ModulePath);
        programs.push_back(std::move(loaded));
    }
}

std::string GetProcessModulePath(std::uint32_t processId)
{
    if (processId == 0) {
        return {};
    }
    return platform::Get().GetProcessModulePath(processId);
}

std::string GetProcessFileName(std::uint32_t processId)
{
    return ExtractFileName(GetProcessModulePath(processId));
}
