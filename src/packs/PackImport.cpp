#include "packs/PackImport.h"

#include "database/Registry.h"
#include "database/ShortCut.h"
#include "database/ShortcutTables.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <unordered_map>

namespace {

using Record = DataSet::Record;
using Table = std::vector<std::unique_ptr<Record>>;

// Orders combinations so that those SameKeys would match are equal: equivalent codes in display
// order.
struct KeysLess
{
    bool operator()(const std::pair<std::int32_t, CKeyCodes>& a,
                    const std::pair<std::int32_t, CKeyCodes>& b) const
    {
        if (a.first != b.first) {
            return a.first < b.first;
        }
        return std::lexicographical_compare(a.second.begin(), a.second.end(), b.second.begin(),
                                            b.second.end(), CSortKeyCodes());
    }
};

std::vector<std::string> PackClasses(const ShortcutPack& pack)
{
    std::vector<std::string> classes = pack.windowClasses;
    classes.insert(classes.end(), pack.appIds.begin(), pack.appIds.end());
    return classes;
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

int FieldIndex(const TableSnapshot& table, const std::string& name)
{
    for (std::size_t i = 0; i < table.fields.size(); ++i) {
        if (table.fields[i].name == name) {
            return static_cast<int>(i);
        }
    }
    throw std::invalid_argument(table.tableName + ": no field " + name);
}

std::int32_t NextId(const TableSnapshot& table, std::int32_t firstId)
{
    const int id = FieldIndex(table, "Id");
    std::optional<std::int32_t> max;
    for (const Record& record : table.records) {
        if (const auto* value = std::get_if<std::int32_t>(&record[id])) {
            max = max ? std::max(*max, *value) : *value;
        }
    }
    return max ? *max + 1 : firstId;
}

// The base's tables during a merge, worked on as copies and indexed so that each pack and
// shortcut is found at once: programs by desktop entry, window class and executable, shortcuts by
// program and keys. Shortcuts are known by their table position, which stays valid as the copy
// grows.
class Merge
{
public:
    Merge(TableSnapshot& programs, TableSnapshot& shortcuts)
        : programs_(programs), shortcuts_(shortcuts),
          nextProgramId_(NextId(programs, CShortcutTables::SuperglobalId + 1)),
          nextShortcutId_(NextId(shortcuts, 1)), programsKept_(programs.records.size()),
          shortcutsKept_(shortcuts.records.size())
    {
        for (std::size_t i = 0; i < programs_.records.size(); ++i) {
            IndexProgram(i);
        }
        for (std::size_t i = 0; i < shortcuts_.records.size(); ++i) {
            IndexShortcut(i);
        }
    }

    // The Id of the program that matches the pack most specifically, the first in the table among
    // equals; 0 when none does. By desktop entry or window class; by executable only while neither
    // side knows window classes (a pack of LibreOffice's Writer is not one of its other modules,
    // nor all of them).
    std::int32_t FindProgram(const ShortcutPack& pack) const
    {
        std::vector<CProgramIdentity> identities;
        for (const std::string& executable : pack.executables) {
            identities.push_back(CProgramIdentity::Make(ExtractFileName(executable),
                                                        PackClasses(pack), {pack.desktopId}));
        }
        // The most specific identity wins; among programs found by it, the first in the table.
        const Entry* found = nullptr;
        auto consider = [&found](const Index& index, const std::string& key) {
            const auto hit = index.find(key);
            if (hit != index.end() && (!found || hit->second.position < found->position)) {
                found = &hit->second;
            }
        };
        for (const auto& identity : identities) {
            for (const std::string& desktopId : identity.desktopIds) {
                consider(byDesktopId_, desktopId);
            }
        }
        for (const auto& identity : found ? std::vector<CProgramIdentity>() : identities) {
            for (const std::string& windowClass : identity.classes) {
                consider(byClass_, windowClass);
            }
        }
        for (const auto& identity : found ? std::vector<CProgramIdentity>() : identities) {
            if (identity.classes.empty() && !IsInterpreter(identity.fileName)) {
                consider(byFileName_, identity.fileName);
            }
        }
        return found ? found->id : 0;
    }

    // Gives a program what the pack tells of its windows and desktop entry, where it has nothing
    // of its own.
    void CompleteIdentity(std::int32_t id, const ShortcutPack& pack)
    {
        const auto found = programPositions_.find(id);
        if (found == programPositions_.end()) {
            return;
        }
        const std::size_t position = found->second;
        Record& program = programs_.records[position];
        const std::string classes = JoinIdentityList(PackClasses(pack));
        bool changed = false;
        if (Text(program, "WindowClasses").empty() && !classes.empty()) {
            Set(programs_, program, "WindowClasses", classes);
            changed = true;
        }
        if (Text(program, "DesktopId").empty() && !pack.desktopId.empty()) {
            Set(programs_, program, "DesktopId", pack.desktopId);
            changed = true;
        }
        if (changed) {
            IndexProgram(position);
            if (position < programsKept_) {
                programsUpdated_.insert(position);
            }
        }
    }

    std::int32_t AddProgram(const ShortcutPack& pack)
    {
        Record record = NewRecord(programs_);
        const std::int32_t id = nextProgramId_++;
        Set(programs_, record, "Id", id);
        Set(programs_, record, "Name", pack.name);
        Set(programs_, record, "FileName", ChooseExecutable(pack.executables));
        Set(programs_, record, "WindowClasses", JoinIdentityList(PackClasses(pack)));
        Set(programs_, record, "DesktopId", pack.desktopId);
        programs_.records.push_back(std::move(record));
        IndexProgram(programs_.records.size() - 1);
        return id;
    }

    // Updates the program's shortcut of the same keys (and scope, when it matters), else adds one.
    void MergeShortcut(std::int32_t program, bool scopeMatters, const PackShortcut& shortcut,
                       ImportReport& report)
    {
        const int isNormal = FieldIndex(shortcuts_, "IsNormal");
        std::vector<std::size_t>& same = shortcutsByKeys_[{program, shortcut.keys}];
        const auto match = std::find_if(same.begin(), same.end(), [&](std::size_t position) {
            return !scopeMatters ||
                   IsNormal(shortcuts_.records[position][isNormal]) == shortcut.active;
        });
        if (match != same.end()) {
            SetFields(shortcuts_.records[*match], shortcut);
            if (*match < shortcutsKept_) {
                updated_.insert(*match);
            }
            ++report.shortcutsUpdated;
            return;
        }
        Record record = NewRecord(shortcuts_);
        Set(shortcuts_, record, "Id", nextShortcutId_++);
        Set(shortcuts_, record, "ProgramId", program);
        SetFields(record, shortcut);
        shortcuts_.records.push_back(std::move(record));
        same.push_back(shortcuts_.records.size() - 1);
        ++report.shortcutsAdded;
    }

    // What the merge changed, copied from the copies.
    void TakeChanges(MergePlan& plan) const
    {
        plan.programs.revision = programs_.revision;
        plan.shortcuts.revision = shortcuts_.revision;
        TakeAdded(programs_, programsKept_, plan.programs);
        TakeAdded(shortcuts_, shortcutsKept_, plan.shortcuts);
        for (const std::size_t position : programsUpdated_) {
            plan.programs.updated.emplace_back(position, programs_.records[position]);
        }
        for (const std::size_t position : updated_) {
            plan.shortcuts.updated.emplace_back(position, shortcuts_.records[position]);
        }
    }

private:
    static Record NewRecord(const TableSnapshot& table)
    {
        Record record;
        for (const FieldDef& def : table.fields) {
            record.push_back(def.defaultValue);
        }
        return record;
    }

    // Text is cut to the field's size, as the table stores it.
    static void Set(const TableSnapshot& table, Record& record, const std::string& field,
                    FieldValue value)
    {
        const int index = FieldIndex(table, field);
        if (auto* text = std::get_if<std::string>(&value)) {
            *text = DataSet::TruncateText(std::move(*text), table.fields[index].size);
        }
        record[index] = std::move(value);
    }

    static void TakeAdded(const TableSnapshot& table, std::size_t kept, TableChanges& changes)
    {
        changes.added.assign(table.records.begin() + static_cast<std::ptrdiff_t>(kept),
                             table.records.end());
    }

    // As the field reads: null is not normal.
    static bool IsNormal(const FieldValue& value)
    {
        const auto* flag = std::get_if<bool>(&value);
        return flag && *flag;
    }

    void SetFields(Record& record, const PackShortcut& shortcut) const
    {
        Set(shortcuts_, record, "ShortName", shortcut.name);
        Set(shortcuts_, record, "Description", shortcut.description);
        Set(shortcuts_, record, "KeyCodes", BlobValue(shortcut.keys.SaveToBuffer()));
        Set(shortcuts_, record, "IsNormal", shortcut.active);
        if (!shortcut.icon.empty()) {
            Set(shortcuts_, record, "Icon", BlobValue(shortcut.icon));
        }
    }

    // A text field of a program; empty when null.
    std::string Text(const Record& program, const std::string& field) const
    {
        const auto* text = std::get_if<std::string>(&program[FieldIndex(programs_, field)]);
        return text ? *text : std::string();
    }

    void IndexProgram(std::size_t position)
    {
        const Record& program = programs_.records[position];
        const auto* id = std::get_if<std::int32_t>(&program[FieldIndex(programs_, "Id")]);
        if (!id || *id == CShortcutTables::SuperglobalId) {
            return;
        }
        const CProgramIdentity identity = CProgramIdentity::Make(
            ExtractFileName(Text(program, "FileName")),
            SplitIdentityList(Text(program, "WindowClasses")), {Text(program, "DesktopId")});
        programPositions_[*id] = position;
        const Entry entry{position, *id};
        for (const std::string& desktopId : identity.desktopIds) {
            byDesktopId_.try_emplace(desktopId, entry);
        }
        for (const std::string& windowClass : identity.classes) {
            byClass_.try_emplace(windowClass, entry);
        }
        // A program known by its windows' classes is found by them alone.
        if (identity.classes.empty() && !identity.fileName.empty()) {
            byFileName_.try_emplace(identity.fileName, entry);
        }
    }

    void IndexShortcut(std::size_t position)
    {
        const Record& shortcut = shortcuts_.records[position];
        const auto* program =
            std::get_if<std::int32_t>(&shortcut[FieldIndex(shortcuts_, "ProgramId")]);
        const auto* bytes = std::get_if<BlobValue>(&shortcut[FieldIndex(shortcuts_, "KeyCodes")]);
        if (!program) {
            return;
        }
        CKeyCodes keys;
        if (bytes) {
            keys.LoadFromBuffer(bytes->Bytes().data(), bytes->Bytes().size());
        }
        shortcutsByKeys_[{*program, keys}].push_back(position);
    }

    TableSnapshot& programs_;
    TableSnapshot& shortcuts_;
    std::int32_t nextProgramId_;
    std::int32_t nextShortcutId_;
    // The records the tables had before the merge; those after them are new.
    std::size_t programsKept_;
    std::size_t shortcutsKept_;
    // A program found by an identity: its table position and its Id.
    struct Entry
    {
        std::size_t position;
        std::int32_t id;
    };
    using Index = std::unordered_map<std::string, Entry>;
    // By lower-case desktop id, window class and executable file name.
    Index byDesktopId_;
    Index byClass_;
    Index byFileName_;
    // Program Id: its table position.
    std::unordered_map<std::int32_t, std::size_t> programPositions_;
    // Program Id and keys: the positions of the program's shortcuts of those keys, in table order.
    std::map<std::pair<std::int32_t, CKeyCodes>, std::vector<std::size_t>, KeysLess>
        shortcutsByKeys_;
    // Positions of records the tables had that the merge changed.
    std::set<std::size_t> programsUpdated_;
    std::set<std::size_t> updated_;
};

// Moves the changed records into the table and appends the new ones.
void ApplyChanges(DataSet& table, TableChanges& changes)
{
    table.ChangeRecords([&](Table& records) {
        for (auto& [position, record] : changes.updated) {
            *records[position] = std::move(record);
        }
        for (Record& record : changes.added) {
            records.push_back(std::make_unique<Record>(std::move(record)));
        }
    });
}

void PostPendingEdit(DataSet& table)
{
    if (table.State() != DataSetState::Browse) {
        table.Post();
    }
}

} // namespace

MergePlan PlanMerge(TableSnapshot programs, TableSnapshot shortcuts,
                    const std::vector<ShortcutPack>& packs)
{
    MergePlan plan;
    Merge merge(programs, shortcuts);
    for (const ShortcutPack& pack : packs) {
        std::int32_t id = pack.desktop ? CShortcutTables::SuperglobalId : merge.FindProgram(pack);
        if (id == 0) {
            id = merge.AddProgram(pack);
            ++plan.report.programsAdded;
        } else if (!pack.desktop) {
            merge.CompleteIdentity(id, pack);
            ++plan.report.programsFound;
        }
        for (const PackShortcut& shortcut : pack.shortcuts) {
            merge.MergeShortcut(id, id != CShortcutTables::SuperglobalId, shortcut, plan.report);
        }
    }
    merge.TakeChanges(plan);
    plan.mergedPrograms = std::move(programs);
    plan.mergedShortcuts = std::move(shortcuts);
    return plan;
}

bool ApplyMerge(CDBRegistry& registry, MergePlan& plan)
{
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
    const auto unchanged = [](const DataSet& table, const TableChanges& changes) {
        return table.State() == DataSetState::Browse && table.Revision() == changes.revision;
    };
    if (!unchanged(programs, plan.programs) || !unchanged(shortcuts, plan.shortcuts)) {
        return false;
    }
    // One change of each table: its order and views are rebuilt once, not once per record.
    ApplyChanges(programs, plan.programs);
    ApplyChanges(shortcuts, plan.shortcuts);
    return true;
}

ImportReport MergePacks(CDBRegistry& registry, const std::vector<ShortcutPack>& packs)
{
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
    PostPendingEdit(programs);
    PostPendingEdit(shortcuts);
    MergePlan plan = PlanMerge(programs.Snapshot(), shortcuts.Snapshot(), packs);
    ApplyMerge(registry, plan);
    return plan.report;
}

ImportReport MergePackFile(CDBRegistry& registry, const PackFile& file)
{
    ImportReport report = MergePacks(registry, file.packs);
    report.notes = file.notes;
    return report;
}

ImportReport ImportFile(CDBRegistry& registry, const std::string& path)
{
    // Everything is read and checked before the base is touched.
    return MergePackFile(registry, ReadPackFile(path));
}

std::string DescribeImport(const std::string& path, const ImportReport& report)
{
    std::string text = FormatText(
        Translate("Импортирован файл %s. Новых программ: %s, программ из базы: %s. Сочетаний "
                  "клавиш добавлено: %s, обновлено: %s."),
        QuoteUserText(path), std::to_string(report.programsAdded),
        std::to_string(report.programsFound), std::to_string(report.shortcutsAdded),
        std::to_string(report.shortcutsUpdated));
    for (const std::string& note : report.notes) {
        text += "\n" + note;
    }
    return text;
}
