#pragma once

#include "framework/DataSet.h"
#include "framework/SaveQueue.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// Keeps the tables in programs.dat and shortcuts.dat of the data folder, saved as one: a start
// after a save that was killed finds both files old or both new, and no temporary file.
//
// Load never loses a base and never leaves the user without a word:
// - a damaged file is moved aside with its partner (and their journals), and the user is told
//   where they went; the notice stays pending in the folder until the user has seen it;
// - a file in use by another program, one the user may not read, one that is not a regular file,
//   a folder that cannot be made or read, or a damaged file that cannot be moved: the user is
//   told, the program goes on with empty tables, and Save refuses until the next Load that
//   succeeds, so nothing is written over files it could not read;
// - a file written by a newer version, or a folder the user may read but not write: the tables
//   are read, the user is told, and Save refuses likewise;
// - a file written in an older format is read and copied aside as "<file>.version-<n>" before the
//   next save writes the current format.
class CDataSetLoader : public IDataSetLoader
{
public:
    // The folder is "zint" in the user's application-data folder.
    explicit CDataSetLoader(CShortcutTables* tables);

    const std::string& DataFolder() const { return dataFolder_; }

    void Load() override;
    // Whether either file of the base is there (also one that cannot be read): false before the
    // first save.
    bool BaseExists() const;
    // Reads both files as they are, for a look from outside the running program: nothing is made,
    // moved or told. Throws Exception when a file is there but cannot be read.
    void LoadAsSaved();
    // Throws Exception when the last Load said the base will not be saved, or a file cannot be
    // written. Runs after every save asked for before it.
    void Save() override;
    // Saves snapshots of the tables as they are now (taken, or worked out as a merge's result) on
    // a thread of its own and returns at once; done runs on that thread with the problem in
    // words, empty when the base was saved (at once on this thread when the base may not be
    // saved). Saves run one at a time in the order asked for (Save too); the loader's end waits
    // for them.
    void SaveInBackground(TableSnapshot programs, TableSnapshot shortcuts,
                          std::function<void(const std::string& problem)> done);
    // Returns once every save asked for is done.
    void WaitForSaves();

private:
    // Reads both files; the reason, already told, for not saving; empty when all went well.
    std::string LoadFiles();
    std::string MoveDamagedAside(const std::string& damaged);
    // Copies each file written in an older format (file, version; none: absent) to
    // "<file>.version-<n>" before a save replaces it; the base is not saved when that fails.
    void BackUpOlderFormat(const std::vector<std::pair<std::string, std::optional<int>>>& versions);
    // The tables as read are kept, but never saved; the user is told why.
    void KeepUnsaved(const std::string& reason);
    void CreateDataFolder() const;
    std::string ProgramsFile() const;
    std::string ShortcutsFile() const;
    // Written while a save puts the new files in place (see DataSetGroup.h).
    std::string JournalFile() const;
    std::string NoticeFile() const;
    // Shows a notice that must not be lost: kept in the folder until the box is confirmed.
    void ShowPendingNotice(const std::string& text);
    void ShowNoticeLeftPending();

    // Refuses (Exception) as Save does; posts the tables' pending edits.
    void CheckSave();
    // What writes the snapshots to the files.
    std::function<void()> SaveJob(TableSnapshot programs, TableSnapshot shortcuts) const;

    std::string dataFolder_;
    CShortcutTables* tables_;
    std::string notSaving_;
    // Last, so that it is gone (its saves done) before anything they use.
    SaveQueue saves_;
};
