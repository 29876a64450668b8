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

#include <cstdio>
#include <cstdlib>
#include <string>

CheatSheetCommand CheatSheetCommandOf(const CCommandLine& commandLine)
{
    CheatSheetCommand command;
    command.program = commandLine.Value(QStringLiteral("cheatsheet")).toStdString();
    command.output = commandLine.Value(QStringLiteral("output")).toStdString();
    command.page.size =
        commandLine.Value(QStringLiteral("page-size")).toLower() == QStringLiteral("letter")
            ? QPageSize::Letter
            : QPageSize::A4;
    return command;
}

int RunCheatSheetCommand(platform::Platform& platform, const CheatSheetCommand& command)
{
    SetMessageBoxHandler([](const std::string& text, const MessageBoxOptions&) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return MessageButton::Cancel;
    });
    try {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        CShortCutSetLoader shortCutLoader(platform, registry);
        const auto shortCuts = shortCutLoader.LoadShortCuts();
        CKeyLayoutLoader keyLoader(platform);
        const CCheatSheet sheet(platform, command.program,
                                shortCuts->ProgramShortCuts(command.program), keyLoader,
                                CKeyboard::GetPath(PathType::KeyLayout));
        sheet.Write(command.output, command.page);
        const std::string written =
            QFileInfo(QString::fromStdString(command.output)).absoluteFilePath().toStdString();
        std::printf("%s\n", FormatText(Translate("Записан файл %s: шпаргалка программы %s, "
                                                 "страниц: %s."),
                                       written, command.program,
                                       std::to_string(sheet.PageCount(command.page)))
                                .c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
