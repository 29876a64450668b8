#include "editor/LiveAdoption.h"

#include "database/Registry.h"
#include "database/ShortCutSetLoader.h"
#include "database/ShortcutTables.h"
#include "framework/DataSet.h"
#include "live/LiveShortCutLoader.h"
#include "util/Paths.h"

#include <algorithm>
#include <string>

namespace {

// The record id of the base's program the live program belongs to, made when there is none.
std::int32_t ProgramRecord(DataSet& programs, const live::LiveProgram& program)
{
    if (const std::optional<OwnerRecord> owner = FindOwnerRecord(programs, program)) {
        return owner->id;
    }
    programs.Append();
    const std::string file = ExtractFileName(program.executable);
    programs.FieldByName("Name").SetValue(file.empty() ? program.desktopId : file);
    programs.FieldByName("FileName").SetValue(program.executable);
    programs.FieldByName("WindowClasses").SetValue(JoinIdentityList(program.classes));
    programs.FieldByName("DesktopId").SetValue(program.desktopId);
    programs.Post();
    return programs.FieldByName("Id").AsInteger();
}

} // namespace

std::optional<OwnerRecord> FindOwnerRecord(DataSet& programs, const live::LiveProgram& program)
{
    std::vector<std::unique_ptr<CProgram>> known;
    std::vector<std::int32_t> ids;
    const int idField = programs.FieldIndex("Id");
    for (const DataSet::Record* record : programs.AllRecords()) {
        known.push_back(ProgramOfRecord(programs, *record));
        ids.push_back(Field(programs, idField, *record).AsInteger());
    }
    const CProgram* owner = OwnerOf(known, program);
    if (!owner) {
        return std::nullopt;
    }
    const auto index = std::find_if(known.begin(), known.end(),
                                    [owner](const auto& p) { return p.get() == owner; }) -
                       known.begin();
    return OwnerRecord{ids[static_cast<std::size_t>(index)], owner->LiveReadingOff};
}

std::vector<CKeyCodes> KeysInBase(platform::Platform& platform, DataSet& shortcuts,
                                  std::int32_t programId)
{
    std::vector<CKeyCodes> keys;
    const int programField = shortcuts.FieldIndex("ProgramId");
    const int keysField = shortcuts.FieldIndex("KeyCodes");
    for (const DataSet::Record* record : shortcuts.AllRecords()) {
        const std::int32_t owner = Field(shortcuts, programField, *record).AsInteger();
        if (owner != programId && owner != CShortcutTables::SuperglobalId) {
            continue;
        }
        const Blob& bytes = Field(shortcuts, keysField, *record).AsBlob();
        CKeyCodes codes;
        codes.LoadFromBuffer(bytes.data(), bytes.size());
        keys.push_back(codes.OnLayout(platform));
    }
    return keys;
}

AdoptionReport AdoptLiveShortcuts(platform::Platform& platform, CDBRegistry& registry,
                                  const live::LiveProgram& program,
                                  const std::vector<live::LiveShortcut>& shortcuts)
{
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcutTable = *registry.GetShortcuts();
    AdoptionReport report;
    report.programId = ProgramRecord(programs, program);
    // The new shortcuts belong to it by the master link too.
    programs.Locate("Id", report.programId);
    std::vector<CKeyCodes> taken = KeysInBase(platform, shortcutTable, report.programId);
    for (const live::LiveShortcut& shortcut : shortcuts) {
        // Stored as written, a character's key found on the layout of each show.
        const CKeyCodes keys = KeysOfLive(platform, shortcut);
        const CKeyCodes onLayout = keys.OnLayout(platform);
        if (keys.empty() || shortcut.path.empty()) {
            continue;
        }
        if (std::find(taken.begin(), taken.end(), onLayout) != taken.end()) {
            ++report.alreadyInBase;
            continue;
        }
        taken.push_back(onLayout);
        shortcutTable.Append();
        shortcutTable.FieldByName("ProgramId").SetValue(report.programId);
        shortcutTable.FieldByName("ShortName").SetValue(shortcut.path.back());
        shortcutTable.FieldByName("Description").SetValue(shortcut.path.back());
        shortcutTable.FieldByName("KeyCodes").SetValue(BlobValue(keys.SaveToBuffer()));
        shortcutTable.FieldByName("IsNormal").SetValue(true);
        shortcutTable.Post();
        ++report.adopted;
    }
    return report;
}

std::int32_t SwitchLiveReadingOff(CDBRegistry& registry, const live::LiveProgram& program)
{
    DataSet& programs = *registry.GetPrograms();
    const std::int32_t id = ProgramRecord(programs, program);
    programs.Locate("Id", id);
    programs.Edit();
    programs.FieldByName("LiveReadingOff").SetValue(true);
    programs.Post();
    return id;
}
