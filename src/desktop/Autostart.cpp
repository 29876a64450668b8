#include "desktop/Autostart.h"

#include "framework/Exception.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

std::string AutostartPath()
{
    return JoinPath(SpecialFolder(platform::SpecialFolderKind::Config), "autostart",
                    "quorvel.desktop");
}

bool HasAutostartEntry()
{
    return QFileInfo::exists(QString::fromStdString(AutostartPath()));
}

std::string DesktopExecArgument(const std::string& argument)
{
    // Characters that make an argument need quotes; inside them ", `, $ and \ are escaped.
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    bool needsQuotes = argument.empty();
    for (const char c : argument) {
        needsQuotes = needsQuotes || reserved.find(c) != std::string::npos;
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        // A literal percent sign is written twice (field codes start with one).
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    // The Exec value is a string value too, escaped as such.
    return DesktopStringValue(needsQuotes ? "\"" + quoted + "\"" : quoted);
}

std::string DesktopStringValue(const std::string& text)
{
    std::string escaped;
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case ' ':
            // A leading space would be taken for the space after "=".
            escaped += i == 0 ? "\\s" : " ";
            break;
        default:
            escaped += text[i];
        }
    }
    return escaped;
}

void WriteAutostartEntry(const std::string& executable)
{
    // A desktop entry is UTF-8: GLib refuses a file holding anything else.
    if (QString::fromUtf8(executable).toUtf8().toStdString() != executable) {
        throw Exception(FormatText(
            Translate("Путь программы %s записан не в UTF-8: файл автозапуска не записан."),
            QuoteUserText(QString::fromUtf8(executable).toStdString())));
    }
    const QString path = QString::fromStdString(AutostartPath());
    const std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Quorvel\n"
        "Comment=" +
        DesktopStringValue(Translate("Напоминает сочетания клавиш активной программы")) +
        "\n"
        "Exec=" +
        DesktopExecArgument(executable) +
        "\n"
        "Icon=quorvel\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    QSaveFile file(path);
    const bool written = QDir().mkpath(QFileInfo(path).absolutePath()) &&
                         file.open(QIODevice::WriteOnly) &&
                         file.write(text.data(), static_cast<qint64>(text.size())) ==
                             static_cast<qint64>(text.size()) &&
                         file.commit();
    if (!written) {
        throw Exception(
            FormatText(Translate("Не удалось записать файл автозапуска %s."), AutostartPath()));
    }
}

void RemoveAutostartEntry()
{
    const QString path = QString::fromStdString(AutostartPath());
    if (QFileInfo::exists(path) && !QFile::remove(path)) {
        throw Exception(
            FormatText(Translate("Не удалось удалить файл автозапуска %s."), AutostartPath()));
    }
}
