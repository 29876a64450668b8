#pragma once

#include "platform/wayland/Sources.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

class QTemporaryFile;

#include <map>
#include <memory>

namespace platform::wayland {

// The windows of KWin through a script of this program's, loaded into KWin over D-Bus at the
// start and unloaded at the end: the script calls this object on each activation and closing,
// with the window's process, desktop file name and class (never its title).
class KWinWindows : public QObject, public ActiveWindowSource
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quorvel.KWinWindows")

public:
    // The name and object the script calls.
    static constexpr const char* ServiceName = "org.quorvel.Quorvel.KWin";
    static constexpr const char* ObjectPath = "/org/quorvel/KWinWindows";

    // Loads the script file into the KWin of the session bus; null without KWin, or where the
    // script cannot be loaded and run.
    static std::unique_ptr<KWinWindows> Open(const QString& scriptPath);
    ~KWinWindows() override;
    KWinWindows(const KWinWindows&) = delete;
    KWinWindows& operator=(const KWinWindows&) = delete;

    std::optional<Toplevel> Focused() override;
    void Watch(std::function<void()> onChange) override;
    // The windows that were active once and are not closed: KWin is not asked.
    std::vector<Toplevel> Windows() override;
    std::optional<Toplevel> Find(std::int64_t id) override;
    void Activate(std::int64_t id) override;

public slots:
    // Called by the script. A window became active; an empty id when none is.
    Q_SCRIPTABLE void Activated(const QString& windowId, const QString& pid,
                                const QString& desktopFileName, const QString& resourceClass,
                                const QString& resourceName);
    Q_SCRIPTABLE void Closed(const QString& windowId);

private:
    explicit KWinWindows(QDBusConnection bus);
    // Loads and runs a script file under the plugin name, replacing one loaded before.
    bool Load(const QString& scriptPath, const QString& pluginName);
    // The number this program gives KWin's window id, made at the first sight.
    std::int64_t NumberOf(const QString& windowId);

    QDBusConnection bus_;
    bool loaded_ = false;
    std::map<QString, std::int64_t> numbers_;
    std::int64_t lastNumber_ = 0;
    std::map<std::int64_t, Toplevel> known_;
    std::optional<std::int64_t> focused_;
    std::function<void()> onChange_;
    // The script that activated a window last.
    std::unique_ptr<QTemporaryFile> activation_;
};

} // namespace platform::wayland
