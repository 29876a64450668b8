#include "packs/JsonLocation.h"

#include "util/Text.h"

#include <algorithm>
#include <string_view>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Walks valid JSON text from one value to a value inside it, skipping the values in between.
class Scanner
{
public:
    explicit Scanner(const QByteArray& text) : text_(text)
    {
        if (text_.startsWith("\xEF\xBB\xBF")) {
            pos_ = 3;
        }
    }

    // The offset of the value at the path, or of the last value found on the way.
    qsizetype Find(const JsonPath& path)
    {
        SkipSpace();
        qsizetype found = pos_;
        for (const JsonStep& step : path) {
            const bool entered = std::holds_alternative<std::string>(step)
                                     ? EnterMember(std::get<std::string>(step))
                                     : EnterElement(std::get<int>(step));
            if (!entered) {
                break;
            }
            found = pos_;
        }
        return found;
    }

private:
    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    void SkipSpace()
    {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            ++pos_;
        }
    }

    // Moves past the separator after a value; false at the end of its object or array.
    bool NextItem()
    {
        SkipSpace();
        if (Peek() != ',') {
            return false;
        }
        ++pos_;
        SkipSpace();
        return true;
    }

    bool EnterMember(const std::string& name)
    {
        if (Peek() != '{') {
            return false;
        }
        ++pos_;
        SkipSpace();
        while (Peek() == '"') {
            const std::string key = ReadString();
            SkipSpace();
            ++pos_; // ':'
            SkipSpace();
            if (key == name) {
                return true;
            }
            SkipValue();
            if (!NextItem()) {
                return false;
            }
        }
        return false;
    }

    bool EnterElement(int index)
    {
        if (Peek() != '[') {
            return false;
        }
        ++pos_;
        SkipSpace();
        if (Peek() == ']') {
            return false;
        }
        for (int i = 0; i < index; ++i) {
            SkipValue();
            if (!NextItem()) {
                return false;
            }
        }
        return true;
    }

    // The characters between the quotes at pos_, escapes left as written.
    std::string ReadString()
    {
        std::string value;
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) {
                value += text_[pos_++];
            }
            value += text_[pos_++];
        }
        ++pos_;
        return value;
    }

    void SkipValue()
    {
        const char first = Peek();
        if (first == '"') {
            ReadString();
            return;
        }
        if (first != '{' && first != '[') {
            while (pos_ < text_.size() && !IsSpace(text_[pos_]) &&
                   std::string_view(",]}").find(text_[pos_]) == std::string_view::npos) {
                ++pos_;
            }
            return;
        }
        int depth = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '"') {
                ReadString();
                continue;
            }
            ++pos_;
            if (c == '{' || c == '[') {
                ++depth;
            } else if ((c == '}' || c == ']') && --depth == 0) {
                return;
            }
        }
    }

    const QByteArray& text_;
    qsizetype pos_ = 0;
};

} // namespace

std::string JsonPathText(const JsonPath& path)
{
    std::string text;
    for (const JsonStep& step : path) {
        if (const auto* name = std::get_if<std::string>(&step)) {
            text.append(text.empty() ? "" : ".").append(QuoteUserText(*name));
        } else {
            text.append("[").append(std::to_string(std::get<int>(step))).append("]");
        }
    }
    return text;
}

int JsonLineOf(const QByteArray& text, const JsonPath& path)
{
    return LineAtOffset(text, Scanner(text).Find(path));
}

int LineAtOffset(const QByteArray& text, qsizetype offset)
{
    const qsizetype end = std::clamp<qsizetype>(offset, 0, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + end, '\n'));
}
