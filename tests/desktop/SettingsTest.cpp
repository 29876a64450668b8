#include "desktop/Settings.h"

#include "framework/Exception.h"
#include "platform/Platform.h"

#include "FakeEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ConfigFile(const FakeEnvironment& env)
{
    return env.configFolder.filePath("quorvel/quorvel.conf").toStdString();
}

void Write(const std::string& path, const QByteArray& text)
{
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray Read(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(Accelerator, ReadsWhatGtkWritesAndWritesItBack)
{
    FakeEnvironment env;
    EXPECT_EQ(AcceleratorOf(env.platform, DefaultTrigger()), "<Super>q");
    const Trigger ctrlAltF5{platform::ModControl | platform::ModAlt, 0x74};
    EXPECT_EQ(AcceleratorOf(env.platform, ctrlAltF5), "<Control><Alt>F5");
    EXPECT_EQ(ParseAccelerator(env.platform, "<Control><Alt>F5"), ctrlAltF5);
    // GTK's other spellings, any letter case.
    EXPECT_EQ(ParseAccelerator(env.platform, "<ctrl><MOD1>f5"), ctrlAltF5);
    EXPECT_EQ(ParseAccelerator(env.platform, "<Primary><Shift>Q"),
              (Trigger{platform::ModControl | platform::ModShift, 'Q'}));
    EXPECT_EQ(ParseAccelerator(env.platform, "F5"), (Trigger{0, 0x74}));
    for (const char* bad : {"", "<Super>", "<Super", "<Hyper>q", "<Super>nosuchkey", "q<Super>"}) {
        EXPECT_FALSE(ParseAccelerator(env.platform, bad)) << bad;
    }
}

TEST(Settings, DefaultsWithoutAFileAndTheSameValuesAfterARoundTrip)
{
    FakeEnvironment env;
    CSettings settings(env.platform);
    EXPECT_EQ(settings.Path(), ConfigFile(env));
    settings.Load();
    EXPECT_FALSE(settings.Existed());
    EXPECT_EQ(settings.values, SettingsValues());
    EXPECT_EQ(settings.values.trigger, (Trigger{platform::ModWin, 'Q'}));
    EXPECT_FALSE(settings.values.startAtLogin);
    // Live reading is on, but never switches accessibility on unasked.
    EXPECT_TRUE(settings.values.liveReading);
    EXPECT_FALSE(settings.values.liveAccessibility);

    settings.values.trigger = {platform::ModControl | platform::ModAlt, 'K'};
    settings.values.startAtLogin = true;
    settings.values.desktopShortcut = true;
    settings.values.keyboardShape = platform::KeyboardShape::Ansi;
    settings.values.liveReading = false;
    settings.values.liveAccessibility = true;
    settings.accessibilitySwitchedOn = true;
    settings.Save();
    CSettings again(env.platform);
    again.Load();
    EXPECT_TRUE(again.Existed());
    EXPECT_FALSE(again.Damaged());
    EXPECT_EQ(again.values, settings.values);
    EXPECT_TRUE(again.accessibilitySwitchedOn);
    EXPECT_TRUE(Read(ConfigFile(env)).contains("Trigger=<Control><Alt>k"));
    EXPECT_TRUE(Read(ConfigFile(env)).contains("KeyboardShape=ANSI"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(ConfigFile(env) + ".new")));
}

TEST(Settings, ADamagedFileGivesTheDefaultsAndIsKeptUntilTheUserSaves)
{
    FakeEnvironment env;
    CSettings settings(env.platform);
    settings.Save();
    for (const QByteArray& damaged :
         {QByteArray("[General]\nTrigger=<Super>nosuchkey\n"),
          QByteArray("[General]\nTrigger=<Control>k\nStartAtLogin=perhaps\n"),
          QByteArray("[General]\nKeyboardShape=JIS\n"), QByteArray("[General]\nLiveReading=no\n"),
          QByteArray("[General]\nLiveReading=true\nLiveAccessibility=1\n"),
          QByteArray("\x00\x01\xff garbage \xfe", 12)}) {
        Write(ConfigFile(env), damaged);
        settings.Load();
        EXPECT_TRUE(settings.Damaged()) << damaged.constData();
        EXPECT_EQ(settings.values, SettingsValues()) << damaged.constData();
        EXPECT_EQ(Read(ConfigFile(env)), damaged);
    }
    settings.values.startAtLogin = true;
    settings.Save();
    settings.Load();
    EXPECT_FALSE(settings.Damaged());
    EXPECT_TRUE(settings.values.startAtLogin);
}

TEST(Settings, ASaveThatCannotWriteRaisesAndLeavesTheOldFile)
{
    FakeEnvironment env;
    QTemporaryDir folder;
    // The settings folder's place is taken by a file.
    Write(folder.filePath("quorvel").toStdString(), "not a folder");
    CSettings blocked(env.platform, folder.filePath("quorvel/quorvel.conf").toStdString());
    EXPECT_THROW(blocked.Save(), Exception);

    CSettings settings(env.platform);
    settings.Save();
    const QByteArray before = Read(ConfigFile(env));
    // A folder where the temporary file would go.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(ConfigFile(env) + ".new/x")));
    settings.values.startAtLogin = true;
    EXPECT_THROW(settings.Save(), Exception);
    EXPECT_EQ(Read(ConfigFile(env)), before);
}

TEST(Settings, APipeOrADeviceAsTheFileIsNeverOpenedNorReplaced)
{
    FakeEnvironment env;
    ASSERT_TRUE(QDir().mkpath(env.configFolder.filePath("quorvel")));
    ASSERT_EQ(mkfifo(ConfigFile(env).c_str(), 0600), 0);
    CSettings settings(env.platform);
    settings.Load(); // would wait for a writer for ever if it opened the pipe
    EXPECT_TRUE(settings.Damaged());
    EXPECT_EQ(settings.values, SettingsValues());
    EXPECT_THROW(settings.Save(), Exception);
    struct stat info
    {
    };
    ASSERT_EQ(lstat(ConfigFile(env).c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    ASSERT_EQ(unlink(ConfigFile(env).c_str()), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", QString::fromStdString(ConfigFile(env))));
    settings.Load();
    EXPECT_TRUE(settings.Damaged());
}

TEST(Settings, ALinkedFileIsWrittenThroughTheLink)
{
    FakeEnvironment env;
    QTemporaryDir elsewhere;
    const std::string kept = elsewhere.filePath("quorvel.conf").toStdString();
    Write(kept, "[General]\nStartAtLogin=false\n");
    ASSERT_TRUE(QDir().mkpath(env.configFolder.filePath("quorvel")));
    ASSERT_TRUE(QFile::link(QString::fromStdString(kept), QString::fromStdString(ConfigFile(env))));
    CSettings settings(env.platform);
    settings.Load();
    settings.values.startAtLogin = true;
    settings.Save();
    EXPECT_TRUE(QFileInfo(QString::fromStdString(ConfigFile(env))).isSymLink());
    EXPECT_TRUE(Read(kept).contains("StartAtLogin=true")) << Read(kept).constData();
    settings.Load();
    EXPECT_TRUE(settings.values.startAtLogin);
}
