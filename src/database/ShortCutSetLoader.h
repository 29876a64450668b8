#pragma once

#include "database/ShortCut.h"
#include "framework/DataSet.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

class CDBRegistry;

// Builds the shortcut set the overlay shows.
class IShortCutLoader
{
public:
    virtual ~IShortCutLoader() = default;
    // A new set made from the user's tables. A shortcut whose icon cannot be read is shown
    // without it (the user is told once per shortcut). Throws Exception when "empty.bmp" is
    // missing.
    virtual std::unique_ptr<IShortCuts> LoadShortCuts() = 0;
    // Changes whenever the tables the next load reads change: a set loaded at an unchanged
    // revision is the same set.
    virtual std::uint64_t Revision() const = 0;
};

// Reads the registry's tables.
class CShortCutSetLoader : public IShortCutLoader
{
public:
    explicit CShortCutSetLoader(CDBRegistry& registry);

    // Leaves the programs table after its last record.
    std::unique_ptr<IShortCuts> LoadShortCuts() override;
    std::uint64_t Revision() const override;

private:
    // The shortcut table's fields a shortcut is made from.
    struct ShortcutFields
    {
        explicit ShortcutFields(DataSet& shortcuts);
        Field Id, ProgramId, IsNormal, ShortName, Description, KeyCodes, Icon;
    };
    std::unique_ptr<CShortCut> MakeShortCut(const ShortcutFields& fields);
    // Whether the bytes hold a picture of a sensible size (decoded once, then remembered).
    bool IsPicture(const std::shared_ptr<const Blob>& bytes);
    const QImage& EmptyIcon();
    void ReportUnreadableIcons();

    CDBRegistry& registry_;
    // Whether icons are pictures, by the table's (shared, unchangeable) bytes: most icons are
    // unchanged from one load to the next.
    struct CheckedIcon
    {
        std::weak_ptr<const Blob> bytes;
        bool picture = false;
        bool used = false;
    };
    std::unordered_map<const Blob*, CheckedIcon> icons_;
    // Shortcuts of the last load: the next set is usually as large.
    std::size_t lastCount_ = 0;
    // Loaded at most once, when a shortcut has no icon.
    QImage emptyIcon_;
    // Shortcut ids whose unreadable icon the user has been told about, and those of this load.
    std::set<std::int32_t> toldUnreadable_;
    std::vector<std::string> unreadable_;
};
