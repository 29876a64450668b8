#include "platform/VirtualKeys.h"
#include "shell/Keyboard.h"

#include "database/Registry.h"
#include "database/ShortCutSetLoader.h"
#include "framework/DataSet.h"
#include "framework/Exception.h"
#include "keyboard/KeyAccessible.h"
#include "keyboard/KeyLayoutLoader.h"
#include "services/ActiveWindow.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTextDocument>
#include <QToolTip>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace {

constexpr std::uint16_t Ctrl = 17, Alt = 18, Esc = 27, F1 = 112, F4 = 115;
constexpr platform::WindowId EditorWindow = 11, DaemonWindow = 12, OtherWindow = 13,
                             OverlayWindow = 14, EditorOfOurs = 15, DockWindow = 16;

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
        AddShortcut(registry, "Superglobal", true, {vk::AnyWin, 'E'}, "Файлы", "Files");

        Activate(EditorWindow);
        ShowOverlay();
    }

    void Activate(platform::WindowId window) { env.platform.ActivateWindow(window); }
    void ShowOverlay(double scale = 1.0)
    {
        keyboard.Reload(scale);
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
    void Down(std::uint16_t raw, std::uint16_t code) { keyboard.OnKeyDown(code, raw); }
    void Down(std::uint16_t code) { Down(code, code); }
    void Up(std::uint16_t raw, std::uint16_t code) { keyboard.OnKeyUp(code, raw); }
    void Up(std::uint16_t code) { Up(code, code); }

    FakeEnvironment env;
    CDBRegistry registry;
    CShortCutSetLoader loader{env.platform, registry};
    CKeyLayoutLoader keyLoader{env.platform};
    CActiveWindow activeWindow{env.platform};
    QWidget overlay;
    QLabel label;
    CKeyboard keyboard{env.platform, loader, keyLoader, activeWindow, &overlay, &label, 0.0};
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
    // Both keys are still held: each is released before it is pressed.
    using Key = platform::FakePlatform::KeyEvent;
    EXPECT_EQ(
        env.platform.sentKeys,
        (std::vector<Key>{
            {Ctrl, true}, {Ctrl, false}, {'S', true}, {'S', false}, {Ctrl, true}, {'S', true}}));
    // What is held was read while the overlay had the focus, never after.
    EXPECT_EQ(env.platform.readsElsewhere, 0);
    // Further taps do nothing once the overlay is hidden.
    Up('S');
    env.timers.Advance(100);
    Down('S');
    EXPECT_EQ(env.platform.sentKeys.size(), 6u);
}

TEST_F(Controller, TheKeyboardLostWhileTheFocusGoesBackLeavesTheGestureWhole)
{
    Activate(OtherWindow);
    Activate(EditorWindow);
    ShowOverlay();
    env.platform.windows[99] = {env.platform.currentProcessId};
    env.platform.foregroundWindow = 99;
    // The overlay loses the keyboard while the gesture waits for the editor to take the focus:
    // the trackers go while the one that completed is still at work.
    env.platform.duringFocusWait = [this] { keyboard.OnKeyStateRefused(); };
    Down(162, Ctrl);
    Down('S');
    Up('S');
    env.timers.Advance(300);
    Down('S');

    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(keyboard.TrackerCount(), 0u);
    using Key = platform::FakePlatform::KeyEvent;
    EXPECT_EQ(
        env.platform.sentKeys,
        (std::vector<Key>{
            {Ctrl, true}, {Ctrl, false}, {'S', true}, {'S', false}, {Ctrl, true}, {'S', true}}));
}

TEST_F(Controller, KeysAreNotSentWhenTheApplicationDoesNotTakeTheFocusBack)
{
    env.platform.windows[OverlayWindow] = {env.platform.currentProcessId};
    Activate(OverlayWindow);
    env.platform.foregroundRequestsSucceed = false;
    Down(162, Ctrl);
    Down('S');
    Up('S');
    env.timers.Advance(300);
    Down('S');
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_FALSE(env.platform.foregroundRequests.empty());
    EXPECT_TRUE(env.platform.sentKeys.empty());
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
    Activate(OtherWindow);
    EXPECT_FALSE(overlay.isVisible());
}

TEST_F(Controller, TheApplicationBelowComingBackHidesTheOverlay)
{
    env.platform.windows[OverlayWindow] = {env.platform.currentProcessId};
    Activate(OverlayWindow); // the overlay has the focus over the editor
    Activate(EditorWindow);
    EXPECT_FALSE(overlay.isVisible());
}

TEST_F(Controller, DocksTheDesktopAndOwnWindowsLeaveTheOverlayShown)
{
    env.platform.windows[OverlayWindow] = {env.platform.currentProcessId};
    env.platform.windows[EditorOfOurs] = {env.platform.currentProcessId};
    env.platform.windows[DockWindow] = {2004, /*taskbar*/ true};
    Activate(OverlayWindow);
    for (platform::WindowId window : {DockWindow, platform::WindowId(0), EditorOfOurs}) {
        Activate(window);
        EXPECT_TRUE(overlay.isVisible()) << window;
    }
}

TEST_F(Controller, ARefusedKeyStateDropsAHalfDoneGesture)
{
    env.platform.windows[OverlayWindow] = {env.platform.currentProcessId};
    Activate(OverlayWindow);
    Down(162, Ctrl);
    Down('S');
    Up('S'); // the gesture waits for S again
    keyboard.OnKeyStateRefused();
    EXPECT_TRUE(keyboard.Keys()->GetPressedKeyCodes().empty());
    EXPECT_EQ(keyboard.TrackerCount(), 0u);
    EXPECT_EQ(Shown('S'), "-");
    // Reads allowed again: the keys still held come down afresh, and the old gesture is gone.
    env.timers.Advance(100);
    Down(162, Ctrl);
    Down('S');
    EXPECT_TRUE(env.platform.sentKeys.empty());
    EXPECT_TRUE(overlay.isVisible());
}

TEST_F(Controller, ShortcutsApplyByTypeActiveAndRunningPrograms)
{
    // The editor is active: its normal shortcuts, the running daemon's global one and the
    // super-global one apply; the global one of a program that does not run does not.
    Down(164, Alt);
    EXPECT_EQ(Shown(F4), "Закрыть");
    EXPECT_EQ(Shown('N'), "-");
    Up(164, Alt);
    Down(91, vk::AnyWin);
    EXPECT_EQ(Shown('E'), "Файлы");
    Up(91, vk::AnyWin);

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

TEST_F(Controller, AnUnchangedBaseAndLayoutAreKeptBetweenShows)
{
    const IShortCuts* set = keyboard.ShortCuts();
    const auto widgets = overlay.findChildren<QWidget*>();
    const CKey* firstKey = keyboard.Keys()->front().get();
    const QRect firstRect = firstKey->KeyImage()->geometry();
    ShowOverlay();
    ShowOverlay();
    EXPECT_EQ(keyboard.ShortCuts(), set);
    EXPECT_EQ(keyboard.Keys()->front().get(), firstKey);
    EXPECT_EQ(overlay.findChildren<QWidget*>(), widgets);

    // Another scale is another geometry: new keys, and only those on the overlay.
    ShowOverlay(0.5);
    const QRect half = keyboard.Keys()->front()->KeyImage()->geometry();
    EXPECT_EQ(half.width(), qRound(firstRect.width() * 0.5));
    EXPECT_EQ(overlay.findChildren<QWidget*>().size(), widgets.size());
    EXPECT_EQ(keyboard.ShortCuts(), set);
}

TEST_F(Controller, ANewKeyboardLayoutGivesNewKeysAtTheNextShow)
{
    const CKey* firstKey = keyboard.Keys()->front().get();
    const QRect sPlace = keyboard.Keys()->FindKeys('S').front()->KeyImage()->geometry();
    const QRect oPlace = keyboard.Keys()->FindKeys('O').front()->KeyImage()->geometry();
    // A layout that swaps the S and O keys.
    env.platform.keyPositions = {{'S', 'O'}, {'O', 'S'}};
    ShowOverlay();
    EXPECT_EQ(keyboard.Keys()->front().get(), firstKey) << "the same layout revision";
    env.platform.keyboardLayoutRevision = 1;
    ShowOverlay();
    EXPECT_EQ(keyboard.Keys()->FindKeys('S').front()->KeyImage()->geometry(), oPlace);
    EXPECT_EQ(keyboard.Keys()->FindKeys('O').front()->KeyImage()->geometry(), sPlace);
    const auto keys = keyboard.Keys();
    ShowOverlay();
    EXPECT_EQ(keyboard.Keys(), keys);
}

TEST_F(Controller, AKeyWrittenByCharacterIsShownOnTheKeyThatTypesItInTheLayoutOfTheShow)
{
    AddShortcut(registry, "editor", true, {Ctrl, CharacterKeyCode(U'+')}, "Больше", "Zoom in");
    // A US layout types + with Shift on the = key.
    env.platform.characterKeys = {{U'+', {0xBB, true}}};
    env.platform.keyboardLayoutRevision = 1;
    ShowOverlay();
    Down(162, Ctrl);
    EXPECT_EQ(Shown(0xBB), "-");
    Down(vk::LShift, vk::Shift);
    EXPECT_EQ(Shown(0xBB), "Больше");
    Up(vk::LShift, vk::Shift);
    Up(162, Ctrl);
    // A German one without Shift on the key right of Ü: followed at the next show.
    env.platform.characterKeys = {{U'+', {0xDD, false}}};
    env.platform.keyboardLayoutRevision = 2;
    ShowOverlay();
    Down(162, Ctrl);
    EXPECT_EQ(Shown(0xDD), "Больше");
    EXPECT_EQ(Shown(0xBB), "-");
    Up(162, Ctrl);
    // A layout that does not type it shows it nowhere.
    env.platform.characterKeys.clear();
    env.platform.keyboardLayoutRevision = 3;
    ShowOverlay();
    Down(162, Ctrl);
    EXPECT_EQ(Shown(0xDD), "-");
    EXPECT_EQ(Shown(0xBB), "-");
}

TEST_F(Controller, AChangedBaseIsLoadedAgainAtTheNextShow)
{
    const auto count = [this] {
        return dynamic_cast<const CShortCuts&>(*keyboard.ShortCuts()).Items().size();
    };
    const std::size_t before = count();
    AddShortcut(registry, "editor", true, {F4}, "Закрыть", "Close");
    EXPECT_EQ(Shown(F4), "-"); // nothing changes before the next show
    ShowOverlay();
    EXPECT_EQ(count(), before + 1);
    EXPECT_EQ(Shown(F4), "Закрыть");

    // An edit not yet posted is shown too.
    DataSet& shortcuts = *registry.GetShortcuts();
    ASSERT_TRUE(registry.GetPrograms()->Locate("FileName", std::string("editor")));
    ASSERT_TRUE(shortcuts.Locate("ShortName", std::string("Закрыть")));
    shortcuts.Edit();
    shortcuts.FieldByName("ShortName").SetValue(std::string("Выйти"));
    ShowOverlay();
    EXPECT_EQ(Shown(F4), "Выйти");
}

TEST_F(Controller, AfterABaseChangeOnlyTheKeysThatLookDifferentAreDrawnAgain)
{
    const auto picture = [this](std::uint16_t code) {
        const auto* image = dynamic_cast<const TCustomKeyImage*>(
            keyboard.Keys()->FindKeys(code).front()->KeyImage());
        return image->Picture().cacheKey();
    };
    const qint64 help = picture(F1);
    const qint64 close = picture(F4);
    AddShortcut(registry, "editor", true, {F4}, "Закрыть", "Close");
    ShowOverlay();
    EXPECT_EQ(Shown(F1), "Справка");
    EXPECT_EQ(picture(F1), help);
    EXPECT_EQ(Shown(F4), "Закрыть");
    EXPECT_NE(picture(F4), close);

    // Two loads without a Refresh between them leave no key pointing at a set that is gone.
    AddShortcut(registry, "editor", true, {F1}, "Помощь", "Help");
    keyboard.Reload(1.0);
    AddShortcut(registry, "editor", true, {'W'}, "Слово", "Word");
    ShowOverlay();
    EXPECT_EQ(Shown(F1), "Помощь");
    EXPECT_EQ(Shown('W'), "Слово");
    Down(F1);
    EXPECT_EQ(label.text().toStdString(), "Help  (F1)");
}

TEST_F(Controller, ALayoutFileBrokenLaterIsReportedAtTheNextShow)
{
    const QString layout = QString::fromStdString(CKeyboard::GetPath(PathType::KeyLayout));
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::copy(layout, folder.filePath("keyimages.xml")));
    env.platform.executablePath = folder.filePath("quorvel").toStdString();
    ShowOverlay();
    QFile file(folder.filePath("keyimages.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<keyimages><key");
    file.close();
    EXPECT_THROW(keyboard.Reload(1.0), Exception);
    EXPECT_EQ(keyboard.Keys(), nullptr);
    EXPECT_TRUE(overlay.findChildren<QWidget*>().isEmpty());
}

TEST_F(Controller, FailedReloadLeavesNoKeyboardAndKeysDoNothing)
{
    env.platform.executablePath = "/nonexistent/quorvel";
    EXPECT_THROW(keyboard.Reload(1.0), Exception);
    EXPECT_EQ(keyboard.Keys(), nullptr);
    EXPECT_TRUE(overlay.findChildren<QWidget*>().isEmpty());
    keyboard.Refresh();
    Down(162, Ctrl);
    Down('S');
    Up('S');
    Down('S');
    EXPECT_EQ(label.text(), "");
    EXPECT_TRUE(env.platform.sentKeys.empty());
    EXPECT_EQ(keyboard.TrackerCount(), 0u);
}

TEST(ControllerPath, TheLayoutFileLiesBesideTheExecutable)
{
    FakeEnvironment env;
    EXPECT_EQ(CKeyboard::GetPath(PathType::KeyLayout), BuildFolder() + "/keyimages.xml");
}

TEST_F(Controller, ModifierCountsMatchWhatHoldingTheModifierShows)
{
    AddShortcut(registry, "editor", true, {Ctrl, vk::Shift, 'S'}, "Сохранить как", "Save as");
    ShowOverlay();
    const auto count = [this](std::uint16_t code) {
        return keyboard.Keys()->FindKeys(code).front()->ShortCutCount();
    };
    const auto shownCount = [this] {
        std::set<std::uint16_t> shown;
        for (const auto& key : *keyboard.Keys()) {
            if (key->ActionDescription()) {
                shown.insert(key->KeyCode);
            }
        }
        return static_cast<int>(shown.size());
    };
    // Raw code, folded code and what holding it shows: Ctrl+S and Ctrl+O, Alt+F4, Win+E.
    const std::vector<std::tuple<std::uint16_t, std::uint16_t, int>> modifiers{
        {162, Ctrl, 2}, {164, Alt, 1}, {160, vk::Shift, 0}, {91, vk::AnyWin, 1}};
    for (const auto& [raw, code, expected] : modifiers) {
        EXPECT_EQ(count(code), expected) << code;
        Down(raw, code);
        EXPECT_EQ(shownCount(), expected) << code;
        EXPECT_EQ(count(code), expected) << code;
        Up(raw, code);
    }
    EXPECT_EQ(count('S'), 0);

    // With Ctrl held, Shift leads on to Ctrl+Shift+S.
    Down(162, Ctrl);
    const int shiftCount = count(vk::Shift);
    EXPECT_EQ(shiftCount, 1);
    Down(160, vk::Shift);
    EXPECT_EQ(shownCount(), shiftCount);
    EXPECT_EQ(Shown('S'), "Сохранить как");
    EXPECT_EQ(count(Ctrl), 1);
    EXPECT_EQ(count(vk::Shift), 1);
    EXPECT_EQ(count(Alt), 0);
}

namespace {

// A press and release of this mouse button in the middle of a widget.
void Click(QWidget* widget, Qt::MouseButton button)
{
    const QPointF inside(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(inside);
    QMouseEvent press(QEvent::MouseButtonPress, inside, global, button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, global, button, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

} // namespace

class Clicks : public Controller
{
protected:
    void SetUp() override
    {
        // Before the keys are made: a widget's interface is made once, when it is first asked for.
        InstallKeyAccessibility();
        Controller::SetUp();
        Activate(EditorWindow);
        ShowOverlay();
        env.platform.windows[99] = {env.platform.currentProcessId};
        env.platform.foregroundWindow = 99; // the overlay has the focus
    }
    // The first key with this code; the side-specific one for a modifier.
    CKey& KeyOf(std::uint16_t code)
    {
        for (const auto& key : *keyboard.Keys()) {
            if (key->KeyCode == code || key->AdditionalKeyCode == code) {
                return *key;
            }
        }
        throw std::logic_error("no such key");
    }
    void ClickKey(std::uint16_t code, Qt::MouseButton button = Qt::LeftButton)
    {
        Click(KeyOf(code).KeyImage(), button);
    }
    using Sent = std::vector<platform::FakePlatform::KeyEvent>;
};

TEST_F(Clicks, ALatchedModifierCombinesWithTheClickedKey)
{
    ClickKey(162);
    EXPECT_TRUE(KeyOf(162).Pressed());
    EXPECT_FALSE(KeyOf(163).Pressed());
    EXPECT_TRUE(env.platform.sentKeys.empty());

    ClickKey('S');
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(env.platform.foregroundWindow, EditorWindow);
    EXPECT_EQ(env.platform.sentKeys,
              (Sent{{Ctrl, false}, {'S', false}, {Ctrl, true}, {'S', true}}));

    keyboard.OnParentHidden();
    EXPECT_FALSE(KeyOf(162).Pressed());
}

TEST_F(Clicks, AnAssistiveTechnologysPressActsAsAClick)
{
    const auto read = [this](std::uint16_t code) {
        return QAccessible::queryAccessibleInterface(KeyOf(code).KeyImage());
    };
    read(162)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(KeyOf(162).Pressed());
    EXPECT_TRUE(read(162)->state().checked);
    EXPECT_EQ(read('S')->text(QAccessible::Name), "S: Сохранить");
    EXPECT_TRUE(env.platform.sentKeys.empty());

    read('S')->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(env.platform.sentKeys,
              (Sent{{Ctrl, false}, {'S', false}, {Ctrl, true}, {'S', true}}));
}

TEST_F(Clicks, TwoLatchedModifiersAndASecondClickReleases)
{
    AddShortcut(registry, "editor", true, {Ctrl, vk::Shift, 'S'}, "Сохранить как", "Save as");
    ShowOverlay();
    ClickKey(163);
    ClickKey(161);
    EXPECT_EQ(Shown('S'), "Сохранить как");
    ClickKey(161);
    EXPECT_FALSE(KeyOf(161).Pressed());
    ClickKey(161);
    ClickKey('S');
    EXPECT_EQ(env.platform.sentKeys, (Sent{{Ctrl, false},
                                           {vk::Shift, false},
                                           {'S', false},
                                           {Ctrl, true},
                                           {vk::Shift, true},
                                           {'S', true}}));
}

TEST_F(Clicks, AKeyHeldOnTheKeyboardCombinesWithTheClickedKey)
{
    Down(162, Ctrl);
    ClickKey('O');
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_EQ(env.platform.sentKeys,
              (Sent{{Ctrl, true}, {Ctrl, false}, {'O', false}, {Ctrl, true}, {'O', true}}));
}

TEST_F(Clicks, ASingleKeyShortcutIsCarriedOutByItsKey)
{
    ClickKey(F1);
    EXPECT_EQ(env.platform.sentKeys, (Sent{{F1, false}, {F1, true}}));
}

TEST_F(Clicks, WithoutSyntheticInputAClickDescribesAndTheGestureCarriesNothingOut)
{
    env.platform.canSendInput = false;
    ClickKey(162);
    ClickKey('S');
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_TRUE(env.platform.sentKeys.empty());
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    EXPECT_EQ(shown.toPlainText().toStdString(), "Save  (Ctrl + S)");

    ClickKey(162);
    Down(162, Ctrl);
    Down('S');
    Up('S');
    env.timers.Advance(300);
    Down('S');
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_TRUE(env.platform.sentKeys.empty());
}

TEST_F(Clicks, ClicksOffAShortcutDoNothing)
{
    ClickKey('S'); // no shortcut with nothing held
    ClickKey(F1, Qt::MiddleButton);
    Click(&overlay, Qt::LeftButton); // the plate between the keys
    ClickKey(Ctrl, Qt::RightButton);
    EXPECT_FALSE(KeyOf(Ctrl).Pressed());
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_TRUE(env.platform.sentKeys.empty());
    EXPECT_EQ(QToolTip::text(), "");
}

TEST_F(Clicks, RightClickDescribesTheShortcutAsPlainText)
{
    AddShortcut(registry, "editor", true, {Ctrl, 'B'}, "Жирный", "<b>Bold</b> & <i>");
    ShowOverlay();
    ClickKey(162);
    ClickKey('B', Qt::RightButton);
    EXPECT_TRUE(overlay.isVisible());
    EXPECT_TRUE(env.platform.sentKeys.empty());
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    EXPECT_EQ(shown.toPlainText().toStdString(), "<b>Bold</b> & <i>  (Ctrl + B)");
}
