#include "shell/CommandLine.h"

#include "FakeEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

struct Outcome
{
    std::optional<int> exitCode;
    std::string out;
    std::string err;
};

Outcome ParseCaptured(platform::Platform& platform, CCommandLine& commandLine,
                      QStringList arguments)
{
    arguments.prepend(QStringLiteral("quorvel"));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Outcome outcome;
    outcome.exitCode = commandLine.Parse(platform, arguments);
    outcome.out = testing::internal::GetCapturedStdout();
    outcome.err = testing::internal::GetCapturedStderr();
    return outcome;
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The actions of the installed desktop entry: each id listed in Actions= and the arguments of
// its group's Exec= after the command.
std::map<QString, QStringList> DesktopEntryActions(QStringList* listed)
{
    QFile file(QStringLiteral(QUORVEL_DESKTOP_ENTRY));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    std::map<QString, QStringList> actions;
    QString group;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Actions="))) {
            *listed = line.mid(8).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        } else if (line.startsWith(QLatin1String("[Desktop Action "))) {
            group = line.mid(16).chopped(1);
        } else if (!group.isEmpty() && line.startsWith(QLatin1String("Exec="))) {
            actions[group] = line.mid(5).split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(1);
        }
    }
    return actions;
}

} // namespace

TEST(CommandLine, WithoutOptionsOrWithShowTheProgramGoesOn)
{
    FakeEnvironment env;
    CCommandLine plain;
    EXPECT_EQ(ParseCaptured(env.platform, plain, {}).exitCode, std::nullopt);
    EXPECT_FALSE(plain.Show());
    CCommandLine show;
    const Outcome outcome = ParseCaptured(env.platform, show, {"--show"});
    EXPECT_EQ(outcome.exitCode, std::nullopt);
    EXPECT_TRUE(show.Show());
    EXPECT_EQ(outcome.out + outcome.err, "");
}

TEST(CommandLine, HelpAndVersionPrintAndEnd)
{
    FakeEnvironment env;
    for (const char* help : {"--help", "-h"}) {
        CCommandLine commandLine;
        const Outcome outcome = ParseCaptured(env.platform, commandLine, {help});
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_TRUE(Has(outcome.out, "quorvel ["));
        for (const char* option : {"-h, --help", "--version", "--show"}) {
            EXPECT_TRUE(Has(outcome.out, option)) << option;
        }
        EXPECT_EQ(outcome.err, "");
    }
    CCommandLine commandLine;
    const Outcome outcome = ParseCaptured(env.platform, commandLine, {"--version"});
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out.rfind("quorvel " QUORVEL_VERSION "\n", 0), 0u) << outcome.out;
}

TEST(CommandLine, AnUnknownOptionOrAStrayArgumentIsAUsageError)
{
    FakeEnvironment env;
    for (const QStringList& arguments :
         {QStringList{"--bogus"}, QStringList{"-x"}, QStringList{"--show", "file.txt"},
          QStringList{"--version=3"}}) {
        CCommandLine commandLine;
        const Outcome outcome = ParseCaptured(env.platform, commandLine, arguments);
        EXPECT_EQ(outcome.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(Has(outcome.err, "quorvel: ")) << outcome.err;
        EXPECT_TRUE(Has(outcome.err, "--show")) << outcome.err;
    }
}

TEST(CommandLine, EveryOptionIsListedAndLongDescriptionsAreWrapped)
{
    FakeEnvironment env;
    CCommandLine commandLine;
    const std::string help = commandLine.HelpText();
    for (const char* option :
         {"--import <FILE>", "--export <FILE>", "--program <NAME>", "--cheatsheet <PROGRAM>",
          "-o, --output <FILE>", "--page-size <SIZE>"}) {
        EXPECT_TRUE(Has(help, option)) << option;
    }
    for (const QString& line : QString::fromStdString(help).split('\n')) {
        EXPECT_LE(line.size(), 80) << line.toStdString();
    }
}

TEST(CommandLine, EachTaskIsReadAndOnlyTheTrayProgramNeedsTheDisplay)
{
    FakeEnvironment env;
    const std::vector<std::pair<QStringList, CommandLineTask>> cases{
        {{}, CommandLineTask::TrayProgram},
        {{"--show"}, CommandLineTask::TrayProgram},
        {{"--open", "settings"}, CommandLineTask::TrayProgram},
        {{"--import", "a.json"}, CommandLineTask::Import},
        {{"--export=b.json", "--program", "xterm"}, CommandLineTask::Export},
        {{"--cheatsheet", "xev", "-o", "xev.pdf"}, CommandLineTask::CheatSheet},
    };
    for (const auto& [arguments, task] : cases) {
        CCommandLine commandLine;
        ASSERT_EQ(ParseCaptured(env.platform, commandLine, arguments).exitCode, std::nullopt)
            << arguments.join(' ').toStdString();
        EXPECT_EQ(commandLine.Task(), task) << arguments.join(' ').toStdString();
        EXPECT_EQ(commandLine.NeedsDisplay(), task == CommandLineTask::TrayProgram);
    }
    CCommandLine commandLine;
    ParseCaptured(env.platform, commandLine, {"--export", "b.json", "--program", "xterm"});
    EXPECT_EQ(commandLine.Value("export"), "b.json");
    EXPECT_EQ(commandLine.Value("program"), "xterm");
}

TEST(CommandLine, OptionsThatDoNotFitTogetherAreAUsageErrorThatSaysWhy)
{
    FakeEnvironment env;
    const std::vector<std::pair<QStringList, std::string>> cases{
        // A missing or empty value.
        {{"--import"}, "--import"},
        {{"--export="}, "--export"},
        // Two tasks at once.
        {{"--show", "--import", "a.json"}, "--show"},
        {{"--show", "--open", "editor"}, "--show"},
        {{"--import", "a.json", "--export", "b.json"}, "--export"},
        {{"--export", "b.json", "--cheatsheet", "xev", "-o", "x.pdf"}, "--cheatsheet"},
        // An option without the task that reads it.
        {{"--program", "xterm"}, "--program"},
        {{"--import", "a.json", "--program", "xterm"}, "--program"},
        {{"--show", "-o", "x.pdf"}, "--output"},
        {{"--export", "b.json", "--page-size", "a4"}, "--page-size"},
        // Given twice, or a value out of its range.
        {{"--import", "a.json", "--import", "b.json"}, "--import"},
        {{"--cheatsheet", "xev", "-o", "x.pdf", "--page-size", "a5"}, "a5"},
        {{"--open", "overlay"}, "overlay"},
    };
    for (const auto& [arguments, named] : cases) {
        CCommandLine commandLine;
        const Outcome outcome = ParseCaptured(env.platform, commandLine, arguments);
        const std::string what = arguments.join(' ').toStdString();
        EXPECT_EQ(outcome.exitCode, 2) << what;
        EXPECT_EQ(outcome.out, "") << what;
        // The first line says what is wrong and names the option or value; the usage follows.
        const std::string first = outcome.err.substr(0, outcome.err.find('\n'));
        EXPECT_EQ(first.rfind("quorvel: ", 0), 0u) << what << ": " << first;
        EXPECT_TRUE(Has(first, named)) << what << ": " << first;
        EXPECT_TRUE(Has(outcome.err, "-h, --help")) << what;
    }
    // --help and --version win over anything else that is wrong with the options.
    CCommandLine commandLine;
    EXPECT_EQ(ParseCaptured(env.platform, commandLine, {"--help", "--program", "xterm"}).exitCode,
              0);
}

// Without a tray (GNOME) the desktop entry's actions open the tray menu's windows: each is a
// command line the running copy takes, one window each.
TEST(CommandLine, TheDesktopEntrysActionsOpenTheMenusWindows)
{
    FakeEnvironment env;
    QStringList listed;
    const auto actions = DesktopEntryActions(&listed);
    ASSERT_EQ(listed.size(), 3);
    std::set<std::string> windows;
    for (const QString& id : listed) {
        ASSERT_TRUE(actions.count(id)) << id.toStdString();
        CCommandLine commandLine;
        const Outcome outcome = ParseCaptured(env.platform, commandLine, actions.at(id));
        EXPECT_EQ(outcome.exitCode, std::nullopt) << id.toStdString() << ": " << outcome.err;
        EXPECT_EQ(commandLine.Task(), CommandLineTask::TrayProgram);
        windows.insert(commandLine.OpenWindow());
    }
    EXPECT_EQ(windows, (std::set<std::string>{"editor", "settings", "cheatsheet"}));
}
