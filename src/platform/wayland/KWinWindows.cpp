#include "platform/wayland/KWinWindows.h"

#include "platform/linux/Log.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>

namespace platform::wayland {

namespace {

const QString KWinService = QStringLiteral("org.kde.KWin");
const QString ScriptingPath = QStringLiteral("/Scripting");
const QString ScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString WatchPlugin = QStringLiteral("quorvel-windows");
const QString ActivatePlugin = QStringLiteral("quorvel-activate");

QDBusMessage CallScripting(const QDBusConnection& bus, const QString& method,
                           const QVariantList& arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(KWinService, ScriptingPath, ScriptingInterface, method);
    call.setArguments(arguments);
    return bus.call(call);
}

// A loaded script runs once told; KWin 5 exports it as /N, KWin 6 as /Scripting/ScriptN.
bool Run(const QDBusConnection& bus, int scriptId)
{
    for (const QString& path : {QStringLiteral("/%1").arg(scriptId),
                                QStringLiteral("/Scripting/Script%1").arg(scriptId)}) {
        const QDBusMessage answer = bus.call(QDBusMessage::createMethodCall(
            KWinService, path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run")));
        if (answer.type() == QDBusMessage::ReplyMessage) {
            return true;
        }
    }
    return false;
}

// A script that makes the window with KWin's id active: KWin 6 calls it activeWindow, KWin 5
// activeClient.
QByteArray ActivationScript(const QString& windowId)
{
    return QStringLiteral(
               "var all = workspace.windowList ? workspace.windowList() : workspace.clientList();\n"
               "for (var i = 0; i < all.length; ++i) {\n"
               "    if (String(all[i].internalId) === \"%1\") {\n"
               "        if (\"activeWindow\" in workspace) workspace.activeWindow = all[i];\n"
               "        else workspace.activeClient = all[i];\n"
               "    }\n"
               "}\n")
        .arg(windowId)
        .toUtf8();
}

} // namespace

KWinWindows::KWinWindows(QDBusConnection bus) : bus_(std::move(bus)) {}

std::unique_ptr<KWinWindows> KWinWindows::Open(const QString& scriptPath)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(KWinService)) {
        return nullptr;
    }
    // KWin reads the file only once the script runs, and tells no one when it is missing.
    if (!QFileInfo(scriptPath).isReadable()) {
        qCWarning(lcPlatform) << "KWin's script is missing:" << scriptPath;
        return nullptr;
    }
    std::unique_ptr<KWinWindows> windows(new KWinWindows(bus));
    if (!bus.registerObject(ObjectPath, windows.get(), QDBusConnection::ExportScriptableSlots)) {
        qCWarning(lcPlatform) << "the object KWin's script calls cannot be made";
        return nullptr;
    }
    if (!bus.registerService(ServiceName)) {
        qCWarning(lcPlatform) << "the D-Bus name KWin's script calls is taken";
        bus.unregisterObject(ObjectPath);
        return nullptr;
    }
    windows->loaded_ = windows->Load(scriptPath, WatchPlugin);
    if (!windows->loaded_) {
        qCWarning(lcPlatform) << "KWin does not run the script" << scriptPath;
        return nullptr;
    }
    return windows;
}

KWinWindows::~KWinWindows()
{
    if (loaded_) {
        CallScripting(bus_, QStringLiteral("unloadScript"), {WatchPlugin});
    }
    if (activation_) {
        CallScripting(bus_, QStringLiteral("unloadScript"), {ActivatePlugin});
    }
    bus_.unregisterService(ServiceName);
    bus_.unregisterObject(ObjectPath);
}

bool KWinWindows::Load(const QString& scriptPath, const QString& pluginName)
{
    // A copy that ended without unloading it leaves it loaded under the same name.
    CallScripting(bus_, QStringLiteral("unloadScript"), {pluginName});
    const QDBusReply<int> scriptId =
        CallScripting(bus_, QStringLiteral("loadScript"), {scriptPath, pluginName});
    return scriptId.isValid() && scriptId.value() >= 0 && Run(bus_, scriptId.value());
}

std::optional<Toplevel> KWinWindows::Focused()
{
    return focused_ ? Find(*focused_) : std::nullopt;
}

void KWinWindows::Watch(std::function<void()> onChange)
{
    onChange_ = std::move(onChange);
}

std::vector<Toplevel> KWinWindows::Windows()
{
    std::vector<Toplevel> windows;
    for (const auto& [id, window] : known_) {
        windows.push_back(window);
        windows.back().focused = focused_ == id;
    }
    return windows;
}

std::optional<Toplevel> KWinWindows::Find(std::int64_t id)
{
    const auto found = known_.find(id);
    if (found == known_.end()) {
        return std::nullopt;
    }
    Toplevel window = found->second;
    window.focused = focused_ == id;
    return window;
}

void KWinWindows::Activate(std::int64_t id)
{
    QString windowId;
    for (const auto& [kwinId, number] : numbers_) {
        if (number == id) {
            windowId = kwinId;
        }
    }
    // KWin's ids are UUIDs in braces: nothing else is written into a script.
    static const QRegularExpression uuid(QStringLiteral("^\\{?[0-9a-fA-F-]+\\}?$"));
    if (!uuid.match(windowId).hasMatch()) {
        return;
    }
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() +
                                                 QStringLiteral("/quorvel-activate-XXXXXX.js"));
    if (!file->open() || file->write(ActivationScript(windowId)) < 0 || !file->flush()) {
        return;
    }
    // KWin reads the file once it runs the script, after the call returns: the file stays until
    // the next activation.
    activation_ = std::move(file);
    Load(activation_->fileName(), ActivatePlugin);
}

std::int64_t KWinWindows::NumberOf(const QString& windowId)
{
    const auto found = numbers_.find(windowId);
    if (found != numbers_.end()) {
        return found->second;
    }
    numbers_[windowId] = ++lastNumber_;
    return lastNumber_;
}

void KWinWindows::Activated(const QString& windowId, const QString& pid,
                            const QString& desktopFileName, const QString& resourceClass,
                            const QString& resourceName)
{
    if (windowId.isEmpty()) {
        focused_.reset();
    } else {
        Toplevel window;
        window.id = NumberOf(windowId);
        window.pid = pid.toUInt();
        window.appId = desktopFileName.toStdString();
        window.instance = resourceName.toStdString();
        window.windowClass = resourceClass.toStdString();
        known_[window.id] = window;
        focused_ = window.id;
        qCDebug(lcPlatform) << "KWin: active window of process" << window.pid << "desktop entry"
                            << desktopFileName << "class" << resourceClass;
    }
    // After the call is answered: the watcher may run a nested event loop.
    QTimer::singleShot(0, this, [this] {
        if (onChange_) {
            onChange_();
        }
    });
}

void KWinWindows::Closed(const QString& windowId)
{
    const auto number = numbers_.find(windowId);
    if (number == numbers_.end()) {
        return;
    }
    known_.erase(number->second);
    if (focused_ == number->second) {
        focused_.reset();
    }
    numbers_.erase(number);
}

} // namespace platform::wayland
