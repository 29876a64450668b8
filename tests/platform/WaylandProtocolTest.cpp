#include "platform/VirtualKeys.h"
#include "platform/wayland/HeldKeys.h"
#include "platform/wayland/SwayProtocol.h"
#include "platform/wayland/WaylandSeat.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

using namespace platform::wayland;

namespace {

// A get_tree answer as sway 1.7 gives it, trimmed: an output with a workspace holding a tiled
// Wayland window, an X11 window in a split and a floating window with the focus.
const QByteArray Tree = R"({
  "id": 1, "type": "root", "nodes": [
    {"id": 3, "type": "output", "name": "HEADLESS-1", "nodes": [
      {"id": 4, "type": "workspace", "name": "1", "nodes": [
        {"id": 5, "type": "con", "pid": 700, "app_id": "org.gnome.gedit", "focused": false,
         "nodes": []},
        {"id": 6, "type": "con", "nodes": [
          {"id": 7, "type": "con", "pid": 701, "app_id": null, "shell": "xwayland",
           "window_properties": {"class": "XTerm", "instance": "xterm", "title": "t"},
           "nodes": []}]}],
       "floating_nodes": [
        {"id": 8, "type": "floating_con", "pid": 702, "app_id": "foot", "focused": true,
         "nodes": []}]}]}]})";

SwayMessage Only(SwayMessageReader& reader)
{
    auto message = reader.Next();
    EXPECT_TRUE(message.has_value());
    return message.value_or(SwayMessage{});
}

} // namespace

TEST(SwayProtocol, MessagesAreFramedAndCutApartFromAStream)
{
    const QByteArray first = EncodeSwayMessage(4, "{}");
    ASSERT_EQ(first.size(), 14 + 2);
    EXPECT_TRUE(first.startsWith("i3-ipc"));
    const QByteArray stream = first + EncodeSwayMessage(SwayWindowEvent, "[1]");

    // Byte by byte: nothing until a message is whole.
    SwayMessageReader reader;
    std::vector<SwayMessage> read;
    for (const char byte : stream) {
        reader.Append(QByteArray(1, byte));
        while (auto message = reader.Next()) {
            read.push_back(*message);
        }
    }
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].type, 4u);
    EXPECT_EQ(read[0].payload, "{}");
    EXPECT_EQ(read[1].type, SwayWindowEvent);
    EXPECT_EQ(read[1].payload, "[1]");

    SwayMessageReader whole;
    whole.Append(stream);
    EXPECT_EQ(Only(whole).payload, "{}");
    EXPECT_EQ(Only(whole).payload, "[1]");
    EXPECT_FALSE(whole.Next());
}

TEST(SwayProtocol, AStreamWithoutTheMagicOrWithAHugeLengthFails)
{
    SwayMessageReader garbage;
    garbage.Append("not-ipc-at-all-here");
    EXPECT_FALSE(garbage.Next());
    EXPECT_TRUE(garbage.Failed());
    garbage.Append(EncodeSwayMessage(0, "{}"));
    EXPECT_FALSE(garbage.Next());

    QByteArray huge = EncodeSwayMessage(0, {});
    const std::uint32_t length = SwayMessageReader::MaxPayload + 1;
    huge.replace(6, 4, QByteArray(reinterpret_cast<const char*>(&length), 4));
    SwayMessageReader reader;
    reader.Append(huge);
    EXPECT_FALSE(reader.Next());
    EXPECT_TRUE(reader.Failed());
}

TEST(SwayProtocol, TheTreeGivesEveryWindowWithItsProgramAndTheFocus)
{
    const std::vector<Toplevel> windows = ParseSwayTree(Tree);
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0], (Toplevel{5, 700, "org.gnome.gedit", "", "", false, ""}));
    EXPECT_EQ(windows[1], (Toplevel{7, 701, "", "xterm", "XTerm", false, ""}));
    EXPECT_EQ(windows[2], (Toplevel{8, 702, "foot", "", "", true, ""}));

    EXPECT_TRUE(ParseSwayTree("").empty());
    EXPECT_TRUE(ParseSwayTree("[1, 2]").empty());
    EXPECT_TRUE(ParseSwayTree(R"({"nodes": [{"nodes": "no list"}]})").empty());
}

TEST(SwayProtocol, AWindowEventGivesTheChangeAndTheWindow)
{
    const auto focus = ParseSwayWindowEvent(
        R"({"change": "focus", "container": {"id": 9, "pid": 42, "app_id": "kitty",
            "focused": true}})");
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->change, "focus");
    EXPECT_EQ(focus->window, (Toplevel{9, 42, "kitty", "", "", true, ""}));

    // A container without a program (a workspace's split) and malformed events are no change.
    EXPECT_FALSE(ParseSwayWindowEvent(R"({"change": "focus", "container": {"id": 9}})"));
    EXPECT_FALSE(ParseSwayWindowEvent(R"({"container": {"id": 9, "pid": 42}})"));
    EXPECT_FALSE(ParseSwayWindowEvent("{"));
}

TEST(SwayProtocol, ACommandSucceedsOnlyWhenEveryPartDid)
{
    EXPECT_TRUE(SwayCommandsSucceeded(R"([{"success": true}])"));
    EXPECT_TRUE(SwayCommandsSucceeded(R"([{"success": true}, {"success": true}])"));
    EXPECT_FALSE(SwayCommandsSucceeded(
        R"([{"success": true}, {"success": false, "error": "Unknown command"}])"));
    EXPECT_FALSE(SwayCommandsSucceeded("[]"));
    EXPECT_FALSE(SwayCommandsSucceeded(R"({"success": true})"));
}

TEST(WaylandIdentity, AnApplicationIdNamesTheDesktopEntryAndAnX11WindowItsClass)
{
    const auto wayland = IdentityOf(Toplevel{5, 700, "org.gnome.gedit", "", "", false, ""});
    EXPECT_EQ(wayland.desktopId, "org.gnome.gedit");
    EXPECT_EQ(wayland.classes, std::vector<std::string>{"org.gnome.gedit"});

    const auto x11 = IdentityOf(Toplevel{7, 701, "", "xterm", "XTerm", false, ""});
    EXPECT_TRUE(x11.desktopId.empty());
    EXPECT_EQ(x11.classes, (std::vector<std::string>{"xterm", "XTerm"}));

    EXPECT_TRUE(IdentityOf(Toplevel{}).classes.empty());
}

TEST(SwayBinding, TheKeysAreNamedAsBindsymNamesThem)
{
    EXPECT_EQ(SwayKeyCombination(platform::ModWin, "q"), "Mod4+q");
    EXPECT_EQ(
        SwayKeyCombination(platform::ModControl | platform::ModAlt | platform::ModShift, "F1"),
        "Ctrl+Mod1+Shift+F1");
    EXPECT_EQ(SwayKeyCombination(platform::ModWin, ""), "");
}

TEST(SwayBinding, TheCommandReachesTheShellWithEveryArgumentWhole)
{
    const std::vector<std::string> arguments = {"printf", "<%s>", "/opt/my apps/quorvel",
                                                "it's \"quoted\" \\ $HOME `x`", "--show"};
    const std::string command = SwayExecCommand(arguments);
    // sway takes one double-quoted argument off with its escapes, then hands what follows
    // "exec " to sh -c.
    ASSERT_GE(command.size(), 2u);
    ASSERT_EQ(command.front(), '"');
    ASSERT_EQ(command.back(), '"');
    std::string unquoted;
    for (std::size_t i = 1; i + 1 < command.size(); ++i) {
        if (command[i] == '\\' && i + 2 < command.size()) {
            ++i;
        } else {
            ASSERT_NE(command[i], '"') << "an unescaped double quote would end the argument";
        }
        unquoted += command[i];
    }
    ASSERT_EQ(unquoted.rfind("exec ", 0), 0u);
    QProcess shell;
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QString::fromStdString(unquoted.substr(5))});
    ASSERT_TRUE(shell.waitForFinished(5000));
    EXPECT_EQ(shell.readAllStandardOutput().toStdString(),
              "</opt/my apps/quorvel><it's \"quoted\" \\ $HOME `x`><--show>");
}

TEST(HeldKeys, ModifiersHeldAtTheEntryCountUntilEitherSideComesUp)
{
    HeldKeys keys;
    // Right Shift seen already stays the Shift held; Ctrl and Shift from the entry.
    keys.Set(vk::RShift, true);
    EXPECT_EQ(keys.AddModifiers(Qt::ControlModifier | Qt::ShiftModifier),
              std::vector<std::uint16_t>{vk::LControl});
    EXPECT_FALSE(keys.IsDown(vk::LShift));
    EXPECT_EQ(keys.Down(), (std::vector<std::uint16_t>{vk::RShift, vk::LControl}));
    // Told again, nothing is counted twice.
    EXPECT_TRUE(keys.AddModifiers(Qt::ControlModifier).empty());
    std::uint8_t state[256] = {};
    keys.Fill(state);
    EXPECT_EQ(state[vk::LControl], 0x80);
    EXPECT_EQ(state[vk::Control], 0x80);
    EXPECT_EQ(state[vk::Shift], 0x80);
    EXPECT_EQ(state[vk::Menu], 0);

    // Held with the right key, Ctrl comes up with it.
    EXPECT_EQ(keys.Set(vk::RControl, false), vk::LControl);
    EXPECT_FALSE(keys.IsDown(vk::LControl));
    EXPECT_EQ(keys.Set('S', true), 'S');
    EXPECT_EQ(keys.Set('S', true), 0);
    keys.Fill(state);
    EXPECT_EQ(state[vk::Control], 0);
    EXPECT_EQ(state[std::uint8_t{'S'}], 0x80);
    EXPECT_EQ(state[vk::Shift], 0x80);

    EXPECT_EQ(keys.Set(0, true), 0);
    EXPECT_EQ(keys.Set(vk::AnyWin, true), 0);
    keys.Clear();
    keys.Fill(state);
    EXPECT_EQ(std::count(state, state + 256, 0), 256);
}

TEST(WaylandKeymap, TheLayoutNamesComeFromTheSymbolsTheKeymapIncluded)
{
    EXPECT_EQ(LayoutNamesOfKeymap("xkb_keymap {\n  xkb_symbols \"pc+us+inet(evdev)\" {\n"), "us");
    EXPECT_EQ(LayoutNamesOfKeymap(
                  "xkb_symbols \"pc+de(nodeadkeys)+ru:2+inet(evdev)+group(alt_shift_toggle)\" {"),
              "de,ru");
    EXPECT_EQ(LayoutNamesOfKeymap("xkb_symbols \"(unnamed)\" {"), "");
    EXPECT_EQ(LayoutNamesOfKeymap("no symbols here"), "");
    EXPECT_EQ(LayoutNamesOfKeymap("xkb_symbols \"pc+us"), "");
}

TEST(WaylandKeymap, OnlyAKeymapPlacingTheLetterKeysIsTakenForTheLayout)
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names german = {"evdev", "pc105", "de", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &german, XKB_KEYMAP_COMPILE_NO_FLAGS);
    ASSERT_NE(keymap, nullptr);
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    EXPECT_TRUE(IsKeyboardLayout(text));
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);

    // A typing tool's keymap: its keys named by number, only those it types.
    const std::string typing = R"keymap(xkb_keymap {
xkb_keycodes "(unnamed)" { minimum = 8; maximum = 11; <K1> = 9; <K2> = 10; };
xkb_types "(unnamed)" { include "complete" };
xkb_compatibility "(unnamed)" { include "complete" };
xkb_symbols "(unnamed)" { key <K1> {[Super_L]}; key <K2> {[q]}; };
};)keymap";
    EXPECT_FALSE(IsKeyboardLayout(typing));
    EXPECT_FALSE(IsKeyboardLayout("not a keymap"));
}
