#include "keyboard/KeyLayoutLoader.h"

#include "framework/Exception.h"
#include "platform/Platform.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <QtMath>

#include <pugixml.hpp>

#include <charconv>
#include <cstring>

namespace {

std::string BadFileMessage()
{
    return Translate("Не удается загрузить клавиатуру. Файл настроек недоступен или имеет "
                     "неправильный формат.");
}

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

// Whether a key belongs to keyboards of the given shape: every key without a Shape does.
bool HasShape(const pugi::xml_node& element, std::size_t position, platform::KeyboardShape shape)
{
    const std::string value = element.attribute("Shape").value();
    if (value.empty()) {
        return true;
    }
    if (value != "ANSI" && value != "ISO") {
        throw Exception(FormatText(Translate("Клавиша №%s в файле клавиатуры: атрибут \"Shape\" "
                                             "должен быть \"ANSI\" или \"ISO\"."),
                                   std::to_string(position)));
    }
    return (value == "ISO") == (shape == platform::KeyboardShape::Iso);
}

KeyGeometry ReadKey(const pugi::xml_node& element, std::size_t position, double scale)
{
    const int code = ReadInteger(element, "KeyCode", position);
    const int left = ReadInteger(element, "Left", position);
    const int top = ReadInteger(element, "Top", position);
    const int width = ReadInteger(element, "Width", position);
    const int height = ReadInteger(element, "Height", position);
    // Checked in this order, no sum can overflow.
    const bool inside = left >= 0 && top >= 0 && width >= 0 && height >= 0 &&
                        left <= KeyboardDesignWidth && width <= KeyboardDesignWidth - left &&
                        top <= KeyboardDesignHeight && height <= KeyboardDesignHeight - top;
    if (code <= 0 || code > 0xFFFF || !inside) {
        throw Exception(FormatText(Translate("Клавиша №%s в файле клавиатуры имеет неверный код "
                                             "или лежит за пределами клавиатуры."),
                                   std::to_string(position)));
    }
    return {static_cast<std::uint16_t>(code), QRect(qRound(left * scale), qRound(top * scale),
                                                    qRound(width * scale), qRound(height * scale))};
}

} // namespace

std::vector<KeyGeometry> CKeyLayoutLoader::LoadKeys(const std::string& path, double scale)
{
    pugi::xml_document document;
    if (!IsRegularFile(path) || !document.load_file(path.c_str())) {
        throw Exception(BadFileMessage());
    }
    const pugi::xml_node root = document.child("keyimages");
    if (!root || !root.first_child()) {
        throw Exception(BadFileMessage());
    }
    const platform::KeyboardShape shape = shape_.value_or(platform_.GetKeyboardShape());
    std::vector<KeyGeometry> keys;
    std::size_t position = 0;
    for (const pugi::xml_node& element : root.children()) {
        if (++position > MaxLayoutKeys) {
            throw Exception(FormatText(Translate("В файле клавиатуры больше %s клавиш."),
                                       std::to_string(MaxLayoutKeys)));
        }
        const KeyGeometry key = ReadKey(element, position, scale);
        if (HasShape(element, position, shape)) {
            keys.push_back(key);
        }
    }
    return keys;
}
