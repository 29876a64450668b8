#include "shell/Help.h"

#include "platform/Platform.h"
#include "services/Translation.h"
#include "util/MessageBox.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <QFileInfo>
#include <QString>

namespace {

// "ru" of "ru_RU.UTF-8" or "ru"; empty for "C", "POSIX" and anything that names no language.
std::string LanguageOf(const QString& locale)
{
    QString code;
    for (const QChar c : locale) {
        if (c < 'a' || c > 'z') {
            break;
        }
        code += c;
    }
    return code.size() >= 2 ? code.toStdString() : std::string();
}

bool Exists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

void TellNotOpened(const std::string& text, const std::string& path)
{
    MessageBoxOptions options;
    options.SetType(MessageType::Warning);
    ShowMessageBox(FormatText(Translate(text), path), options);
}

} // namespace

std::vector<std::string> PreferredLanguages()
{
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(name);
        if (!locale.isEmpty()) {
            break;
        }
    }
    std::vector<std::string> languages;
    const auto add = [&languages](const QString& entry) {
        if (const std::string language = LanguageOf(entry); !language.empty()) {
            languages.push_back(language);
        }
    };
    if (!locale.isEmpty() && locale != QLatin1String("C") && locale != QLatin1String("POSIX")) {
        for (const QString& entry : qEnvironmentVariable("LANGUAGE").split(':')) {
            add(entry);
        }
    }
    add(locale);
    return languages;
}

std::string HelpTarget(const std::string& folder, const std::vector<std::string>& languages)
{
    if (Exists(folder + "quickstart")) {
        return folder + "quickstart";
    }
    for (const std::string& language : languages) {
        if (const std::string page = folder + language + "/quorvel.html"; Exists(page)) {
            return page;
        }
    }
    return folder + "en/quorvel.html";
}

void OpenHelp(platform::Platform& platform)
{
    const std::string target = HelpTarget(GetExeFolder(), PreferredLanguages());
    if (!Exists(target)) {
        TellNotOpened("Файл справки не найден: %s", target);
        return;
    }
    const auto notOpened = [target] {
        TellNotOpened("Справку не удалось показать: не найден браузер, который открыл бы её. "
                      "Откройте файл справки сами: %s",
                      target);
    };
    if (!platform.OpenFile(target, notOpened)) {
        notOpened();
    }
}
