#pragma once

#include "platform/wayland/Sources.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::wayland {

// Synthetic keys through the XDG desktop portal's RemoteDesktop
// (org.freedesktop.portal.RemoteDesktop) where the desktop offers nothing else (GNOME without
// Quorvel's Shell extension): a session with a keyboard, started once the user allows it in the
// desktop's dialog. From version 2 the portal persists the permission (persist_mode 2) and hands
// out a restore token, kept in a file, with which the next start is not asked again (GNOME 45 on).
// Keys go as evdev key codes, read by the compositor with the seat's keymap: the user's layout.
class RemoteDesktop : public QObject, public InputSender
{
    Q_OBJECT

public:
    enum class Consent
    {
        Asking,
        Granted,
        Refused
    };
    // How long keys wait for this program's window to lose the focus.
    static constexpr int FocusWaitMs = 2000;

    // Null where the portal offers no RemoteDesktop with a keyboard; otherwise the session is
    // asked for at once. tokenFile: where the restore token is kept. ownWindowActive: whether a
    // window of this program has the focus. The application is registered with the portal
    // before (portal::RegisterApplication).
    static std::unique_ptr<RemoteDesktop> Open(const QDBusConnection& bus, std::string tokenFile,
                                               std::function<bool()> ownWindowActive);
    ~RemoteDesktop() override;
    RemoteDesktop(const RemoteDesktop&) = delete;
    RemoteDesktop& operator=(const RemoteDesktop&) = delete;

    Consent GetConsent() const;
    // Unless the user refused or the portal failed.
    bool CanSend() const override;
    // Keys sent together (a combination) are typed once the event loop runs, no window of this
    // program has the focus and the session is granted; while it is not, they are dropped. A
    // release of a key the combination did not press is left out, a key left down released.
    void SendKey(unsigned xKeyCode, bool down) override;

private slots:
    void OnResponse(uint response, const QVariantMap& results);
    // The desktop ended the session (the user stopped it from GNOME's indicator).
    void OnClosed();

private:
    enum class Step
    {
        CreateSession,
        SelectDevices,
        Start
    };

    RemoteDesktop(const QDBusConnection& bus, uint version, std::string tokenFile,
                  std::function<bool()> ownWindowActive);
    // Calls the step's method, whose options (the last argument) get the request's token; its
    // answer comes to OnResponse.
    void Ask(Step step, QVariantList arguments);
    void Refuse(const char* why);
    void Granted(const QVariantMap& results);
    void Flush();
    void Type();
    QString ReadToken() const;
    void WriteToken(const QString& token) const;

    QDBusConnection bus_;
    uint version_;
    std::string tokenFile_;
    std::function<bool()> ownWindowActive_;
    Consent consent_ = Consent::Asking;
    Step step_ = Step::CreateSession;
    int requests_ = 0;
    QString requestPath_;
    QString sessionHandle_;
    // Evdev key codes and whether each goes down.
    std::vector<std::pair<unsigned, bool>> pending_;
    // Keys wait for the focus to leave this program.
    bool waiting_ = false;
};

} // namespace platform::wayland
