// The English catalogue must translate every Russian text of the program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
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
    static const std::regex quoted("\"((?:[^\"\\\\]|\\\\.)*)\"");
    while (std::getline(lines, line)) {
        std::smatch m;
        if (line.rfind("msgid ", 0) == 0) {
            flush();
            current = &id;
        } else if (line.rfind("msgstr ", 0) == 0) {
            current = &str;
        } else if (line.empty() || line[0] == '#') {
            continue;
        }
        if (current && std::regex_search(line, m, quoted)) {
            *current += Unescape(m[1]);
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
    static const std::regex literal("((?:\"(?:[^\"\\\\\\n]|\\\\.)*\"\\s*)+)");
    static const std::regex piece("\"((?:[^\"\\\\\\n]|\\\\.)*)\"");
    std::set<std::string> texts;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h") {
            continue;
        }
        const std::string source = ReadFile(entry.path());
        for (auto it = std::sregex_iterator(source.begin(), source.end(), literal);
             it != std::sregex_iterator(); ++it) {
            std::string joined;
            const std::string group = (*it)[1];
            for (auto p = std::sregex_iterator(group.begin(), group.end(), piece);
                 p != std::sregex_iterator(); ++p) {
                joined += Unescape((*p)[1]);
            }
            if (HasCyrillic(joined)) {
                texts.insert(joined);
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
