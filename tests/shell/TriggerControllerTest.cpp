// The trigger on its own: grabbed or run by GNOME, changed from the settings, and what the user
// is told about it.
#include "shell/TriggerController.h"

#include "desktop/GnomeShortcut.h"

#include "FakeEnvironment.h"
#include "FakeGSettings.h"
#include "TriggerKeys.h"

#include <gtest/gtest.h>

namespace {

using namespace trigger_test;

// The settings as a start reads them: saved with these values (none: a first start).
CSettings LoadedSettings(platform::Platform& platform, const std::optional<SettingsValues>& saved)
{
    if (saved) {
        CSettings file(platform);
        file.values = *saved;
        file.Save();
    }
    CSettings settings(platform);
    settings.Load();
    return settings;
}

SettingsValues With(const Trigger& trigger, bool desktopShortcut = false)
{
    SettingsValues values;
    values.trigger = trigger;
    values.desktopShortcut = desktopShortcut;
    return values;
}

// GNOME with its overlay key on the left Windows key.
struct Gnome
{
    explicit Gnome(platform::FakePlatform& platform) : gsettings(platform)
    {
        gsettings.values["org.gnome.mutter overlay-key"] = "'Super_L'";
        platform.windowManagerName = "GNOME Shell";
    }
    FakeGSettings gsettings;
};

} // namespace

TEST(TriggerController, TheGrabbedTriggerRunsTheCommandAndAnUnchangedOneIsNotGrabbedTwice)
{
    FakeEnvironment env;
    CSettings settings = LoadedSettings(env.platform, With(CtrlAltK));
    int presses = 0;
    CTriggerController trigger(env.platform, settings, [&presses] { ++presses; });
    trigger.Start();
    EXPECT_FALSE(trigger.FirstStart());
    EXPECT_EQ(trigger.Grabbed(), CtrlAltK);
    env.platform.PressHotKey();
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(trigger.TrayHint(), "Quorvel (Ctrl + Alt + K)");
    EXPECT_NE(trigger.HowToShow().find("Нажмите Ctrl + Alt + K"), npos) << trigger.HowToShow();

    SettingsValues values = With(CtrlAltK);
    values.keyboardShape = platform::KeyboardShape::Ansi;
    EXPECT_EQ(trigger.Apply(values), "");
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlAltK});
    EXPECT_EQ(settings.values.keyboardShape, platform::KeyboardShape::Ansi);
    EXPECT_EQ(LoadedSettings(env.platform, std::nullopt).values.keyboardShape,
              platform::KeyboardShape::Ansi);
    env.platform.PressHotKey();
    EXPECT_EQ(presses, 2);
}

TEST(TriggerController, ADesktopThatOwnsTheKeyNamesItInTheHintAndInHowToShow)
{
    FakeEnvironment env;
    // KDE's portal keeps the key the user chose in its settings over the one asked for.
    env.platform.hotKeyDescription = "Meta+Shift+K";
    CSettings settings = LoadedSettings(env.platform, With(CtrlAltK));
    CTriggerController trigger(env.platform, settings, [] {});
    trigger.Start();
    ASSERT_EQ(trigger.Grabbed(), CtrlAltK);
    EXPECT_EQ(trigger.TrayHint(), "Quorvel (Meta+Shift+K)");
    EXPECT_NE(trigger.HowToShow().find("Нажмите Meta+Shift+K"), npos) << trigger.HowToShow();
    // A refused key is named by the settings, the one still working by the desktop.
    env.platform.hotKeysTaken = {{WinQ.modifiers, WinQ.code}};
    const std::string refusal = trigger.Apply(With(WinQ));
    EXPECT_NE(refusal.find("Сочетание Win + Q занято"), npos) << refusal;
    EXPECT_NE(refusal.find("Прежнее сочетание Meta+Shift+K"), npos) << refusal;
    EXPECT_EQ(trigger.Grabbed(), CtrlAltK);
}

TEST(TriggerController, ATakenTriggerIsToldInTheHintAndInHowToShowAndNothingIsSavedOnARefusal)
{
    FakeEnvironment env;
    env.platform.hotKeysTaken = {{WinQ.modifiers, WinQ.code}, {CtrlAltK.modifiers, CtrlAltK.code}};
    CSettings settings = LoadedSettings(env.platform, std::nullopt);
    CTriggerController trigger(env.platform, settings, [] {});
    trigger.Start();
    EXPECT_TRUE(trigger.FirstStart());
    EXPECT_FALSE(trigger.Grabbed());
    // Not the window manager's doing: the first start keeps the default trigger.
    EXPECT_EQ(LoadedSettings(env.platform, std::nullopt).values.trigger, WinQ);
    EXPECT_NE(trigger.TrayHint().find("занято другой программой"), npos) << trigger.TrayHint();
    EXPECT_NE(trigger.HowToShow().find("Сочетание Win + Q занято"), npos) << trigger.HowToShow();

    SettingsValues values = With(CtrlAltK);
    values.startAtLogin = true;
    EXPECT_NE(trigger.Apply(values).find("занято другой программой"), npos);
    EXPECT_FALSE(LoadedSettings(env.platform, std::nullopt).values.startAtLogin);
    EXPECT_EQ(settings.values.trigger, WinQ);
    EXPECT_TRUE(env.platform.hotKeys.empty());
}

TEST(TriggerController, GnomeFailingToTakeTheShortcutKeepsTheGrabbedTriggerWorking)
{
    FakeEnvironment env;
    Gnome gnome(env.platform);
    CSettings settings = LoadedSettings(env.platform, With(CtrlAltK));
    CTriggerController trigger(env.platform, settings, [] {});
    trigger.Start();
    ASSERT_EQ(trigger.Grabbed(), CtrlAltK);
    ASSERT_TRUE(trigger.Desktop().gnomeShortcuts);

    gnome.gsettings.failing = true;
    SettingsValues values = With(WinQ, true);
    values.startAtLogin = true;
    const std::string failure = trigger.Apply(values);
    EXPECT_NE(failure.find("GNOME"), npos) << failure;
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlAltK});
    EXPECT_EQ(trigger.Grabbed(), CtrlAltK);
    // The trigger that works is the one kept; the rest of the values are taken.
    EXPECT_EQ(settings.values.trigger, CtrlAltK);
    EXPECT_FALSE(settings.values.desktopShortcut);
    EXPECT_TRUE(LoadedSettings(env.platform, std::nullopt).values.startAtLogin);
    EXPECT_EQ(trigger.TrayHint(), "Quorvel (Ctrl + Alt + K)");
}

TEST(TriggerController, GnomeFailingToDropTheShortcutIsToldWhileTheNewGrabWorks)
{
    FakeEnvironment env;
    Gnome gnome(env.platform);
    CSettings settings = LoadedSettings(env.platform, With(WinQ, true));
    CTriggerController trigger(env.platform, settings, [] {});
    trigger.Start();
    ASSERT_EQ(GnomeShortcutBinding(env.platform), "<Super>q");
    ASSERT_FALSE(trigger.Grabbed());

    gnome.gsettings.failing = true;
    const std::string failure = trigger.Apply(With(CtrlAltK));
    EXPECT_NE(failure.find("GNOME"), npos) << failure;
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlAltK});
    EXPECT_EQ(settings.values.trigger, CtrlAltK);
    gnome.gsettings.failing = false;
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Super>q");
}

TEST(TriggerController, AtStartGnomesShortcutFollowsTheSettingsOrGoesWhenTurnedOff)
{
    FakeEnvironment env;
    Gnome gnome(env.platform);
    {
        CSettings settings = LoadedSettings(env.platform, With(CtrlAltK, true));
        CTriggerController trigger(env.platform, settings, [] {});
        trigger.Start();
        EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Control><Alt>k");
        EXPECT_FALSE(trigger.Grabbed());
        EXPECT_TRUE(env.platform.hotKeys.empty());
        const std::string howTo = trigger.HowToShow();
        EXPECT_NE(howTo.find("Нажмите Ctrl + Alt + K"), npos) << howTo;
        EXPECT_NE(howTo.find("GNOME"), npos) << howTo;
    }
    // Left from that run, the shortcut goes once the settings turn it off.
    CSettings settings = LoadedSettings(env.platform, With(CtrlAltK, false));
    CTriggerController trigger(env.platform, settings, [] {});
    trigger.Start();
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "");
    EXPECT_EQ(trigger.Grabbed(), CtrlAltK);
}

TEST(TriggerController, AFirstStartOnGnomeWithoutItsShortcutsTakesATriggerWithoutTheWinKey)
{
    FakeEnvironment env;
    Gnome gnome(env.platform);
    gnome.gsettings.installed = false;
    CSettings settings = LoadedSettings(env.platform, std::nullopt);
    CTriggerController trigger(env.platform, settings, [] {});
    trigger.Start();
    const Trigger ctrlAltQ{platform::ModControl | platform::ModAlt, 'Q'};
    EXPECT_EQ(trigger.Grabbed(), ctrlAltQ);
    EXPECT_FALSE(settings.values.desktopShortcut);
    EXPECT_EQ(LoadedSettings(env.platform, std::nullopt).values.trigger, ctrlAltQ);
    const std::string howTo = trigger.HowToShow();
    EXPECT_NE(howTo.find("забирает клавишу Win себе"), npos) << howTo;
    EXPECT_NE(howTo.find("Ctrl + Alt + Q"), npos) << howTo;
}

TEST(TriggerController, WhereThePlatformGrabsNoKeysTheUserBindsTheTriggerToTheShowCommand)
{
    FakeEnvironment env;
    env.platform.canGrabTrigger = false;
    CSettings settings = LoadedSettings(env.platform, With(CtrlAltK));
    int presses = 0;
    CTriggerController trigger(env.platform, settings, [&presses] { ++presses; });
    trigger.Start();
    EXPECT_FALSE(trigger.Grabbed());
    EXPECT_TRUE(env.platform.hotKeys.empty());
    const std::string hint = trigger.TrayHint();
    EXPECT_NE(hint.find("Ctrl + Alt + K"), npos) << hint;
    EXPECT_NE(hint.find("«quorvel --show»"), npos) << hint;
    EXPECT_EQ(hint.find("занято"), npos) << hint;
    const std::string howTo = trigger.HowToShow();
    EXPECT_NE(howTo.find("Нажмите Ctrl + Alt + K"), npos) << howTo;
    EXPECT_NE(howTo.find("«quorvel --show»"), npos) << howTo;

    // A new trigger is taken as it is: the desktop's binding is the user's to change.
    EXPECT_EQ(trigger.Apply(With(WinQ)), "");
    EXPECT_TRUE(env.platform.hotKeys.empty());
    EXPECT_EQ(LoadedSettings(env.platform, std::nullopt).values.trigger, WinQ);
    EXPECT_NE(trigger.TrayHint().find("Win + Q"), npos) << trigger.TrayHint();
    EXPECT_EQ(presses, 0);
}

TEST(TriggerController, WhereThePlatformGrabsNoKeysAFirstStartOnGnomeHasGnomeRunTheTrigger)
{
    FakeEnvironment env;
    Gnome gnome(env.platform);
    // The Windows key is free: only the missing grab sends the trigger to GNOME.
    gnome.gsettings.values["org.gnome.mutter overlay-key"] = "''";
    env.platform.canGrabTrigger = false;
    CSettings settings = LoadedSettings(env.platform, std::nullopt);
    CTriggerController trigger(env.platform, settings, [] {});
    trigger.Start();
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Super>q");
    EXPECT_TRUE(LoadedSettings(env.platform, std::nullopt).values.desktopShortcut);
    EXPECT_EQ(LoadedSettings(env.platform, std::nullopt).values.trigger, WinQ);
    EXPECT_TRUE(env.platform.hotKeys.empty());
    EXPECT_EQ(trigger.TrayHint().find("«quorvel --show»"), npos) << trigger.TrayHint();

    // Turned off, GNOME's shortcut goes and the user is told to bind the trigger.
    EXPECT_EQ(trigger.Apply(With(WinQ, false)), "");
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "");
    EXPECT_TRUE(env.platform.hotKeys.empty());
    EXPECT_NE(trigger.TrayHint().find("«quorvel --show»"), npos) << trigger.TrayHint();
}
