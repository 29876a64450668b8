#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

// The command line in the usual GNU style. --help, --version and --show are built in; other
// features add their options before Parse and read them after it.
class CCommandLine
{
public:
    CCommandLine();

    // An option with its translated description; the value name, when it has one, too.
    void AddOption(const QCommandLineOption& option);

    // Reads the arguments (the first names the program). --help and --version print to standard
    // output; an unknown option or a stray argument prints the error and the usage to standard
    // error. The exit code when the program must end now (0, or 2 for a usage error); nullopt
    // when it goes on.
    std::optional<int> Parse(const QStringList& arguments);

    bool IsSet(const QString& name) const { return parser_.isSet(name); }
    const QCommandLineParser& Parser() const { return parser_; }
    QString Value(const QString& name) const { return parser_.value(name); }
    // The overlay is to be shown: by the running copy, or by this one once it has started.
    bool Show() const { return IsSet(QStringLiteral("show")); }

    // The usage, the description and every option, as --help prints it.
    std::string HelpText() const;

private:
    QCommandLineParser parser_;
    std::vector<QCommandLineOption> options_;
};

// The process's arguments as Qt reads them, before an application object exists.
QStringList ArgumentsOf(int argc, char** argv);
