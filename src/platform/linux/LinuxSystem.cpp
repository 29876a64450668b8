// Processes, the single-instance lock and channel, XDG folders, the shell, other programs and
// waiting.
#include "platform/linux/LinuxSystem.h"

#include "platform/linux/InstanceChannel.h"
#include "platform/linux/KeyMapping.h"
#include "platform/linux/Log.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

namespace platform {

namespace {

constexpr qint64 MaxMessageBytes = channel::MaxMessageBytes;
constexpr qint64 MaxAnswerBytes = channel::MaxAnswerBytes;

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder()
{
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid())) {
            home = entry->pw_dir ? entry->pw_dir : "";
        }
    }
    return home;
}

// An XDG base folder: the variable when it holds an absolute path, else the default under home.
std::string XdgFolder(const char* variable, const char* underHome)
{
    const std::string value = Environment(variable);
    if (!value.empty() && value.front() == '/') {
        return value;
    }
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/" + underHome;
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a line XDG_DOCUMENTS_DIR="$HOME/Documents" or an
// absolute path; empty when the file does not say.
std::string DocumentsFromUserDirs(const std::string& home)
{
    const std::string config = XdgFolder("XDG_CONFIG_HOME", ".config");
    std::ifstream file(config + "/user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') {
            continue;
        }
        std::string path = line.substr(key.size(), line.size() - key.size() - 1);
        if (path.rfind("$HOME", 0) == 0) {
            path = home + path.substr(5);
        }
        return !path.empty() && path.front() == '/' ? path : std::string();
    }
    return {};
}

// Where a per-user runtime file goes; empty, with a warning, when there is no private place.
std::string RuntimePath(const std::string& name, const char* suffix)
{
    std::string problem;
    std::string path = channel::RuntimePath(name, suffix, &problem);
    if (!problem.empty()) {
        qCWarning(lcPlatform) << problem.c_str() << ": not used";
    }
    return path;
}

std::string ReadLink(const std::string& path)
{
    std::string target(PATH_MAX, '\0');
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
        return {};
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

} // namespace

LinuxSystem::LinuxSystem() = default;

LinuxSystem::~LinuxSystem()
{
    if (server_) {
        server_->close();
    }
}

std::uint32_t LinuxSystem::GetCurrentProcessId()
{
    return static_cast<std::uint32_t>(getpid());
}

std::vector<std::uint32_t> LinuxSystem::EnumProcesses()
{
    std::vector<std::uint32_t> ids;
    DIR* proc = opendir("/proc");
    if (!proc) {
        return ids;
    }
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const unsigned long id = std::strtoul(entry->d_name, &end, 10);
        if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9' && *end == '\0' &&
            id <= UINT32_MAX) {
            ids.push_back(static_cast<std::uint32_t>(id));
        }
    }
    closedir(proc);
    return ids;
}

std::string LinuxSystem::GetProcessModulePath(std::uint32_t processId)
{
    if (processId == 0) {
        return {};
    }
    std::string path = ReadLink("/proc/" + std::to_string(processId) + "/exe");
    // The executable was replaced or removed while it runs.
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}

bool LinuxSystem::IsOwnProcess(std::uint32_t processId)
{
    // The folder of a process belongs to the user it runs as.
    struct stat status
    {
    };
    return processId != 0 && stat(("/proc/" + std::to_string(processId)).c_str(), &status) == 0 &&
           status.st_uid == getuid();
}

std::string LinuxSystem::GetExecutablePath()
{
    return ReadLink("/proc/self/exe");
}

int LinuxSystem::OpenNamedMutex(const std::string& name, bool& alreadyExists)
{
    alreadyExists = false;
    // O_CLOEXEC: a program started from here must not inherit the lock and outlive us with it.
    const std::string path = RuntimePath(name, ".lock");
    if (path.empty()) {
        return -1;
    }
    const int fd = open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        qCWarning(lcPlatform) << "cannot open the instance lock" << path.c_str() << ":"
                              << std::strerror(errno);
        return -1;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return fd;
    }
    if (errno == EWOULDBLOCK) {
        alreadyExists = true;
        return fd;
    }
    qCWarning(lcPlatform) << "cannot lock" << path.c_str() << ":" << std::strerror(errno);
    close(fd);
    return -1;
}

void LinuxSystem::CloseNamedMutex(int handle)
{
    if (handle >= 0) {
        close(handle);
    }
}

bool LinuxSystem::ListenForMessages(const std::string& channel, MessageHandler onMessage)
{
    const QString path = QString::fromStdString(RuntimePath(channel, ".sock"));
    if (path.isEmpty()) {
        return false;
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // The caller holds the instance lock, so a socket file left here is a dead copy's.
    QLocalServer::removeServer(path);
    if (!server_->listen(path)) {
        qCWarning(lcPlatform) << "cannot listen for later copies at" << path << ":"
                              << server_->errorString();
        server_.reset();
        return false;
    }
    QLocalServer* server = server_.get();
    QObject::connect(server, &QLocalServer::newConnection, server, [server, onMessage] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            // One message per line; a last line without its newline counts when the peer closes.
            // Messages are short: a peer that sends more than fits is cut off.
            socket->setReadBufferSize(MaxMessageBytes);
            // The answer goes back on the connection the message came on, while the sender still
            // waits on it; the connection ends with it.
            const MessageReply reply =
                [peer = QPointer<QLocalSocket>(socket)](const std::string& answer) {
                    if (peer && peer->state() == QLocalSocket::ConnectedState) {
                        peer->write(QByteArray::fromStdString(answer).left(MaxAnswerBytes));
                        peer->disconnectFromServer();
                    }
                };
            // The receiver runs from the event loop, never inside the socket's handling: one
            // that runs the event loop itself could otherwise see the socket deleted under it.
            auto post = [server, onMessage, reply](const QByteArray& message) {
                if (onMessage) {
                    QTimer::singleShot(0, server, [onMessage, reply, text = message.toStdString()] {
                        onMessage(text, reply);
                    });
                }
            };
            auto deliver = [socket, post](bool atEnd) {
                while (socket->canReadLine()) {
                    post(socket->readLine().chopped(1));
                }
                if (socket->bytesAvailable() >= MaxMessageBytes) {
                    qCWarning(lcPlatform) << "a message longer than" << MaxMessageBytes
                                          << "bytes: connection dropped";
                    socket->abort();
                    return;
                }
                if (atEnd && socket->bytesAvailable() > 0) {
                    post(socket->readAll());
                }
            };
            QObject::connect(socket, &QLocalSocket::readyRead, socket,
                             [deliver] { deliver(false); });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, [socket, deliver] {
                deliver(true);
                socket->deleteLater();
            });
            deliver(false);
        }
    });
    return true;
}

bool LinuxSystem::SendMessageToFirstCopy(const std::string& channel, const std::string& message)
{
    return channel::Send(RuntimePath(channel, ".sock"), message);
}

std::optional<std::string> LinuxSystem::AskFirstCopy(const std::string& channel,
                                                     const std::string& message, int timeoutMs)
{
    const int connection = platform::channel::Deliver(RuntimePath(channel, ".sock"), message);
    if (connection < 0) {
        return std::nullopt;
    }
    // The first copy closes the connection once it has answered.
    auto answer = platform::channel::ReadAnswer(connection, timeoutMs);
    close(connection);
    return answer;
}

std::string LinuxSystem::GetSpecialFolder(SpecialFolderKind kind)
{
    switch (kind) {
    case SpecialFolderKind::AppData:
        return XdgFolder("XDG_DATA_HOME", ".local/share");
    case SpecialFolderKind::LocalSettings:
        return XdgFolder("XDG_STATE_HOME", ".local/state");
    case SpecialFolderKind::Personal: {
        const std::string home = HomeFolder();
        if (home.empty()) {
            return {};
        }
        const std::string documents = DocumentsFromUserDirs(home);
        return documents.empty() ? home + "/Documents" : documents;
    }
    case SpecialFolderKind::Config:
        return XdgFolder("XDG_CONFIG_HOME", ".config");
    case SpecialFolderKind::Cache:
        return XdgFolder("XDG_CACHE_HOME", ".cache");
    case SpecialFolderKind::CommonAppData: {
        const std::string dirs = Environment("XDG_DATA_DIRS");
        const std::string first = dirs.substr(0, dirs.find(':'));
        return !first.empty() && first.front() == '/' ? first : "/usr/local/share";
    }
    }
    return {};
}

bool LinuxSystem::ShellOpen(const std::string& target)
{
    if (target.empty()) {
        return false;
    }
    const QString text = QString::fromStdString(target);
    const QUrl url(text);
    // A text with a scheme ("https:", "mailto:") is a URL; anything else is a path.
    if (!text.startsWith('/') && url.isValid() && !url.scheme().isEmpty()) {
        return QDesktopServices::openUrl(url);
    }
    return OpenFile(target, {});
}

bool LinuxSystem::OpenFile(const std::string& path, std::function<void()> onFailure)
{
    const QString file = QDir().absoluteFilePath(QString::fromStdString(path));
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        // Qt's own choice: the desktop's opener or a browser it knows.
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    }
    // xdg-open says by its exit status whether it found an application; it may wait for that
    // application to end, so it is watched from the event loop.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(
        process, &QProcess::finished, process,
        [process, onFailure = std::move(onFailure)](int code, QProcess::ExitStatus status) {
            if ((status != QProcess::NormalExit || code != 0) && onFailure) {
                qCWarning(lcPlatform) << "xdg-open could not open the file";
                onFailure();
            }
            process->deleteLater();
        });
    process->start(opener, {file});
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    return true;
}

std::optional<std::string> LinuxSystem::RunProgram(const std::string& program,
                                                   const std::vector<std::string>& arguments,
                                                   int timeoutMs)
{
    QStringList list;
    for (const std::string& argument : arguments) {
        list << QString::fromStdString(argument);
    }
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), list);
    if (!process.waitForStarted(timeoutMs)) {
        return std::nullopt;
    }
    if (!process.waitForFinished(timeoutMs)) {
        qCWarning(lcPlatform) << program.c_str() << "did not end within" << timeoutMs << "ms";
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput().toStdString();
}

std::string LinuxSystem::GetKeyBindingName(std::uint16_t code)
{
    return Mapping().KeySymName(code);
}

std::uint16_t LinuxSystem::GetKeyOfBindingName(const std::string& name)
{
    return Mapping().VirtualKeyOfKeySymName(name);
}

std::optional<KeyCap> LinuxSystem::GetKeyCap(std::uint16_t code)
{
    return Mapping().CapOf(code);
}

std::uint16_t LinuxSystem::GetKeyAtPosition(std::uint16_t position)
{
    return Mapping().KeyAtPosition(position);
}

std::optional<CharacterKey> LinuxSystem::GetKeyOfCharacter(char32_t character)
{
    return Mapping().KeyOfCharacter(character);
}

KeyboardShape LinuxSystem::GetKeyboardShape()
{
    return Mapping().IsIso() ? KeyboardShape::Iso : KeyboardShape::Ansi;
}

} // namespace platform
