#include "platform/wayland/RemoteDesktop.h"

#include "platform/linux/Log.h"
#include "platform/wayland/Portal.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace platform::wayland {

namespace {

const QString RemoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
// The portal's device types (a bit each) and persist modes.
constexpr uint KeyboardDevice = 1;
constexpr uint PersistUntilRevoked = 2;
// A restore token is a short printable string (GNOME's: a UUID).
constexpr qint64 MaxTokenLength = 256;
} // namespace

RemoteDesktop::RemoteDesktop(const QDBusConnection& bus, uint version, std::string tokenFile,
                             std::function<bool()> ownWindowActive)
    : bus_(bus), version_(version), tokenFile_(std::move(tokenFile)),
      ownWindowActive_(std::move(ownWindowActive))
{
}

std::unique_ptr<RemoteDesktop> RemoteDesktop::Open(const QDBusConnection& bus,
                                                   std::string tokenFile,
                                                   std::function<bool()> ownWindowActive)
{
    if (!bus.isConnected()) {
        return nullptr;
    }
    const uint version =
        portal::NumberProperty(bus, RemoteDesktopInterface, QStringLiteral("version")).value_or(0);
    const uint devices =
        portal::NumberProperty(bus, RemoteDesktopInterface, QStringLiteral("AvailableDeviceTypes"))
            .value_or(0);
    if (version == 0 || (devices & KeyboardDevice) == 0) {
        return nullptr;
    }
    std::unique_ptr<RemoteDesktop> remote(
        new RemoteDesktop(bus, version, std::move(tokenFile), std::move(ownWindowActive)));
    remote->Ask(Step::CreateSession,
                {QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("quorvel")}}});
    return remote;
}

RemoteDesktop::~RemoteDesktop()
{
    if (consent_ == Consent::Granted) {
        bus_.disconnect(portal::Service, sessionHandle_, portal::SessionInterface,
                        QStringLiteral("Closed"), this, SLOT(OnClosed()));
    }
    if (!requestPath_.isEmpty()) {
        bus_.disconnect(portal::Service, requestPath_, portal::RequestInterface,
                        QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
    }
    if (!sessionHandle_.isEmpty()) {
        bus_.call(QDBusMessage::createMethodCall(portal::Service, sessionHandle_,
                                                 portal::SessionInterface, QStringLiteral("Close")),
                  QDBus::Block, portal::AnswerTimeoutMs);
    }
}

RemoteDesktop::Consent RemoteDesktop::GetConsent() const
{
    return consent_;
}

bool RemoteDesktop::CanSend() const
{
    return consent_ != Consent::Refused;
}

void RemoteDesktop::Ask(Step step, QVariantList arguments)
{
    static const QString methods[] = {QStringLiteral("CreateSession"),
                                      QStringLiteral("SelectDevices"), QStringLiteral("Start")};
    step_ = step;
    const QString token = QStringLiteral("quorvelremote%1").arg(++requests_);
    QVariantMap options = arguments.takeLast().toMap();
    options[QStringLiteral("handle_token")] = token;
    arguments.append(options);
    // Followed before the call, so the answer cannot come first.
    requestPath_ = portal::RequestPath(bus_, token);
    bus_.connect(portal::Service, requestPath_, portal::RequestInterface,
                 QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
    const QString method = methods[static_cast<int>(step)];
    auto* call = new QDBusPendingCallWatcher(
        bus_.asyncCall(portal::Call(RemoteDesktopInterface, method, arguments)), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, method](auto* finished) {
        if (finished->isError()) {
            qCWarning(lcPlatform) << "the portal's" << method
                                  << "fails:" << finished->error().message();
            Refuse("the portal failed");
        }
        finished->deleteLater();
    });
}

void RemoteDesktop::OnResponse(uint response, const QVariantMap& results)
{
    bus_.disconnect(portal::Service, requestPath_, portal::RequestInterface,
                    QStringLiteral("Response"), this, SLOT(OnResponse(uint, QVariantMap)));
    requestPath_.clear();
    if (response != 0) {
        Refuse(response == 1 ? "the user refused" : "the portal failed");
        return;
    }
    const QVariant session = QVariant::fromValue(QDBusObjectPath(sessionHandle_));
    switch (step_) {
    case Step::CreateSession: {
        sessionHandle_ = portal::SessionHandleOf(results);
        QVariantMap devices{{QStringLiteral("types"), KeyboardDevice}};
        if (version_ >= 2) {
            devices[QStringLiteral("persist_mode")] = PersistUntilRevoked;
            if (const QString token = ReadToken(); !token.isEmpty()) {
                devices[QStringLiteral("restore_token")] = token;
            }
        }
        Ask(Step::SelectDevices, {QVariant::fromValue(QDBusObjectPath(sessionHandle_)), devices});
        break;
    }
    case Step::SelectDevices:
        Ask(Step::Start, {session, QString(), QVariantMap()});
        break;
    case Step::Start:
        Granted(results);
        break;
    }
}

void RemoteDesktop::Granted(const QVariantMap& results)
{
    if ((results.value(QStringLiteral("devices")).toUInt() & KeyboardDevice) == 0) {
        Refuse("the session has no keyboard");
        return;
    }
    consent_ = Consent::Granted;
    bus_.connect(portal::Service, sessionHandle_, portal::SessionInterface,
                 QStringLiteral("Closed"), this, SLOT(OnClosed()));
    qCInfo(lcPlatform) << "synthetic keys through the portal's remote desktop session";
    if (const QString token = results.value(QStringLiteral("restore_token")).toString();
        !token.isEmpty()) {
        WriteToken(token);
    }
}

void RemoteDesktop::OnClosed()
{
    bus_.disconnect(portal::Service, sessionHandle_, portal::SessionInterface,
                    QStringLiteral("Closed"), this, SLOT(OnClosed()));
    // Closed already: not closed again.
    sessionHandle_.clear();
    Refuse("the desktop ended the session");
}

void RemoteDesktop::Refuse(const char* why)
{
    if (consent_ == Consent::Refused) {
        return;
    }
    qCWarning(lcPlatform) << "no remote desktop session for synthetic keys:" << why;
    consent_ = Consent::Refused;
    if (!sessionHandle_.isEmpty()) {
        bus_.asyncCall(QDBusMessage::createMethodCall(
            portal::Service, sessionHandle_, portal::SessionInterface, QStringLiteral("Close")));
        sessionHandle_.clear();
    }
}

void RemoteDesktop::SendKey(unsigned xKeyCode, bool down)
{
    // X key codes are evdev codes + 8.
    if (xKeyCode <= 8) {
        return;
    }
    if (pending_.empty() && !waiting_) {
        QTimer::singleShot(0, this, [this] { Flush(); });
    }
    pending_.emplace_back(xKeyCode - 8, down);
}

void RemoteDesktop::Flush()
{
    if (consent_ != Consent::Granted) {
        qCWarning(lcPlatform) << "keys dropped: the remote desktop session is not granted";
        pending_.clear();
        return;
    }
    // The desktop gives the focus back once the overlay hides: the keys wait for that.
    waiting_ = true;
    PollUntil(
        this, [this] { return !ownWindowActive_(); }, FocusWaitMs,
        [this](bool focusLeft) {
            waiting_ = false;
            if (!focusLeft) {
                qCWarning(lcPlatform) << "keys dropped: the focus did not leave this program";
                pending_.clear();
                return;
            }
            Type();
        });
}

void RemoteDesktop::Type()
{
    const QVariant session = QVariant::fromValue(QDBusObjectPath(sessionHandle_));
    for (const auto& [code, down] : TypedKeys(pending_)) {
        bus_.asyncCall(portal::Call(
            RemoteDesktopInterface, QStringLiteral("NotifyKeyboardKeycode"),
            {session, QVariantMap(), static_cast<int>(code), static_cast<uint>(down ? 1 : 0)}));
    }
    pending_.clear();
}

QString RemoteDesktop::ReadToken() const
{
    QFile file(QString::fromStdString(tokenFile_));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString token = QString::fromUtf8(file.read(MaxTokenLength + 1)).trimmed();
    const bool printable = std::all_of(token.begin(), token.end(), [](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7f;
    });
    return token.size() <= MaxTokenLength && printable ? token : QString();
}

void RemoteDesktop::WriteToken(const QString& token) const
{
    // Written whole to a file only the user reads, then renamed into place.
    const QString path = QString::fromStdString(tokenFile_);
    const QString written = path + QStringLiteral(".new");
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(written);
    QFile file(written);
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                       file.write(token.toUtf8() + '\n') > 0 && file.flush() &&
                       ::fsync(file.handle()) == 0;
    file.close();
    if (!saved || ::rename(QFile::encodeName(written).constData(),
                           QFile::encodeName(path).constData()) != 0) {
        qCWarning(lcPlatform) << "the remote desktop's restore token is not kept:"
                              << file.errorString();
        QFile::remove(written);
    }
}

} // namespace platform::wayland
