#include "services/Translation.h"

#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"
#include "ScopedLanguage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>

#include <clocale>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <utility>

namespace {

// Binds the catalogues beside the fake executable (the build folder) in English.
class English : public ::testing::Test
{
protected:
    FakeEnvironment env;
    ScopedLanguage language{{"LANG", "C.UTF-8"}, {"LANGUAGE", "en"}};
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

// The texts shown for "Выход" and "Показать" in an environment that sets only the given locale
// variables; the test locales are found through LOCPATH.
std::pair<std::string, std::string>
ShownIn(std::initializer_list<std::pair<const char*, const char*>> variables,
        const std::string& domain = "quorvel")
{
    ScopedEnvironment locales;
    locales.Set("LOCPATH", QUORVEL_TEST_LOCALES);
    ScopedLanguage language(variables, domain);
    return {Translate("Выход"), Translate("Показать")};
}

std::string ExitIn(std::initializer_list<std::pair<const char*, const char*>> variables)
{
    return ShownIn(variables).first;
}

TEST(Language, WithoutACatalogueForTheLocaleTheTextsAreEnglish)
{
    FakeEnvironment env;
    EXPECT_EQ(ExitIn({}), "Exit"); // no LANG at all
    EXPECT_EQ(ExitIn({{"LANG", "C"}}), "Exit");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}}), "Exit");
    EXPECT_EQ(ExitIn({{"LANG", "ja_JP.UTF-8"}}), "Exit");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ja"}}), "Exit");
    // gettext ignores LANGUAGE in the C locale; English still stands in.
    EXPECT_EQ(ExitIn({{"LANG", "C"}, {"LANGUAGE", "de"}}), "Exit");
    // A locale the machine does not have leaves the C locale.
    EXPECT_EQ(ExitIn({{"LANG", "xx_YY.UTF-8"}}), "Exit");
}

TEST(Language, ALocaleWithACatalogueGetsIt)
{
    FakeEnvironment env;
    EXPECT_EQ(ExitIn({{"LANG", "de_DE.UTF-8"}}), "Beenden");
    EXPECT_EQ(ExitIn({{"LC_ALL", "de_DE.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}), "Beenden");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "de"}}), "Beenden");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ja:fr:de"}}), "Quitter");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "pt_BR"}}), "Sair");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "uk:ru"}}), "Вийти");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "es_ES.UTF-8"}}), "Salir");
}

TEST(Language, OnlyRussianKeepsTheSourceTexts)
{
    FakeEnvironment env;
    EXPECT_EQ(ExitIn({{"LANG", "ru_RU.UTF-8"}}), "Выход");
    EXPECT_EQ(ExitIn({{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "ru_RU.UTF-8"}}), "Выход");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ru"}}), "Выход");
    // Russian asked for before a catalogue that exists, and after one that does not.
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ru:de"}}), "Выход");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ja:ru_UA"}}), "Выход");
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "de:ru"}}), "Beenden");
    // "rus" names no Russian locale gettext knows.
    EXPECT_EQ(ExitIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "rus"}}), "Exit");
}

TEST(Language, ATextTheUsersCatalogueLacksIsEnglish)
{
    FakeEnvironment env;
    const auto shown = ShownIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "de"}}, "quorvel-partial");
    EXPECT_EQ(shown.first, "Beenden");
    EXPECT_EQ(shown.second, "Show");
    EXPECT_EQ(ShownIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ru"}}, "quorvel-partial").second,
              "Показать");
}

// The text Qt gives its standard Cancel button in the language bound for an environment.
QString QtCancelIn(std::initializer_list<std::pair<const char*, const char*>> variables)
{
    ScopedLanguage language(variables);
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

TEST(Language, QtsOwnTextsFollowTheChosenLanguage)
{
    FakeEnvironment env;
    EXPECT_EQ(QtCancelIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "de"}}), "Abbrechen");
    EXPECT_EQ(QtCancelIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "pt_BR:de"}}), "Cancelar");
    EXPECT_EQ(QtCancelIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ru:de"}}), "Отмена");
    EXPECT_EQ(QtCancelIn({{"LANG", "C.UTF-8"}, {"LANGUAGE", "ja"}}), "Cancel");
    EXPECT_EQ(QtCancelIn({}), "Cancel");
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
