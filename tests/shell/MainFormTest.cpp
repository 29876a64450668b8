#include "shell/MainForm.h"

#include "shell/About.h"
#include "shell/InstanceRequests.h"
#include "shell/Keyboard.h"
#include "shell/KeyScanner.h"
#include "shell/SettingsDialog.h"
#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "editor/DBEditor.h"
#include "framework/DataSet.h"
#include "framework/Exception.h"
#include "keyboard/KeyLayoutLoader.h"
#include "platform/VirtualKeys.h"
#include "util/MessageBox.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"
#include "ScopedLanguage.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace {

// Counts the hide events of the object it filters.
class HideCounter : public QObject
{
public:
    explicit HideCounter(int& count) : count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override
    {
        count_ += event->type() == QEvent::Hide ? 1 : 0;
        return false;
    }

private:
    int& count_;
};

std::vector<std::string> MenuTexts(const QMenu* menu)
{
    std::vector<std::string> texts;
    for (const QAction* action : menu->actions()) {
        texts.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    }
    return texts;
}

} // namespace

TEST(MainForm, StartsHiddenWithTrayIconMenuAndHotKey)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    ASSERT_TRUE(form.IsFirstInstance());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.TrayIcon()->isVisible());
    EXPECT_EQ(form.TrayIcon()->toolTip(), "Quorvel (Win + Q)");
    EXPECT_EQ(MenuTexts(form.IconMenu()),
              (std::vector<std::string>{"Показать", "Редактирование сочетаний клавиш",
                                        "Шпаргалка...", "-", "Настройки…", "Справка", "О программе",
                                        "-", "Закрыть это меню", "Выход"}));
    ASSERT_EQ(env.platform.hotKeys.size(), 1u);
    EXPECT_EQ(env.platform.hotKeys[0].modifiers, platform::ModWin);
    EXPECT_EQ(env.platform.hotKeys[0].code, 'Q');
}

TEST(MainForm, MenuIsInEnglishWithTheEnglishCatalogue)
{
    FakeEnvironment env;
    {
        ScopedLanguage language({{"LANG", "C.UTF-8"}, {"LANGUAGE", "en"}});
        TMainForm form(env.platform);
        EXPECT_EQ(
            MenuTexts(form.IconMenu()),
            (std::vector<std::string>{"Show", "Edit shortcuts", "Cheat sheet…", "-", "Settings…",
                                      "Help", "About", "-", "Close this menu", "Exit"}));
    }
}

TEST(MainForm, HotKeyShowsTheCentredOverlayInFront)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    env.platform.PressHotKey();
    EXPECT_TRUE(form.isVisible());
    const auto self = static_cast<platform::WindowId>(form.winId());
    EXPECT_EQ(env.platform.foregroundWindow, self);
    EXPECT_EQ(env.platform.windows[self].overlayPreparations, 1);
    EXPECT_EQ(form.Label()->x(), qRound(20 * form.width() / double(KeyboardDesignWidth)));
    EXPECT_NEAR(double(form.width()) / form.height(),
                double(KeyboardDesignWidth) / KeyboardDesignHeight, 0.01);
}

TEST(MainForm, EveryShowingIsPreparedAsAnOverlayWhileHidden)
{
    // Window managers forget the overlay's wishes (off the taskbar, no frame) when it hides.
    FakeEnvironment env;
    TMainForm form(env.platform);
    const auto self = static_cast<platform::WindowId>(form.winId());
    for (int show = 1; show <= 3; ++show) {
        env.platform.PressHotKey();
        ASSERT_TRUE(form.isVisible());
        EXPECT_EQ(env.platform.windows[self].overlayPreparations, show);
        form.hide();
    }
    env.platform.PressHotKey();
    env.platform.PressHotKey(); // shown already: nothing to prepare
    EXPECT_EQ(env.platform.windows[self].overlayPreparations, 4);
}

TEST(MainForm, AShowAskedByCommandOrMenuCarriesItsOwnTime)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    env.platform.PressHotKey(); // the press carries its time itself
    EXPECT_EQ(env.platform.userRequests, 0);
    form.hide();
    env.platform.listeners[TMainForm::MessageChannel](TMainForm::ShowMessage,
                                                      [](const std::string&) {});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(env.platform.userRequests, 1);
    form.hide();
    form.miShowClick();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(env.platform.userRequests, 2);
}

TEST(MainForm, AShowThatFailsLeavesTheOverlayHidden)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    env.platform.PressHotKey();
    EXPECT_GT(env.platform.windowFlushes, 0); // the window manager maps while the keys load
    form.hide();
    env.platform.executablePath = "/nonexistent/quorvel"; // no layout file there
    EXPECT_THROW(env.platform.PressHotKey(), Exception);
    EXPECT_FALSE(form.isVisible());
}

TEST(MainForm, BaseTextsAreShownAsTheyAreNeverAsMarkup)
{
    constexpr std::uint16_t F1 = 0x70;
    FakeEnvironment env;
    QTemporaryDir folder;
    const std::string pipe = folder.filePath("pipe").toStdString();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string markup = "<b>Bold</b> <img src=\"" + pipe + "\"><img src=\"/dev/zero\">";
    {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        AddShortcut(registry, "Superglobal", true, {F1}, "Help", markup);
        registry.GetLoader()->Save();
    }
    TMainForm form(env.platform);
    env.platform.PressHotKey();
    form.Keyboard()->OnKeyDown(F1, F1);
    EXPECT_EQ(form.Label()->text().toStdString(), markup + "  (F1)");
    // As markup, painting would read the pipe (and wait forever) or /dev/zero (without end).
    EXPECT_FALSE(form.Label()->grab().isNull());
}

TEST(MainForm, WithoutAPlaceForTheInstanceMarkerTheUserIsTold)
{
    FakeEnvironment env;
    env.platform.runtimeFolderUsable = false;
    TMainForm form(env.platform);
    EXPECT_TRUE(form.IsFirstInstance());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find("Quorvel"), std::string::npos);
}

TEST(MainForm, AnOverlayTheWindowManagerPutOutOfSightIsShownAfresh)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    int hides = 0;
    HideCounter counter(hides);
    form.installEventFilter(&counter);
    env.platform.PressHotKey();
    ASSERT_TRUE(form.isVisible());
    env.platform.PressHotKey(); // on the screen: left as it is
    EXPECT_EQ(hides, 0);
    env.platform.windows[static_cast<platform::WindowId>(form.winId())].outOfSight = true;
    env.platform.PressHotKey();
    EXPECT_EQ(hides, 1);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.Scanner()->Enabled());
}

TEST(MainForm, HotKeyMenuAndMessagesDuringAStartUpMessageAreSafe)
{
    FakeEnvironment env;
    // A damaged base: loading it shows a warning, whose dialog runs the event loop.
    const QString folder = env.dataFolder.filePath("zint");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile damaged(folder + "/programs.dat");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    int boxes = 0;
    SetMessageBoxHandler([&](const std::string&, const MessageBoxOptions&) {
        ++boxes;
        env.platform.PressHotKey();
        env.platform.listeners.at(TMainForm::MessageChannel)(TMainForm::OtherInstanceMessage,
                                                             [](const std::string&) {});
        return MessageButton::OK;
    });
    TMainForm form(env.platform);
    EXPECT_EQ(boxes, 1);
    // Ignored while starting; the program works once it has started.
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.TrayIcon()->isVisible());
    env.platform.PressHotKey();
    EXPECT_TRUE(form.isVisible());
}

TEST(MainForm, SecondCopyTellsTheUserAndTheFirstCopyThenEnds)
{
    FakeEnvironment env;
    TMainForm first(env.platform);
    first.TrayIcon()->hide(); // the icon was lost, e.g. the panel restarted

    TMainForm second(env.platform);
    EXPECT_FALSE(second.IsFirstInstance());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find("Quorvel"), std::string::npos);
    ASSERT_EQ(env.platform.sentMessages.size(), 1u);
    EXPECT_EQ(env.platform.sentMessages[0].second, TMainForm::OtherInstanceMessage);
    EXPECT_TRUE(first.TrayIcon()->isVisible());
    EXPECT_FALSE(first.isVisible());            // the overlay is not shown
    EXPECT_EQ(env.platform.hotKeys.size(), 1u); // only the first copy took the hot key
}

TEST(MainForm, HelpOpensThePageBesideTheExecutable)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    form.miHelpClick();
    EXPECT_EQ(env.platform.openedTargets,
              (std::vector<std::string>{BuildFolder() + "/en/quorvel.html"}));
    EXPECT_TRUE(env.messages.empty());
}

TEST(AboutBox, ShowsVersionAndOpensItsLinks)
{
    FakeEnvironment env;
    TfrmAbout about(env.platform);
    EXPECT_EQ(about.windowTitle().toStdString(), "О программе");
    bool foundName = false;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        foundName = foundName || label->text() == "Quorvel " QUORVEL_VERSION;
    }
    EXPECT_TRUE(foundName);
    about.lblWWWClick();
    about.lblMailClick();
    EXPECT_EQ(env.platform.openedTargets,
              (std::vector<std::string>{about.WebAddress(), "mailto:" + about.MailAddress()}));
}

TEST(MainForm, ScannerPollsOnlyWhileTheOverlayIsShown)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    EXPECT_FALSE(form.Scanner()->Enabled());
    env.platform.PressHotKey();
    EXPECT_TRUE(form.Scanner()->Enabled());
    form.Keyboard()->OnKeyDown(vk::Escape, vk::Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Scanner()->Enabled());
    env.platform.PressHotKey();
    EXPECT_TRUE(form.Scanner()->Enabled());
}

TEST(MainForm, EditsHeldInTheEditorAreSavedWhenTheProgramEnds)
{
    FakeEnvironment env;
    TMainForm form(env.platform);
    EXPECT_EQ(form.Editor(), nullptr) << "built when first opened";
    form.IconMenu()->actions().at(1)->trigger();
    ASSERT_NE(form.Editor(), nullptr);
    EXPECT_TRUE(form.Editor()->isVisible());

    // An edit the editor holds unposted, its window closed by the close box.
    DataSet& programs = *form.Registry()->GetPrograms();
    ASSERT_FALSE(programs.IsEmpty());
    programs.First();
    programs.Edit();
    programs.FieldByName("Name").SetValue(std::string("Renamed"));
    form.Editor()->close();
    ASSERT_TRUE(env.platform.terminationHandler) << "the session's end is watched";
    form.miExitClick();

    CDBRegistry reread;
    reread.GetLoader()->Load();
    EXPECT_TRUE(reread.GetPrograms()->Locate("Name", std::string("Renamed")));
    EXPECT_TRUE(env.messages.empty());
}

TEST(MainForm, TheHintUnderTheKeyboardTeachesEachStepUntilTheUserHasDoneIt)
{
    constexpr std::uint16_t F1 = 0x70;
    FakeEnvironment env;
    {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        AddShortcut(registry, "Superglobal", true, {F1}, "Help", "Help");
        registry.GetLoader()->Save();
    }
    auto hint = [](const TMainForm& form) {
        return form.Hint()->isVisibleTo(&form) ? form.Hint()->text().toStdString()
                                               : std::string("(hidden)");
    };
    auto f1 = [](const TMainForm& form) -> CKey& {
        return *form.Keyboard()->Keys()->FindKeys(F1).front();
    };
    {
        TMainForm form(env.platform);
        env.platform.PressHotKey();
        ASSERT_TRUE(form.isVisible());
        EXPECT_NE(hint(form).find("Ctrl, Alt, Shift"), std::string::npos) << hint(form);

        // The trigger's Win, still held at the first read, teaches nothing; Ctrl pressed after
        // does.
        env.platform.SetKeyDown(vk::LWin, true);
        env.timers.Advance(20);
        env.platform.SetKeyDown(vk::LWin, false);
        env.timers.Advance(20);
        EXPECT_NE(hint(form).find("Ctrl, Alt, Shift"), std::string::npos) << hint(form);
        env.platform.SetKeyDown(vk::LControl, true);
        env.platform.SetKeyDown(vk::Control, true);
        env.timers.Advance(20);
        env.platform.SetKeyDown(vk::LControl, false);
        env.platform.SetKeyDown(vk::Control, false);
        env.timers.Advance(20);
        const std::string left = hint(form);
        EXPECT_EQ(left.find("Ctrl"), std::string::npos) << left;
        EXPECT_TRUE(QChar(QString::fromStdString(left).front()).isUpper()) << left;

        form.Keyboard()->OnKeyClick(f1(form), Qt::RightButton, QPoint());
        EXPECT_EQ(hint(form).find("правый"), std::string::npos) << hint(form);
        EXPECT_NE(hint(form), "(hidden)");
    }
    // The process ended: its grab with it.
    env.platform.hotKeys.clear();
    {
        // Remembered: the next run goes on where this one stopped.
        TMainForm form(env.platform);
        env.platform.PressHotKey();
        EXPECT_EQ(hint(form).find("Ctrl"), std::string::npos) << hint(form);
        EXPECT_NE(hint(form), "(hidden)");
        form.Keyboard()->OnKeyClick(f1(form), Qt::LeftButton, QPoint());
        env.platform.PressHotKey();
        EXPECT_EQ(hint(form), "(hidden)");
    }
    env.platform.hotKeys.clear();
    TMainForm again(env.platform);
    env.platform.PressHotKey();
    EXPECT_EQ(hint(again), "(hidden)");
}

TEST(MainForm, WhatThePlatformCannotDoIsNeitherOfferedNorTaught)
{
    constexpr std::uint16_t F1 = 0x70;
    FakeEnvironment env;
    {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        AddShortcut(registry, "Superglobal", true, {F1}, "Help", "Help");
        registry.GetLoader()->Save();
    }
    const auto offered = [](const TMainForm& form) {
        std::vector<std::string> texts;
        for (const QAction* action : form.IconMenu()->actions()) {
            if (action->isVisible() && !action->isSeparator()) {
                texts.push_back(action->text().toStdString());
            }
        }
        return texts;
    };
    const std::string hintOfClicks = "щелчок по клавише выполняет";
    {
        TMainForm form(env.platform);
        const std::vector<std::string> all = offered(form);
        EXPECT_NE(std::find(all.begin(), all.end(), "Шпаргалка..."), all.end());
        form.ShowOverlay();
        EXPECT_NE(form.Hint()->text().indexOf(QString::fromStdString(hintOfClicks)), -1);
    }
    env.platform.hotKeys.clear();
    env.platform.canTellActiveProcess = false;
    env.platform.canSendInput = false;
    TMainForm form(env.platform);
    const std::vector<std::string> items = offered(form);
    EXPECT_EQ(std::find(items.begin(), items.end(), "Шпаргалка..."), items.end());
    EXPECT_EQ(items.size(), 7u);
    form.ShowOverlay();
    ASSERT_TRUE(form.isVisible());
    const QString hint = form.Hint()->text();
    EXPECT_EQ(hint.indexOf(QString::fromStdString(hintOfClicks)), -1) << hint.toStdString();
    EXPECT_NE(hint.indexOf("правый"), -1) << hint.toStdString();
    // A left click describes the key's shortcut: the overlay stays and nothing is sent.
    CKey& f1 = *form.Keyboard()->Keys()->FindKeys(F1).front();
    form.Keyboard()->OnKeyClick(f1, Qt::LeftButton, QPoint());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(env.platform.sentKeys.empty());
    EXPECT_EQ(form.Hint()->text().indexOf("правый"), -1) << form.Hint()->text().toStdString();
}

TEST(MainForm, AHintStepDoneLeavesADamagedSettingsFileAsItIs)
{
    FakeEnvironment env;
    const QString path = QString::fromStdString(CSettings(env.platform).Path());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray damaged("[General]\nTrigger=<Super>nosuchkey\n");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    TMainForm form(env.platform);
    env.platform.PressHotKey();
    env.timers.Advance(20);
    env.platform.SetKeyDown(vk::LControl, true);
    env.platform.SetKeyDown(vk::Control, true);
    env.timers.Advance(20);
    EXPECT_EQ(form.Hint()->text().indexOf("Ctrl"), -1) << form.Hint()->text().toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
}

TEST(MainForm, AShowRequestHandsItsActivationTokenToThatShowAlone)
{
    ScopedEnvironment environment;
    environment.Set("XDG_ACTIVATION_TOKEN", std::nullopt);
    EXPECT_EQ(instance::ShowRequest(), "show");
    environment.Set("XDG_ACTIVATION_TOKEN", "a1b2-c3");
    EXPECT_EQ(instance::ShowRequest(), "show a1b2-c3");
    environment.Set("XDG_ACTIVATION_TOKEN", std::nullopt);

    EXPECT_EQ(TMainForm::ShowRequestToken("show"), "");
    EXPECT_EQ(TMainForm::ShowRequestToken("show a1b2-c3"), "a1b2-c3");
    EXPECT_EQ(TMainForm::ShowRequestToken("show two words"), "");
    EXPECT_EQ(TMainForm::ShowRequestToken("show " + std::string(257, 'x')), "");
    EXPECT_EQ(TMainForm::ShowRequestToken("shows"), std::nullopt);
    EXPECT_EQ(TMainForm::ShowRequestToken(TMainForm::OtherInstanceMessage), std::nullopt);

    FakeEnvironment env;
    TMainForm form(env.platform);
    auto send = [&](const std::string& message) {
        env.platform.listeners[TMainForm::MessageChannel](message, [](const std::string&) {});
    };
    send("show a1b2-c3");
    EXPECT_TRUE(form.isVisible());
    form.hide();
    send("show");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(env.platform.activationTokens, (std::vector<std::string>{"a1b2-c3", ""}));
    EXPECT_EQ(std::getenv("XDG_ACTIVATION_TOKEN"), nullptr);
}

// A desktop entry's action (a later copy started with --open WINDOW) opens the tray menu's
// window in the running copy, with the launch's activation token.
TEST(MainForm, AnOpenRequestOpensTheMenusWindowInTheRunningCopy)
{
    EXPECT_EQ(TMainForm::ParseOpenRequest("open settings")->window, "settings");
    EXPECT_EQ(TMainForm::ParseOpenRequest("open editor a1b2-c3")->token, "a1b2-c3");
    EXPECT_EQ(TMainForm::ParseOpenRequest("open editor " + std::string(257, 'x'))->token, "");
    EXPECT_EQ(TMainForm::ParseOpenRequest("open overlay"), std::nullopt);
    EXPECT_EQ(TMainForm::ParseOpenRequest("open"), std::nullopt);
    EXPECT_EQ(TMainForm::ParseOpenRequest("open editor a b"), std::nullopt);
    EXPECT_EQ(TMainForm::ParseOpenRequest("show"), std::nullopt);

    FakeEnvironment env;
    TMainForm first(env.platform);
    auto send = [&](const std::string& message) {
        env.platform.listeners[TMainForm::MessageChannel](message, [](const std::string&) {});
    };
    send("open settings");
    ASSERT_NE(first.SettingsDialog(), nullptr);
    EXPECT_TRUE(first.SettingsDialog()->isVisible());
    EXPECT_EQ(first.Editor(), nullptr);
    send("open editor");
    ASSERT_NE(first.Editor(), nullptr);
    EXPECT_TRUE(first.Editor()->isVisible());
    // No active program: the cheat sheet says so instead of asking for a file.
    send("open cheatsheet");
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find("активной программы"), std::string::npos) << env.messages[0];
    EXPECT_FALSE(first.isVisible());

    // A later copy asks the first one, token and all, and says nothing itself.
    ScopedEnvironment environment;
    environment.Set("XDG_ACTIVATION_TOKEN", "a1b2-c3");
    TMainForm second(env.platform, false, "editor");
    EXPECT_FALSE(second.IsFirstInstance());
    ASSERT_EQ(env.platform.sentMessages.size(), 1u);
    EXPECT_EQ(env.platform.sentMessages[0].second, "open editor a1b2-c3");
    EXPECT_EQ(env.messages.size(), 1u);
}

// The first copy started with --open opens the window once it is up.
TEST(MainForm, TheFirstCopyStartedToOpenAWindowOpensItOnceUp)
{
    FakeEnvironment env;
    TMainForm form(env.platform, false, "settings");
    ASSERT_TRUE(form.IsFirstInstance());
    QCoreApplication::processEvents();
    ASSERT_NE(form.SettingsDialog(), nullptr);
    EXPECT_TRUE(form.SettingsDialog()->isVisible());
}
