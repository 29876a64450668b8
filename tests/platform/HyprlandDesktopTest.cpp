#include "platform/wayland/HyprlandDesktop.h"

#include <QProcess>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using platform::wayland::HyprlandDesktop;

namespace {

// hyprctl as a test sees it: each call's arguments, and the answers it gives in turn.
struct FakeHyprctl
{
    std::vector<std::vector<std::string>> calls;
    std::vector<std::optional<std::string>> answers;

    HyprlandDesktop::Runner Runner()
    {
        return [this](const std::vector<std::string>& arguments) -> std::optional<std::string> {
            calls.push_back(arguments);
            if (answers.empty()) {
                return std::string("ok");
            }
            auto answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
    }
};

class HyprlandSession : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("HYPRLAND_INSTANCE_SIGNATURE", "test_1"); }
    void TearDown() override { qunsetenv("HYPRLAND_INSTANCE_SIGNATURE"); }
};

} // namespace

TEST(HyprlandDesktop, OutsideHyprlandNothingIsOpened)
{
    qunsetenv("HYPRLAND_INSTANCE_SIGNATURE");
    FakeHyprctl hyprctl;
    EXPECT_EQ(HyprlandDesktop::Open(hyprctl.Runner()), nullptr);
}

TEST_F(HyprlandSession, TheTriggerIsBoundAfterAnyEarlierBindingOfItsKeysIsRemoved)
{
    FakeHyprctl hyprctl;
    auto desktop = HyprlandDesktop::Open(hyprctl.Runner());
    ASSERT_NE(desktop, nullptr);
    // An earlier run's binding may not exist: the unbind's answer does not matter.
    hyprctl.answers = {std::string("error"), std::string("ok")};
    EXPECT_TRUE(desktop->Bind(platform::ModWin | platform::ModShift, "q",
                              {"/usr/bin/quorvel", "--show"}, {}));
    ASSERT_EQ(hyprctl.calls.size(), 2u);
    EXPECT_EQ(hyprctl.calls[0], (std::vector<std::string>{"keyword", "unbind", "SUPER_SHIFT,q"}));
    EXPECT_EQ(hyprctl.calls[1],
              (std::vector<std::string>{"keyword", "bind",
                                        "SUPER_SHIFT,q,exec,'/usr/bin/quorvel' '--show'"}));

    desktop->Unbind(platform::ModWin | platform::ModShift, "q");
    EXPECT_EQ(hyprctl.calls.back(),
              (std::vector<std::string>{"keyword", "unbind", "SUPER_SHIFT,q"}));
}

TEST_F(HyprlandSession, ABindingIsTakenOnlyWhenHyprctlAnswersOk)
{
    FakeHyprctl hyprctl;
    auto desktop = HyprlandDesktop::Open(hyprctl.Runner());
    ASSERT_NE(desktop, nullptr);
    hyprctl.answers = {std::string("ok"), std::string("Invalid dispatcher")};
    EXPECT_FALSE(desktop->Bind(platform::ModWin, "q", {"quorvel", "--show"}, {}));
    hyprctl.answers = {std::string("ok"), std::nullopt};
    EXPECT_FALSE(desktop->Bind(platform::ModWin, "q", {"quorvel", "--show"}, {}));

    // No key, or an argument that would end the configuration line: hyprctl is not asked.
    const auto before = hyprctl.calls.size();
    EXPECT_FALSE(desktop->Bind(platform::ModWin, "", {"quorvel", "--show"}, {}));
    EXPECT_FALSE(desktop->Bind(platform::ModWin, "q", {"quorvel\nexit", "--show"}, {}));
    EXPECT_EQ(hyprctl.calls.size(), before);
    EXPECT_EQ(desktop->ConfigLine(platform::ModWin, "q", {"quorvel\nexit"}), "");
}

TEST_F(HyprlandSession, TheConfigurationLineIsABindWhoseCommandReachesTheShellWhole)
{
    FakeHyprctl hyprctl;
    auto desktop = HyprlandDesktop::Open(hyprctl.Runner());
    ASSERT_NE(desktop, nullptr);
    const std::vector<std::string> arguments = {"printf", "<%s>", "/opt/my apps/quorvel",
                                                "it's \"quoted\" \\ $HOME `x`, too", "--show"};
    const std::string line = desktop->ConfigLine(platform::ModControl | platform::ModAlt |
                                                     platform::ModShift | platform::ModWin,
                                                 "F1", arguments);
    const std::string head = "bind = SUPER_CTRL_ALT_SHIFT,F1, exec, ";
    ASSERT_EQ(line.rfind(head, 0), 0u) << line;
    // The fourth argument of a bind is the rest of the line, commas included; exec hands it to
    // sh -c.
    QProcess shell;
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QString::fromStdString(line.substr(head.size()))});
    ASSERT_TRUE(shell.waitForFinished(5000));
    EXPECT_EQ(shell.readAllStandardOutput().toStdString(),
              "</opt/my apps/quorvel><it's \"quoted\" \\ $HOME `x`, too><--show>");
}
