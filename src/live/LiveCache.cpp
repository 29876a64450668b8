#include "live/LiveCache.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace live {
namespace {

QJsonArray ToJson(const std::vector<std::string>& texts)
{
    QJsonArray array;
    for (const std::string& text : texts) {
        array.append(QString::fromStdString(text));
    }
    return array;
}

std::vector<std::string> FromJson(const QJsonArray& array)
{
    std::vector<std::string> texts;
    for (const QJsonValue& value : array) {
        texts.push_back(value.toString().toStdString());
    }
    return texts;
}

QJsonObject ToJson(const LiveShortcut& shortcut)
{
    return QJsonObject{
        {"accelerator", QString::fromStdString(shortcut.accelerator)},
        {"syntax", shortcut.syntax == AccelSyntax::Gtk ? "gtk" : "qt"},
        {"source", shortcut.source == LiveSource::Menu ? "menu" : "shortcuts-window"},
        {"path", ToJson(shortcut.path)},
    };
}

LiveShortcut ShortcutFromJson(const QJsonObject& object)
{
    LiveShortcut shortcut;
    shortcut.accelerator = object.value("accelerator").toString().toStdString();
    shortcut.syntax =
        object.value("syntax").toString() == "qt" ? AccelSyntax::Qt : AccelSyntax::Gtk;
    shortcut.source = object.value("source").toString() == "menu" ? LiveSource::Menu
                                                                  : LiveSource::ShortcutsWindow;
    shortcut.path = FromJson(object.value("path").toArray());
    return shortcut;
}

// The part of a file's record that says which read it holds.
QJsonObject Header(const LiveProgram& program)
{
    return QJsonObject{
        {"executable", QString::fromStdString(program.executable)},
        {"desktopId", QString::fromStdString(program.desktopId)},
        {"classes", ToJson(program.classes)},
        {"executableTime", QString::number(program.executableTime)},
        {"locale", QString::fromStdString(program.locale)},
    };
}

std::string ReadSmallFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string data;
    if (!file) {
        return data;
    }
    data.resize(LiveCache::MaxFileBytes + 1);
    file.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(file.gcount()));
    return data.size() > static_cast<std::size_t>(LiveCache::MaxFileBytes) ? std::string() : data;
}

bool WriteAll(int fd, const QByteArray& data)
{
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t now = ::write(fd, data.constData() + written,
                                    static_cast<std::size_t>(data.size() - written));
        if (now <= 0) {
            return false;
        }
        written += now;
    }
    return true;
}

} // namespace

bool LiveProgram::SameProgram(const LiveProgram& other) const
{
    return executable == other.executable && desktopId == other.desktopId &&
           classes == other.classes;
}

LiveCache::LiveCache(std::string folder) : folder_(std::move(folder)) {}

std::string LiveCache::FileOf(const LiveProgram& program) const
{
    std::string key = program.executable + '\n' + program.desktopId;
    for (const std::string& name : program.classes) {
        key += '\n' + name;
    }
    // FNV-1a: the same name for the same program in every build of this program.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : key) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.json", static_cast<unsigned long long>(hash));
    return folder_ + '/' + name;
}

std::vector<LiveShortcut> LiveCache::Load(const LiveProgram& program) const
{
    const std::string path = FileOf(program);
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(ReadSmallFile(path)));
    const QJsonObject record = document.object();
    QJsonObject header = record;
    header.remove("shortcuts");
    if (header != Header(program)) {
        if (!record.isEmpty()) {
            ::unlink(path.c_str());
        }
        return {};
    }
    std::vector<LiveShortcut> shortcuts;
    for (const QJsonValue& value : record.value("shortcuts").toArray()) {
        LiveShortcut shortcut = ShortcutFromJson(value.toObject());
        if (!shortcut.accelerator.empty() && !shortcut.path.empty()) {
            shortcuts.push_back(std::move(shortcut));
        }
    }
    return shortcuts;
}

std::vector<LiveShortcut> LiveCache::Merge(const LiveProgram& program,
                                           const std::vector<LiveShortcut>& found) const
{
    std::vector<LiveShortcut> all = Load(program);
    const std::size_t known = all.size();
    for (const LiveShortcut& shortcut : found) {
        if (std::find(all.begin(), all.end(), shortcut) == all.end()) {
            all.push_back(shortcut);
        }
    }
    if (all.size() != known) {
        Write(program, all);
    }
    return all;
}

bool LiveCache::Write(const LiveProgram& program, const std::vector<LiveShortcut>& shortcuts) const
{
    ::mkdir(folder_.substr(0, folder_.rfind('/')).c_str(), 0700);
    ::mkdir(folder_.c_str(), 0700);
    QJsonObject record = Header(program);
    QJsonArray array;
    for (const LiveShortcut& shortcut : shortcuts) {
        array.append(ToJson(shortcut));
    }
    record.insert("shortcuts", array);
    const std::string path = FileOf(program);
    const std::string temporary = path + ".new";
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, QJsonDocument(record).toJson(QJsonDocument::Compact)) &&
                         ::fchmod(fd, 0600) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::int64_t ModificationTime(const std::string& path)
{
    struct stat status
    {
    };
    if (path.empty() || ::stat(path.c_str(), &status) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

} // namespace live
