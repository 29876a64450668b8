#include "database/DataSetLoader.h"

#include "database/Log.h"
#include "database/ShortcutTables.h"
#include "framework/Exception.h"
#include "services/Translation.h"
#include "util/MessageBox.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace {

bool FileExists(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0;
}

// "<file>.damaged-<timestamp>", with a counter when that name is taken.
std::string DamagedName(const std::string& file, const std::string& timestamp, int attempt)
{
    std::string name = file + ".damaged-" + timestamp;
    return attempt == 0 ? name : name + "-" + std::to_string(attempt);
}

std::string Timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Moves an existing file out of the way; the new name, or empty when there was no file.
std::string MoveAside(const std::string& file, const std::string& timestamp)
{
    if (!FileExists(file)) {
        return {};
    }
    int attempt = 0;
    while (FileExists(DamagedName(file, timestamp, attempt))) {
        ++attempt;
    }
    const std::string newName = DamagedName(file, timestamp, attempt);
    if (::rename(file.c_str(), newName.c_str()) != 0) {
        throw Exception(FormatText(Translate("Не удается сохранить файл %s: %s"), newName,
                                   std::strerror(errno)));
    }
    return newName;
}

enum class LoadResult
{
    Loaded,
    Busy,
    Damaged,
};

// Reads the table when its file exists (an absent file is an empty table).
LoadResult LoadIfPresent(DataSet& dataSet, const std::string& file)
{
    if (!FileExists(file)) {
        dataSet.EmptyDataSet();
        return LoadResult::Loaded;
    }
    try {
        dataSet.LoadFromFile(file);
        return LoadResult::Loaded;
    } catch (const DataSetFileBusy& error) {
        qCWarning(lcDatabase) << "table file in use:" << file.c_str() << error.what();
        return LoadResult::Busy;
    } catch (const DataSetFileError& error) {
        qCWarning(lcDatabase) << "table file unreadable:" << file.c_str() << error.what();
        return LoadResult::Damaged;
    }
}

void SaveTable(DataSet& dataSet, const std::string& file)
{
    if (dataSet.State() != DataSetState::Browse) {
        dataSet.Post();
    }
    try {
        dataSet.SaveToFile(file);
    } catch (const DataSetFileError& error) {
        throw Exception(
            FormatText(Translate("Не удается сохранить файл %s: %s"), file, error.what()));
    }
}

} // namespace

CDataSetLoader::CDataSetLoader(CShortcutTables* tables)
    : dataFolder_(JoinPath(SpecialFolder(platform::SpecialFolderKind::AppData), "zint")),
      tables_(tables)
{
}

std::string CDataSetLoader::ProgramsFile() const
{
    return JoinPath(dataFolder_, "programs.dat");
}

std::string CDataSetLoader::ShortcutsFile() const
{
    return JoinPath(dataFolder_, "shortcuts.dat");
}

void CDataSetLoader::CreateDataFolder() const
{
    bool failed = dataFolder_.empty();
    for (std::size_t end = 1; !failed && end <= dataFolder_.size(); ++end) {
        if (end == dataFolder_.size() || dataFolder_[end] == '/') {
            const std::string folder = dataFolder_.substr(0, end);
            failed = ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST;
        }
    }
    struct stat info
    {
    };
    if (failed || ::stat(dataFolder_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw Exception(Translate("Не удается создать папку ") + dataFolder_);
    }
    // The base is the user's alone, also in a folder an older version made.
    ::chmod(dataFolder_.c_str(), 0700);
}

void CDataSetLoader::Load()
{
    CreateDataFolder();
    DataSet& programs = tables_->dsPrograms;
    DataSet& shortcuts = tables_->dsShortcuts;
    inUseElsewhere_ = false;
    std::string failed;
    LoadResult result = LoadIfPresent(programs, ProgramsFile());
    if (result != LoadResult::Loaded) {
        failed = ProgramsFile();
    } else {
        result = LoadIfPresent(shortcuts, ShortcutsFile());
        failed = result == LoadResult::Loaded ? std::string() : ShortcutsFile();
    }
    if (result == LoadResult::Loaded) {
        tables_->EnsureSuperglobal();
        return;
    }
    if (result == LoadResult::Busy) {
        // Nothing is moved, and nothing may be written over the files in use.
        inUseElsewhere_ = true;
        programs.EmptyDataSet();
        shortcuts.EmptyDataSet();
        tables_->EnsureSuperglobal();
        MessageBoxOptions warning;
        warning.SetType(MessageType::Warning);
        ShowMessageBox(FormatText(Translate("Файл %s сейчас используется другой программой. "
                                            "Программа продолжит работу с пустой базой сочетаний "
                                            "клавиш и не будет её сохранять."),
                                  failed),
                       warning);
        return;
    }
    const std::string damaged = failed;
    // Both files go aside under one name, so the pair stays together and the next save
    // overwrites neither; the tables start empty.
    const std::string timestamp = Timestamp();
    const std::string programsAside = MoveAside(ProgramsFile(), timestamp);
    const std::string shortcutsAside = MoveAside(ShortcutsFile(), timestamp);
    programs.EmptyDataSet();
    shortcuts.EmptyDataSet();
    tables_->EnsureSuperglobal();
    MessageBoxOptions warning;
    warning.SetType(MessageType::Warning);
    ShowMessageBox(FormatText(Translate("Файл %s не удается прочитать. Он сохранен под именем %s, "
                                        "а программа продолжит работу с пустой базой сочетаний "
                                        "клавиш."),
                              damaged, damaged == ProgramsFile() ? programsAside : shortcutsAside),
                   warning);
}

void CDataSetLoader::Save()
{
    if (inUseElsewhere_) {
        throw Exception(Translate("База сочетаний клавиш не сохранена: при запуске её файлы "
                                  "использовались другой программой."));
    }
    CreateDataFolder();
    SaveTable(tables_->dsPrograms, ProgramsFile());
    SaveTable(tables_->dsShortcuts, ShortcutsFile());
}
