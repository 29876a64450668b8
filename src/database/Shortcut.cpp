#include "database/Shortcut.h"

#include "framework/Exception.h"
#include "platform/Platform.h"
#include "shell/Activewindow.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

#include <QString>

#include <algorithm>

namespace {

QString LowerCase(const std::string& text)
{
    return QString::fromStdString(text).toLower();
}

// Left and right variants of a modifier are the same key.
bool SameKey(std::uint16_t a, std::uint16_t b)
{
    const CSortKeyCodes less;
    return !less(a, b) && !less(b, a);
}

// Whether one shortcut applies; within one query a program's answer is asked once.
class Applicability
{
public:
    bool operator()(const CShortCut& shortCut)
    {
        if (shortCut.Type == stSuperGlobal) {
            return true;
        }
        const auto key = std::make_pair(shortCut.Programm, shortCut.Type);
        const auto found = answers_.find(key);
        if (found != answers_.end()) {
            return found->second;
        }
        return answers_[key] = shortCut.Enabled();
    }

private:
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
    if (FileName.empty()) {
        return result;
    }
    const QString name = LowerCase(FileName);
    for (const auto& loaded : *LoadedPrograms) {
        if (!loaded->FileName.empty() && LowerCase(loaded->FileName) == name) {
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
    const auto matching = FindEqualLoadedProgram();
    if (matching.empty()) {
        return false;
    }
    const auto active = static_cast<std::int32_t>(CActiveWindow::Instance().GetActiveProcessId());
    return std::any_of(matching.begin(), matching.end(), [active](const CLoadedProgram* loaded) {
        return loaded->ProcessId != 0 && loaded->ProcessId == active;
    });
}

// --- CShortCut --------------------------------------------------------------------------------

CShortCut::CShortCut() : ActionDescription(std::make_unique<CActionDescription>()) {}

bool CShortCut::Enabled() const
{
    switch (Type) {
    case stNormal:
        return Programm && Programm->IsActive();
    case stGlobal:
        return Programm && Programm->IsLoaded();
    case stSuperGlobal:
        return true;
    default:
        throw Exception(Translate("Неправильный тип в свойстве CShortCut::Type"));
    }
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
