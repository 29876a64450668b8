#pragma once

#include "platform/wayland/Sources.h"

#include <QDBusConnection>

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class QObject;

namespace platform::wayland {

// GNOME Shell through Quorvel's own Shell extension (packaging/gnome-shell-extension) on the
// session bus. The extension answers only the owner of ClientName, which Open takes: it tells the
// focused window (the Shell's id for it, its process, the desktop entry the Shell matched it to
// and its class; never its title) and types key combinations through a virtual keyboard of the
// Shell once this program's window has lost the focus. It lists no other windows and gives no
// focus: the Shell hands the focus back to the window below when the overlay hides.
class GnomeShell : public ActiveWindowSource, public InputSender
{
public:
    static constexpr const char* ClientName = "org.quorvel.Quorvel";
    static constexpr const char* ServiceName = "org.quorvel.Quorvel.Shell";
    static constexpr const char* ObjectPath = "/org/quorvel/Quorvel/Shell";
    static constexpr const char* InterfaceName = "org.quorvel.Quorvel.Shell1";
    // The extension's folder name, as gnome-extensions names it.
    static constexpr const char* ExtensionUuid = "quorvel@quorvel.org";

    // Null when another program holds ClientName or the extension does not answer.
    static std::unique_ptr<GnomeShell> Open(const QDBusConnection& bus);
    ~GnomeShell() override;
    GnomeShell(const GnomeShell&) = delete;
    GnomeShell& operator=(const GnomeShell&) = delete;

    std::optional<Toplevel> Focused() override;
    void Watch(std::function<void()> onChange) override;
    // The focused window alone.
    std::vector<Toplevel> Windows() override;
    // One of the windows that had the focus lately.
    std::optional<Toplevel> Find(std::int64_t id) override;
    // Nothing: the extension gives no focus.
    void Activate(std::int64_t id) override;
    bool CanSend() const override;
    // Keys sent together (a combination) go to the extension in one call once the event loop runs.
    void SendKey(unsigned xKeyCode, bool down) override;

    // The focused window as the extension describes it; none for window 0.
    void OnFocus(std::uint64_t window, std::uint32_t pid, const std::string& appId,
                 const std::string& wmClass);

private:
    explicit GnomeShell(const QDBusConnection& bus);
    bool Follow();
    void Flush();

    QDBusConnection bus_;
    std::unique_ptr<QObject> receiver_;
    RecentWindows windows_;
    std::function<void()> onChange_;
    // Evdev key codes and whether each goes down.
    std::vector<std::pair<unsigned, bool>> pending_;
};

// Whether XDG_CURRENT_DESKTOP ("ubuntu:GNOME") names GNOME.
bool IsGnomeDesktop(std::string_view currentDesktop);

} // namespace platform::wayland
