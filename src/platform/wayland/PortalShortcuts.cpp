#include "platform/wayland/PortalShortcuts.h"

#include "platform/wayland/Portal.h"

#include "platform/Platform.h"
#include "platform/linux/Log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace platform::wayland {

namespace {

const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString ShortcutId = QStringLiteral("show");
// The same at every start: KDE keeps the key of a shortcut by the session's token.
const QString SessionToken = QStringLiteral("quorvel");

// A shortcut as the portal passes it: its id and its properties, a(sa{sv}).
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

PortalShortcuts::PortalShortcuts(QDBusConnection bus) : bus_(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
}

std::unique_ptr<PortalShortcuts> PortalShortcuts::Open()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        portal::NumberProperty(bus, ShortcutsInterface, QStringLiteral("version")).value_or(0) ==
            0) {
        return nullptr;
    }
    std::unique_ptr<PortalShortcuts> shortcuts(new PortalShortcuts(bus));
    bus.connect(portal::Service, portal::Path, ShortcutsInterface, QStringLiteral("Activated"),
                shortcuts.get(),
                SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bus.connect(portal::Service, portal::Path, ShortcutsInterface,
                QStringLiteral("ShortcutsChanged"), shortcuts.get(),
                SLOT(OnShortcutsChanged(QDBusMessage)));
    return shortcuts;
}

PortalShortcuts::~PortalShortcuts()
{
    CloseSession();
}

QString PortalShortcuts::Trigger(std::uint32_t modifiers, const std::string& keySymName)
{
    if (keySymName.empty()) {
        return {};
    }
    QString keys;
    const std::pair<std::uint32_t, const char*> names[] = {
        {ModShift, "SHIFT+"}, {ModControl, "CTRL+"}, {ModAlt, "ALT+"}, {ModWin, "LOGO+"}};
    for (const auto& [bit, name] : names) {
        if (modifiers & bit) {
            keys += QLatin1String(name);
        }
    }
    return keys + QString::fromStdString(keySymName);
}

bool PortalShortcuts::Bind(std::uint32_t modifiers, const std::string& keySymName,
                           const std::vector<std::string>&, std::function<void()> onTrigger)
{
    CloseSession();
    const QString trigger = Trigger(modifiers, keySymName);
    if (trigger.isEmpty()) {
        return false;
    }
    const QVariant shortcuts = QVariant::fromValue(
        PortalShortcutList{{ShortcutId,
                            {{QStringLiteral("description"), QStringLiteral("Quorvel")},
                             {QStringLiteral("preferred_trigger"), trigger}}}});
    const auto created =
        Request(QStringLiteral("CreateSession"),
                {QVariantMap{{QStringLiteral("session_handle_token"), SessionToken},
                             {QStringLiteral("shortcuts"), shortcuts}}},
                portal::AnswerTimeoutMs);
    if (created) {
        sessionHandle_ = portal::SessionHandleOf(created->results);
    }
    if (!created || created->response != 0 || sessionHandle_.isEmpty()) {
        qCWarning(lcPlatform) << "the portal makes no shortcuts session";
        sessionHandle_.clear();
        return false;
    }
    const auto key = BoundKey(created->results, shortcuts);
    if (!key || key->isEmpty()) {
        qCWarning(lcPlatform) << "the desktop gives the portal's shortcut no key";
        CloseSession();
        return false;
    }
    description_ = KeyText(*key);
    bound_ = trigger;
    onTrigger_ = std::move(onTrigger);
    qCInfo(lcPlatform) << "the portal's shortcut is" << description_;
    return true;
}

std::optional<QString> PortalShortcuts::BoundKey(const QVariantMap& created,
                                                 const QVariant& shortcuts)
{
    // KDE 5.27 binds the shortcuts the session was made with; later desktops bind them here,
    // asking the user, and list them afterwards.
    if (auto key = KeyOf(created)) {
        return key;
    }
    const QVariant session = QVariant::fromValue(QDBusObjectPath(sessionHandle_));
    const auto bound = Request(QStringLiteral("BindShortcuts"),
                               {session, shortcuts, QString(), QVariantMap()}, DialogTimeoutMs);
    if (!bound || bound->response != 0) {
        qCWarning(lcPlatform) << "the portal's shortcut was refused";
        return std::nullopt;
    }
    if (auto key = KeyOf(bound->results)) {
        return key;
    }
    const auto listed =
        Request(QStringLiteral("ListShortcuts"), {session, QVariantMap()}, portal::AnswerTimeoutMs);
    return listed && listed->response == 0 ? KeyOf(listed->results) : std::nullopt;
}

QString PortalShortcuts::KeyText(const QString& description)
{
    // xdg-desktop-portal-gnome describes a key as "Press %s" (translated) around the accelerator
    // GNOME's settings keep ("<Control><Alt>q").
    static const QRegularExpression accelerator(
        QStringLiteral("((?:<[A-Za-z0-9_]+>)+)([^\\s<>]+)"));
    const QRegularExpressionMatch match = accelerator.match(description);
    if (!match.hasMatch()) {
        return description;
    }
    static const std::pair<const char*, const char*> names[] = {
        {"control", "Ctrl"}, {"ctrl", "Ctrl"},  {"primary", "Ctrl"}, {"shift", "Shift"},
        {"alt", "Alt"},      {"mod1", "Alt"},   {"super", "Super"},  {"mod4", "Super"},
        {"meta", "Meta"},    {"hyper", "Hyper"}};
    QStringList keys;
    static const QRegularExpression modifier(QStringLiteral("<([A-Za-z0-9_]+)>"));
    for (const QRegularExpressionMatch& each : modifier.globalMatch(match.captured(1))) {
        const QString name = each.captured(1).toLower();
        const auto known = std::find_if(std::begin(names), std::end(names),
                                        [&](const auto& pair) { return name == pair.first; });
        keys.append(known == std::end(names) ? each.captured(1)
                                             : QString::fromLatin1(known->second));
    }
    const QString key = match.captured(2);
    keys.append(key.size() == 1 ? key.toUpper() : key);
    return keys.join(QLatin1Char('+'));
}

void PortalShortcuts::Unbind(std::uint32_t modifiers, const std::string& keySymName)
{
    // A new trigger is bound before the old one is released: the session holds the new one.
    if (Trigger(modifiers, keySymName) == bound_) {
        CloseSession();
    }
}

std::string PortalShortcuts::Description() const
{
    return description_.toStdString();
}

void PortalShortcuts::WatchDescription(std::function<void()> onChange)
{
    onDescriptionChange_ = std::move(onChange);
}

void PortalShortcuts::CloseSession()
{
    if (!sessionHandle_.isEmpty()) {
        bus_.call(QDBusMessage::createMethodCall(portal::Service, sessionHandle_,
                                                 portal::SessionInterface, QStringLiteral("Close")),
                  QDBus::Block, portal::AnswerTimeoutMs);
    }
    sessionHandle_.clear();
    description_.clear();
    bound_.clear();
    onTrigger_ = nullptr;
}

std::optional<PortalShortcuts::Answer>
PortalShortcuts::Request(const QString& method, QVariantList arguments, int timeoutMs)
{
    const QString token = QStringLiteral("quorvel%1").arg(++requests_);
    QVariantMap options = arguments.takeLast().toMap();
    options[QStringLiteral("handle_token")] = token;
    arguments.append(options);
    // Followed before the call, so the answer cannot come first.
    const QString path = portal::RequestPath(bus_, token);
    bus_.connect(portal::Service, path, portal::RequestInterface, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap)));
    answer_.reset();
    const QDBusMessage reply =
        bus_.call(portal::Call(ShortcutsInterface, method, arguments), QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qCWarning(lcPlatform) << "the portal's" << method << "fails:" << reply.errorMessage();
    } else if (!answer_) {
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        waiting_ = &loop;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        waiting_ = nullptr;
    }
    bus_.disconnect(portal::Service, path, portal::RequestInterface, QStringLiteral("Response"),
                    this, SLOT(OnResponse(uint, QVariantMap)));
    return std::exchange(answer_, std::nullopt);
}

void PortalShortcuts::OnResponse(uint response, const QVariantMap& results)
{
    answer_ = Answer{response, results};
    if (waiting_) {
        waiting_->quit();
    }
}

std::optional<QString> PortalShortcuts::KeyOf(const QVariantMap& results)
{
    const QVariant listed = results.value(QStringLiteral("shortcuts"));
    if (!listed.isValid()) {
        return std::nullopt;
    }
    const auto shortcuts = qdbus_cast<PortalShortcutList>(listed.value<QDBusArgument>());
    for (const PortalShortcut& shortcut : shortcuts) {
        if (shortcut.id == ShortcutId) {
            return shortcut.properties.value(QStringLiteral("trigger_description")).toString();
        }
    }
    return std::nullopt;
}

void PortalShortcuts::OnShortcutsChanged(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2 || sessionHandle_.isEmpty() ||
        arguments[0].value<QDBusObjectPath>().path() != sessionHandle_) {
        return;
    }
    QVariantMap results;
    results[QStringLiteral("shortcuts")] = arguments[1];
    const auto key = KeyOf(results);
    if (!key || key->isEmpty() || KeyText(*key) == description_) {
        return;
    }
    description_ = KeyText(*key);
    qCInfo(lcPlatform) << "the desktop gave the trigger another key:" << description_;
    if (onDescriptionChange_) {
        const auto onChange = onDescriptionChange_;
        onChange();
    }
}

void PortalShortcuts::OnActivated(const QDBusObjectPath& session, const QString& shortcutId,
                                  qulonglong, const QVariantMap&)
{
    if (session.path() == sessionHandle_ && shortcutId == ShortcutId && onTrigger_) {
        const auto onTrigger = onTrigger_;
        onTrigger();
    }
}

} // namespace platform::wayland
