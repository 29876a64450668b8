#include "database/Registry.h"
#include "database/DataSetLoader.h"
#include "database/ShortCutSetLoader.h"
#include "framework/QtTimerService.h"
#include "keys/KeyLayoutLoader.h"
#include "platform/linux/LinuxPlatform.h"
#include "services/Translation.h"
#include "shell/Application.h"
#include "shell/CheatSheet.h"
#include "shell/Keyboard.h"
#include "shell/MainForm.h"
#include "util/MessageBox.h"

#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr char cheatSheetOption[] = "cheatsheet";

QString Text(const char* text)
{
    return QString::fromStdString(Translate(text));
}

// A cheat sheet needs no screen: unless told otherwise, Qt draws it off-screen.
void DrawOffscreenForACheatSheet(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--cheatsheet", std::strlen("--cheatsheet")) == 0 &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
}

// Writes the cheat sheet the command line asks for, reporting on standard error; no tray, no
// overlay and no instance lock.
int WriteCheatSheet(const QCommandLineParser& parser)
{
    SetMessageBoxHandler([](const std::string& text, const MessageBoxOptions&) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return MessageButton::Cancel;
    });
    const std::string output = parser.value("output").toStdString();
    const QString pageSize = parser.value("page-size").toLower();
    if (output.empty() || (pageSize != "a4" && pageSize != "letter")) {
        std::fprintf(stderr, "%s\n", parser.helpText().toLocal8Bit().constData());
        return EXIT_FAILURE;
    }
    CheatSheetPage page;
    page.size = pageSize == "letter" ? QPageSize::Letter : QPageSize::A4;
    try {
        CDBRegistry registry;
        registry.GetLoader()->Load();
        CShortCutSetLoader shortCutLoader(registry);
        const auto shortCuts = shortCutLoader.LoadShortCuts();
        const std::string program = parser.value(cheatSheetOption).toStdString();
        CKeyLayoutLoader keyLoader;
        CCheatSheet(program, shortCuts->ProgramShortCuts(program), keyLoader,
                    CKeyboard::GetPath(PathType::KeyLayout))
            .Write(output, page);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    DrawOffscreenForACheatSheet(argc, argv);
    TApplication app(argc, argv);
    QtTimerService timers;
    InstallTimerService(&timers);
    platform::LinuxPlatform system;
    platform::Install(&system);
    // The user's environment chooses the language; the catalogues lie beside the executable.
    InitLocalization("", "");

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({
        {cheatSheetOption, Text("Записать шпаргалку по сочетаниям клавиш программы PROGRAM."),
         "PROGRAM"},
        {{"o", "output"}, Text("Файл шпаргалки: PDF для имени на .pdf, иначе PNG."), "FILE"},
        {"page-size", Text("Размер листа: a4 (по умолчанию) или letter, альбомный."), "SIZE", "a4"},
    });
    parser.process(app);
    if (parser.isSet(cheatSheetOption)) {
        return WriteCheatSheet(parser);
    }

    int code = 0;
    try {
        auto form = std::make_unique<TMainForm>();
        if (form->IsFirstInstance()) {
            code = app.exec();
        }
    } catch (const std::exception& error) {
        ShowException(error);
        code = EXIT_FAILURE;
    }
    return code;
}
