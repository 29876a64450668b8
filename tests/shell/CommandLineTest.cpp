#include "shell/CommandLine.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

namespace {

struct Outcome
{
    std::optional<int> exitCode;
    std::string out;
    std::string err;
};

Outcome ParseCaptured(CCommandLine& commandLine, QStringList arguments)
{
    arguments.prepend(QStringLiteral("quorvel"));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Outcome outcome;
    outcome.exitCode = commandLine.Parse(arguments);
    outcome.out = testing::internal::GetCapturedStdout();
    outcome.err = testing::internal::GetCapturedStderr();
    return outcome;
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(CommandLine, WithoutOptionsOrWithShowTheProgramGoesOn)
{
    FakeEnvironment env;
    CCommandLine plain;
    EXPECT_EQ(ParseCaptured(plain, {}).exitCode, std::nullopt);
    EXPECT_FALSE(plain.Show());
    CCommandLine show;
    const Outcome outcome = ParseCaptured(show, {"--show"});
    EXPECT_EQ(outcome.exitCode, std::nullopt);
    EXPECT_TRUE(show.Show());
    EXPECT_EQ(outcome.out + outcome.err, "");
}

TEST(CommandLine, HelpAndVersionPrintAndEnd)
{
    FakeEnvironment env;
    for (const char* help : {"--help", "-h"}) {
        CCommandLine commandLine;
        const Outcome outcome = ParseCaptured(commandLine, {help});
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_TRUE(Has(outcome.out, "quorvel ["));
        for (const char* option : {"-h, --help", "--version", "--show"}) {
            EXPECT_TRUE(Has(outcome.out, option)) << option;
        }
        EXPECT_EQ(outcome.err, "");
    }
    CCommandLine commandLine;
    const Outcome outcome = ParseCaptured(commandLine, {"--version"});
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
        const Outcome outcome = ParseCaptured(commandLine, arguments);
        EXPECT_EQ(outcome.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(Has(outcome.err, "quorvel: ")) << outcome.err;
        EXPECT_TRUE(Has(outcome.err, "--show")) << outcome.err;
    }
}

TEST(CommandLine, AnotherFeaturesOptionIsListedAndRead)
{
    FakeEnvironment env;
    CCommandLine commandLine;
    commandLine.AddOption({{"o", "output"}, "Where the file goes.", "file"});
    const Outcome outcome = ParseCaptured(commandLine, {"-o", "sheet.pdf"});
    EXPECT_EQ(outcome.exitCode, std::nullopt);
    EXPECT_EQ(commandLine.Value("output"), "sheet.pdf");
    EXPECT_TRUE(Has(commandLine.HelpText(), "-o, --output <file>  Where the file goes."));
    // Long descriptions are wrapped within 80 columns.
    for (const QString& line : QString::fromStdString(commandLine.HelpText()).split('\n')) {
        EXPECT_LE(line.size(), 80) << line.toStdString();
    }
}
