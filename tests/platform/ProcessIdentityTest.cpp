#include "platform/x11/X11Platform.h"
#include "platform/linux/ProcessIdentity.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace std::string_literals;

namespace {

// A /proc/<pid> folder of a made-up process.
class SandboxedProcess : public ::testing::Test
{
protected:
    std::string Folder() const { return dir.path().toStdString(); }
    void Write(const std::string& relative, const std::string& text) const
    {
        const std::string path = Folder() + "/" + relative;
        QDir().mkpath(QString::fromStdString(path.substr(0, path.find_last_of('/'))));
        std::ofstream(path, std::ios::binary) << text;
    }

    QTemporaryDir dir;
};

TEST_F(SandboxedProcess, FlatpakMetadataNamesTheApplication)
{
    Write("root/.flatpak-info", "[Instance]\nname=wrong\n[Application]\nname=org.gnome.Meld\n"
                                "runtime=runtime/org.gnome.Platform/x86_64/44\n");
    Write("environ", "FLATPAK_ID=org.other.App\0"s);
    EXPECT_EQ(platform::DesktopIdOfProcessFolder(Folder()), "org.gnome.Meld.desktop");
}

TEST_F(SandboxedProcess, TheEnvironmentNamesItWithoutMetadata)
{
    Write("environ", "HOME=/home/me\0FLATPAK_ID=org.kde.krita\0"s);
    EXPECT_EQ(platform::DesktopIdOfProcessFolder(Folder()), "org.kde.krita.desktop");
    Write("environ", "SNAP_NAME=firefox\0BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/"
                     "desktop/applications/firefox_firefox.desktop\0"s);
    EXPECT_EQ(platform::DesktopIdOfProcessFolder(Folder()), "firefox_firefox.desktop");
}

TEST_F(SandboxedProcess, SystemdScopesNameFlatpakAndSnapApplications)
{
    Write("cgroup", "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                    "app-flatpak-org.gnome.Meld-12345.scope\n");
    EXPECT_EQ(platform::DesktopIdOfProcessFolder(Folder()), "org.gnome.Meld.desktop");
    Write("cgroup", "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                    "snap.chromium.chromium-8f0f0f0f-1111-2222-3333-444444444444.scope\n");
    EXPECT_EQ(platform::DesktopIdOfProcessFolder(Folder()), "chromium_chromium.desktop");
}

TEST_F(SandboxedProcess, AnOrdinaryProcessHasNone)
{
    Write("environ", "HOME=/home/me\0PATH=/usr/bin\0"s);
    Write("cgroup", "0::/user.slice/user-1000.slice/session-2.scope\n");
    EXPECT_EQ(platform::DesktopIdOfProcessFolder(Folder()), "");
    EXPECT_EQ(platform::DesktopIdOfProcessFolder(Folder() + "/no-such-process"), "");
    // This test's own process runs outside any sandbox.
    platform::X11Platform system;
    EXPECT_EQ(system.GetProcessDesktopId(static_cast<std::uint32_t>(getpid())), "");
}

} // namespace
