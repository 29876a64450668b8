#include "FakeGSettings.h"

FakeGSettings::FakeGSettings(platform::FakePlatform& platform)
{
    platform.programs =
        [this](const std::string& program,
               const std::vector<std::string>& arguments) -> std::optional<std::string> {
        if (program != "gsettings" || arguments.empty() || failing) {
            return std::nullopt;
        }
        const std::string& verb = arguments[0];
        if (verb == "list-keys") {
            return installed ? std::optional<std::string>("custom-keybindings\n") : std::nullopt;
        }
        const std::string key = arguments.at(1) + " " + arguments.at(2);
        if (verb == "get") {
            const auto value = values.find(key);
            return value != values.end()                  ? value->second + "\n"
                   : arguments[2] == "custom-keybindings" ? "@as []\n"
                                                          : "''\n";
        }
        if (verb == "set") {
            values[key] = arguments.at(3);
            return "";
        }
        if (verb == "reset") {
            values.erase(key);
            return "";
        }
        return std::nullopt;
    };
}
