#pragma once

#include <string>

class TdmRegistry;

class IDataSetLoader
{
public:
    virtual ~IDataSetLoader() = default;
    // Fills both tables from their files.
    virtual void Load() = 0;
    // Writes both tables to their files.
    virtual void Save() = 0;
};

// Keeps the tables in programs.dat and shortcuts.dat of the data folder.
class CDataSetLoader : public IDataSetLoader
{
public:
    // The folder is "zint" in the user's application-data folder.
    explicit CDataSetLoader(TdmRegistry* registry);

    const std::string& DataFolder() const { return dataFolder_; }

    void Load() override;
    void Save() override;

private:
    void CreateDataFolder() const;
    std::string ProgramsFile() const;
    std::string ShortcutsFile() const;

    std::string dataFolder_;
    TdmRegistry* registry_;
};
