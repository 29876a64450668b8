#include "database/DataSetLoader.h"

#include "database/Log.h"
#include "database/ShortcutTables.h"
#include "framework/DataSetGroup.h"
#include "framework/Exception.h"
#include "services/Translation.h"
#include "util/MessageBox.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <cerrno>
#include <fstream>
#include <memory>
#include <iterator>
#include <cstring>
#include <ctime>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool FileExists(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0;
}

// Whether a file may be there: only a name that surely is not there (the folder can be searched
// and lacks it) is no file.
bool MayExist(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
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

// Moves an existing file out of the way; the new name, or empty when there was no file. Throws
// Exception when it cannot be moved.
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

// A table file with the journals SQLite keeps beside it, which belong to it alone.
std::vector<std::string> WithJournals(const std::string& file)
{
    return {file, file + "-journal", file + "-wal", file + "-shm"};
}

enum class LoadResult
{
    Loaded,
    Newer,
    Damaged,
    Refused,
};

struct TableLoad
{
    LoadResult result = LoadResult::Loaded;
    // For a refused file: why, in words for the user.
    std::string problem;
    // The format version of a file that was read; none for an absent file.
    std::optional<int> version{};
};

// Reads the table when its file exists (an absent file is an empty table).
TableLoad LoadIfPresent(DataSet& dataSet, const std::string& file)
{
    if (!FileExists(file)) {
        dataSet.EmptyDataSet();
        return {};
    }
    try {
        const int version = dataSet.LoadFromFile(file);
        if (version > DataSet::FileFormatVersion) {
            return {LoadResult::Newer, {}, version};
        }
        return {LoadResult::Loaded, {}, version};
    } catch (const DataSetFileError& error) {
        qCWarning(lcDatabase) << "table file not read:" << file.c_str() << error.what();
        switch (error.GetKind()) {
        case DataSetFileError::Kind::Busy:
            return {LoadResult::Refused,
                    FormatText(Translate("Файл %s сейчас используется другой программой."), file)};
        case DataSetFileError::Kind::Denied:
            return {LoadResult::Refused,
                    FormatText(Translate("Нет прав на чтение файла %s."), file)};
        case DataSetFileError::Kind::NotRegular:
            return {LoadResult::Refused,
                    FormatText(Translate("%s не является обычным файлом."), file)};
        case DataSetFileError::Kind::Unreadable:
            break;
        }
        return {LoadResult::Damaged, {}};
    }
}

// "<file>.version-<n>": the file as an older version wrote it.
std::string BackupName(const std::string& file, int version)
{
    return file + ".version-" + std::to_string(version);
}

// Copies the file beside itself, readable by the user alone. A backup already there is from an
// earlier start at which the base was not saved, and holds the same content: it is kept.
void CopyForBackup(const std::string& file, const std::string& backup)
{
    if (FileExists(backup)) {
        return;
    }
    std::ifstream in(file, std::ios::binary);
    const std::string temporary = backup + ".tmp";
    ::unlink(temporary.c_str());
    const int created = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (created >= 0) {
        ::close(created);
    }
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.flush();
    if (created < 0 || !in || !out || ::rename(temporary.c_str(), backup.c_str()) != 0) {
        const std::string error = std::strerror(errno);
        ::unlink(temporary.c_str());
        throw Exception(FormatText(Translate("Не удается сохранить файл %s: %s"), backup, error));
    }
}

void Warn(const std::string& text)
{
    MessageBoxOptions warning;
    warning.SetType(MessageType::Warning);
    ShowMessageBox(text, warning);
}

// The words that end every notice of a base that will not be saved.
std::string NotSavingNotice(const std::string& problem)
{
    return FormatText(Translate("%s Программа продолжит работу с пустой базой сочетаний клавиш и "
                                "не будет её сохранять."),
                      problem);
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

std::string CDataSetLoader::JournalFile() const
{
    return JoinPath(dataFolder_, "base.journal");
}

std::string CDataSetLoader::NoticeFile() const
{
    return JoinPath(dataFolder_, "notice-pending.txt");
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
    // The base is the user's alone, also in a folder an older version made; what the user took
    // away from it stays taken.
    ::chmod(dataFolder_.c_str(), info.st_mode & 0700);
}

void CDataSetLoader::Load()
{
    notSaving_.clear();
    const std::string refused = LoadFiles();
    if (!refused.empty()) {
        notSaving_ = refused;
        tables_->dsPrograms.EmptyDataSet();
        tables_->dsShortcuts.EmptyDataSet();
        Warn(NotSavingNotice(refused));
    }
    tables_->EnsureSuperglobal();
}

bool CDataSetLoader::BaseExists() const
{
    return MayExist(ProgramsFile()) || MayExist(ShortcutsFile()) || MayExist(JournalFile());
}

void CDataSetLoader::LoadAsSaved()
{
    for (auto [dataSet, file] : {std::pair(&tables_->dsPrograms, ProgramsFile()),
                                 std::pair(&tables_->dsShortcuts, ShortcutsFile())}) {
        try {
            // A save that is under way has its new files complete beside the old ones.
            if (const std::string current = CommittedFile(file, JournalFile());
                FileExists(current)) {
                dataSet->LoadFromFile(current);
            } else {
                dataSet->EmptyDataSet();
            }
        } catch (const DataSetFileError& error) {
            throw Exception(
                FormatText(Translate("Не удается прочитать файл %s: %s"), file, error.what()));
        }
    }
    tables_->EnsureSuperglobal();
}

std::string CDataSetLoader::LoadFiles()
{
    try {
        CreateDataFolder();
    } catch (const Exception& error) {
        return error.what();
    }
    if (::access(dataFolder_.c_str(), R_OK | X_OK) != 0) {
        return FormatText(Translate("Нет прав на чтение папки %s."), dataFolder_);
    }
    const bool writable = ::access(dataFolder_.c_str(), W_OK) == 0;
    if (writable) {
        ShowNoticeLeftPending();
        try {
            RecoverTables({ProgramsFile(), ShortcutsFile()}, JournalFile());
        } catch (const DataSetFileError& error) {
            return FormatText(Translate("Не удается завершить прерванное сохранение базы: %s"),
                              error.what());
        }
    }
    DataSet& programs = tables_->dsPrograms;
    DataSet& shortcuts = tables_->dsShortcuts;
    // The first file that is not simply loaded tells what happens.
    TableLoad load = LoadIfPresent(programs, CommittedFile(ProgramsFile(), JournalFile()));
    std::string file = ProgramsFile();
    std::vector<std::pair<std::string, std::optional<int>>> versions{{file, load.version}};
    if (load.result == LoadResult::Loaded || load.result == LoadResult::Newer) {
        const TableLoad detail =
            LoadIfPresent(shortcuts, CommittedFile(ShortcutsFile(), JournalFile()));
        versions.emplace_back(ShortcutsFile(), detail.version);
        if (detail.result != LoadResult::Loaded) {
            load = detail;
            file = ShortcutsFile();
        }
    }
    switch (load.result) {
    case LoadResult::Loaded:
        if (!writable) {
            KeepUnsaved(FormatText(Translate("Нет прав на запись в папку %s."), dataFolder_));
        } else {
            BackUpOlderFormat(versions);
        }
        return {};
    case LoadResult::Refused:
        return load.problem;
    case LoadResult::Newer:
        // Read as it is; written back in this program's layout it would lose what it holds.
        KeepUnsaved(FormatText(Translate("Файл %s записан более новой версией программы."), file));
        return {};
    case LoadResult::Damaged:
        break;
    }
    return MoveDamagedAside(file);
}

void CDataSetLoader::BackUpOlderFormat(
    const std::vector<std::pair<std::string, std::optional<int>>>& versions)
{
    // The next save writes the files in this version's layout, which an older Quorvel reads
    // only without saving: the files as they are stay beside them.
    try {
        for (const auto& [file, version] : versions) {
            if (version && *version < DataSet::FileFormatVersion) {
                CopyForBackup(file, BackupName(file, *version));
                qCInfo(lcDatabase) << "upgrading the base; the old file is kept as"
                                   << BackupName(file, *version).c_str();
            }
        }
    } catch (const Exception& error) {
        KeepUnsaved(error.what());
    }
}

std::string CDataSetLoader::MoveDamagedAside(const std::string& damaged)
{
    // Both files go aside under one name, so the pair stays together and the next save
    // overwrites neither; the tables start empty.
    const std::string timestamp = Timestamp();
    std::vector<std::string> moved;
    try {
        for (const std::string& file : {ProgramsFile(), ShortcutsFile()}) {
            for (const std::string& part : WithJournals(file)) {
                if (std::string aside = MoveAside(part, timestamp); !aside.empty()) {
                    moved.push_back(std::move(aside));
                }
            }
        }
    } catch (const Exception& error) {
        return FormatText(Translate("Файл %s не удается прочитать, и его не удается отложить: %s"),
                          damaged, error.what());
    }
    tables_->dsPrograms.EmptyDataSet();
    tables_->dsShortcuts.EmptyDataSet();
    std::string list;
    for (const std::string& file : moved) {
        list += "\n" + file;
    }
    ShowPendingNotice(FormatText(Translate("Файл %s не удается прочитать. Файлы базы сохранены под "
                                           "новыми именами, а программа продолжит работу с пустой "
                                           "базой сочетаний клавиш:%s"),
                                 damaged, list));
    return {};
}

void CDataSetLoader::KeepUnsaved(const std::string& reason)
{
    notSaving_ = reason;
    Warn(FormatText(Translate("%s Программа покажет сочетания клавиш, но не будет сохранять "
                              "изменения."),
                    reason));
}

void CDataSetLoader::ShowPendingNotice(const std::string& text)
{
    // Written first, removed once seen: a program ended while the box is open shows it again at
    // the next start.
    std::ofstream(NoticeFile(), std::ios::trunc) << text;
    Warn(text);
    ::unlink(NoticeFile().c_str());
}

void CDataSetLoader::ShowNoticeLeftPending()
{
    struct stat info
    {
    };
    // Small and a regular file: anything else is no notice of ours.
    if (::lstat(NoticeFile().c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > 64 * 1024) {
        return;
    }
    std::ifstream file(NoticeFile());
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (!text.empty()) {
        ShowPendingNotice(text);
    }
}

void CDataSetLoader::CheckSave()
{
    if (!notSaving_.empty()) {
        throw Exception(
            FormatText(Translate("База сочетаний клавиш не сохранена: %s"), notSaving_));
    }
    CreateDataFolder();
    for (DataSet* table : {&tables_->dsPrograms, &tables_->dsShortcuts}) {
        if (table->State() != DataSetState::Browse) {
            table->Post();
        }
    }
}

std::function<void()> CDataSetLoader::SaveJob(TableSnapshot programs, TableSnapshot shortcuts) const
{
    auto tables = std::make_shared<const std::pair<TableSnapshot, TableSnapshot>>(
        std::move(programs), std::move(shortcuts));
    // Worded here: the catalogue is read on this thread only.
    const std::string failed = Translate("Не удается сохранить базу сочетаний клавиш: %s");
    return [tables, failed, programsFile = ProgramsFile(), shortcutsFile = ShortcutsFile(),
            journal = JournalFile()] {
        try {
            SaveTablesTogether({{&tables->first, programsFile}, {&tables->second, shortcutsFile}},
                               journal);
        } catch (const DataSetFileError& error) {
            throw Exception(FormatText(failed, error.what()));
        }
    };
}

void CDataSetLoader::Save()
{
    CheckSave();
    saves_.Run(SaveJob(tables_->dsPrograms.Snapshot(), tables_->dsShortcuts.Snapshot()));
}

void CDataSetLoader::SaveInBackground(TableSnapshot programs, TableSnapshot shortcuts,
                                      std::function<void(const std::string& problem)> done)
{
    try {
        CheckSave();
    } catch (const Exception& error) {
        done(error.what());
        return;
    }
    saves_.Post(SaveJob(std::move(programs), std::move(shortcuts)),
                [done = std::move(done)](std::exception_ptr error) {
                    try {
                        if (error) {
                            std::rethrow_exception(error);
                        }
                        done({});
                    } catch (const std::exception& problem) {
                        done(problem.what());
                    }
                });
}

void CDataSetLoader::WaitForSaves()
{
    saves_.WaitIdle();
}
