#pragma once

#include "database/ShortCut.h"
#include "framework/DataSet.h"
#include "platform/Platform.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class CDBRegistry;

// The program a stored record of the programs table describes, without its shortcuts.
std::unique_ptr<CProgram> ProgramOfRecord(DataSet& programs, const DataSet::Record& record);

// Builds the shortcut set the overlay shows.
class IShortCutLoader
{
public:
    virtual ~IShortCutLoader() = default;
    // A new set made from the user's tables. A shortcut whose icon cannot be read is shown
    // without it (the user is told once per shortcut). Throws Exception when "empty.bmp" is
    // missing.
    virtual std::unique_ptr<IShortCuts> LoadShortCuts() = 0;
    // Changes whenever the tables the next load reads or the keyboard layout change: a set
    // loaded at an unchanged revision is the same set.
    virtual std::uint64_t Revision() const = 0;
};

// Reads the registry's tables.
class CShortCutSetLoader : public IShortCutLoader
{
public:
    CShortCutSetLoader(platform::Platform& platform, CDBRegistry& registry);

    // Posts a pending edit of either table, then reads the stored records: moves neither table's
    // current record, so an editor showing them keeps its place. Keys written by a character
    // are the keys that type it in the active layout.
    std::unique_ptr<IShortCuts> LoadShortCuts() override;
    // The same, as the set it is, to add to.
    std::unique_ptr<CShortCuts> LoadShortCutSet();
    std::uint64_t Revision() const override;

private:
    // Where the shortcut table keeps the fields a shortcut is made from.
    struct ShortcutColumns
    {
        explicit ShortcutColumns(const DataSet& shortcuts);
        int Id, ProgramId, IsNormal, ShortName, Description, KeyCodes, Icon;
    };
    std::unique_ptr<CShortCut> MakeShortCut(DataSet& shortcuts, const ShortcutColumns& columns,
                                            const DataSet::Record& record);
    // Whether the bytes hold a picture of a sensible size (decoded once, then remembered).
    bool IsPicture(const std::shared_ptr<const Blob>& bytes);
    const QImage& EmptyIcon();
    void ReportUnreadableIcons();

    platform::Platform& platform_;
    CDBRegistry& registry_;
    // The revisions of the tables and the layout Revision last saw, and its own count of their
    // changes.
    struct Sources
    {
        std::uint64_t tables = 0;
        std::uint64_t layout = 0;
        bool operator==(const Sources&) const = default;
    };
    mutable Sources sources_;
    mutable std::uint64_t revision_ = 0;
    // Whether icons are pictures, in the order a load meets them (the table's bytes are shared
    // and never change): the next load, in the same order unless a shortcut was added or removed,
    // finds each icon at its place, else looks it up by address.
    struct CheckedIcon
    {
        std::weak_ptr<const Blob> bytes;
        const Blob* address = nullptr;
        bool picture = false;
    };
    std::vector<CheckedIcon> icons_, lastIcons_;
    // The places of lastIcons_ by address, made when a load first misses one.
    std::unordered_map<const Blob*, std::size_t> lastIconIndex_;
    // Shortcuts of the last load: the next set is usually as large.
    std::size_t lastCount_ = 0;
    // The shortcut records by program id during a load; kept to reuse its memory.
    using ProgramShortcut = std::pair<std::int32_t, const DataSet::Record*>;
    std::vector<ProgramShortcut> byProgram_;
    // Loaded at most once, when a shortcut has no icon.
    QImage emptyIcon_;
    // Shortcut ids whose unreadable icon the user has been told about, and those of this load.
    std::set<std::int32_t> toldUnreadable_;
    std::vector<std::string> unreadable_;
};
