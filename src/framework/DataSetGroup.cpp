#include "framework/DataSetGroup.h"

#include "framework/DataSet.h"
#include "framework/SaveSteps.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Temporary(const std::string& path)
{
    return path + ".tmp";
}

bool Exists(const std::string& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0;
}

[[noreturn]] void Fail(const std::string& path)
{
    throw DataSetFileError(path + ": " + std::strerror(errno));
}

void WriteJournal(const std::vector<TableFile>& tables, const std::string& journal)
{
    const int fd = ::open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        Fail(journal);
    }
    // Its presence is the commit; the names are for a person who finds it.
    std::string names;
    for (const TableFile& table : tables) {
        names += table.path + "\n";
    }
    const bool written =
        ::write(fd, names.data(), names.size()) == static_cast<ssize_t>(names.size()) &&
        ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!written) {
        errno = error;
        ::unlink(journal.c_str());
        Fail(journal);
    }
    savesteps::SyncFolderOf(journal);
}

} // namespace

void RecoverTables(const std::vector<std::string>& paths, const std::string& journal)
{
    const bool committed = Exists(journal);
    for (const std::string& path : paths) {
        const std::string temporary = Temporary(path);
        if (!Exists(temporary)) {
            continue;
        }
        if (!committed) {
            if (::unlink(temporary.c_str()) != 0) {
                Fail(temporary);
            }
            continue;
        }
        if (::rename(temporary.c_str(), path.c_str()) != 0) {
            Fail(path);
        }
        savesteps::Reached(SaveStep::Renamed);
        // A journal of the file that was replaced would be taken for one of the new file.
        ::unlink((path + "-journal").c_str());
    }
    if (committed) {
        // Every rename is on the disk before the journal that would repeat it goes.
        savesteps::SyncFolderOf(journal);
        if (::unlink(journal.c_str()) != 0) {
            Fail(journal);
        }
        savesteps::Reached(SaveStep::JournalRemoved);
    }
    savesteps::SyncFolderOf(journal);
}

std::string CommittedFile(const std::string& path, const std::string& journal)
{
    return Exists(journal) && Exists(Temporary(path)) ? Temporary(path) : path;
}

void SaveTablesTogether(const std::vector<TableFile>& tables, const std::string& journal)
{
    std::vector<std::string> paths;
    for (const TableFile& table : tables) {
        paths.push_back(table.path);
    }
    RecoverTables(paths, journal);
    try {
        for (const TableFile& table : tables) {
            table.table->WriteToFile(Temporary(table.path));
        }
        savesteps::SyncFolderOf(journal);
        WriteJournal(tables, journal);
    } catch (const DataSetFileError&) {
        for (const std::string& path : paths) {
            ::unlink(Temporary(path).c_str());
        }
        throw;
    }
    savesteps::Reached(SaveStep::JournalWritten);
    // From here on the new files are the base: what fails now the next recovery completes.
    RecoverTables(paths, journal);
}
