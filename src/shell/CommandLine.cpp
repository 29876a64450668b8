#include "shell/CommandLine.h"

#include "platform/Platform.h"
#include "services/Translation.h"
#include "services/VersionInfo.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int UsageError = 2;
constexpr int LineWidth = 80;

QString Tr(const char* text)
{
    return QString::fromStdString(Translate(text));
}

void Print(std::FILE* stream, const std::string& text)
{
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

// "-h, --help" or "-o, --output <file>".
QString Names(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names()) {
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    }
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty()) {
        text += QStringLiteral(" <%1>").arg(option.valueName());
    }
    // A long option alone lines up with the long names of the others.
    return option.names().front().size() == 1 ? text : QStringLiteral("    ") + text;
}

// Text broken into lines that fit LineWidth columns after the indent; the lines after the first
// are indented.
QString Wrap(const QString& text, int indent)
{
    const int room = std::max(20, LineWidth - indent);
    QString wrapped;
    int used = 0;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        if (used > 0 && used + 1 + word.size() > room) {
            wrapped += QStringLiteral("\n") + QString(indent, QLatin1Char(' '));
            used = 0;
        }
        wrapped += (used > 0 ? QStringLiteral(" ") : QString()) + word;
        used += (used > 0 ? 1 : 0) + static_cast<int>(word.size());
    }
    return wrapped;
}

} // namespace

CCommandLine::CCommandLine()
{
    AddOption({{QStringLiteral("h"), QStringLiteral("help")}, Tr("Показать эту справку и выйти.")});
    AddOption({QStringLiteral("version"), Tr("Показать версию программы и выйти.")});
    AddOption({QStringLiteral("show"),
               Tr("Показать клавиатуру с горячими клавишами активной программы. Если Quorvel "
                  "уже запущен, клавиатуру покажет он; иначе Quorvel запускается и сразу "
                  "показывает её.")});
}

void CCommandLine::AddOption(const QCommandLineOption& option)
{
    parser_.addOption(option);
    options_.push_back(option);
}

std::optional<int> CCommandLine::Parse(const QStringList& arguments)
{
    if (!parser_.parse(arguments) || !parser_.positionalArguments().isEmpty()) {
        const QString error =
            parser_.positionalArguments().isEmpty()
                ? parser_.errorText()
                : Tr("Лишний аргумент: %1").arg(parser_.positionalArguments().front());
        Print(stderr, "quorvel: " + error.toStdString() + "\n\n" + HelpText());
        return UsageError;
    }
    if (IsSet(QStringLiteral("help"))) {
        Print(stdout, HelpText());
        return 0;
    }
    if (IsSet(QStringLiteral("version"))) {
        const std::string self = platform::Get().GetExecutablePath();
        Print(stdout, "quorvel " + GetVersionString(self, "FileVersion") + "\n" +
                          GetVersionString(self, "LegalCopyright") + "\n");
        return 0;
    }
    return std::nullopt;
}

std::string CCommandLine::HelpText() const
{
    QString text = Tr("Использование: %1 [параметры]").arg(QStringLiteral("quorvel")) +
                   QStringLiteral("\n") +
                   Wrap(Tr("Quorvel напоминает сочетания клавиш: в области уведомлений он ждёт "
                           "клавиш вызова и показывает клавиатуру с сочетаниями активной "
                           "программы."),
                        0) +
                   QStringLiteral("\n\n") + Tr("Параметры:") + QStringLiteral("\n");
    int width = 0;
    for (const QCommandLineOption& option : options_) {
        width = std::max(width, static_cast<int>(Names(option).size()));
    }
    for (const QCommandLineOption& option : options_) {
        text += QStringLiteral("  %1  ").arg(Names(option), -width) +
                Wrap(option.description(), width + 4) + QStringLiteral("\n");
    }
    return text.toStdString();
}

QStringList ArgumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}
