#include "keyboard/HotKeyEdit.h"

#include "framework/DataSet.h"
#include "framework/DataSource.h"
#include "framework/Exception.h"
#include "platform/VirtualKeys.h"

#include "FakeEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class HotKeyCapture : public ::testing::Test
{
protected:
    HotKeyCapture()
    {
        table.Append();
        table.FieldByName("Id").SetValue(1);
        table.Post();
        table.Append();
        table.FieldByName("Id").SetValue(2);
        table.FieldByName("KeyCodes").SetValue(BlobValue(Blob{0x11, 0, 0x41, 0}));
        table.Post();
        table.First();
        edit.DataField = "KeyCodes";
        edit.SetDataSource(&source);
    }

    // Presses a key while exactly the given codes are held.
    void Press(std::initializer_list<std::uint16_t> held)
    {
        env.platform.keyState.fill(0);
        for (std::uint16_t code : held) {
            env.platform.keyState[code] = 0x80;
        }
        QKeyEvent event(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QApplication::sendEvent(&edit, &event);
    }
    std::string Text() const { return edit.text().toStdString(); }
    Blob Stored() { return table.FieldByName("KeyCodes").AsBlob(); }

    FakeEnvironment env;
    DataSet table{"shortcuts",
                  {{"Id", FieldType::Integer},
                   {"KeyCodes", FieldType::Blob},
                   {"Name", FieldType::String, 20}}};
    DataSource source{&table};
    TDBHotKeyEdit edit{env.platform};
};

} // namespace

TEST_F(HotKeyCapture, EachPressShowsAndStoresTheHeldKeys)
{
    Press({vk::Control, vk::LControl});
    EXPECT_EQ(Text(), " Ctrl");
    Press({vk::Control, vk::LControl, 'S'});
    EXPECT_EQ(Text(), " Ctrl + S");
    EXPECT_EQ(Stored(), (Blob{0x11, 0, 0x53, 0}));
    EXPECT_EQ(table.State(), DataSetState::Edit) << "written, not posted";

    // Typing without modifiers replaces the combination each time.
    Press({'A'});
    Press({'B'});
    EXPECT_EQ(Text(), " B");
}

TEST_F(HotKeyCapture, SidesFoldAndMouseButtonsHaveNoName)
{
    Press({vk::Menu, vk::RMenu});
    EXPECT_EQ(Text(), " Alt");
    EXPECT_EQ(Stored(), (Blob{0x12, 0}));

    Press({vk::RWin});
    EXPECT_EQ(Text(), " Win");
    EXPECT_EQ(Stored(), (Blob{0x5B, 0x01}));

    Press({vk::LButton, 'K'});
    EXPECT_EQ(Text(), " K");
    EXPECT_EQ(edit.KeyCodes, (CKeyCodes{vk::LButton, 'K'}));
}

TEST_F(HotKeyCapture, AKeyboardThatCannotBeReadCapturesNothing)
{
    env.platform.keyboardReadAllowed = false;
    Press({vk::Control, 'S'});
    EXPECT_TRUE(edit.KeyCodes.empty());
}

TEST_F(HotKeyCapture, ClearAndTheKeyListEditTheStoredCombination)
{
    Press({vk::Control, 'S'});
    edit.Clear();
    EXPECT_EQ(Text(), "");
    EXPECT_TRUE(Stored().empty());

    TKeyList list;
    list.OnKeySelect = [this](std::uint16_t code) {
        if (code != 0) {
            edit.AddKey(code);
        }
    };
    Press({'S'});
    list.actions().at(3)->trigger(); // "Win"
    EXPECT_EQ(Text(), " Win + S");
    EXPECT_EQ(Stored(), (Blob{0x5B, 0x01, 0x53, 0}));
    std::uint16_t chosen = 1;
    list.OnKeySelect = [&chosen](std::uint16_t code) { chosen = code; };
    list.actions().at(4)->trigger();
    EXPECT_EQ(chosen, 0) << "another key";
}

TEST_F(HotKeyCapture, AnotherRecordReloadsItsCombination)
{
    table.Next();
    EXPECT_EQ(Text(), " Ctrl + A");
    table.First();
    EXPECT_EQ(Text(), " ") << "an empty field shows a single space";

    Press({vk::Control, 'Q'});
    table.Post();
    table.Next();
    table.First();
    EXPECT_EQ(Text(), " Ctrl + Q");
}

TEST_F(HotKeyCapture, AFieldThatIsMissingOrNotABlobIsAnError)
{
    edit.DataField = "Name";
    EXPECT_THROW(edit.GetKeyField(), Exception);
    EXPECT_THROW(edit.AddKey('S'), Exception);
    EXPECT_EQ(edit.KeyCodes, (CKeyCodes{'S'})) << "the captured combination is kept";
    edit.DataField = "KeyCodes";
    edit.SetDataSource(nullptr);
    EXPECT_THROW(edit.GetKeyField(), Exception);
}

TEST_F(HotKeyCapture, ThePromptShowsOnFocusAndHidesOnLeavingOrLater)
{
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(&edit, &in);
    EXPECT_TRUE(edit.IsKeyHintVisible());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&edit, &out);
    EXPECT_FALSE(edit.IsKeyHintVisible());

    QApplication::sendEvent(&edit, &in);
    env.timers.Advance(10000);
    EXPECT_FALSE(edit.IsKeyHintVisible());

    QApplication::sendEvent(&edit, &out);
    edit.ShowHintOnEnter = false;
    QApplication::sendEvent(&edit, &in);
    EXPECT_FALSE(edit.IsKeyHintVisible());
}

TEST(HotKeyPrompt, NeverCoversWhatLiesBelowTheControl)
{
    FakeEnvironment env;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new THotKeyEdit(env.platform, &window);
    auto* below = new QCheckBox(QStringLiteral("Application must be active"), &window);
    layout->addWidget(edit);
    layout->addWidget(below);
    const QRect screen = window.screen()->availableGeometry();
    for (const int top : {screen.top() + screen.height() / 2, screen.top()}) {
        window.move(screen.left() + 40, top);
        window.show();
        edit->ShowKeyHint();
        const auto* hint = edit->findChild<QLabel*>();
        ASSERT_NE(hint, nullptr);
        ASSERT_TRUE(edit->IsKeyHintVisible());
        const QRect hintArea = hint->geometry();
        const QRect editArea(edit->mapToGlobal(QPoint(0, 0)), edit->size());
        const QRect belowArea(below->mapToGlobal(QPoint(0, 0)), below->size());
        EXPECT_FALSE(hintArea.intersects(editArea)) << "at " << top;
        if (top > screen.top()) {
            EXPECT_FALSE(hintArea.intersects(belowArea));
            EXPECT_EQ(hintArea.bottom() + 1, editArea.top());
        } else {
            EXPECT_GE(hintArea.top(), screen.top()) << "never off the screen";
        }
        edit->HideKeyHint();
    }
}
