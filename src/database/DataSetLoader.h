#pragma once

#include <string>

class CShortcutTables;

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
    explicit CDataSetLoader(CShortcutTables* tables);

    const std::string& DataFolder() const { return dataFolder_; }

    // A file another program holds locked is left alone: the tables start empty and Save
    // refuses until the next successful Load, so the files in use are never written over.
    void Load() override;
    void Save() override;

private:
    void CreateDataFolder() const;
    std::string ProgramsFile() const;
    std::string ShortcutsFile() const;

    std::string dataFolder_;
    CShortcutTables* tables_;
    bool inUseElsewhere_ = false;
};
