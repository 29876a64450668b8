#pragma once

#include "database/Dbregistry.h"
#include "database/Shortcut.h"
#include "framework/DataSet.h"
#include "keys/Key.h"

#include <QImage>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QWidget;

// Builds the drawn keyboard from a layout file.
class IKeyLoader
{
public:
    virtual ~IKeyLoader() = default;
    // A new keyboard whose key pictures use keyFont for key names and actionFont for short names
    // and lie on parent. Throws Exception when the file cannot be read or a key is malformed.
    virtual std::unique_ptr<CKeys> LoadKeys(const std::string& path, const TFont& keyFont,
                                            const TFont& actionFont, QWidget* parent) = 0;
};

// The data layer's loader of the keyboard layout file (XML).
class CDB : public IKeyLoader
{
public:
    std::unique_ptr<CKeys> LoadKeys(const std::string& path, const TFont& keyFont,
                                    const TFont& actionFont, QWidget* parent) override;
};

// Builds the shortcut set the overlay shows.
class IShortCutLoader
{
public:
    virtual ~IShortCutLoader() = default;
    // A new set made from the user's tables; its programs are matched against loadedPrograms.
    // Throws Exception for an icon that is not a picture or a missing "empty.bmp".
    virtual std::unique_ptr<IShortCuts> LoadShortCuts(CLoadedPrograms* loadedPrograms) = 0;
};

// The data layer: the layout file and the user's tables, reached through the registry.
class CClientDataSetDB : public CDB, public IShortCutLoader
{
public:
    // Leaves the programs table after its last record.
    std::unique_ptr<IShortCuts> LoadShortCuts(CLoadedPrograms* loadedPrograms) override;

private:
    // The shortcut table's fields a shortcut is made from.
    struct ShortcutFields
    {
        explicit ShortcutFields(DataSet& shortcuts);
        Field ProgramId, IsNormal, ShortName, Description, KeyCodes, Icon;
    };
    std::unique_ptr<CShortCut> MakeShortCut(const ShortcutFields& fields);
    QImage LoadIcon(const Blob& bytes);
    const QImage& EmptyIcon();

    IDBRegistry registry_;
    // The programs of the last load; their shortcuts point at them.
    std::vector<std::unique_ptr<CProgram>> Programs;
    CLoadedPrograms* LoadedPrograms = nullptr;
    // Decoded pictures of the last load, found by where their bytes lie in the table and
    // checked against a copy of those bytes: the overlay reloads every time it is shown, and
    // icons seldom change in between.
    struct CachedIcon
    {
        Blob bytes;
        QImage image;
        unsigned load = 0;
    };
    std::unordered_map<const std::uint8_t*, CachedIcon> icons_;
    unsigned load_ = 0;
    // Shortcuts of the last load: the next set is usually as large.
    std::size_t lastCount_ = 0;
    // Loaded at most once per load, when a shortcut has no icon.
    QImage emptyIcon_;
};
