// The English catalogue must translate every Russian text of the program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cctype>
#include <map>
#include <vector>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Unescape(const std::string& literal)
{
    std::string out;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] == '\\' && i + 1 < literal.size()) {
            const char next = literal[++i];
            out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            out += literal[i];
        }
    }
    return out;
}

// The contents of the string literals of a line or file, in order; adjacent literals (separated
// only by white space) are joined into one.
std::vector<std::string> Literals(const std::string& text)
{
    std::vector<std::string> literals;
    bool joining = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            // A character literal, possibly '"': skip it whole.
            const auto close = text.find('\'', i + 2);
            i = close == std::string::npos ? text.size() : close;
            joining = false;
        } else if (c == '"') {
            const std::size_t begin = i + 1;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                i += text[i] == '\\' ? 1 : 0;
            }
            const std::string piece = Unescape(text.substr(begin, i - begin));
            if (joining) {
                literals.back() += piece;
            } else {
                literals.push_back(piece);
            }
            joining = true;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
            i = text.find('\n', i);
            if (i == std::string::npos) {
                break;
            }
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            joining = false;
        }
    }
    return literals;
}

// msgid -> msgstr of a .po file (multi-line strings joined).
std::map<std::string, std::string> ReadCatalogue(const std::filesystem::path& path)
{
    std::map<std::string, std::string> entries;
    std::istringstream lines(ReadFile(path));
    std::string line, id, str, *current = nullptr;
    auto flush = [&] {
        if (!id.empty()) {
            entries[id] = str;
        }
        id.clear();
        str.clear();
    };
    while (std::getline(lines, line)) {
        if (line.rfind("msgid ", 0) == 0) {
            flush();
            current = &id;
        } else if (line.rfind("msgstr ", 0) == 0) {
            current = &str;
        } else if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto literals = Literals(line);
        if (current && !literals.empty()) {
            *current += literals.front();
        }
    }
    flush();
    return entries;
}

bool HasCyrillic(const std::string& text)
{
    return text.find("\xD0") != std::string::npos || text.find("\xD1") != std::string::npos;
}

// Every string literal of the sources that holds Russian text, adjacent literals joined.
std::set<std::string> RussianLiterals(const std::filesystem::path& root)
{
    std::set<std::string> texts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h") {
            continue;
        }
        for (const std::string& literal : Literals(ReadFile(entry.path()))) {
            if (HasCyrillic(literal)) {
                texts.insert(literal);
            }
        }
    }
    return texts;
}

} // namespace

TEST(EnglishCatalogue, TranslatesEveryRussianTextOfTheProgram)
{
    const std::filesystem::path source = QUORVEL_SOURCE_DIR;
    const auto catalogue = ReadCatalogue(source / "resources/po/en.po");
    const auto texts = RussianLiterals(source / "src");
    ASSERT_FALSE(texts.empty());
    for (const auto& text : texts) {
        const auto it = catalogue.find(text);
        ASSERT_NE(it, catalogue.end()) << "missing from en.po: " << text;
        EXPECT_FALSE(it->second.empty()) << "empty translation: " << text;
        EXPECT_FALSE(HasCyrillic(it->second)) << "untranslated: " << text;
    }
}

TEST(EnglishCatalogue, PlaceholdersMatchTheirTranslations)
{
    const auto catalogue =
        ReadCatalogue(std::filesystem::path(QUORVEL_SOURCE_DIR) / "resources/po/en.po");
    auto count = [](const std::string& text) {
        std::size_t n = 0;
        for (auto pos = text.find("%s"); pos != std::string::npos; pos = text.find("%s", pos + 2)) {
            ++n;
        }
        return n;
    };
    for (const auto& [id, str] : catalogue) {
        EXPECT_EQ(count(id), count(str)) << id;
    }
}
