#include "live/LiveCache.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

using live::AccelSyntax;
using live::LiveCache;
using live::LiveProgram;
using live::LiveShortcut;
using live::LiveSource;

namespace {

LiveProgram Gedit()
{
    LiveProgram program;
    program.executable = "/usr/bin/gedit";
    program.desktopId = "org.gnome.gedit";
    program.classes = {"gedit", "Gedit"};
    program.executableTime = 1700000000123456789;
    program.locale = "de/de_DE.UTF-8";
    return program;
}

const LiveShortcut Save{"<Primary>s", AccelSyntax::Gtk, {"File", "Save"}, LiveSource::Menu};
const LiveShortcut Open{
    "<ctrl>O", AccelSyntax::Gtk, {"Documents", "Open"}, LiveSource::ShortcutsWindow};
const LiveShortcut Find{"Ctrl+F", AccelSyntax::Qt, {"Edit", "Find…"}, LiveSource::Menu};

unsigned Mode(const std::string& path)
{
    struct stat status
    {
    };
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

} // namespace

TEST(LiveCache, ReadsAreKeptAsTheirUnionInAFileOnlyTheUserReads)
{
    const QTemporaryDir home;
    const std::string folder = home.filePath("quorvel/live").toStdString();
    const LiveCache cache(folder);
    EXPECT_TRUE(cache.Load(Gedit()).empty());
    EXPECT_EQ(cache.Merge(Gedit(), {Save, Open}), (std::vector<LiveShortcut>{Save, Open}));
    EXPECT_EQ(Mode(folder), 0700u);
    EXPECT_EQ(Mode(cache.FileOf(Gedit())), 0600u);
    // A later read that reaches less keeps what the earlier one found.
    EXPECT_EQ(cache.Merge(Gedit(), {Find, Save}), (std::vector<LiveShortcut>{Save, Open, Find}));
    EXPECT_EQ(LiveCache(folder).Load(Gedit()), (std::vector<LiveShortcut>{Save, Open, Find}));
    // Another program has a file of its own.
    LiveProgram other = Gedit();
    other.executable = "/usr/bin/mousepad";
    EXPECT_NE(cache.FileOf(other), cache.FileOf(Gedit()));
    EXPECT_TRUE(cache.Load(other).empty());
}

TEST(LiveCache, AReadOfAnotherBuildOrLanguageIsDropped)
{
    const QTemporaryDir home;
    const LiveCache cache(home.filePath("live").toStdString());
    cache.Merge(Gedit(), {Save});
    LiveProgram rebuilt = Gedit();
    rebuilt.executableTime += 1;
    EXPECT_EQ(cache.FileOf(rebuilt), cache.FileOf(Gedit()));
    EXPECT_TRUE(cache.Load(rebuilt).empty());
    EXPECT_EQ(Mode(cache.FileOf(Gedit())), 0u); // removed
    cache.Merge(Gedit(), {Save});
    LiveProgram french = Gedit();
    french.locale = "fr/fr_FR.UTF-8";
    EXPECT_TRUE(cache.Load(french).empty());
    EXPECT_EQ(cache.Merge(french, {Open}), (std::vector<LiveShortcut>{Open}));
}

TEST(LiveCache, AFileThatIsNoCacheRecordGivesNothing)
{
    const QTemporaryDir home;
    const LiveCache cache(home.path().toStdString());
    for (const char* text : {"", "not json", "[1, 2]", "{\"shortcuts\": 5}"}) {
        std::ofstream(cache.FileOf(Gedit()), std::ios::trunc) << text;
        EXPECT_TRUE(cache.Load(Gedit()).empty()) << text;
    }
    // Entries without a shortcut or a label are skipped.
    cache.Merge(Gedit(), {Save});
    std::ifstream in(cache.FileOf(Gedit()));
    std::string record((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string entry = "{\"accelerator\":\"<Primary>s\"";
    record.replace(record.find(entry), entry.size(), "{\"accelerator\":\"\"");
    std::ofstream(cache.FileOf(Gedit()), std::ios::trunc) << record;
    EXPECT_TRUE(cache.Load(Gedit()).empty());
}
