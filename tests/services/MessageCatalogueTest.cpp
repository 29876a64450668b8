#include "services/MessageCatalogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

namespace {

// The bytes of a compiled catalogue holding the entries, with words in either byte order.
std::string Compile(const std::vector<std::pair<std::string, std::string>>& entries, bool bigEndian)
{
    std::string out;
    auto word = [&](std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            const int shift = bigEndian ? 24 - 8 * i : 8 * i;
            out += static_cast<char>((value >> shift) & 0xFF);
        }
    };
    const auto count = static_cast<std::uint32_t>(entries.size());
    const std::uint32_t originals = 28;
    const std::uint32_t translations = originals + 8 * count;
    std::uint32_t text = translations + 8 * count;
    std::string texts;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> ids, strs;
    for (const auto& [id, str] : entries) {
        ids.emplace_back(id.size(), text + texts.size());
        texts += id + '\0';
    }
    for (const auto& [id, str] : entries) {
        strs.emplace_back(str.size(), text + texts.size());
        texts += str + '\0';
    }
    for (std::uint32_t value : {0x950412deu, 0u, count, originals, translations, 0u, 0u}) {
        word(value);
    }
    for (const auto& table : {ids, strs}) {
        for (const auto& [length, offset] : table) {
            word(length);
            word(offset);
        }
    }
    return out + texts;
}

class CatalogueFile : public ::testing::Test
{
protected:
    void TearDown() override { std::filesystem::remove(path); }

    std::string Write(const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    const std::string path =
        (std::filesystem::temp_directory_path() / "quorvel-catalogue-test.mo").string();
};

const std::vector<std::pair<std::string, std::string>> Entries = {
    {"", "Content-Type: text/plain; charset=UTF-8\n"},
    {"Выход", "Exit"},
    {"Показать", "Show"},
};

} // namespace

TEST_F(CatalogueFile, ReadsTheEntriesInEitherByteOrderWithoutTheHeader)
{
    for (bool bigEndian : {false, true}) {
        const auto messages = ReadMessageCatalogue(Write(Compile(Entries, bigEndian)));
        EXPECT_EQ(messages.size(), 2u) << bigEndian;
        EXPECT_EQ(messages.at("Выход"), "Exit");
        EXPECT_EQ(messages.at("Показать"), "Show");
    }
}

TEST_F(CatalogueFile, ABrokenOrMissingFileGivesNothing)
{
    const std::string whole = Compile(Entries, false);
    EXPECT_TRUE(ReadMessageCatalogue(path + ".missing").empty());
    EXPECT_TRUE(ReadMessageCatalogue(Write("")).empty());
    EXPECT_TRUE(ReadMessageCatalogue(Write("msgid \"a\"\nmsgstr \"b\"\n")).empty());
    EXPECT_TRUE(ReadMessageCatalogue(Write(whole.substr(0, 14))).empty());
    // The last translation runs past the end of the file.
    EXPECT_TRUE(ReadMessageCatalogue(Write(whole.substr(0, whole.size() - 3))).empty());
    // A count far beyond the tables.
    std::string counted = whole;
    counted[10] = '\x7F';
    EXPECT_TRUE(ReadMessageCatalogue(Write(counted)).empty());
}

TEST(BuiltCatalogue, TheEnglishCatalogueReadsAsMsgfmtWroteIt)
{
    const auto messages =
        ReadMessageCatalogue(std::string(QUORVEL_BUILD_DIR) + "/en/LC_MESSAGES/quorvel.mo");
    EXPECT_EQ(messages.at("Выход"), "Exit");
    EXPECT_EQ(messages.at("Не удается создать папку "), "Cannot create the folder ");
    EXPECT_FALSE(messages.contains(""));
}
