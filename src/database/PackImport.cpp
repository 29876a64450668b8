#include "database/PackImport.h"

#include "database/Registry.h"
#include "database/ShortCut.h"
#include "database/ShortcutTables.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>
#include <map>
#include <memory>
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

std::int32_t NextId(const DataSet& table, std::int32_t firstId)
{
    const auto max = table.Max("Id");
    return max ? *max + 1 : firstId;
}

// The base's tables during a merge, indexed so that each pack and shortcut is found at once:
// programs by the lower-case file names of their executables, shortcuts by program and keys.
class Merge
{
public:
    Merge(DataSet& programs, Table& programTable, DataSet& shortcuts, Table& shortcutTable)
        : programs_(programs), programTable_(programTable), shortcuts_(shortcuts),
          shortcutTable_(shortcutTable),
          nextProgramId_(NextId(programs, CShortcutTables::SuperglobalId + 1)),
          nextShortcutId_(NextId(shortcuts, 1))
    {
        for (const auto& program : programTable_) {
            IndexProgram(*program);
        }
        for (const auto& shortcut : shortcutTable_) {
            IndexShortcut(*shortcut);
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
            if (hit != index.end() && (!found || hit->second.order < found->order)) {
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
        const auto found = programsById_.find(id);
        if (found == programsById_.end()) {
            return;
        }
        Record& program = *found->second;
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
            IndexProgram(program);
        }
    }

    std::int32_t AddProgram(const ShortcutPack& pack)
    {
        Record record = programs_.NewRecord();
        const std::int32_t id = nextProgramId_++;
        Set(programs_, record, "Id", id);
        Set(programs_, record, "Name", pack.name);
        Set(programs_, record, "FileName", ChooseExecutable(pack.executables));
        Set(programs_, record, "WindowClasses", JoinIdentityList(PackClasses(pack)));
        Set(programs_, record, "DesktopId", pack.desktopId);
        programTable_.push_back(std::make_unique<Record>(std::move(record)));
        IndexProgram(*programTable_.back());
        return id;
    }

    // Updates the program's shortcut of the same keys (and scope, when it matters), else adds one.
    void MergeShortcut(std::int32_t program, bool scopeMatters, const PackShortcut& shortcut,
                       ImportReport& report)
    {
        const int isNormal = shortcuts_.FieldIndex("IsNormal");
        std::vector<Record*>& same = shortcutsByKeys_[{program, shortcut.keys}];
        const auto match = std::find_if(same.begin(), same.end(), [&](const Record* record) {
            return !scopeMatters || IsNormal((*record)[isNormal]) == shortcut.active;
        });
        if (match != same.end()) {
            SetFields(**match, shortcut);
            ++report.shortcutsUpdated;
            return;
        }
        Record record = shortcuts_.NewRecord();
        Set(shortcuts_, record, "Id", nextShortcutId_++);
        Set(shortcuts_, record, "ProgramId", program);
        SetFields(record, shortcut);
        shortcutTable_.push_back(std::make_unique<Record>(std::move(record)));
        same.push_back(shortcutTable_.back().get());
        ++report.shortcutsAdded;
    }

private:
    static void Set(const DataSet& table, Record& record, const std::string& field,
                    FieldValue value)
    {
        const int index = table.FieldIndex(field);
        record[index] = table.CheckedValue(index, std::move(value));
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
        const auto* text = std::get_if<std::string>(&program[programs_.FieldIndex(field)]);
        return text ? *text : std::string();
    }

    void IndexProgram(Record& program)
    {
        const auto* id = std::get_if<std::int32_t>(&program[programs_.FieldIndex("Id")]);
        if (!id || *id == CShortcutTables::SuperglobalId) {
            return;
        }
        const CProgramIdentity identity = CProgramIdentity::Make(
            ExtractFileName(Text(program, "FileName")),
            SplitIdentityList(Text(program, "WindowClasses")), {Text(program, "DesktopId")});
        programsById_[*id] = &program;
        const Entry entry{indexed_++, *id};
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

    void IndexShortcut(Record& shortcut)
    {
        const auto* program =
            std::get_if<std::int32_t>(&shortcut[shortcuts_.FieldIndex("ProgramId")]);
        const auto* bytes = std::get_if<BlobValue>(&shortcut[shortcuts_.FieldIndex("KeyCodes")]);
        if (!program) {
            return;
        }
        CKeyCodes keys;
        if (bytes) {
            keys.LoadFromBuffer(bytes->Bytes().data(), bytes->Bytes().size());
        }
        shortcutsByKeys_[{*program, keys}].push_back(&shortcut);
    }

    DataSet& programs_;
    Table& programTable_;
    DataSet& shortcuts_;
    Table& shortcutTable_;
    std::int32_t nextProgramId_;
    std::int32_t nextShortcutId_;
    // A program found by an identity: its position in the order indexed, and its Id.
    struct Entry
    {
        std::size_t order;
        std::int32_t id;
    };
    using Index = std::unordered_map<std::string, Entry>;
    std::size_t indexed_ = 0;
    std::unordered_map<std::int32_t, Record*> programsById_;
    // By lower-case desktop id, window class and executable file name.
    Index byDesktopId_;
    Index byClass_;
    Index byFileName_;
    // Program Id and keys: the program's shortcuts of those keys, in table order.
    std::map<std::pair<std::int32_t, CKeyCodes>, std::vector<Record*>, KeysLess> shortcutsByKeys_;
};

} // namespace

ImportReport MergePacks(CDBRegistry& registry, const std::vector<ShortcutPack>& packs)
{
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
    ImportReport report;
    // One change of each table: its order and views are rebuilt once, not once per record.
    programs.ChangeRecords([&](Table& programTable) {
        shortcuts.ChangeRecords([&](Table& shortcutTable) {
            Merge merge(programs, programTable, shortcuts, shortcutTable);
            for (const ShortcutPack& pack : packs) {
                std::int32_t id =
                    pack.desktop ? CShortcutTables::SuperglobalId : merge.FindProgram(pack);
                if (id == 0) {
                    id = merge.AddProgram(pack);
                    ++report.programsAdded;
                } else if (!pack.desktop) {
                    merge.CompleteIdentity(id, pack);
                    ++report.programsFound;
                }
                for (const PackShortcut& shortcut : pack.shortcuts) {
                    merge.MergeShortcut(id, id != CShortcutTables::SuperglobalId, shortcut, report);
                }
            }
        });
    });
    return report;
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
