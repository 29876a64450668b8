#include "database/Datasetloader.h"

#include "database/Udmregistry.h"
#include "framework/Exception.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

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

// Reads the table when its file exists; false when the file exists but cannot be read.
bool LoadIfPresent(DataSet& dataSet, const std::string& file)
{
    if (!FileExists(file)) {
        dataSet.EmptyDataSet();
        return true;
    }
    try {
        dataSet.LoadFromFile(file);
        return true;
    } catch (const DataSetFileError&) {
        return false;
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

CDataSetLoader::CDataSetLoader(TdmRegistry* registry)
    : dataFolder_(JoinPath(SpecialFolder(platform::sfAppData), "zint")), registry_(registry)
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
    DataSet& programs = registry_->dsPrograms;
    DataSet& shortcuts = registry_->dsShortcuts;
    std::string damaged;
    if (!LoadIfPresent(programs, ProgramsFile())) {
        damaged = ProgramsFile();
    } else if (!LoadIfPresent(shortcuts, ShortcutsFile())) {
        damaged = ShortcutsFile();
    }
    if (damaged.empty()) {
        registry_->EnsureSuperglobal();
        return;
    }
    // Both files go aside under one name, so the pair stays together and the next save
    // overwrites neither; the tables start empty.
    const std::string timestamp = Timestamp();
    const std::string programsAside = MoveAside(ProgramsFile(), timestamp);
    const std::string shortcutsAside = MoveAside(ShortcutsFile(), timestamp);
    programs.EmptyDataSet();
    shortcuts.EmptyDataSet();
    registry_->EnsureSuperglobal();
    MessageBoxOptions warning;
    warning.SetType(mtWarning);
    ShowMessageBox(FormatText(Translate("Файл %s не удается прочитать. Он сохранен под именем %s, "
                                        "а программа продолжит работу с пустой базой сочетаний "
                                        "клавиш."),
                              damaged, damaged == ProgramsFile() ? programsAside : shortcutsAside),
                   warning);
}

void CDataSetLoader::Save()
{
    CreateDataFolder();
    SaveTable(registry_->dsPrograms, ProgramsFile());
    SaveTable(registry_->dsShortcuts, ShortcutsFile());
}
