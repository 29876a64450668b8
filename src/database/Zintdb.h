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
    std::unique_ptr<CShortCut> MakeShortCut(DataSet& shortcuts);
    QImage LoadIcon(const Blob& bytes);
    const QImage& EmptyIcon();

    IDBRegistry registry_;
    // The programs of the last load; their shortcuts point at them.
    std::vector<std::unique_ptr<CProgram>> Programs;
    CLoadedPrograms* LoadedPrograms = nullptr;
    // Pictures of the last load by their bytes: the overlay reloads every time it is shown, and
    // icons seldom change in between.
    // Hashes the length and up to 64 bytes spread over the picture: pictures share their
    // headers and differ in their pixels; equal hashes are still compared in full.
    struct BytesHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view bytes) const
        {
            std::size_t hash = bytes.size();
            const std::size_t step = bytes.size() / 64 + 1;
            for (std::size_t i = bytes.size() % step; i < bytes.size(); i += step) {
                hash = hash * 1099511628211u ^ static_cast<unsigned char>(bytes[i]);
            }
            return hash;
        }
    };
    using IconCache = std::unordered_map<std::string, QImage, BytesHash, std::equal_to<>>;
    IconCache icons_;
    IconCache newIcons_;
    // Loaded at most once per load, when a shortcut has no icon.
    QImage emptyIcon_;
};
