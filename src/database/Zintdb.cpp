#include "database/Zintdb.h"

#include "framework/Exception.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

#include <pugixml.hpp>

#include <charconv>
#include <cstring>

namespace {

// The attribute as a decimal integer; names the element's position and the attribute otherwise.
int ReadInteger(const pugi::xml_node& element, const char* name, std::size_t position)
{
    const char* text = element.attribute(name).value();
    const char* end = text + std::strlen(text);
    int value = 0;
    const auto [rest, error] = std::from_chars(text, end, value);
    if (text == end || error != std::errc() || rest != end) {
        throw Exception(FormatText(
            Translate("Элемент клавиши №%s в файле клавиатуры: атрибут \"%s\" отсутствует или не "
                      "является целым числом."),
            std::to_string(position), name));
    }
    return value;
}

std::unique_ptr<CKey> LoadKey(const pugi::xml_node& element, std::size_t position,
                              const TFont& keyFont, const TFont& actionFont, QWidget* parent)
{
    const auto code = static_cast<std::uint16_t>(ReadInteger(element, "KeyCode", position));
    const int left = ReadInteger(element, "Left", position);
    const int top = ReadInteger(element, "Top", position);
    const int width = ReadInteger(element, "Width", position);
    const int height = ReadInteger(element, "Height", position);

    auto image = std::make_unique<TKeyImage>();
    image->setGeometry(left, top, width, height);
    image->KeyFont = keyFont;
    image->ActionFont = actionFont;
    if (parent) {
        image->setParent(parent);
        image->setVisible(true);
    }

    auto key = std::make_unique<CKey>();
    const std::uint16_t generic = GetGenericKeyCode(code);
    key->KeyCode = generic ? generic : code;
    key->AdditionalKeyCode = generic ? code : 0;
    image->KeyCode = key->KeyCode;
    key->SetKeyImage(image.release());
    return key;
}

} // namespace

std::unique_ptr<CKeys> CDB::LoadKeys(const std::string& path, const TFont& keyFont,
                                     const TFont& actionFont, QWidget* parent)
{
    pugi::xml_document document;
    if (!document.load_file(path.c_str())) {
        throw Exception(Translate("Не удается загрузить клавиатуру. Файл настроект недоступен или "
                                  "имеет неправильный формат."));
    }
    // Keys already built are destroyed with the list when a later one fails.
    auto keys = std::make_unique<CKeys>();
    std::size_t position = 0;
    for (const pugi::xml_node& element : document.child("keyimages").children()) {
        keys->Add(LoadKey(element, ++position, keyFont, actionFont, parent));
    }
    return keys;
}
