// Which help page Help opens, and what the user is told when it cannot be shown.

#include "shell/Help.h"

#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Languages = std::vector<std::string>;

// A program folder holding the given files (paths relative to it).
class ProgramFolder
{
public:
    explicit ProgramFolder(const std::vector<QString>& files)
    {
        for (const QString& file : files) {
            QDir(dir_.path()).mkpath(QFileInfo(dir_.filePath(file)).path());
            QFile out(dir_.filePath(file));
            EXPECT_TRUE(out.open(QIODevice::WriteOnly)) << file.toStdString();
        }
    }
    // The folder, ending in '/'.
    std::string Path() const { return dir_.path().toStdString() + "/"; }

private:
    QTemporaryDir dir_;
};

// The language variables unset, then set as given.
void SetLanguage(ScopedEnvironment& environment, const std::optional<std::string>& language,
                 const std::optional<std::string>& lang,
                 const std::optional<std::string>& messages = std::nullopt,
                 const std::optional<std::string>& all = std::nullopt)
{
    environment.Set("LANGUAGE", language);
    environment.Set("LANG", lang);
    environment.Set("LC_MESSAGES", messages);
    environment.Set("LC_ALL", all);
}

} // namespace

TEST(Help, LanguagesAreTakenFromTheEnvironmentAsGettextTakesThem)
{
    ScopedEnvironment environment;
    SetLanguage(environment, "ru:en_GB", "de_DE.UTF-8");
    EXPECT_EQ(PreferredLanguages(), (Languages{"ru", "en", "de"}));
    // LC_ALL before LC_MESSAGES before LANG.
    SetLanguage(environment, std::nullopt, "de_DE.UTF-8", "fr_FR.UTF-8");
    EXPECT_EQ(PreferredLanguages(), (Languages{"fr"}));
    SetLanguage(environment, std::nullopt, "de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8");
    EXPECT_EQ(PreferredLanguages(), (Languages{"ru"}));
    // C.UTF-8 names no language, but LANGUAGE counts in it.
    SetLanguage(environment, "ru", "C.UTF-8");
    EXPECT_EQ(PreferredLanguages(), (Languages{"ru"}));
    // Entries that name no language are passed over; none can point elsewhere.
    SetLanguage(environment, "::../x:/tmp:ru@latin", "uk_UA");
    EXPECT_EQ(PreferredLanguages(), (Languages{"ru", "uk"}));
}

TEST(Help, LanguageListIsIgnoredInTheCLocale)
{
    ScopedEnvironment environment;
    for (const char* locale : {"C", "POSIX"}) {
        SetLanguage(environment, "ru", locale);
        EXPECT_TRUE(PreferredLanguages().empty()) << locale;
    }
    SetLanguage(environment, "ru", std::nullopt);
    EXPECT_TRUE(PreferredLanguages().empty());
}

TEST(Help, PageOfTheFirstLanguageThatHasOneElseEnglish)
{
    const ProgramFolder folder({"en/quorvel.html", "ru/quorvel.html"});
    const std::string en = folder.Path() + "en/quorvel.html";
    const std::string ru = folder.Path() + "ru/quorvel.html";
    EXPECT_EQ(HelpTarget(folder.Path(), {"ru"}), ru);
    EXPECT_EQ(HelpTarget(folder.Path(), {"de", "ru", "en"}), ru);
    EXPECT_EQ(HelpTarget(folder.Path(), {"en", "ru"}), en);
    EXPECT_EQ(HelpTarget(folder.Path(), {"de"}), en);
    EXPECT_EQ(HelpTarget(folder.Path(), {}), en);
}

TEST(Help, QuickstartGuideTakesThePlaceOfThePages)
{
    const ProgramFolder folder({"quickstart", "ru/quorvel.html"});
    EXPECT_EQ(HelpTarget(folder.Path(), {"ru"}), folder.Path() + "quickstart");
}

TEST(Help, OpensThePageOfTheUsersLanguage)
{
    FakeEnvironment env;
    ScopedEnvironment environment;
    SetLanguage(environment, "ru", "C.UTF-8");
    const ProgramFolder folder({"en/quorvel.html", "ru/quorvel.html"});
    env.platform.executablePath = folder.Path() + "quorvel";

    OpenHelp(env.platform);
    EXPECT_EQ(env.platform.openedTargets, (Languages{folder.Path() + "ru/quorvel.html"}));
    EXPECT_TRUE(env.messages.empty());
}

TEST(Help, WithoutABrowserTheUserIsToldWhereThePageIs)
{
    FakeEnvironment env;
    const ProgramFolder folder({"en/quorvel.html"});
    env.platform.executablePath = folder.Path() + "quorvel";
    const std::string page = folder.Path() + "en/quorvel.html";

    // No handler could be started.
    env.platform.shellOpenSucceeds = false;
    OpenHelp(env.platform);
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(page), std::string::npos) << env.messages[0];

    // The handler started, then found no application for the page.
    env.platform.shellOpenSucceeds = true;
    OpenHelp(env.platform);
    ASSERT_EQ(env.messages.size(), 1u);
    ASSERT_TRUE(env.platform.openFailure);
    env.platform.openFailure();
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_EQ(env.messages[1], env.messages[0]);
}

TEST(Help, MissingPageIsNamedAndNothingIsOpened)
{
    FakeEnvironment env;
    const ProgramFolder folder({});
    env.platform.executablePath = folder.Path() + "quorvel";

    OpenHelp(env.platform);
    EXPECT_TRUE(env.platform.openedTargets.empty());
    ASSERT_EQ(env.messages.size(), 1u);
    EXPECT_NE(env.messages[0].find(folder.Path() + "en/quorvel.html"), std::string::npos)
        << env.messages[0];
}
