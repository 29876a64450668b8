// The trigger and the other settings as the main window and the settings window apply them.
#include "shell/MainForm.h"

#include "platform/VirtualKeys.h"
#include "desktop/Autostart.h"
#include "desktop/GnomeShortcut.h"
#include "shell/SettingsDialog.h"
#include "shell/TriggerEdit.h"

#include "FakeEnvironment.h"
#include "FakeGSettings.h"
#include "TriggerKeys.h"
#include "ScopedEnvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const Trigger CtrlShiftF5{platform::ModControl | platform::ModShift, 0x74};
const Trigger CtrlAltQ{platform::ModControl | platform::ModAlt, 'Q'};
using namespace trigger_test;

SettingsValues WithTrigger(const Trigger& trigger)
{
    SettingsValues values;
    values.trigger = trigger;
    return values;
}

CSettings SavedSettings(platform::Platform& platform)
{
    CSettings settings(platform);
    settings.Load();
    return settings;
}

} // namespace

TEST(TriggerSettings, AKeyTheDesktopGivesTheTriggerLaterIsNamedInTheTrayHint)
{
    FakeEnvironment env;
    env.environment.Set("PATH", env.dataFolder.filePath("no-programs").toStdString());
    env.platform.hotKeyDescription = "Meta+Q";
    {
        TMainForm form(env.platform);
        EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Meta+Q)");
        ASSERT_TRUE(env.platform.hotKeyDescriptionWatch);
        env.platform.hotKeyDescription = "Meta+Shift+Q";
        env.platform.hotKeyDescriptionWatch();
        EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Meta+Shift+Q)");
    }
    // The window gone, the desktop has no one to tell.
    EXPECT_FALSE(env.platform.hotKeyDescriptionWatch);
}

TEST(TriggerSettings, TheSavedTriggerIsGrabbedAndNamedInTheTrayHint)
{
    FakeEnvironment env;
    env.environment.Set("PATH", env.dataFolder.filePath("no-programs").toStdString());
    CSettings settings(env.platform);
    settings.values.trigger = CtrlAltK;
    settings.Save();
    TMainForm form(env.platform);
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlAltK});
    EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Ctrl + Alt + K)");
    env.platform.PressHotKey();
    EXPECT_TRUE(form.isVisible());
}

TEST(TriggerSettings, ARefusedTriggerKeepsTheOldOneWorkingAndTheFileAsItWas)
{
    FakeEnvironment env;
    env.platform.hotKeysTaken = {{CtrlAltK.modifiers, CtrlAltK.code}};
    TMainForm form(env.platform);
    ASSERT_EQ(HotKeys(env.platform), std::vector<Trigger>{WinQ});

    const std::string refusal = form.ApplySettings(WithTrigger(CtrlAltK));
    EXPECT_NE(refusal.find("Ctrl + Alt + K"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("Win + Q"), std::string::npos) << refusal;
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{WinQ});
    EXPECT_EQ(form.GrabbedTrigger(), WinQ);
    EXPECT_EQ(SavedSettings(env.platform).values.trigger, WinQ);

    EXPECT_EQ(form.ApplySettings(WithTrigger(CtrlShiftF5)), "");
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlShiftF5});
    EXPECT_EQ(SavedSettings(env.platform).values.trigger, CtrlShiftF5);
    EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Ctrl + Shift + F5)");
    env.platform.PressHotKey();
    EXPECT_TRUE(form.isVisible());
}

TEST(TriggerSettings, ATriggerTakenAtStartIsNamedInTheTrayHintAndRefusedAgain)
{
    FakeEnvironment env;
    env.platform.hotKeysTaken = {{WinQ.modifiers, WinQ.code}};
    TMainForm form(env.platform);
    EXPECT_FALSE(form.GrabbedTrigger());
    EXPECT_NE(form.TrayIcon()->toolTip().indexOf("занято другой программой"), -1);
    EXPECT_NE(form.Greeting().find("Сочетание Win + Q занято другой программой"), npos)
        << form.Greeting();
    EXPECT_NE(form.ApplySettings(WithTrigger(WinQ)), "");
    EXPECT_TRUE(env.platform.hotKeys.empty());
    EXPECT_EQ(form.ApplySettings(WithTrigger(CtrlAltK)), "");
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlAltK});
}

TEST(TriggerSettings, WhereThePlatformGrabsNoKeysTheSettingsWindowSaysToBindTheTrigger)
{
    FakeEnvironment env;
    env.platform.canGrabTrigger = false;
    TMainForm form(env.platform);
    EXPECT_TRUE(env.platform.hotKeys.empty());
    EXPECT_NE(form.TrayIcon()->toolTip().indexOf("«quorvel --show»"), -1);
    form.miSettingsClick();
    TSettingsDialog* dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->Advice()->isVisibleTo(dialog));
    EXPECT_NE(dialog->Advice()->text().indexOf("«quorvel --show»"), -1);
    EXPECT_NE(dialog->Advice()->text().indexOf("Win + Q"), -1);
}

TEST(TriggerSettings, WhereTheCompositorForgetsTheBindingTheSettingsWindowGivesTheLineToKeepIt)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    form.miSettingsClick();
    TSettingsDialog* dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    // A grab that lasts as long as the program needs no advice.
    EXPECT_FALSE(dialog->Advice()->isVisibleTo(dialog));
    dialog->reject();

    env.platform.triggerConfigLine = "bindsym --no-repeat Mod4+q \"exec 'quorvel' '--show'\"";
    form.miSettingsClick();
    dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->Advice()->isVisibleTo(dialog));
    EXPECT_NE(
        dialog->Advice()->text().indexOf(QString::fromStdString(env.platform.triggerConfigLine)),
        -1);
}

TEST(TriggerSettings, TheSettingsWindowCapturesTheKeysAndSaysWhyItStaysOpen)
{
    FakeEnvironment env;
    env.platform.hotKeysTaken = {{CtrlAltK.modifiers, CtrlAltK.code}};
    TMainForm form(env.platform);
    form.miSettingsClick();
    TSettingsDialog* dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->TriggerEdit()->text(), " Win + Q");
    // The instructions below the field stay uncovered when it takes the focus.
    QFocusEvent focusIn(QEvent::FocusIn);
    QCoreApplication::sendEvent(dialog->TriggerEdit(), &focusIn);
    EXPECT_FALSE(dialog->TriggerEdit()->IsKeyHintVisible());

    // Right Ctrl, left Alt and K held; the press reaches the line.
    for (std::uint16_t code :
         {vk::Control, vk::RControl, vk::Menu, vk::LMenu, std::uint16_t('K')}) {
        env.platform.SetKeyDown(code, true);
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, "k");
    QCoreApplication::sendEvent(dialog->TriggerEdit(), &press);
    EXPECT_EQ(dialog->TriggerEdit()->text(), " Ctrl + Alt + K");

    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->Error()->isVisibleTo(dialog));
    EXPECT_NE(dialog->Error()->text().indexOf("Ctrl + Alt + K"), -1);
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{WinQ});

    // Modifiers alone make no trigger.
    env.platform.keyState.fill(0);
    env.platform.SetKeyDown(vk::Shift, true);
    QCoreApplication::sendEvent(dialog->TriggerEdit(), &press);
    dialog->accept();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{WinQ});

    env.platform.keyState.fill(0);
    env.platform.SetKeyDown(vk::AnyWin & 0xFF, true);
    env.platform.SetKeyDown(vk::Shift, true);
    env.platform.SetKeyDown('Q', true);
    QCoreApplication::sendEvent(dialog->TriggerEdit(), &press);
    dialog->StartAtLogin()->setChecked(true);
    EXPECT_EQ(dialog->KeyboardShape()->currentIndex(), 0);
    dialog->KeyboardShape()->setCurrentIndex(1);
    dialog->accept();
    EXPECT_FALSE(dialog->isVisible());
    const Trigger winShiftQ{platform::ModWin | platform::ModShift, 'Q'};
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{winShiftQ});
    EXPECT_TRUE(HasAutostartEntry());
    EXPECT_TRUE(SavedSettings(env.platform).values.startAtLogin);
    EXPECT_EQ(SavedSettings(env.platform).values.keyboardShape, platform::KeyboardShape::Ansi);
}

TEST(TriggerSettings, StartAtLoginWritesAndRemovesTheAutostartEntry)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    SettingsValues values;
    values.startAtLogin = true;
    EXPECT_EQ(form.ApplySettings(values), "");
    EXPECT_TRUE(HasAutostartEntry());
    values.startAtLogin = false;
    EXPECT_EQ(form.ApplySettings(values), "");
    EXPECT_FALSE(HasAutostartEntry());
    EXPECT_FALSE(SavedSettings(env.platform).values.startAtLogin);
}

TEST(TriggerSettings, OnGnomeTheDesktopRunsTheTriggerAndTheGrabIsGivenBack)
{
    FakeEnvironment env;
    FakeGSettings gsettings(env.platform);
    gsettings.values["org.gnome.mutter overlay-key"] = "'Super_L'";
    env.platform.windowManagerName = "GNOME Shell";
    SettingsValues values;
    {
        TMainForm form(env.platform);
        EXPECT_EQ(form.Desktop().winKeyOwner, WinKeyOwner::Mutter);
        EXPECT_NE(form.TrayIcon()->toolTip().indexOf("GNOME"), -1);

        values.desktopShortcut = true;
        EXPECT_EQ(form.ApplySettings(values), "");
        EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Super>q");
        EXPECT_TRUE(env.platform.hotKeys.empty());
        EXPECT_FALSE(form.GrabbedTrigger());
    }
    // Started again, the shortcut follows the saved trigger.
    CSettings settings = SavedSettings(env.platform);
    settings.values.trigger = CtrlAltK;
    settings.Save();
    TMainForm again(env.platform);
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Control><Alt>k");
    EXPECT_TRUE(env.platform.hotKeys.empty());

    values.trigger = CtrlAltK;
    values.desktopShortcut = false;
    EXPECT_EQ(again.ApplySettings(values), "");
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "");
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlAltK});
}

TEST(TriggerSettings, UnderIceWmTheTrayHintNamesAnotherTrigger)
{
    FakeEnvironment env;
    QTemporaryDir icewm;
    ScopedEnvironment environment;
    environment.Set("ICEWM_PRIVCFG", icewm.path().toStdString());
    env.platform.windowManagerName = "IceWM";
    // Chosen by the user: kept, and not a first start.
    CSettings settings(env.platform);
    settings.Save();
    TMainForm form(env.platform);
    EXPECT_EQ(form.GrabbedTrigger(), WinQ);
    // The new base (IceWM's pack) is told of; the trigger kept is said to be taken, not changed.
    const std::string& greeting = form.Greeting();
    EXPECT_NE(greeting.find("IceWM забирает клавишу Win себе"), npos) << greeting;
    EXPECT_EQ(greeting.find("Нажмите"), npos) << greeting;
    EXPECT_EQ(form.Desktop().winKeyOwner, WinKeyOwner::IceWM); // Win95Keys=1 by default
    EXPECT_NE(form.TrayIcon()->toolTip().indexOf("Ctrl + Alt + Q"), -1);
    EXPECT_EQ(form.ApplySettings(WithTrigger({platform::ModControl | platform::ModAlt, 'Q'})), "");
    EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Ctrl + Alt + Q)");
}

TEST(TriggerSettings, AShowMessageShowsTheOverlayAndALaterCopyAsksWithoutABox)
{
    FakeEnvironment env;
    TMainForm first(env.platform);
    // A first run greets the user once: the defaults are saved.
    EXPECT_TRUE(QFile::exists(QString::fromStdString(first.Settings().Path())));
    TMainForm second(env.platform, true);
    EXPECT_FALSE(second.IsFirstInstance());
    EXPECT_TRUE(env.messages.empty());
    ASSERT_EQ(env.platform.sentMessages.size(), 1u);
    EXPECT_EQ(env.platform.sentMessages[0].second, TMainForm::ShowMessage);
    EXPECT_TRUE(first.isVisible());
}

TEST(TriggerSettings, AFirstStartUnderIceWmTakesATriggerWithoutTheWinKeyAndSaysSo)
{
    FakeEnvironment env;
    QTemporaryDir icewm;
    ScopedEnvironment environment;
    environment.Set("ICEWM_PRIVCFG", icewm.path().toStdString()); // IceWM's defaults
    env.platform.windowManagerName = "IceWM 3.3.1 (Linux/x86_64)";
    TMainForm form(env.platform);
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{CtrlAltQ});
    EXPECT_EQ(SavedSettings(env.platform).values.trigger, CtrlAltQ);
    EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Ctrl + Alt + Q)");
    const std::string& greeting = form.Greeting();
    EXPECT_NE(greeting.find("Нажмите Ctrl + Alt + Q"), npos) << greeting;
    EXPECT_NE(greeting.find("IceWM забирает клавишу Win себе"), npos) << greeting;
    EXPECT_EQ(greeting.find("Win + Q"), npos) << greeting;
    env.platform.PressHotKey();
    EXPECT_TRUE(form.isVisible());
}

TEST(TriggerSettings, AFirstStartOnGnomeRegistersTheTriggerInGnomesShortcuts)
{
    FakeEnvironment env;
    FakeGSettings gsettings(env.platform);
    gsettings.values["org.gnome.mutter overlay-key"] = "'Super_L'";
    env.platform.windowManagerName = "GNOME Shell";
    TMainForm form(env.platform);
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "<Super>q");
    EXPECT_TRUE(env.platform.hotKeys.empty());
    EXPECT_TRUE(SavedSettings(env.platform).values.desktopShortcut);
    EXPECT_EQ(SavedSettings(env.platform).values.trigger, WinQ);
    const std::string& greeting = form.Greeting();
    EXPECT_NE(greeting.find("Нажмите Win + Q"), npos) << greeting;
    EXPECT_NE(greeting.find("зарегистрировано в настройках клавиатуры GNOME"), npos) << greeting;
    // GNOME runs "quorvel --show" on the keys.
    TMainForm shortcut(env.platform, true);
    EXPECT_TRUE(form.isVisible());
}

// GNOME 48 on Wayland binds the trigger through its portal, Super+Q as well: no custom
// keybinding is made, and the key is named as GNOME names it.
TEST(TriggerSettings, AFirstStartWhereGnomeBindsTheTriggerItselfTakesSuperQThere)
{
    FakeEnvironment env;
    FakeGSettings gsettings(env.platform);
    gsettings.values["org.gnome.mutter overlay-key"] = "'Super_L'";
    env.platform.windowManagerName = "GNOME Shell";
    env.platform.desktopBindsTrigger = true;
    env.platform.hotKeyDescription = "Super+Q";
    TMainForm form(env.platform);
    EXPECT_EQ(HotKeys(env.platform), std::vector<Trigger>{WinQ});
    EXPECT_EQ(GnomeShortcutBinding(env.platform), "");
    EXPECT_FALSE(SavedSettings(env.platform).values.desktopShortcut);
    EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Super+Q)");
}

TEST(TriggerSettings, TheAlreadyRunningBoxNamesTheTriggerInForce)
{
    FakeEnvironment env;
    env.environment.Set("PATH", env.dataFolder.filePath("no-programs").toStdString());
    CSettings settings(env.platform);
    settings.values.trigger = CtrlAltK;
    settings.Save();
    TMainForm first(env.platform);
    EXPECT_EQ(first.Greeting(), ""); // not a first start, and no application to add
    TMainForm second(env.platform);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find("Нажмите Ctrl + Alt + K"), npos) << env.messages[0];
    EXPECT_EQ(env.messages[0].find("Win"), npos) << env.messages[0];
}

TEST(TriggerSettings, WhereTheDesktopNeedsTheShellExtensionTheSettingsWindowOffersIt)
{
    FakeEnvironment env;
    env.platform.shellExtension = {"quorvel@quorvel.org", false};
    bool toolWorks = false;
    env.platform.programs = [&](const std::string& program, const std::vector<std::string>&) {
        return program == "gnome-extensions" && toolWorks ? std::optional<std::string>("")
                                                          : std::nullopt;
    };
    TMainForm form(env.platform);
    form.miSettingsClick();
    TSettingsDialog* dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->ExtensionState(), nullptr);
    EXPECT_NE(dialog->ExtensionState()->text().indexOf("не заголовки окон"), -1);
    EXPECT_NE(dialog->ExtensionState()->text().indexOf("Без него"), -1);
    ASSERT_NE(dialog->EnableExtension(), nullptr);

    // A tool that fails: the command is named and the button stays.
    dialog->EnableExtension()->click();
    const std::vector<std::string> enable{"gnome-extensions", "enable", "quorvel@quorvel.org"};
    ASSERT_EQ(env.platform.ranPrograms.size(), 1u);
    EXPECT_EQ(env.platform.ranPrograms[0], enable);
    EXPECT_TRUE(dialog->Error()->isVisibleTo(dialog));
    EXPECT_NE(dialog->Error()->text().indexOf("gnome-extensions enable quorvel@quorvel.org"), -1);
    EXPECT_TRUE(dialog->EnableExtension()->isEnabled());

    toolWorks = true;
    dialog->EnableExtension()->click();
    EXPECT_FALSE(dialog->Error()->isVisibleTo(dialog));
    EXPECT_FALSE(dialog->EnableExtension()->isEnabled());
    EXPECT_NE(dialog->ExtensionState()->text().indexOf("Перезапустите Quorvel"), -1);
}

// Without the extension the remote desktop session carries shortcuts out: the settings say so
// and that GNOME asks for the user's consent, and still offer the extension.
TEST(TriggerSettings, WithoutTheExtensionTheSettingsTellOfTheRemoteDesktop)
{
    FakeEnvironment env;
    env.platform.shellExtension = {"quorvel@quorvel.org", false, true};
    TMainForm form(env.platform);
    form.miSettingsClick();
    TSettingsDialog* dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->ExtensionState(), nullptr);
    const QString text = dialog->ExtensionState()->text();
    EXPECT_NE(text.indexOf("удалённый доступ к рабочему столу"), -1) << text.toStdString();
    EXPECT_EQ(text.indexOf("лишь описывает"), -1) << text.toStdString();
    EXPECT_NE(dialog->EnableExtension(), nullptr);
}

TEST(TriggerSettings, AnActiveShellExtensionIsNamedAndNoneIsOfferedWhereNoneApplies)
{
    FakeEnvironment env;
    env.platform.shellExtension = {"quorvel@quorvel.org", true};
    {
        TMainForm form(env.platform);
        form.miSettingsClick();
        TSettingsDialog* dialog = form.SettingsDialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_NE(dialog->ExtensionState(), nullptr);
        EXPECT_NE(dialog->ExtensionState()->text().indexOf("включено:"), -1);
        EXPECT_EQ(dialog->EnableExtension(), nullptr);
    }
    env.platform.shellExtension = {};
    TMainForm form(env.platform);
    form.miSettingsClick();
    ASSERT_NE(form.SettingsDialog(), nullptr);
    EXPECT_EQ(form.SettingsDialog()->ExtensionState(), nullptr);
}

TEST(TriggerSettings, LiveShortcutsAreSwitchedInTheSettingsWindowAndKept)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    form.miSettingsClick();
    TSettingsDialog* dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    // On, without the accessibility bus for every program unless asked.
    EXPECT_TRUE(dialog->LiveReading()->isChecked());
    EXPECT_FALSE(dialog->LiveAccessibility()->isChecked());
    EXPECT_TRUE(dialog->LiveAccessibility()->isEnabled());
    // Reading nothing, nothing is asked of accessibility.
    dialog->LiveReading()->setChecked(false);
    EXPECT_FALSE(dialog->LiveAccessibility()->isEnabled());
    dialog->accept();
    EXPECT_FALSE(SavedSettings(env.platform).values.liveReading);
    EXPECT_FALSE(SavedSettings(env.platform).accessibilitySwitchedOn);
    form.miSettingsClick();
    dialog = form.SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->LiveReading()->isChecked());
    EXPECT_FALSE(dialog->LiveAccessibility()->isEnabled());
}
