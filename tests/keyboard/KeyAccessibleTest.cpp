#include "keyboard/KeyAccessible.h"

#include "keyboard/KeyImage.h"
#include "platform/VirtualKeys.h"

#include "FakeEnvironment.h"
#include "ScopedLanguage.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// Key pictures as an assistive technology reads them.
class KeyAccessible : public ::testing::Test
{
protected:
    void SetUp() override { InstallKeyAccessibility(); }

    std::unique_ptr<TKeyImage> MakeKey(std::uint16_t code)
    {
        auto key = std::make_unique<TKeyImage>();
        key->setGeometry(10, 20, 60, 80);
        key->KeyCode = code;
        return key;
    }
    static QAccessibleInterface* Read(TKeyImage& key)
    {
        return QAccessible::queryAccessibleInterface(&key);
    }

    FakeEnvironment env;
};

} // namespace

TEST_F(KeyAccessible, AKeyIsAPushButtonNamedByItsCapInTheLayoutAndItsShortcut)
{
    env.platform.keyCaps = {{'S', {"S", "Ы", ""}}};
    CActionDescription save;
    save.ShortName = "Save";
    save.Name = "Save the document";
    save.Origin = "from the menu File › Save";
    auto key = MakeKey('S');
    key->DrawKey(&save, false);

    QAccessibleInterface* read = Read(*key);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->role(), QAccessible::Button);
    EXPECT_EQ(read->text(QAccessible::Name), "S Ы: Save");
    EXPECT_EQ(read->text(QAccessible::Description), "Save the document\nfrom the menu File › Save");
    EXPECT_FALSE(read->state().checkable);
    ASSERT_NE(read->actionInterface(), nullptr);
    EXPECT_EQ(read->actionInterface()->actionNames().value(0),
              QAccessibleActionInterface::pressAction());

    // Drawn without its shortcut, the key says only its name.
    key->DrawKey(nullptr, true);
    EXPECT_EQ(read->text(QAccessible::Name), "S Ы");
    EXPECT_EQ(read->text(QAccessible::Description), "");
    EXPECT_FALSE(read->state().checked);
}

TEST_F(KeyAccessible, AModifierTellsItsCountAndIsCheckedWhileDrawnPressed)
{
    auto ctrl = MakeKey(vk::Control);
    ctrl->DrawKey(nullptr, false, 12);
    QAccessibleInterface* read = Read(*ctrl);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->text(QAccessible::Description), "Сочетаний с этой клавишей: 12");
    EXPECT_TRUE(read->state().checkable);
    EXPECT_FALSE(read->state().checked);

    ctrl->DrawKey(nullptr, true, 3);
    EXPECT_TRUE(read->state().checked);
    EXPECT_EQ(read->text(QAccessible::Description), "Сочетаний с этой клавишей: 3");
    ctrl->DrawKey(nullptr, false, 12);
    EXPECT_FALSE(read->state().checked);

    ScopedLanguage english{{"LANG", "C.UTF-8"}, {"LANGUAGE", "en"}};
    ctrl->DrawKey(nullptr, false, 7);
    EXPECT_EQ(read->text(QAccessible::Description), "Shortcuts with this key: 7");
}

TEST_F(KeyAccessible, ThePressActionClicksTheMiddleOfTheKeyWithTheLeftButton)
{
    QWidget plate;
    plate.setGeometry(100, 200, 300, 300);
    auto key = MakeKey('S');
    key->setParent(&plate);
    std::vector<std::pair<Qt::MouseButton, QPoint>> clicks;
    key->OnClick = [&clicks](Qt::MouseButton button, const QPoint& at) {
        clicks.emplace_back(button, at);
    };
    QAccessibleInterface* read = Read(*key);
    ASSERT_NE(read, nullptr);
    read->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    read->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks.front().first, Qt::LeftButton);
    EXPECT_EQ(clicks.front().second, QPoint(100 + 10 + 29, 200 + 20 + 39));
    key->setParent(nullptr);
}
