#include "shell/CommandLine.h"

#include "platform/Platform.h"
#include "services/Translation.h"
#include "services/VersionInfo.h"

#include <algorithm>
#include <utility>
#include <cstdio>

namespace {

constexpr int UsageError = 2;
constexpr int LineWidth = 80;
const QStringList OpenableWindows{QStringLiteral("editor"), QStringLiteral("settings"),
                                  QStringLiteral("cheatsheet")};

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
    AddOption({QStringLiteral("open"),
               Tr("Открыть окно WINDOW: editor (редактирование сочетаний клавиш), settings "
                  "(настройки) или cheatsheet (шпаргалка активной программы). Если Quorvel уже "
                  "запущен, окно откроет он; иначе Quorvel запускается и открывает его."),
               QStringLiteral("WINDOW")});
    AddOption({QStringLiteral("import"),
               Tr("Импортировать набор сочетаний клавиш или экспорт из файла FILE в базу."),
               QStringLiteral("FILE")});
    AddOption({QStringLiteral("export"), Tr("Записать базу сочетаний клавиш в файл FILE."),
               QStringLiteral("FILE")});
    AddOption({QStringLiteral("program"), Tr("С --export: записать только программу NAME."),
               QStringLiteral("NAME")});
    AddOption({QStringLiteral("cheatsheet"),
               Tr("Записать шпаргалку по сочетаниям клавиш программы PROGRAM."),
               QStringLiteral("PROGRAM")});
    AddOption({{QStringLiteral("o"), QStringLiteral("output")},
               Tr("Файл шпаргалки: PDF для имени на .pdf, иначе PNG."),
               QStringLiteral("FILE")});
    AddOption({QStringLiteral("page-size"),
               Tr("Размер листа: a4 (по умолчанию) или letter, альбомный."),
               QStringLiteral("SIZE")});
}

void CCommandLine::AddOption(const QCommandLineOption& option)
{
    parser_.addOption(option);
    options_.push_back(option);
}

std::optional<int> CCommandLine::Parse(platform::Platform& platform, const QStringList& arguments)
{
    std::optional<QString> error;
    if (!parser_.parse(arguments)) {
        error = parser_.errorText();
    } else if (!parser_.positionalArguments().isEmpty()) {
        error = Tr("Лишний аргумент: %1").arg(parser_.positionalArguments().front());
    } else if (!IsSet(QStringLiteral("help")) && !IsSet(QStringLiteral("version"))) {
        error = Misuse();
    }
    if (error) {
        Print(stderr, "quorvel: " + error->toStdString() + "\n\n" + HelpText());
        return UsageError;
    }
    if (IsSet(QStringLiteral("help"))) {
        Print(stdout, HelpText());
        return 0;
    }
    if (IsSet(QStringLiteral("version"))) {
        const std::string self = platform.GetExecutablePath();
        Print(stdout, "quorvel " + GetVersionString(platform, self, "FileVersion") + "\n" +
                          GetVersionString(platform, self, "LegalCopyright") + "\n");
        return 0;
    }
    return std::nullopt;
}

std::optional<QString> CCommandLine::Misuse() const
{
    const QStringList tasks{QStringLiteral("show"), QStringLiteral("open"),
                            QStringLiteral("import"), QStringLiteral("export"),
                            QStringLiteral("cheatsheet")};
    QStringList given;
    for (const QString& task : tasks) {
        if (IsSet(task)) {
            given << task;
        }
    }
    if (given.size() > 1) {
        return Tr("Параметры --%1 и --%2 нельзя указывать вместе.").arg(given[0], given[1]);
    }
    for (const QCommandLineOption& option : options_) {
        const QString name = option.names().back();
        if (!option.valueName().isEmpty() && parser_.values(name).size() > 1) {
            return Tr("Параметр --%1 указан больше одного раза.").arg(name);
        }
        if (!option.valueName().isEmpty() && IsSet(name) && Value(name).isEmpty()) {
            return Tr("Параметру --%1 нужно значение.").arg(name);
        }
    }
    // Options that only a task reads.
    const std::pair<const char*, const char*> belongs[]{
        {"program", "export"}, {"output", "cheatsheet"}, {"page-size", "cheatsheet"}};
    for (const auto& [option, task] : belongs) {
        if (IsSet(option) && !IsSet(task)) {
            return Tr("Параметр --%1 действует только вместе с --%2.")
                .arg(QLatin1String(option), QLatin1String(task));
        }
    }
    if (IsSet(QStringLiteral("cheatsheet")) && !IsSet(QStringLiteral("output"))) {
        return Tr("Укажите файл шпаргалки: --output FILE.");
    }
    const QString window = Value(QStringLiteral("open"));
    if (IsSet(QStringLiteral("open")) && !OpenableWindows.contains(window)) {
        return Tr("Окно %1 неизвестно: укажите editor, settings или cheatsheet.").arg(window);
    }
    const QString pageSize = Value(QStringLiteral("page-size")).toLower();
    if (IsSet(QStringLiteral("page-size")) && pageSize != "a4" && pageSize != "letter") {
        return Tr("Размер листа %1 неизвестен: укажите a4 или letter.")
            .arg(Value(QStringLiteral("page-size")));
    }
    return std::nullopt;
}

CommandLineTask CCommandLine::Task() const
{
    if (IsSet(QStringLiteral("import"))) {
        return CommandLineTask::Import;
    }
    if (IsSet(QStringLiteral("export"))) {
        return CommandLineTask::Export;
    }
    if (IsSet(QStringLiteral("cheatsheet"))) {
        return CommandLineTask::CheatSheet;
    }
    return CommandLineTask::TrayProgram;
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
