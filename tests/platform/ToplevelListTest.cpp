#include "platform/wayland/ToplevelList.h"

#include <gtest/gtest.h>

using namespace platform::wayland;

namespace {

// A window announced with its application id and state, done at once as a compositor sends a
// new window.
std::int64_t Announce(ToplevelList& list, const std::string& appId, bool activated)
{
    const std::int64_t id = list.Add();
    list.SetAppId(id, appId);
    list.SetActivated(id, activated);
    list.Done(id);
    return id;
}

std::optional<std::int64_t> FocusedId(const ToplevelList& list)
{
    const auto focused = list.Focused();
    return focused ? std::optional(focused->id) : std::nullopt;
}

} // namespace

TEST(ToplevelList, ChangesApplyWhenDoneAndTheFocusFollowsTheActivatedWindow)
{
    ToplevelList list;
    const std::int64_t editor = Announce(list, "org.gnome.gedit", true);
    const std::int64_t terminal = Announce(list, "foot", false);
    EXPECT_NE(editor, terminal);
    EXPECT_EQ(FocusedId(list), editor);
    EXPECT_EQ(list.Find(editor)->appId, "org.gnome.gedit");
    EXPECT_EQ(list.Find(editor)->pid, 0u);

    // The compositor moves the focus: the old window's change may come first, and nothing
    // counts until each is done.
    list.SetActivated(editor, false);
    list.SetActivated(terminal, true);
    EXPECT_EQ(FocusedId(list), editor);
    EXPECT_TRUE(list.Done(editor));
    EXPECT_EQ(FocusedId(list), std::nullopt);
    EXPECT_TRUE(list.Done(terminal));
    EXPECT_EQ(FocusedId(list), terminal);

    // A new application id of the focused window is no move of the focus.
    list.SetAppId(terminal, "org.codeberg.dnkl.foot");
    EXPECT_FALSE(list.Done(terminal));
    EXPECT_EQ(list.Focused()->appId, "org.codeberg.dnkl.foot");
}

TEST(ToplevelList, AWindowIsListedOnceDoneAndGoneWhenClosed)
{
    ToplevelList list;
    const std::int64_t pending = list.Add();
    list.SetAppId(pending, "firefox");
    list.SetActivated(pending, true);
    EXPECT_FALSE(list.Find(pending).has_value());
    EXPECT_TRUE(list.Windows().empty());
    EXPECT_EQ(FocusedId(list), std::nullopt);
    EXPECT_TRUE(list.Done(pending));

    const std::int64_t other = Announce(list, "foot", false);
    ASSERT_EQ(list.Windows().size(), 2u);
    EXPECT_EQ(list.Windows()[0].appId, "firefox");
    EXPECT_EQ(list.Windows()[1].appId, "foot");

    // Closing another window leaves the focus; closing the focused one ends it.
    EXPECT_FALSE(list.Remove(other));
    EXPECT_EQ(FocusedId(list), pending);
    EXPECT_TRUE(list.Remove(pending));
    EXPECT_EQ(FocusedId(list), std::nullopt);
    EXPECT_FALSE(list.Find(pending).has_value());
    // Events for a window already closed change nothing.
    list.SetActivated(pending, true);
    EXPECT_FALSE(list.Done(pending));
    EXPECT_TRUE(list.Windows().empty());
}

TEST(ToplevelList, OfSeveralActivatedWindowsTheLastActivatedIsFocused)
{
    // Each seat of a compositor with several activates a window of its own.
    ToplevelList list;
    const std::int64_t first = Announce(list, "a", true);
    const std::int64_t second = Announce(list, "b", true);
    EXPECT_EQ(FocusedId(list), second);
    // A repeated state that stays activated is no new activation.
    list.SetActivated(first, true);
    EXPECT_FALSE(list.Done(first));
    EXPECT_EQ(FocusedId(list), second);
    // Once the last one is no longer activated, the other still is.
    list.SetActivated(second, false);
    EXPECT_TRUE(list.Done(second));
    EXPECT_EQ(FocusedId(list), first);
}
