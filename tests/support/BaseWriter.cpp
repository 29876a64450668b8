#include "BaseWriter.h"

#include "database/Registry.h"
#include "framework/DataSet.h"
#include "keys/KeyCodes.h"

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
