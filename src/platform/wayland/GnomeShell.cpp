#include "platform/wayland/GnomeShell.h"

#include "platform/linux/Log.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>
#include <QTimer>

namespace platform::wayland {

// One event of the extension's SendKeys: an evdev key code and whether it goes down.
struct ShellKeyEvent
{
    unsigned code = 0;
    bool down = false;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ShellKeyEvent& key)
{
    argument.beginStructure();
    argument << key.code << key.down;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ShellKeyEvent& key)
{
    argument.beginStructure();
    argument >> key.code >> key.down;
    argument.endStructure();
    return argument;
}

namespace {

// How long the extension may take to answer when the program starts.
constexpr int AnswerTimeoutMs = 1000;

QDBusMessage ExtensionCall(const char* method)
{
    return QDBusMessage::createMethodCall(GnomeShell::ServiceName, GnomeShell::ObjectPath,
                                          GnomeShell::InterfaceName, QString::fromLatin1(method));
}

} // namespace

// The extension's FocusChanged signal, delivered to this program alone.
class GnomeShellReceiver : public QObject
{
    Q_OBJECT
public:
    explicit GnomeShellReceiver(GnomeShell& shell) : shell_(shell) {}

public slots:
    void FocusChanged(qulonglong window, uint pid, const QString& appId, const QString& wmClass)
    {
        shell_.OnFocus(window, pid, appId.toStdString(), wmClass.toStdString());
    }

private:
    GnomeShell& shell_;
};

GnomeShell::GnomeShell(const QDBusConnection& bus)
    : bus_(bus), receiver_(std::make_unique<GnomeShellReceiver>(*this))
{
    qDBusRegisterMetaType<ShellKeyEvent>();
    qDBusRegisterMetaType<QList<ShellKeyEvent>>();
}

std::unique_ptr<GnomeShell> GnomeShell::Open(const QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        return nullptr;
    }
    const auto taken =
        bus.interface()->registerService(ClientName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!taken.isValid() || taken.value() != QDBusConnectionInterface::ServiceRegistered) {
        qCWarning(lcPlatform) << "the session bus name" << ClientName << "is taken";
        return nullptr;
    }
    std::unique_ptr<GnomeShell> shell(new GnomeShell(bus));
    if (!shell->Follow()) {
        return nullptr;
    }
    return shell;
}

GnomeShell::~GnomeShell()
{
    bus_.disconnect(ServiceName, ObjectPath, InterfaceName, QStringLiteral("FocusChanged"),
                    receiver_.get(), SLOT(FocusChanged(qulonglong, uint, QString, QString)));
    bus_.interface()->unregisterService(ClientName);
}

// Follows the focus from now on and reads where it is; false when the extension does not answer.
bool GnomeShell::Follow()
{
    bus_.connect(ServiceName, ObjectPath, InterfaceName, QStringLiteral("FocusChanged"),
                 receiver_.get(), SLOT(FocusChanged(qulonglong, uint, QString, QString)));
    const QDBusMessage reply = bus_.call(ExtensionCall("GetFocus"), QDBus::Block, AnswerTimeoutMs);
    const QList<QVariant> values = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("tuss")) {
        qCInfo(lcPlatform) << "Quorvel's GNOME Shell extension does not answer:"
                           << reply.errorName();
        return false;
    }
    OnFocus(values[0].toULongLong(), values[1].toUInt(), values[2].toString().toStdString(),
            values[3].toString().toStdString());
    return true;
}

void GnomeShell::OnFocus(std::uint64_t window, std::uint32_t pid, const std::string& appId,
                         const std::string& wmClass)
{
    if (window == 0) {
        windows_.SetFocused(std::nullopt);
    } else {
        Toplevel toplevel;
        toplevel.id = static_cast<std::int64_t>(window);
        toplevel.pid = pid;
        toplevel.windowClass = wmClass;
        toplevel.desktopId = appId;
        toplevel.focused = true;
        windows_.SetFocused(toplevel);
    }
    if (onChange_) {
        onChange_();
    }
}

std::optional<Toplevel> GnomeShell::Focused()
{
    return windows_.Focused();
}

void GnomeShell::Watch(std::function<void()> onChange)
{
    onChange_ = std::move(onChange);
}

std::vector<Toplevel> GnomeShell::Windows()
{
    return windows_.Windows();
}

std::optional<Toplevel> GnomeShell::Find(std::int64_t id)
{
    return windows_.Find(id);
}

void GnomeShell::Activate(std::int64_t) {}

bool GnomeShell::CanSend() const
{
    return true;
}

void GnomeShell::SendKey(unsigned xKeyCode, bool down)
{
    // X key codes are evdev codes + 8.
    if (xKeyCode <= 8) {
        return;
    }
    if (pending_.empty()) {
        QTimer::singleShot(0, receiver_.get(), [this] { Flush(); });
    }
    pending_.emplace_back(xKeyCode - 8, down);
}

void GnomeShell::Flush()
{
    QList<ShellKeyEvent> keys;
    for (const auto& [code, down] : pending_) {
        keys.push_back({code, down});
    }
    pending_.clear();
    QDBusMessage call = ExtensionCall("SendKeys");
    call << QVariant::fromValue(keys);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), receiver_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, receiver_.get(),
                     [](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             qCWarning(lcPlatform) << "the GNOME Shell extension typed no keys:"
                                                   << finished->error().message();
                         }
                         finished->deleteLater();
                     });
}

bool IsGnomeDesktop(std::string_view currentDesktop)
{
    while (!currentDesktop.empty()) {
        const std::size_t end = std::min(currentDesktop.find(':'), currentDesktop.size());
        if (currentDesktop.substr(0, end) == "GNOME") {
            return true;
        }
        currentDesktop.remove_prefix(std::min(end + 1, currentDesktop.size()));
    }
    return false;
}

} // namespace platform::wayland

#include "GnomeShell.moc"
