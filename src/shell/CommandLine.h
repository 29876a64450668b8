#pragma once

#include "platform/Platform.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

// What the command line asks for: the tray program (with --show, showing the overlay), or a
// command that does its work and ends.
enum class CommandLineTask
{
    TrayProgram,
    Import,
    Export,
    CheatSheet,
};

// The command line in the usual GNU style, every option of the program in one parser:
//     quorvel [--show | --open editor|settings|cheatsheet]
//     quorvel --import FILE
//     quorvel --export FILE [--program NAME]
//     quorvel --cheatsheet PROGRAM -o FILE [--page-size a4|letter]
// Options take their value as the next argument or after "=".
class CCommandLine
{
public:
    CCommandLine();

    // Reads the arguments (the first names the program). --help and --version print to standard
    // output; an unknown option, a stray argument, a missing or empty value, an option given
    // twice, two tasks at once or an option without the task it belongs to prints the error and
    // the usage to standard error. The exit code when the program must end now (0, or 2 for a
    // usage error); nullopt when it goes on.
    std::optional<int> Parse(platform::Platform& platform, const QStringList& arguments);

    CommandLineTask Task() const;
    // The one rule for the display: only the tray program needs it. A command that ends by
    // itself works without one (off-screen), reading the X display only when there is one.
    bool NeedsDisplay() const { return Task() == CommandLineTask::TrayProgram; }

    bool IsSet(const QString& name) const { return parser_.isSet(name); }
    QString Value(const QString& name) const { return parser_.value(name); }
    // The overlay is to be shown: by the running copy, or by this one once it has started.
    bool Show() const { return IsSet(QStringLiteral("show")); }
    // The window to be opened ("editor", "settings", "cheatsheet"), as --show shows the overlay;
    // empty when none is asked for.
    std::string OpenWindow() const { return Value(QStringLiteral("open")).toStdString(); }

    // The usage, the description and every option, as --help prints it.
    std::string HelpText() const;

private:
    // The translated usage error, or nullopt when the options fit together.
    std::optional<QString> Misuse() const;
    void AddOption(const QCommandLineOption& option);

    QCommandLineParser parser_;
    std::vector<QCommandLineOption> options_;
};

// The process's arguments as Qt reads them, before an application object exists.
QStringList ArgumentsOf(int argc, char** argv);
