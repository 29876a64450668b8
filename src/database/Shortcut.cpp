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

// Left and right variants of a modifier are the same key.
bool SameKey(std::uint16_t a, std::uint16_t b)
{
    const CSortKeyCodes less;
    return !less(a, b) && !less(b, a);
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

// One query over many shortcuts: processes indexed by file name, the active process read once,
// and each program's and type's answer kept.
class Applicability : public RunningPrograms
{
public:
    bool operator()(const CShortCut& shortCut)
    {
        const auto key = std::make_pair(shortCut.Programm, shortCut.Type);
        const auto found = answers_.find(key);
        if (found != answers_.end()) {
            return found->second;
        }
        return answers_[key] = Applies(shortCut, *this);
    }

    std::vector<CLoadedProgram*> Matching(const CProgram& program) override
    {
        if (!program.LoadedPrograms || program.FileName.empty()) {
            return program.FindEqualLoadedProgram();
        }
        auto& index = indexes_[program.LoadedPrograms];
        if (index.empty()) {
            for (const auto& loaded : *program.LoadedPrograms) {
                if (!loaded->FileName.empty()) {
                    index[LowerCase(loaded->FileName)].push_back(loaded.get());
                }
            }
        }
        const auto found = index.find(LowerCase(program.FileName));
        return found == index.end() ? std::vector<CLoadedProgram*>{} : found->second;
    }

    std::int32_t ActiveProcessId() override
    {
        if (!active_) {
            active_ = ::ActiveProcessId();
        }
        return *active_;
    }

private:
    using Index = std::unordered_map<std::string, std::vector<CLoadedProgram*>>;
    std::map<const CLoadedPrograms*, Index> indexes_;
    std::optional<std::int32_t> active_;
    std::map<std::pair<const CProgram*, std::uint8_t>, bool> answers_;
};

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
    items_.push_back(std::move(shortCut));
}

std::map<int, CShortCut*> CShortCuts::GetNextKeys(const CKeyCodes& pressed)
{
    std::map<int, CShortCut*> result;
    Applicability applies;
    for (const auto& shortCut : items_) {
        // The cheap key test first: most shortcuts fail it.
        if (shortCut->KeyCodes.size() != pressed.size() + 1 ||
            !shortCut->KeyCodes.Contains(pressed) || !applies(*shortCut)) {
            continue;
        }
        const CKeyCodes rest = shortCut->KeyCodes - pressed;
        if (rest.size() == 1) {
            result[*rest.begin()] = shortCut.get();
        }
    }
    return result;
}

CShortCut* CShortCuts::FindShortCut(const CKeyCodes& keys)
{
    Applicability applies;
    for (const auto& shortCut : items_) {
        if (shortCut->KeyCodes.size() == keys.size() &&
            std::equal(keys.begin(), keys.end(), shortCut->KeyCodes.begin(), SameKey) &&
            applies(*shortCut)) {
            return shortCut.get();
        }
    }
    return nullptr;
}

void CShortCuts::Clear()
{
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
