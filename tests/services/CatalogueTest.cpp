// The message catalogues: each translation keeps the placeholders and the joining spaces of its
// text, and no Russian text stands in for a translation.

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

// Every catalogue of the program: resources/po/*.po.
std::vector<std::filesystem::path> Catalogues()
{
    std::vector<std::filesystem::path> catalogues;
    const auto folder = std::filesystem::path(QUORVEL_SOURCE_DIR) / "resources/po";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".po") {
            catalogues.push_back(entry.path());
        }
    }
    return catalogues;
}

// How often each placeholder (%s, %1 .. %9) occurs in a text.
std::map<std::string, int> Placeholders(const std::string& text)
{
    std::map<std::string, int> found;
    for (auto pos = text.find('%'); pos != std::string::npos && pos + 1 < text.size();
         pos = text.find('%', pos + 2)) {
        const char next = text[pos + 1];
        if (next == 's' || (next >= '1' && next <= '9')) {
            ++found[text.substr(pos, 2)];
        }
    }
    return found;
}

} // namespace

// Which texts each catalogue must hold is checked by scripts/check-catalogues (the test
// catalogue_check); these tests check the translations themselves.

TEST(Catalogues, TheBuildInstallsEveryOne)
{
    std::set<std::string> catalogues, installed;
    for (const auto& catalogue : Catalogues()) {
        catalogues.insert(catalogue.stem().string());
    }
    std::istringstream languages(QUORVEL_LANGUAGES);
    for (std::string language; std::getline(languages, language, ',');) {
        installed.insert(language);
    }
    EXPECT_EQ(installed, catalogues);
    EXPECT_TRUE(catalogues.contains("en")) << "English stands in where no catalogue fits";
}

TEST(Catalogues, TranslationsKeepThePlaceholdersAndSpacing)
{
    for (const auto& path : Catalogues()) {
        for (const auto& [id, str] : ReadCatalogue(path)) {
            const std::string where = path.filename().string() + ": " + id;
            EXPECT_EQ(Placeholders(id), Placeholders(str)) << where;
            // Texts the program joins to others keep their leading and trailing spaces.
            EXPECT_EQ(id.back() == ' ', !str.empty() && str.back() == ' ') << where;
            EXPECT_EQ(id.front() == ' ', !str.empty() && str.front() == ' ') << where;
        }
    }
}

TEST(Catalogues, LatinLanguagesHoldNoRussianLeftOver)
{
    for (const auto& path : Catalogues()) {
        if (path.stem() == "uk") {
            continue;
        }
        for (const auto& [id, str] : ReadCatalogue(path)) {
            EXPECT_FALSE(HasCyrillic(str)) << path.filename() << ": " << id;
        }
    }
}

TEST(Catalogues, UkrainianIsNotTheRussianSource)
{
    const auto catalogue =
        ReadCatalogue(std::filesystem::path(QUORVEL_SOURCE_DIR) / "resources/po/uk.po");
    ASSERT_FALSE(catalogue.empty());
    for (const auto& [id, str] : catalogue) {
        // A few words are spelt alike in both languages; a whole sentence never is.
        if (id.find(' ') != std::string::npos) {
            EXPECT_NE(id, str);
        }
    }
}
