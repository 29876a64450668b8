#include "shell/Keyboard.h"

#include "database/Dbregistry.h"
#include "database/Zintdb.h"
#include "framework/Exception.h"
#include "shell/Activewindow.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"

#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t Ctrl = 17, Alt = 18, Esc = 27, F1 = 112, F4 = 115;
constexpr platform::WindowId EditorWindow = 11, DaemonWindow = 12, OtherWindow = 13;

// The overlay controller over a real data layer, the shipped keyboard, fake processes (an
// editor and a daemon run) and fake time.
class Controller : public ::testing::Test
{
protected:
    void SetUp() override
    {
        env.platform.processes = {
            {2001, "/usr/bin/editor"}, {2002, "/opt/daemon/daemon"}, {2003, "/usr/bin/other"}};
        env.platform.windows[EditorWindow] = {2001};
        env.platform.windows[DaemonWindow] = {2002};
        env.platform.windows[OtherWindow] = {2003};

        AddShortcut(registry, "editor", true, {Ctrl, 'S'}, "Сохранить", "Save");
        AddShortcut(registry, "editor", true, {Ctrl, 'O'}, "Открыть", "");
        AddShortcut(registry, "editor", true, {F1}, "Справка", "Help");
        AddShortcut(registry, "daemon", false, {Alt, F4}, "Закрыть", "Close");
        AddShortcut(registry, "notrunning", false, {Alt, 'N'}, "Нет", "Not running");
        AddShortcut(registry, "Superglobal", true, {VK_ANYWIN, 'E'}, "Файлы", "Files");

        keyboard.ShortCutLoader = &db;
        keyboard.KeyLoader = &db;
        keyboard.Parent = &overlay;
        keyboard.Label = &label;
        Activate(EditorWindow);
        ShowOverlay();
    }

    void Activate(platform::WindowId window)
    {
        env.platform.foregroundWindow = window;
        env.timers.Advance(100);
    }
    void ShowOverlay()
    {
        keyboard.Reload();
        keyboard.Refresh();
        overlay.show();
    }
    // The short name shown on the (first) key with this code, or "-" for none.
    std::string Shown(std::uint16_t code)
    {
        const auto keys = keyboard.Keys()->FindKeys(code);
        if (keys.empty() || !keys.front()->ActionDescription()) {
            return "-";
        }
        return keys.front()->ActionDescription()->ShortName;
    }
    // A key goes down or up on the real keyboard, as the scanner reports it.
    void Down(std::uint16_t raw, std::uint16_t code)
    {
        env.platform.SetKeyDown(raw, true);
        env.platform.SetKeyDown(code, true);
        keyboard.OnKeyDown(code);
    }
    void Down(std::uint16_t code) { Down(code, code); }
    void Up(std::uint16_t raw, std::uint16_t code)
    {
        env.platform.SetKeyDown(raw, false);
        env.platform.SetKeyDown(code, false);
        keyboard.OnKeyUp(code);
    }
    void Up(std::uint16_t code) { Up(code, code); }

    FakeEnvironment env;
    CDBRegistry registry;
    CClientDataSetDB db;
    QWidget overlay;
    QLabel label;
    CKeyboard keyboard;
};

} // namespace

TEST_F(Controller, NothingHeldShowsEverySingleKeyShortcut)
{
    EXPECT_EQ(Shown(F1), "Справка");
    EXPECT_EQ(Shown('S'), "-");
    EXPECT_EQ(Shown(Ctrl), "-");
    EXPECT_EQ(label.text(), "");
}

TEST_F(Controller, HoldingCtrlNarrowsAndReleasingWidens)
{
    Down(162, Ctrl);
    EXPECT_EQ(Shown('S'), "Сохранить");
    EXPECT_EQ(Shown('O'), "Открыть");
    EXPECT_EQ(Shown(F1), "-");
    EXPECT_EQ(label.text(), "");

    Up(162, Ctrl);
    EXPECT_EQ(Shown('S'), "-");
    EXPECT_EQ(Shown(F1), "Справка");
}

TEST_F(Controller, ExactMatchIsDescribedByNameOrElseShortName)
{
    Down(162, Ctrl);
    Down('S');
    EXPECT_EQ(label.text().toStdString(), "Save  (Ctrl + S)");
    Up('S');
    Down('O');
    EXPECT_EQ(label.text().toStdString(), "Открыть  (Ctrl + O)");
    Up('O');
    EXPECT_EQ(label.text(), "");
}

TEST_F(Controller, RightModifierActsAsTheCommonOne)
{
    Down(163, Ctrl);
    EXPECT_EQ(Shown('S'), "Сохранить");
    Down('S');
    EXPECT_EQ(label.text().toStdString(), "Save  (Ctrl + S)");
}

TEST_F(Controller, ReleaseAndPressAgainInTimeCarriesTheShortcutOutOnce)
{
    Activate(OtherWindow);
    Activate(EditorWindow); // the editor is the window to give the keys to
    ShowOverlay();
    env.platform.windows[99] = {env.platform.currentProcessId};
    env.platform.foregroundWindow = 99; // the overlay has the focus now
    Down(162, Ctrl);
    Down('S');
    Up('S');
    env.timers.Advance(300);
    Down('S');

    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(env.platform.foregroundWindow, EditorWindow);
    using Key = platform::FakePlatform::KeyEvent;
    EXPECT_EQ(env.platform.sentKeys,
              (std::vector<Key>{{Ctrl, false}, {'S', false}, {Ctrl, true}, {'S', true}}));
    // Further taps do nothing once the overlay is hidden.
    Up('S');
    env.timers.Advance(100);
    Down('S');
    EXPECT_EQ(env.platform.sentKeys.size(), 4u);
}

TEST_F(Controller, PressingAgainTooLateOnlyNarrowsAndWidens)
{
    Down(162, Ctrl);
    Down('S');
    Up('S');
    env.timers.Advance(600);
    Down('S');
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_TRUE(env.platform.sentKeys.empty());
    EXPECT_EQ(label.text().toStdString(), "Save  (Ctrl + S)");
}

TEST_F(Controller, FinishedTrackersAreRemoved)
{
    Down(162, Ctrl);
    Down('S');
    EXPECT_EQ(keyboard.TrackerCount(), 1u);
    Up('S');
    env.timers.Advance(600); // the re-press never comes
    EXPECT_EQ(keyboard.TrackerCount(), 1u);
    Up(162, Ctrl); // the next key event removes the finished tracker
    EXPECT_EQ(keyboard.TrackerCount(), 0u);
}

TEST_F(Controller, EscHidesOnKeyDownAndASecondEscChangesNothing)
{
    Down(Esc);
    EXPECT_FALSE(overlay.isVisible());
    Up(Esc);
    Down(Esc);
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_TRUE(env.platform.sentKeys.empty());
}

TEST_F(Controller, AnotherApplicationComingForwardHidesTheOverlay)
{
    env.platform.foregroundWindow = OtherWindow;
    env.timers.Advance(100);
    EXPECT_FALSE(overlay.isVisible());
}

TEST_F(Controller, ShortcutsApplyByTypeActiveAndRunningPrograms)
{
    // The editor is active: its normal shortcuts, the running daemon's global one and the
    // super-global one apply; the global one of a program that does not run does not.
    Down(164, Alt);
    EXPECT_EQ(Shown(F4), "Закрыть");
    EXPECT_EQ(Shown('N'), "-");
    Up(164, Alt);
    Down(91, VK_ANYWIN);
    EXPECT_EQ(Shown('E'), "Файлы");
    Up(91, VK_ANYWIN);

    // Another application active: the editor's normal shortcuts go, the rest stay.
    Activate(OtherWindow);
    ShowOverlay();
    EXPECT_EQ(Shown(F1), "-");
    Down(162, Ctrl);
    EXPECT_EQ(Shown('S'), "-");
    Up(162, Ctrl);
    Down(165, Alt);
    EXPECT_EQ(Shown(F4), "Закрыть");
}

TEST_F(Controller, ReloadReplacesTheKeyboardOnTheOverlay)
{
    const auto before = overlay.findChildren<QWidget*>().size();
    ShowOverlay();
    ShowOverlay();
    EXPECT_EQ(overlay.findChildren<QWidget*>().size(), before);
}

TEST_F(Controller, FailedReloadLeavesNoKeyboardAndRefreshIsHarmless)
{
    env.platform.executablePath = "/nonexistent/quorvel";
    EXPECT_THROW(keyboard.Reload(), Exception);
    EXPECT_EQ(keyboard.Keys(), nullptr);
    EXPECT_TRUE(overlay.findChildren<QWidget*>().isEmpty());
    keyboard.Refresh();
    keyboard.OnKeyDown(Ctrl);
}

TEST(ControllerPath, OnlyTheLayoutFileHasAPath)
{
    FakeEnvironment env;
    EXPECT_EQ(CKeyboard::GetPath(0), BuildFolder() + "/keyimages.xml");
    EXPECT_THROW(CKeyboard::GetPath(1), Exception);
}
