#pragma once

#include "platform/wayland/Sources.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

#include <memory>

class QEventLoop;

namespace platform::wayland {

// The trigger as a shortcut of the XDG desktop portal's GlobalShortcuts
// (org.freedesktop.portal.GlobalShortcuts): a portal session holds it, the desktop owns the key,
// names it and reports its presses. KDE Plasma 5.27 takes the shortcuts from CreateSession's
// options and keeps a key the user chose in its settings over the one asked for; later versions
// and GNOME (48 on) take them from BindShortcuts, after asking the user, once per session.
class PortalShortcuts : public QObject, public TriggerSource
{
    Q_OBJECT

public:
    // How long a person may take to answer the portal's dialog.
    static constexpr int DialogTimeoutMs = 120000;

    // Null where the session bus has no portal with GlobalShortcuts (its version property
    // unanswered). The application is registered with the portal before
    // (portal::RegisterApplication).
    static std::unique_ptr<PortalShortcuts> Open();
    ~PortalShortcuts() override;
    PortalShortcuts(const PortalShortcuts&) = delete;
    PortalShortcuts& operator=(const PortalShortcuts&) = delete;

    // Replaces the session's shortcut; false when the portal fails, the user refuses or the
    // desktop gives the shortcut no key. The command is not used: onTrigger is called.
    // Unbinding a trigger other than the one bound last leaves the session alone.
    bool Bind(std::uint32_t modifiers, const std::string& keySymName,
              const std::vector<std::string>& command, std::function<void()> onTrigger) override;
    void Unbind(std::uint32_t modifiers, const std::string& keySymName) override;
    // The key as the portal names it ("Meta+Q"); empty while none is bound.
    std::string Description() const override;
    // KDE Plasma tells when the user gives the shortcut another key in its settings.
    void WatchDescription(std::function<void()> onChange) override;

    // The portal's keys for modifiers (Platform's Mod bits) and a keysym name ("LOGO+q").
    static QString Trigger(std::uint32_t modifiers, const std::string& keySymName);
    // The key as the portal describes it, shown as is ("Meta+Q"), but for GNOME's sentence
    // around a GTK accelerator ("Press <Control><Alt>q"), whose keys are named as elsewhere
    // ("Ctrl+Alt+Q").
    static QString KeyText(const QString& description);

private slots:
    void OnResponse(uint response, const QVariantMap& results);
    void OnActivated(const QDBusObjectPath& session, const QString& shortcutId,
                     qulonglong timestamp, const QVariantMap& options);
    // ShortcutsChanged(o session, a(sa{sv}) shortcuts).
    void OnShortcutsChanged(const QDBusMessage& message);

private:
    struct Answer
    {
        uint response = 2;
        QVariantMap results;
    };

    explicit PortalShortcuts(QDBusConnection bus);
    // Calls a method of the portal that answers through a request object; the options, the last
    // argument, get the request's token. None when the call fails or no answer comes in time.
    std::optional<Answer> Request(const QString& method, QVariantList arguments, int timeoutMs);
    // The key of this program's shortcut in the session just made, bound there where the desktop
    // did not bind it with the session; none when it is not bound.
    std::optional<QString> BoundKey(const QVariantMap& created, const QVariant& shortcuts);
    // The key the answer's shortcuts give this program's shortcut; none when it is not listed.
    static std::optional<QString> KeyOf(const QVariantMap& results);
    void CloseSession();

    QDBusConnection bus_;
    int requests_ = 0;
    QString sessionHandle_;
    QString description_;
    // The keys asked for, as the portal names them.
    QString bound_;
    std::function<void()> onTrigger_;
    std::function<void()> onDescriptionChange_;
    std::optional<Answer> answer_;
    QEventLoop* waiting_ = nullptr;
};

} // namespace platform::wayland
