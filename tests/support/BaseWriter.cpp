#include "BaseWriter.h"

#include "database/Registry.h"
#include "framework/DataSet.h"
#include "keys/KeyCodes.h"
#include "platform/VirtualKeys.h"

#include <QBuffer>
#include <QHashFunctions>
#include <QImage>

namespace {

// Makes the program's record current, adding it when it is new.
void SelectProgram(DataSet& programs, const std::string& file)
{
    if (file == "Superglobal") {
        programs.Locate("Id", std::int32_t(1));
        return;
    }
    if (programs.Locate("FileName", file)) {
        return;
    }
    programs.Append();
    programs.FieldByName("Name").SetValue(file);
    programs.FieldByName("FileName").SetValue(file);
    programs.Post();
}

Blob Icon(int seed)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(static_cast<QRgb>(seed * 2654435761u)));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Blob(buffer.data().begin(), buffer.data().end());
}

CKeyCodes GeneratedKeys(int program, int index)
{
    constexpr std::uint16_t F1 = 0x70;
    const auto letter = static_cast<std::uint16_t>('A' + (program + index) % 26);
    switch (index % 4) {
    case 0:
        return {vk::Control, letter};
    case 1:
        return {vk::Control, vk::Shift, letter};
    case 2:
        return {vk::Menu, letter};
    default:
        return {static_cast<std::uint16_t>(F1 + index % 12)};
    }
}

} // namespace

void AddShortcut(CDBRegistry& registry, const std::string& programFile, bool isNormal,
                 const std::vector<std::uint16_t>& keys, const std::string& shortName,
                 const std::string& description)
{
    SelectProgram(*registry.GetPrograms(), programFile);
    CKeyCodes codes;
    for (std::uint16_t key : keys) {
        codes.Add(key);
    }
    DataSet& shortcuts = *registry.GetShortcuts();
    shortcuts.Append();
    shortcuts.FieldByName("IsNormal").SetValue(isNormal);
    shortcuts.FieldByName("KeyCodes").SetValue(codes.SaveToBuffer());
    shortcuts.FieldByName("ShortName").SetValue(shortName);
    shortcuts.FieldByName("Description").SetValue(description);
    shortcuts.Post();
}

void AddGeneratedBase(CDBRegistry& registry, int programs, int perProgram)
{
    DataSet& programTable = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
    for (int i = 0; i < programs; ++i) {
        programTable.Append();
        programTable.FieldByName("FileName").SetValue("/usr/bin/prog" + std::to_string(i));
        programTable.Post();
        for (int s = 0; s < perProgram; ++s) {
            shortcuts.Append();
            shortcuts.FieldByName("ShortName").SetValue("Act " + std::to_string(s));
            shortcuts.FieldByName("Description").SetValue("Action " + std::to_string(s));
            shortcuts.FieldByName("IsNormal").SetValue(s % 3 != 0);
            shortcuts.FieldByName("KeyCodes").SetValue(GeneratedKeys(i, s).SaveToBuffer());
            shortcuts.FieldByName("Icon").SetValue(Icon(i * perProgram + s));
            shortcuts.Post();
        }
    }
}

std::vector<std::string> DumpBase(CDBRegistry& registry)
{
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
    std::vector<std::string> lines;
    for (programs.First(); !programs.Eof(); programs.Next()) {
        std::string identity = programs.FieldByName("WindowClasses").AsString() + " " +
                               programs.FieldByName("DesktopId").AsString();
        lines.push_back(programs.FieldByName("Name").AsString() + " | " +
                        programs.FieldByName("FileName").AsString() +
                        (identity == " " ? "" : " | " + identity));
        for (shortcuts.First(); !shortcuts.Eof(); shortcuts.Next()) {
            const Blob& keyBytes = shortcuts.FieldByName("KeyCodes").AsBlob();
            CKeyCodes keys;
            keys.LoadFromBuffer(keyBytes.data(), keyBytes.size());
            const Blob& icon = shortcuts.FieldByName("Icon").AsBlob();
            const QByteArray iconBytes(reinterpret_cast<const char*>(icon.data()),
                                       static_cast<qsizetype>(icon.size()));
            lines.push_back(
                "  " + keys.GetText() + " | " + shortcuts.FieldByName("ShortName").AsString() +
                " | " + shortcuts.FieldByName("Description").AsString() + " | " +
                (shortcuts.FieldByName("IsNormal").AsBoolean() ? "normal" : "global") + " | " +
                std::to_string(icon.size()) + ":" + std::to_string(qHash(iconBytes)));
        }
    }
    return lines;
}
