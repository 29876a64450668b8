#include "database/ShortCutSetLoader.h"

#include "database/Log.h"
#include "database/Registry.h"
#include "database/ShortcutTables.h"
#include "framework/Exception.h"
#include "services/Translation.h"
#include "util/MessageBox.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <algorithm>

namespace {

// The file-name part of a stored path; paths written on Windows use backslashes.
std::string FileNameOfPath(const std::string& path)
{
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

} // namespace

std::unique_ptr<CProgram> ProgramOfRecord(DataSet& programs, const DataSet::Record& record)
{
    const auto field = [&](const char* name) {
        return Field(programs, programs.FieldIndex(name), record);
    };
    auto program = std::make_unique<CProgram>();
    program->FileName = FileNameOfPath(field("FileName").AsString());
    program->WindowClasses = SplitIdentityList(field("WindowClasses").AsString());
    program->DesktopId = field("DesktopId").AsString();
    program->LiveReadingOff = field("LiveReadingOff").AsBoolean();
    return program;
}

CShortCutSetLoader::CShortCutSetLoader(platform::Platform& platform, CDBRegistry& registry)
    : platform_(platform), registry_(registry)
{
}

std::uint64_t CShortCutSetLoader::Revision() const
{
    const Sources now{registry_.Revision(), platform_.GetKeyboardLayoutRevision()};
    if (now != sources_) {
        sources_ = now;
        ++revision_;
    }
    return revision_;
}

std::unique_ptr<IShortCuts> CShortCutSetLoader::LoadShortCuts()
{
    return LoadShortCutSet();
}

std::unique_ptr<CShortCuts> CShortCutSetLoader::LoadShortCutSet()
{
    auto result = std::make_unique<CShortCuts>();
    result->Reserve(lastCount_);
    unreadable_.clear();
    icons_.clear();
    icons_.reserve(lastIcons_.size());
    DataSet& programs = *registry_.GetPrograms();
    DataSet& shortcuts = *registry_.GetShortcuts();
    // An edit not yet posted is shown as well; posting keeps the record current.
    for (DataSet* table : {&programs, &shortcuts}) {
        if (table->State() != DataSetState::Browse) {
            table->Post();
        }
    }
    // Shortcuts by program, in the order the master link would show them: table order within a
    // program. The table is usually in program order already.
    const ShortcutColumns columns(shortcuts);
    byProgram_.clear();
    for (const DataSet::Record* record : shortcuts.AllRecords()) {
        byProgram_.emplace_back(Field(shortcuts, columns.ProgramId, *record).AsInteger(), record);
    }
    const auto byId = [](const ProgramShortcut& a, const ProgramShortcut& b) {
        return a.first < b.first;
    };
    if (!std::is_sorted(byProgram_.begin(), byProgram_.end(), byId)) {
        std::stable_sort(byProgram_.begin(), byProgram_.end(), byId);
    }
    const int idField = programs.FieldIndex("Id");
    for (const DataSet::Record* record : programs.AllRecords()) {
        CProgram* owner = result->AddProgram(ProgramOfRecord(programs, *record));
        const ProgramShortcut key{Field(programs, idField, *record).AsInteger(), nullptr};
        const auto [first, last] =
            std::equal_range(byProgram_.begin(), byProgram_.end(), key, byId);
        for (auto own = first; own != last; ++own) {
            auto shortCut = MakeShortCut(shortcuts, columns, *own->second);
            shortCut->Program = owner;
            result->Add(std::move(shortCut));
        }
    }
    lastIcons_.swap(icons_);
    lastIconIndex_.clear();
    lastCount_ = result->Items().size();
    ReportUnreadableIcons();
    return result;
}

CShortCutSetLoader::ShortcutColumns::ShortcutColumns(const DataSet& shortcuts)
    : Id(shortcuts.FieldIndex("Id")), ProgramId(shortcuts.FieldIndex("ProgramId")),
      IsNormal(shortcuts.FieldIndex("IsNormal")), ShortName(shortcuts.FieldIndex("ShortName")),
      Description(shortcuts.FieldIndex("Description")), KeyCodes(shortcuts.FieldIndex("KeyCodes")),
      Icon(shortcuts.FieldIndex("Icon"))
{
}

std::unique_ptr<CShortCut> CShortCutSetLoader::MakeShortCut(DataSet& shortcuts,
                                                            const ShortcutColumns& columns,
                                                            const DataSet::Record& record)
{
    const struct
    {
        Field Id, ProgramId, IsNormal, ShortName, Description, KeyCodes, Icon;
    } fields{{shortcuts, columns.Id, record},          {shortcuts, columns.ProgramId, record},
             {shortcuts, columns.IsNormal, record},    {shortcuts, columns.ShortName, record},
             {shortcuts, columns.Description, record}, {shortcuts, columns.KeyCodes, record},
             {shortcuts, columns.Icon, record}};
    auto shortCut = std::make_unique<CShortCut>();
    if (fields.ProgramId.AsInteger() == CShortcutTables::SuperglobalId) {
        shortCut->Type = ShortCutType::SuperGlobal;
    } else {
        shortCut->Type = fields.IsNormal.AsBoolean() ? ShortCutType::Normal : ShortCutType::Global;
    }
    CActionDescription& action = *shortCut->ActionDescription;
    action.ShortName = fields.ShortName.AsString();
    action.Name = fields.Description.AsString();
    const Blob& keyCodes = fields.KeyCodes.AsBlob();
    CKeyCodes& keys = shortCut->KeyCodes;
    keys.LoadFromBuffer(keyCodes.data(), keyCodes.size());
    // Most shortcuts are stored by key number: only one written by a character is placed again.
    if (std::any_of(keys.begin(), keys.end(), IsCharacterKey)) {
        keys = keys.OnLayout(platform_);
    }
    std::shared_ptr<const Blob> icon = fields.Icon.SharedBlob();
    if (!icon || icon->empty()) {
        action.Icon = EmptyIcon();
        return shortCut;
    }
    if (IsPicture(icon)) {
        // Decoded when a key first shows it.
        action.IconData = std::move(icon);
        return shortCut;
    }
    if (toldUnreadable_.insert(fields.Id.AsInteger()).second) {
        unreadable_.push_back(action.ShortName.empty()
                                  ? keys.GetText()
                                  : action.ShortName + " (" + keys.GetText() + ")");
    }
    return shortCut;
}

bool CShortCutSetLoader::IsPicture(const std::shared_ptr<const Blob>& bytes)
{
    // The same bytes, not only the same address: the weak pointer keeps the control block of
    // bytes that were freed, so new bytes never share it.
    const auto same = [&bytes](const CheckedIcon& checked) {
        return !checked.bytes.owner_before(bytes) && !bytes.owner_before(checked.bytes);
    };
    const CheckedIcon* known = nullptr;
    if (const std::size_t place = icons_.size();
        place < lastIcons_.size() && same(lastIcons_[place])) {
        known = &lastIcons_[place];
    } else {
        if (lastIconIndex_.empty()) {
            for (std::size_t i = 0; i < lastIcons_.size(); ++i) {
                lastIconIndex_.emplace(lastIcons_[i].address, i);
            }
        }
        const auto found = lastIconIndex_.find(bytes.get());
        if (found != lastIconIndex_.end() && same(lastIcons_[found->second])) {
            known = &lastIcons_[found->second];
        }
    }
    const bool picture = known ? known->picture : !DecodeIcon(*bytes).isNull();
    icons_.push_back({bytes, bytes.get(), picture});
    return picture;
}

const QImage& CShortCutSetLoader::EmptyIcon()
{
    if (emptyIcon_.isNull()) {
        const std::string path = GetExeFolder() + "empty.bmp";
        if (!IsRegularFile(path) || !emptyIcon_.load(QString::fromStdString(path))) {
            throw Exception(FormatText(Translate("Не удается загрузить изображение %s."), path));
        }
    }
    return emptyIcon_;
}

void CShortCutSetLoader::ReportUnreadableIcons()
{
    if (unreadable_.empty()) {
        return;
    }
    std::string list;
    for (const std::string& name : unreadable_) {
        list += "\n" + name;
    }
    qCWarning(lcDatabase) << "icons that are no pictures:" << unreadable_.size();
    MessageBoxOptions warning;
    warning.SetType(MessageType::Warning);
    ShowMessageBox(FormatText(Translate("Значки этих сочетаний клавиш не удается прочитать, они "
                                        "показаны без значков:%s"),
                              list),
                   warning);
}
