#include "database/PackImport.h"

#include "database/Registry.h"
#include "database/ShortCut.h"
#include "database/ShortcutTables.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>

namespace {

// One shortcut of the program being merged into.
struct Existing
{
    CKeyCodes keys;
    bool active;
    std::int32_t id;
};

bool SameKeys(const CKeyCodes& a, const CKeyCodes& b)
{
    return a.size() == b.size() && a.Contains(b);
}

std::vector<std::string> PackClasses(const ShortcutPack& pack)
{
    std::vector<std::string> classes = pack.windowClasses;
    classes.insert(classes.end(), pack.appIds.begin(), pack.appIds.end());
    return classes;
}

// How a program of the base matches the pack: by desktop entry or window class; by executable
// only while neither is known by its windows' classes (a pack of LibreOffice's Writer is not one
// of its other modules, nor all of them).
IdentityMatch PackMatch(const CProgramIdentity& program, const ShortcutPack& pack)
{
    IdentityMatch best = IdentityMatch::None;
    for (const std::string& executable : pack.executables) {
        const CProgramIdentity packs = CProgramIdentity::Make(ExtractFileName(executable),
                                                              PackClasses(pack), {pack.desktopId});
        IdentityMatch match = MatchIdentity(program, packs);
        if (match == IdentityMatch::Executable &&
            (!program.classes.empty() || !packs.classes.empty())) {
            match = IdentityMatch::None;
        }
        best = std::max(best, match);
    }
    return best;
}

// The Id of the program that matches the pack most specifically; 0 when none does.
std::int32_t FindProgram(DataSet& programs, const ShortcutPack& pack)
{
    Field fileName = programs.FieldByName("FileName");
    Field classes = programs.FieldByName("WindowClasses");
    Field desktopId = programs.FieldByName("DesktopId");
    Field id = programs.FieldByName("Id");
    std::int32_t found = 0;
    IdentityMatch best = IdentityMatch::None;
    for (programs.First(); !programs.Eof(); programs.Next()) {
        if (id.AsInteger() == CShortcutTables::SuperglobalId) {
            continue;
        }
        const IdentityMatch match = PackMatch(
            CProgramIdentity::Make(ExtractFileName(fileName.AsString()),
                                   SplitIdentityList(classes.AsString()), {desktopId.AsString()}),
            pack);
        if (match > best) {
            best = match;
            found = id.AsInteger();
        }
    }
    return found;
}

// Gives a program what the pack tells of its windows and desktop entry, where it has nothing of
// its own.
void CompleteIdentity(DataSet& programs, const ShortcutPack& pack)
{
    const std::string classes = JoinIdentityList(PackClasses(pack));
    Field ownClasses = programs.FieldByName("WindowClasses");
    Field ownDesktopId = programs.FieldByName("DesktopId");
    const bool addClasses = ownClasses.AsString().empty() && !classes.empty();
    const bool addDesktopId = ownDesktopId.AsString().empty() && !pack.desktopId.empty();
    if (!addClasses && !addDesktopId) {
        return;
    }
    programs.Edit();
    if (addClasses) {
        ownClasses.SetValue(classes);
    }
    if (addDesktopId) {
        ownDesktopId.SetValue(pack.desktopId);
    }
    programs.Post();
}

std::string ChooseExecutable(const std::vector<std::string>& executables)
{
    for (const std::string& executable : executables) {
        if (IsApplicationFile(ResolveOnPath(executable))) {
            return executable;
        }
    }
    return executables.empty() ? std::string() : executables.front();
}

std::int32_t AddProgram(DataSet& programs, const ShortcutPack& pack)
{
    programs.Append();
    programs.FieldByName("Name").SetValue(pack.name);
    programs.FieldByName("FileName").SetValue(ChooseExecutable(pack.executables));
    programs.FieldByName("WindowClasses").SetValue(JoinIdentityList(PackClasses(pack)));
    programs.FieldByName("DesktopId").SetValue(pack.desktopId);
    programs.Post();
    return programs.FieldByName("Id").AsInteger();
}

// The shortcuts of the current program.
std::vector<Existing> ShortcutsShown(DataSet& shortcuts)
{
    std::vector<Existing> existing;
    Field keyCodes = shortcuts.FieldByName("KeyCodes");
    Field isNormal = shortcuts.FieldByName("IsNormal");
    Field id = shortcuts.FieldByName("Id");
    for (shortcuts.First(); !shortcuts.Eof(); shortcuts.Next()) {
        CKeyCodes keys;
        keys.LoadFromBuffer(keyCodes.AsBlob().data(), keyCodes.AsBlob().size());
        existing.push_back({keys, isNormal.AsBoolean(), id.AsInteger()});
    }
    return existing;
}

void SetFields(DataSet& shortcuts, const PackShortcut& shortcut)
{
    shortcuts.FieldByName("ShortName").SetValue(shortcut.name);
    shortcuts.FieldByName("Description").SetValue(shortcut.description);
    shortcuts.FieldByName("KeyCodes").SetValue(BlobValue(shortcut.keys.SaveToBuffer()));
    shortcuts.FieldByName("IsNormal").SetValue(shortcut.active);
    if (!shortcut.icon.empty()) {
        shortcuts.FieldByName("Icon").SetValue(BlobValue(shortcut.icon));
    }
}

void MergeShortcuts(DataSet& shortcuts, const ShortcutPack& pack, bool scopeMatters,
                    ImportReport& report)
{
    std::vector<Existing> existing = ShortcutsShown(shortcuts);
    for (const PackShortcut& shortcut : pack.shortcuts) {
        const auto same = std::find_if(existing.begin(), existing.end(), [&](const Existing& e) {
            return SameKeys(e.keys, shortcut.keys) &&
                   (!scopeMatters || e.active == shortcut.active);
        });
        if (same != existing.end() && shortcuts.Locate("Id", same->id)) {
            shortcuts.Edit();
            SetFields(shortcuts, shortcut);
            shortcuts.Post();
            same->active = shortcut.active;
            ++report.shortcutsUpdated;
            continue;
        }
        shortcuts.Append();
        SetFields(shortcuts, shortcut);
        shortcuts.Post();
        existing.push_back(
            {shortcut.keys, shortcut.active, shortcuts.FieldByName("Id").AsInteger()});
        ++report.shortcutsAdded;
    }
}

} // namespace

ImportReport MergePacks(CDBRegistry& registry, const std::vector<ShortcutPack>& packs)
{
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
    // The program the user had selected stays selected.
    const std::int32_t selected = programs.IsEmpty() ? 0 : programs.FieldByName("Id").AsInteger();
    ImportReport report;
    for (const ShortcutPack& pack : packs) {
        std::int32_t id =
            pack.desktop ? CShortcutTables::SuperglobalId : FindProgram(programs, pack);
        if (id == 0) {
            id = AddProgram(programs, pack);
            ++report.programsAdded;
        } else if (!pack.desktop) {
            ++report.programsFound;
        }
        programs.Locate("Id", id);
        if (!pack.desktop) {
            CompleteIdentity(programs, pack);
        }
        MergeShortcuts(shortcuts, pack, id != CShortcutTables::SuperglobalId, report);
    }
    programs.Locate("Id", selected);
    return report;
}

ImportReport ImportFile(CDBRegistry& registry, const std::string& path)
{
    // Everything is read and checked before the base is touched.
    const PackFile file = ReadPackFile(path);
    ImportReport report = MergePacks(registry, file.packs);
    report.notes = file.notes;
    return report;
}

std::string DescribeImport(const std::string& path, const ImportReport& report)
{
    std::string text = FormatText(
        Translate("Импортирован файл %s. Новых программ: %s, программ из базы: %s. Сочетаний "
                  "клавиш добавлено: %s, обновлено: %s."),
        path, std::to_string(report.programsAdded), std::to_string(report.programsFound),
        std::to_string(report.shortcutsAdded), std::to_string(report.shortcutsUpdated));
    for (const std::string& note : report.notes) {
        text += "\n" + note;
    }
    return text;
}
