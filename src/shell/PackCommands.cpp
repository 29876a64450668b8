#include "shell/PackCommands.h"

#include "shell/CommandLine.h"

#include "database/DataSetLoader.h"
#include "packs/PackExport.h"
#include "packs/PackImport.h"
#include "database/Registry.h"
#include "framework/Exception.h"
#include "platform/Platform.h"
#include "services/InstanceLock.h"
#include "services/Translation.h"
#include "shell/MainForm.h"
#include "util/MessageBox.h"
#include "util/Text.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

constexpr char ImportOption[] = "import";
constexpr char ExportOption[] = "export";
constexpr char ProgramOption[] = "program";
constexpr char ImportMessagePrefix[] = "Import ";
// The first line of the running copy's answer to an import.
constexpr char ImportSucceeded[] = "imported";
constexpr char ImportFailed[] = "failed";
// An import waits for the running copy's start-up, which may wait for the user.
constexpr int AnswerTimeoutMs = 60000;

void Print(const std::string& text)
{
    std::printf("%s\n", text.c_str());
}

void PrintProblem(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
}

QString Text(const char* text)
{
    return QString::fromStdString(Translate(text));
}

int Import(const std::string& file)
{
    const std::string path =
        QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString();
    CInstanceLock running;
    if (!running.Acquire(TMainForm::InstanceLockName)) {
        // The running copy keeps the base in memory and would write over an import made here:
        // it imports the file itself and answers how that went.
        const auto answer = platform::Get().AskFirstCopy(TMainForm::MessageChannel,
                                                         ImportRequest(path), AnswerTimeoutMs);
        const auto outcome = answer ? ReadImportAnswer(*answer) : std::nullopt;
        if (!outcome) {
            PrintProblem(FormatText(
                Translate("Quorvel запущен, но не ответил, импортирован ли файл %s."), path));
            return 1;
        }
        (outcome->succeeded ? Print : PrintProblem)(outcome->text);
        return outcome->succeeded ? 0 : 1;
    }
    CDBRegistry registry;
    registry.GetLoader()->Load();
    const ImportOutcome outcome = ImportAndSave(registry, path);
    (outcome.succeeded ? Print : PrintProblem)(outcome.text);
    return outcome.succeeded ? 0 : 1;
}

int Export(const std::string& file, const std::optional<std::string>& program)
{
    try {
        CDBRegistry registry;
        registry.GetLoader()->LoadAsSaved();
        const std::string written =
            QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString();
        Print(DescribeExport(written, ExportFile(registry, file, program)));
        return 0;
    } catch (const Exception& error) {
        PrintProblem(error.what());
        return 1;
    }
}

} // namespace

void ChoosePlatformForPackCommands(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const bool packCommand =
            std::strncmp(argv[i], "--import", 8) == 0 || std::strncmp(argv[i], "--export", 8) == 0;
        if (packCommand && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
}

void AddPackOptions(CCommandLine& commandLine)
{
    commandLine.AddOption(
        {ImportOption,
         Text("Импортировать набор сочетаний клавиш или экспорт из файла FILE в базу."), "FILE"});
    commandLine.AddOption(
        {ExportOption, Text("Записать базу сочетаний клавиш в файл FILE."), "FILE"});
    commandLine.AddOption(
        {ProgramOption, Text("С --export: записать только программу NAME."), "NAME"});
}

std::optional<int> RunPackCommand(const QCommandLineParser& parser)
{
    const bool import = parser.isSet(ImportOption);
    const bool exportAsked = parser.isSet(ExportOption);
    if (!import && !exportAsked && !parser.isSet(ProgramOption)) {
        return std::nullopt;
    }
    if (import == exportAsked || (import && parser.isSet(ProgramOption))) {
        PrintProblem(Translate("Укажите либо --import FILE, либо --export FILE (с --program NAME "
                               "или без)."));
        return 2;
    }
    // A notice of the loader (a damaged base moved aside, say) is told here, not in a box.
    SetMessageBoxHandler([](const std::string& text, const MessageBoxOptions&) {
        PrintProblem(text);
        return MessageButton::OK;
    });
    if (import) {
        return Import(parser.value(ImportOption).toStdString());
    }
    std::optional<std::string> program;
    if (parser.isSet(ProgramOption)) {
        program = parser.value(ProgramOption).toStdString();
    }
    return Export(parser.value(ExportOption).toStdString(), program);
}

std::string ImportRequest(const std::string& path)
{
    return ImportMessagePrefix + path;
}

std::optional<std::string> ImportRequestFile(const std::string& message)
{
    const std::string prefix = ImportMessagePrefix;
    if (message.size() <= prefix.size() || message.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    return message.substr(prefix.size());
}

std::string ImportAnswer(const ImportOutcome& outcome)
{
    return (outcome.succeeded ? ImportSucceeded : ImportFailed) + std::string("\n") + outcome.text;
}

std::optional<ImportOutcome> ReadImportAnswer(const std::string& answer)
{
    const auto end = answer.find('\n');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    const std::string status = answer.substr(0, end);
    if (status != ImportSucceeded && status != ImportFailed) {
        return std::nullopt;
    }
    return ImportOutcome{status == ImportSucceeded, answer.substr(end + 1)};
}

ImportOutcome ImportAndSave(CDBRegistry& registry, const std::string& path)
{
    PackFile file;
    try {
        file = ReadPackFile(path);
    } catch (const Exception& error) {
        return {false, error.what()};
    }
    return MergeAndSave(registry, path, file);
}

ImportOutcome MergeAndSave(CDBRegistry& registry, const std::string& path, const PackFile& file)
{
    const ImportReport report = MergePackFile(registry, file);
    try {
        registry.GetLoader()->Save();
    } catch (const Exception& error) {
        return DescribeImportSaved(path, report, error.what());
    }
    return DescribeImportSaved(path, report, {});
}

ImportOutcome DescribeImportSaved(const std::string& path, const ImportReport& report,
                                  const std::string& problem)
{
    const std::string done = DescribeImport(path, report);
    if (!problem.empty()) {
        return {false, done + "\n" + problem};
    }
    return {true, done};
}
