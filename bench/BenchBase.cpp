#include "BenchBase.h"

#include "framework/DataSet.h"
#include "windows/Processes.h"

#include <QBuffer>
#include <QImage>

namespace {

constexpr int ProgramCount = 1000;
constexpr int ShortcutsPerProgram = 10;
constexpr int RunningPrograms = 300;

Blob Icon(int seed)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(static_cast<QRgb>(seed * 2654435761u)));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return Blob(buffer.data().begin(), buffer.data().end());
}

CKeyCodes Keys(int program, int index)
{
    const auto letter = static_cast<std::uint16_t>('A' + (program + index) % 26);
    switch (index % 4) {
    case 0:
        return {BenchCtrl, letter};
    case 1:
        return {BenchCtrl, BenchShift, letter};
    case 2:
        return {BenchAlt, letter};
    default:
        return {static_cast<std::uint16_t>(BenchF1 + index % 12)};
    }
}

} // namespace

Base::Base()
{
    for (int i = 0; i < ProgramCount; ++i) {
        if (i < RunningPrograms) {
            system.processes.emplace_back(1000 + i, "/usr/bin/prog" + std::to_string(i));
        }
        DataSet& programs = *registry.GetPrograms();
        programs.Append();
        programs.FieldByName("FileName").SetValue("/usr/bin/prog" + std::to_string(i));
        programs.Post();
        DataSet& shortcuts = *registry.GetShortcuts();
        for (int s = 0; s < ShortcutsPerProgram; ++s) {
            shortcuts.Append();
            shortcuts.FieldByName("Description").SetValue("Action " + std::to_string(s));
            shortcuts.FieldByName("IsNormal").SetValue(s % 3 != 0);
            shortcuts.FieldByName("KeyCodes").SetValue(Keys(i, s).SaveToBuffer());
            shortcuts.FieldByName("Icon").SetValue(Icon(i * ShortcutsPerProgram + s));
            shortcuts.Post();
        }
    }
    system.windows[1].processId = 1005;
    system.foregroundWindow = 1;
    activeWindow = std::make_unique<CActiveWindow>();
    RefreshLoadedPrograms(loaded);
}

void Base::Touch()
{
    DataSet& shortcuts = *registry.GetShortcuts();
    shortcuts.First();
    shortcuts.Edit();
    const std::string name = shortcuts.FieldByName("ShortName").AsString();
    shortcuts.FieldByName("ShortName").SetValue(name == "a" ? std::string("b") : std::string("a"));
    shortcuts.Post();
}

Base& TheBase()
{
    static Base base;
    return base;
}
