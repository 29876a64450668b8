#include "packs/PackExport.h"

#include "packs/PackIcons.h"
#include "database/ProgramIdentity.h"
#include "database/Registry.h"
#include "database/ShortCut.h"
#include "packs/ShortcutPack.h"
#include "database/ShortcutTables.h"
#include "framework/Exception.h"
#include "keys/KeyText.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "util/Utf8.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

class Exporter
{
public:
    explicit Exporter(CDBRegistry& registry)
        : programs_(*registry.GetPrograms()), shortcuts_(*registry.GetShortcuts())
    {
    }

    // The pack of the current program; nullopt for one a pack cannot hold.
    std::optional<QJsonObject> CurrentPack()
    {
        const std::string fileName = programs_.FieldByName("FileName").AsString();
        std::string name = programs_.FieldByName("Name").AsString();
        QJsonObject pack;
        if (programs_.FieldByName("Id").AsInteger() == CShortcutTables::SuperglobalId) {
            pack["desktop"] = QJsonArray();
            name = Translate("Общие сочетания клавиш");
        } else if (fileName.empty()) {
            report_.leftOut.push_back(
                FormatText(Translate("программа «%s»: не указан исполняемый файл"), name));
            return std::nullopt;
        } else {
            if (!name.empty()) {
                pack["name"] = Q(name);
            }
            pack["executables"] = QJsonArray{Q(fileName)};
            const std::string desktopId = programs_.FieldByName("DesktopId").AsString();
            if (!desktopId.empty()) {
                pack["desktopId"] = Q(desktopId);
            }
            QJsonArray classes;
            for (const std::string& windowClass :
                 SplitIdentityList(programs_.FieldByName("WindowClasses").AsString())) {
                classes.append(Q(windowClass));
            }
            if (!classes.isEmpty()) {
                pack["windowClasses"] = classes;
            }
        }
        QJsonArray list;
        const std::string program = name.empty() ? ExtractFileName(fileName) : name;
        for (shortcuts_.First(); !shortcuts_.Eof(); shortcuts_.Next()) {
            if (auto shortcut = CurrentShortcut(program)) {
                list.append(*shortcut);
            }
        }
        pack["shortcuts"] = list;
        ++report_.programs;
        return pack;
    }

    ExportReport& Report() { return report_; }

private:
    std::optional<QJsonObject> CurrentShortcut(const std::string& program)
    {
        const Blob& blob = shortcuts_.FieldByName("KeyCodes").AsBlob();
        CKeyCodes keys;
        keys.LoadFromBuffer(blob.data(), blob.size());
        const std::string keyText = FormatKeyText(keys);
        std::string name = shortcuts_.FieldByName("ShortName").AsString();
        std::string description = shortcuts_.FieldByName("Description").AsString();
        const auto leaveOut = [&](const std::string& reason) {
            report_.leftOut.push_back(FormatText("%s: %s «%s» (%s)", program, keys.GetText(),
                                                 name.empty() ? description : name, reason));
            return std::nullopt;
        };
        if (keyText.empty()) {
            return leaveOut(Translate("клавиши нельзя записать в наборе"));
        }
        if (name.empty() && description.empty()) {
            return leaveOut(Translate("нет ни короткого имени, ни описания"));
        }
        if (name.empty()) {
            name = TruncateUtf8(description, ShortNameLength);
        }
        if (description.empty()) {
            description = name;
        }
        QJsonObject shortcut{
            {"keys", Q(keyText)},
            {"name", Q(name)},
            {"description", Q(description)},
            {"scope", shortcuts_.FieldByName("IsNormal").AsBoolean() ? "active" : "global"},
        };
        const Blob& icon = shortcuts_.FieldByName("Icon").AsBlob();
        if (!icon.empty()) {
            const QByteArray png = IconPng(icon);
            if (png.isEmpty()) {
                report_.leftOut.push_back(FormatText(
                    Translate("%s: значок сочетания %s не удается прочитать, оно записано без "
                              "него"),
                    program, keyText));
            } else {
                shortcut["iconData"] = QString::fromLatin1(png.toBase64());
            }
        }
        ++report_.shortcuts;
        return shortcut;
    }

    DataSet& programs_;
    DataSet& shortcuts_;
    ExportReport report_;
};

bool IsProgram(DataSet& programs, const std::string& wanted)
{
    const std::string name = LowerCase(wanted);
    return LowerCase(programs.FieldByName("Name").AsString()) == name ||
           LowerCase(ExtractFileName(programs.FieldByName("FileName").AsString())) == name;
}

void WriteFile(const std::string& path, const QJsonObject& content)
{
    // A pipe, a device or a folder in the way is never replaced by a file (a link to a file is
    // written through).
    const QFileInfo existing(Q(path));
    if (existing.exists() && !existing.isFile()) {
        throw Exception(FormatText(Translate("Не удается сохранить файл %s: %s"),
                                   QuoteUserText(path), Translate("это не обычный файл")));
    }
    QSaveFile file(Q(path));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(content).toJson(QJsonDocument::Indented)) < 0 || !file.commit()) {
        throw Exception(FormatText(Translate("Не удается сохранить файл %s: %s"), path,
                                   file.errorString().toStdString()));
    }
}

} // namespace

ExportReport ExportFile(CDBRegistry& registry, const std::string& path,
                        const std::optional<std::string>& program)
{
    DataSet& programs = *registry.GetPrograms();
    const std::int32_t selected = programs.IsEmpty() ? 0 : programs.FieldByName("Id").AsInteger();
    Exporter exporter(registry);
    QJsonObject content;
    QJsonArray packs;
    bool found = false;
    for (programs.First(); !programs.Eof() && !found; programs.Next()) {
        if (program && !IsProgram(programs, *program)) {
            continue;
        }
        found = program.has_value();
        if (auto pack = exporter.CurrentPack()) {
            packs.append(*pack);
            content = *pack;
        }
    }
    programs.Locate("Id", selected);
    if (program && !found) {
        throw Exception(FormatText(Translate("В базе нет программы «%s»."), *program));
    }
    if (program && content.isEmpty()) {
        throw Exception(FormatText(Translate("Программу «%s» нельзя записать в набор: %s"),
                                   *program, exporter.Report().leftOut.front()));
    }
    if (!program) {
        content = QJsonObject{{"programs", packs}};
    }
    content["format"] = 1;
    WriteFile(path, content);
    return exporter.Report();
}

std::string DescribeExport(const std::string& path, const ExportReport& report)
{
    std::string text =
        FormatText(Translate("Записан файл %s. Программ: %s, сочетаний клавиш: %s."), path,
                   std::to_string(report.programs), std::to_string(report.shortcuts));
    if (!report.leftOut.empty()) {
        text.append("\n").append(Translate("Не записаны:"));
        for (const std::string& item : report.leftOut) {
            text.append("\n").append(item);
        }
    }
    return text;
}
