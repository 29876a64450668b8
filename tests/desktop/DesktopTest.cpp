// The desktop's own settings: GNOME's custom keybindings and mutter's overlay key through a
// stand-in for gsettings, IceWM's preferences and the autostart entry.
#include "desktop/Autostart.h"
#include "desktop/Desktop.h"
#include "desktop/GnomeShortcut.h"

#include "framework/Exception.h"

#include "FakeEnvironment.h"
#include "FakeGSettings.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const std::string List = "org.gnome.settings-daemon.plugins.media-keys custom-keybindings";
const std::string Entry = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:"
                          "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/"
                          "quorvel/";
const std::string Mine =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/quorvel/";
const std::string Users =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";

} // namespace

TEST(GVariantText, StringArraysAndStringsAsGSettingsPrintsThem)
{
    bool ok = false;
    EXPECT_TRUE(ParseStringArray("@as []\n", ok).empty());
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseStringArray("['/a/', \"/b'c/\", '/d\\'e/']\n", ok),
              (std::vector<std::string>{"/a/", "/b'c/", "/d'e/"}));
    EXPECT_TRUE(ok);
    for (const char* bad : {"", "nothing", "['open", "[1, 2]"}) {
        ParseStringArray(bad, ok);
        EXPECT_FALSE(ok) << bad;
    }
    const std::vector<std::string> items{"/x/", "it's", "back\\slash"};
    EXPECT_EQ(ParseStringArray(FormatStringArray(items), ok), items);
    EXPECT_EQ(FormatStringArray({}), "[]");
    EXPECT_EQ(ParseString("'<Super>q'\n"), "<Super>q");
    EXPECT_EQ(ShellCommandLine({"/usr/bin/quorvel", "--show"}), "/usr/bin/quorvel --show");
    EXPECT_EQ(ShellCommandLine({"/home/a b/it's/quorvel", "--show"}),
              "'/home/a b/it'\\''s/quorvel' --show");
}

TEST(GnomeShortcut, IsAddedAndRemovedBesideTheUsersOwnBindings)
{
    FakeEnvironment env;
    FakeGSettings gsettings(env.platform);
    gsettings.values[List] = FormatStringArray({Users});
    gsettings.values[Entry + " name"] = "'left over'";

    ASSERT_TRUE(SetGnomeShortcut(env.platform, "<Super>q", {"/opt/my apps/quorvel", "--show"}));
    EXPECT_EQ(gsettings.values[List], FormatStringArray({Users, Mine}));
    EXPECT_EQ(gsettings.values[Entry + " name"], "'Quorvel'");
    EXPECT_EQ(gsettings.values[Entry + " binding"], "'<Super>q'");
    EXPECT_EQ(ParseString(gsettings.values[Entry + " command"]), "'/opt/my apps/quorvel' --show");
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Super>q");

    // Set again with another key: listed once.
    ASSERT_TRUE(SetGnomeShortcut(env.platform, "<Control><Alt>k", {"/usr/bin/quorvel", "--show"}));
    EXPECT_EQ(gsettings.values[List], FormatStringArray({Users, Mine}));
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Control><Alt>k");

    ASSERT_TRUE(RemoveGnomeShortcut(env.platform));
    EXPECT_EQ(gsettings.values[List], FormatStringArray({Users}));
    EXPECT_EQ(gsettings.values.count(Entry + " binding"), 0u);
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "");

    gsettings.failing = true;
    EXPECT_FALSE(SetGnomeShortcut(env.platform, "<Super>q", {"quorvel", "--show"}));
    EXPECT_FALSE(RemoveGnomeShortcut(env.platform));
}

TEST(Desktop, MutterAndIceWmTakeTheWindowsKeyAsTheirSettingsSay)
{
    FakeEnvironment env;
    FakeGSettings gsettings(env.platform);
    QTemporaryDir icewm;
    ScopedEnvironment environment;
    environment.Set("ICEWM_PRIVCFG", icewm.path().toStdString());

    EXPECT_EQ(InspectDesktop(env.platform).winKeyOwner, WinKeyOwner::Nobody); // no window manager

    env.platform.windowManagerName = "Mutter";
    const std::string overlayKey = "org.gnome.mutter overlay-key";
    gsettings.values[overlayKey] = "'Super_L'";
    DesktopFacts facts = InspectDesktop(env.platform);
    EXPECT_EQ(facts.winKeyOwner, WinKeyOwner::Mutter);
    EXPECT_TRUE(facts.gnomeShortcuts);
    // GNOME Shell binding the trigger itself (its portal, GNOME 48 on Wayland) blocks nothing.
    env.platform.windowManagerName = "GNOME Shell";
    env.platform.desktopBindsTrigger = true;
    facts = InspectDesktop(env.platform);
    EXPECT_EQ(facts.winKeyOwner, WinKeyOwner::Nobody);
    EXPECT_TRUE(facts.gnomeShortcuts);
    env.platform.desktopBindsTrigger = false;
    EXPECT_EQ(InspectDesktop(env.platform).winKeyOwner, WinKeyOwner::Mutter);
    env.platform.windowManagerName = "Mutter";
    gsettings.values[overlayKey] = "''";
    EXPECT_EQ(InspectDesktop(env.platform).winKeyOwner, WinKeyOwner::Nobody);
    // Without an answer from gsettings, mutter's default holds: Super_L.
    gsettings.failing = true;
    facts = InspectDesktop(env.platform);
    EXPECT_EQ(facts.winKeyOwner, WinKeyOwner::Mutter);
    EXPECT_FALSE(facts.gnomeShortcuts);

    env.platform.windowManagerName = "IceWM 3.3.1 (Linux 6.1.0/x86_64)";
    QFile preferences(icewm.filePath("preferences"));
    ASSERT_TRUE(preferences.open(QIODevice::WriteOnly));
    preferences.write("# Win95Keys=0 # 0/1\nTaskBarAutoHide=0\n");
    preferences.flush();
    EXPECT_TRUE(IceWmTakesWinKeys()); // a comment sets nothing: a later file or the default
    preferences.write("  Win95Keys=0\n");
    preferences.flush();
    EXPECT_FALSE(IceWmTakesWinKeys());
    EXPECT_EQ(InspectDesktop(env.platform).winKeyOwner, WinKeyOwner::Nobody);
    preferences.write("Win95Keys = 1\nWin95Keys=\"1\"\n");
    preferences.flush();
    EXPECT_EQ(InspectDesktop(env.platform).winKeyOwner, WinKeyOwner::IceWM);
}

TEST(Autostart, TheEntryIsWrittenValidAndRemoved)
{
    FakeEnvironment env;
    const QString path = env.configFolder.filePath("autostart/quorvel.desktop");
    EXPECT_EQ(AutostartPath(), path.toStdString());
    EXPECT_FALSE(HasAutostartEntry());
    EXPECT_NO_THROW(RemoveAutostartEntry());

    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    ASSERT_FALSE(validator.isEmpty()) << "desktop-file-utils is not installed";
    for (const std::string executable :
         {"/usr/lib/quorvel/quorvel", "/home/me/my \"best\" $apps/100%/quor`vel\\x"}) {
        WriteAutostartEntry(executable);
        ASSERT_TRUE(HasAutostartEntry());
        QProcess validate;
        validate.start(validator, {path});
        ASSERT_TRUE(validate.waitForFinished(10000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
        EXPECT_TRUE(text.contains(
            "\nExec=" + QString::fromStdString(DesktopExecArgument(executable)) + "\n"));
    }
    EXPECT_EQ(DesktopExecArgument("/usr/lib/quorvel/quorvel"), "/usr/lib/quorvel/quorvel");
    // Quoted, with ", `, $ and \ escaped inside the quotes, % doubled, and the string value's
    // backslashes doubled again.
    EXPECT_EQ(DesktopExecArgument("/a b/\"$x`\\%"), "\"/a b/\\\\\"\\\\$x\\\\`\\\\\\\\%%\"");

    RemoveAutostartEntry();
    EXPECT_FALSE(HasAutostartEntry());
}
