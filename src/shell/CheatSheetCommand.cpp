#include "shell/CheatSheetCommand.h"

#include "shell/CommandLine.h"

#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "database/ShortCutSetLoader.h"
#include "keyboard/KeyLayoutLoader.h"
#include "services/Translation.h"
#include "shell/Keyboard.h"
#include "util/MessageBox.h"
#include "util/Text.h"

#include <QFileInfo>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace {

constexpr char cheatSheetOption[] = "--cheatsheet";

void PrintUsage()
{
    std::fprintf(stderr,
                 "quorvel --cheatsheet PROGRAM -o FILE [--page-size SIZE]\n"
                 "  --cheatsheet PROGRAM  %s\n"
                 "  -o, --output FILE     %s\n"
                 "  --page-size SIZE      %s\n",
                 Translate("Записать шпаргалку по сочетаниям клавиш программы PROGRAM.").c_str(),
                 Translate("Файл шпаргалки: PDF для имени на .pdf, иначе PNG.").c_str(),
                 Translate("Размер листа: a4 (по умолчанию) или letter, альбомный.").c_str());
}

} // namespace

void AddCheatSheetOptions(CCommandLine& commandLine)
{
    const auto text = [](const char* russian) {
        return QString::fromStdString(Translate(russian));
    };
    commandLine.AddOption({QStringLiteral("cheatsheet"),
                           text("Записать шпаргалку по сочетаниям клавиш программы PROGRAM."),
                           QStringLiteral("PROGRAM")});
    commandLine.AddOption({{QStringLiteral("o"), QStringLiteral("output")},
                           text("Файл шпаргалки: PDF для имени на .pdf, иначе PNG."),
                           QStringLiteral("FILE")});
    commandLine.AddOption({QStringLiteral("page-size"),
                           text("Размер листа: a4 (по умолчанию) или letter, альбомный."),
                           QStringLiteral("SIZE")});
}

bool PrepareCheatSheetCommand(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == cheatSheetOption ||
            argument.starts_with(std::string(cheatSheetOption) + "=")) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            return true;
        }
    }
    return false;
}

std::optional<CheatSheetCommand> ParseCheatSheetCommand(const QStringList& arguments)
{
    static const std::map<QString, QString> names{{cheatSheetOption, cheatSheetOption},
                                                  {"-o", "--output"},
                                                  {"--output", "--output"},
                                                  {"--page-size", "--page-size"}};
    std::map<QString, QString> values;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments[i];
        QString value;
        if (const qsizetype equals = option.indexOf('='); equals > 0) {
            value = option.mid(equals + 1);
            option.truncate(equals);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return std::nullopt;
        }
        const auto name = names.find(option);
        if (name == names.end() || !values.emplace(name->second, value).second) {
            return std::nullopt;
        }
    }
    const QString pageSize =
        values.contains("--page-size") ? values["--page-size"].toLower() : "a4";
    if (values[cheatSheetOption].isEmpty() || values["--output"].isEmpty() ||
        (pageSize != "a4" && pageSize != "letter")) {
        return std::nullopt;
    }
    CheatSheetCommand command;
    command.program = values[cheatSheetOption].toStdString();
    command.output = values["--output"].toStdString();
    command.page.size = pageSize == "letter" ? QPageSize::Letter : QPageSize::A4;
    return command;
}

int RunCheatSheetCommand(const QStringList& arguments)
{
    const auto command = ParseCheatSheetCommand(arguments);
    if (!command) {
        PrintUsage();
        return EXIT_FAILURE;
    }
    SetMessageBoxHandler([](const std::string& text, const MessageBoxOptions&) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return MessageButton::Cancel;
    });
    try {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        CShortCutSetLoader shortCutLoader(registry);
        const auto shortCuts = shortCutLoader.LoadShortCuts();
        CKeyLayoutLoader keyLoader;
        const CCheatSheet sheet(command->program, shortCuts->ProgramShortCuts(command->program),
                                keyLoader, CKeyboard::GetPath(PathType::KeyLayout));
        sheet.Write(command->output, command->page);
        const std::string written =
            QFileInfo(QString::fromStdString(command->output)).absoluteFilePath().toStdString();
        std::printf("%s\n", FormatText(Translate("Записан файл %s: шпаргалка программы %s, "
                                                 "страниц: %s."),
                                       written, command->program,
                                       std::to_string(sheet.PageCount(command->page)))
                                .c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
