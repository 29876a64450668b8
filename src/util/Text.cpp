#include "util/Text.h"

#include "util/Utf8.h"

std::string ReplaceFirst(const std::string& text, const std::string& value)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%' && (text[i + 1] == 's' || text[i + 1] == 'S')) {
            return text.substr(0, i) + value + text.substr(i + 2);
        }
    }
    return text;
}

std::string FormatText(const std::string& pattern, const std::string& a1, const std::string& a2,
                       const std::string& a3, const std::string& a4, const std::string& a5,
                       const std::string& a6, const std::string& a7, const std::string& a8,
                       const std::string& a9, const std::string& a10)
{
    std::string result = pattern;
    for (const std::string* arg : {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9, &a10}) {
        result = ReplaceFirst(result, *arg);
    }
    return result;
}

std::vector<std::string> SplitText(const std::string& text, char delimiter)
{
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    std::string current;
    for (char c : text) {
        if (c == delimiter) {
            pieces.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    pieces.push_back(current);
    return pieces;
}

std::string QuoteUserText(const std::string& text)
{
    std::string quoted = TruncateUtf8(text, QuotedCharacters);
    if (quoted.size() < text.size()) {
        quoted = TruncateUtf8(std::move(quoted), QuotedCharacters - 1) + "…";
    }
    return quoted;
}
