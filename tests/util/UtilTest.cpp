#include "util/MessageBox.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "util/Utf8.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

TEST(JoinPath, JoinsWithSlashAndStopsAtFirstEmptyPart)
{
    EXPECT_EQ(JoinPath("/home/u/.local/share/", "zint", "programs.dat"),
              "/home/u/.local/share/zint/programs.dat");
    EXPECT_EQ(JoinPath("a", "", "b"), "a");
    EXPECT_EQ(JoinPath(""), "");
    // Only one trailing separator is dropped; leading ones of later parts stay.
    EXPECT_EQ(JoinPath("a//", "b"), "a//b");
    EXPECT_EQ(JoinPath("a", "/x"), "a//x");
}

TEST(FormatText, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(FormatText("%s  (%s)", "Save", "Ctrl + S"), "Save  (Ctrl + S)");
    EXPECT_EQ(FormatText("%s", "%s", "x"), "x");
    EXPECT_EQ(FormatText("%S and %s", "a", "b"), "a and b");
    EXPECT_EQ(FormatText("no placeholder", "a"), "no placeholder");
    EXPECT_EQ(FormatText("%s%s", "a"), "a");
    EXPECT_EQ(FormatText("100%", "a"), "100%");
}

TEST(SplitText, EveryDelimiterEndsAPiece)
{
    EXPECT_TRUE(SplitText("", ',').empty());
    EXPECT_EQ(SplitText(",", ','), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(SplitText("a,,b,", ','), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(SplitText("abc", ','), (std::vector<std::string>{"abc"}));
}

TEST(FileNames, TitleAndNameFromPath)
{
    EXPECT_EQ(ExtractFileTitle("/usr/bin/prog.exe"), "prog");
    EXPECT_EQ(ExtractFileTitle("archive.tar.gz"), "archive.tar");
    EXPECT_EQ(ExtractFileTitle("/usr/bin/quorvel"), "quorvel");
    EXPECT_EQ(ExtractFileName("/opt/tools/app"), "app");
    EXPECT_EQ(ExtractFileName("app"), "app");
}

TEST(SpecialFolder, AsksThePlatform)
{
    FakeEnvironment env;
    env.platform.specialFolders[platform::SpecialFolderKind::AppData] = "/home/u/.local/share";
    EXPECT_EQ(SpecialFolder(platform::SpecialFolderKind::AppData), "/home/u/.local/share");
    EXPECT_EQ(SpecialFolder(platform::SpecialFolderKind::Personal), "");
}

TEST(ExeFolder, EndsWithSeparator)
{
    FakeEnvironment env;
    env.platform.executablePath = "/opt/quorvel/lib/quorvel";
    EXPECT_EQ(GetExeFolder(), "/opt/quorvel/lib/");
}

TEST(MessageBox, OptionsAndDefaultOkButton)
{
    FakeEnvironment env;
    MessageBoxOptions seen;
    SetMessageBoxHandler([&](const std::string&, const MessageBoxOptions& options) {
        seen = options;
        return MessageButton::OK;
    });
    EXPECT_EQ(ShowMessageBox("hello"), MessageButton::OK);
    EXPECT_TRUE(seen.HasButton(MessageButton::OK));
    EXPECT_FALSE(seen.HasButton(MessageButton::Cancel));
    EXPECT_EQ(seen.Type(), MessageType::Custom);

    MessageBoxOptions options;
    options.AddButton(MessageButton::Yes);
    options.AddButton(MessageButton::No);
    options.SetType(MessageType::Information);
    ShowMessageBox("question", options);
    EXPECT_TRUE(seen.HasButton(MessageButton::Yes));
    EXPECT_TRUE(seen.HasButton(MessageButton::No));
    EXPECT_FALSE(seen.HasButton(MessageButton::OK));
    EXPECT_EQ(seen.Type(), MessageType::Information);
}

TEST(MessageBox, WithoutADialogAnswersCancel)
{
    SetMessageBoxHandler(nullptr);
    EXPECT_EQ(ShowMessageBox("nobody sees this"), MessageButton::Cancel);
}

TEST(Text, UserDataIsQuotedUpTo80CharactersNeverCutInsideOne)
{
    EXPECT_EQ(QuoteUserText(""), "");
    EXPECT_EQ(QuoteUserText(std::string(80, 'a')), std::string(80, 'a'));
    EXPECT_EQ(QuoteUserText(std::string(81, 'a')), std::string(79, 'a') + "…");
    std::string cyrillic;
    for (int i = 0; i < 100; ++i) {
        cyrillic += "ж";
    }
    std::string expected;
    for (int i = 0; i < 79; ++i) {
        expected += "ж";
    }
    EXPECT_EQ(QuoteUserText(cyrillic), expected + "…");
}

TEST(Utf8, ValidationRefusesBrokenOverlongAndSurrogateForms)
{
    EXPECT_TRUE(IsValidUtf8("Выход"));
    EXPECT_TRUE(IsValidUtf8("ascii"));
    EXPECT_TRUE(IsValidUtf8("\xE2\x84\x96"));
    EXPECT_FALSE(IsValidUtf8("\xC2\xFB\xF5\xEE\xE4"));
    EXPECT_FALSE(IsValidUtf8("\xD0"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
}

TEST(Utf8, EveryLengthOfCodePointIsWrittenAndCounted)
{
    std::string text;
    for (const char32_t c : {U'A', U'\u00E9', U'\u2116', U'\U0001F600', U'\U0010FFFF'}) {
        AppendUtf8(text, c);
    }
    EXPECT_EQ(text, "A\xC3\xA9\xE2\x84\x96\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
    EXPECT_TRUE(IsValidUtf8(text));
    EXPECT_EQ(CountUtf8Characters(text), 5u);
    EXPECT_EQ(TruncateUtf8(text, 4), "A\xC3\xA9\xE2\x84\x96\xF0\x9F\x98\x80");

    // What is no character becomes the replacement character, never invalid bytes.
    std::string replaced;
    AppendUtf8(replaced, 0xD800);
    AppendUtf8(replaced, 0x110000);
    EXPECT_EQ(replaced, "\xEF\xBF\xBD\xEF\xBF\xBD");
}
