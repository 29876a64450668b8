#include "services/Translation.h"

#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace {

// Binds the catalogues beside the fake executable (the build folder) in English.
class English : public ::testing::Test
{
protected:
    void SetUp() override
    {
        environment.Set("LANGUAGE", "en");
        ASSERT_TRUE(InitLocalization("C.UTF-8", "quorvel"));
    }
    // Back to the C locale, where nothing is translated.
    void TearDown() override { std::setlocale(LC_ALL, "C"); }

    FakeEnvironment env;
    ScopedEnvironment environment;
};

} // namespace

TEST_F(English, CatalogueTextsAreTranslated)
{
    EXPECT_EQ(Translate("Выход"), "Exit");
    EXPECT_EQ(Translate("Показать"), "Show");
    EXPECT_EQ(Translate("Не удается создать папку "), "Cannot create the folder ");
}

TEST_F(English, UnknownTextsComeBackUnchanged)
{
    EXPECT_EQ(Translate("Текст, которого нет в каталоге"), "Текст, которого нет в каталоге");
    EXPECT_EQ(Translate(""), "");
    const std::string cp1251Unknown = "\xD2\xE5\xF1\xF2"; // "Тест" in Windows-1251
    EXPECT_EQ(Translate(cp1251Unknown), cp1251Unknown);
}

TEST_F(English, Windows1251TextIsLookedUpByItsUtf8Form)
{
    EXPECT_EQ(Translate("\xC2\xFB\xF5\xEE\xE4"), "Exit"); // "Выход"
    // The numero sign 0xB9 inside a longer message.
    const std::string key =
        Cp1251ToUtf8("\xDD\xEB\xE5\xEC\xE5\xED\xF2 \xEA\xEB\xE0\xE2\xE8\xF8\xE8 "
                     "\xB9%s");
    EXPECT_EQ(key, "Элемент клавиши №%s");
}

TEST_F(English, WithoutACatalogueTheRussianTextsStay)
{
    environment.Set("LANGUAGE", "de");
    EXPECT_EQ(Translate("Выход"), "Выход");
}

TEST(Cp1251, PunctuationAndLettersConvertToTheirFullUtf8Forms)
{
    EXPECT_EQ(Cp1251ToUtf8("\x96"), "\xE2\x80\x93"); // en dash
    EXPECT_EQ(Cp1251ToUtf8("\x85"), "\xE2\x80\xA6"); // ellipsis
    EXPECT_EQ(Cp1251ToUtf8("\xB9"), "\xE2\x84\x96"); // numero sign
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98");     // undefined in the code page
    EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8"), "Ёё");
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF"), "Ая");
    EXPECT_EQ(Cp1251ToUtf8(std::string("a\0b", 3)), "ab");
    EXPECT_EQ(Cp1251ToUtf8("plain"), "plain");
}

TEST(Cp1251, Utf8Validation)
{
    EXPECT_TRUE(IsValidUtf8("Выход"));
    EXPECT_TRUE(IsValidUtf8("ascii"));
    EXPECT_TRUE(IsValidUtf8("\xE2\x84\x96"));
    EXPECT_FALSE(IsValidUtf8("\xC2\xFB\xF5\xEE\xE4"));
    EXPECT_FALSE(IsValidUtf8("\xD0"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
}

TEST(LanguageCode, RussianOnlyForARussianLocale)
{
    EXPECT_EQ(LanguageCodeOf("ru_RU.UTF-8"), "ru");
    EXPECT_EQ(LanguageCodeOf("Russian_Russia.1251"), "ru");
    EXPECT_EQ(LanguageCodeOf("LC_CTYPE=ru_RU.UTF-8;LC_NUMERIC=C"), "ru");
    EXPECT_EQ(LanguageCodeOf("en_US.UTF-8"), "en");
    EXPECT_EQ(LanguageCodeOf("C"), "en");
    EXPECT_EQ(LanguageCodeOf(""), "en");
    EXPECT_EQ(LanguageCodeOf("rus"), "en");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(GetLanguageCode(), "en");
}
