#include "shell/PackCommands.h"

#include "shell/CommandLine.h"

#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "platform/Platform.h"
#include "services/InstanceLock.h"
#include "services/Translation.h"
#include "shell/MainForm.h"
#include "util/MessageBox.h"
#include "util/Text.h"

#include <QFileInfo>

#include <cstdio>

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

int Import(platform::Platform& platform, const std::string& file)
{
    const std::string path =
        QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString();
    CInstanceLock running(platform);
    if (!running.Acquire(TMainForm::InstanceLockName)) {
        // The running copy keeps the base in memory and would write over an import made here:
        // it imports the file itself and answers how that went.
        const auto answer =
            platform.AskFirstCopy(TMainForm::MessageChannel, ImportRequest(path), AnswerTimeoutMs);
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
    const ImportOutcome outcome = ExportAsSaved(file, program);
    (outcome.succeeded ? Print : PrintProblem)(outcome.text);
    return outcome.succeeded ? 0 : 1;
}

} // namespace

std::optional<int> RunPackCommand(platform::Platform& platform, const CCommandLine& commandLine)
{
    const CommandLineTask task = commandLine.Task();
    if (task != CommandLineTask::Import && task != CommandLineTask::Export) {
        return std::nullopt;
    }
    // A notice of the loader (a damaged base moved aside, say) is told here, not in a box.
    SetMessageBoxHandler([](const std::string& text, const MessageBoxOptions&) {
        PrintProblem(text);
        return MessageButton::OK;
    });
    if (task == CommandLineTask::Import) {
        return Import(platform, commandLine.Value(ImportOption).toStdString());
    }
    std::optional<std::string> program;
    if (commandLine.IsSet(ProgramOption)) {
        program = commandLine.Value(ProgramOption).toStdString();
    }
    return Export(commandLine.Value(ExportOption).toStdString(), program);
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
