#include "desktop/InstalledApplications.h"

#include "ScopedEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Applications : public ::testing::Test
{
protected:
    // An executable file (or, without execute, a plain one) below the temporary folder.
    std::string File(const std::string& relative, bool executable = true)
    {
        const QString path = folder.filePath(QString::fromStdString(relative));
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        if (executable) {
            file.setPermissions(file.permissions() | QFile::ExeOwner);
        }
        return path.toStdString();
    }

    QTemporaryDir folder;
    ScopedEnvironment environment;
};

} // namespace

TEST_F(Applications, TheFourRulesFindTheExecutableOfACommand)
{
    const std::string spaced = File("My Programs/Editor App/editor");
    const std::string plain = File("bin/player");
    const std::string text = File("bin/notes.txt", false);

    // A quoted path with spaces, and a quoted %1 after it.
    EXPECT_EQ(ExtractApplicationPath('"' + spaced + "\" \"%1\""), spaced);
    // An unquoted path followed by %1, quoted or not.
    EXPECT_EQ(ExtractApplicationPath(plain + " \"%1\""), plain);
    EXPECT_EQ(ExtractApplicationPath(plain + " %1"), plain);
    // An unquoted path with two switches.
    EXPECT_EQ(ExtractApplicationPath(plain + " -x -y"), plain);
    // A leading variable written as %NAME% (names are case-sensitive here, as getenv is).
    environment.Set("QUORVEL_TEST_ROOT", folder.path().toStdString());
    EXPECT_EQ(ExtractApplicationPath("%QUORVEL_TEST_ROOT%/bin/player %1"), plain);
    // Nothing that exists, or nothing that runs.
    EXPECT_EQ(ExtractApplicationPath(folder.filePath("bin/missing").toStdString() + " %1"), "");
    EXPECT_EQ(ExtractApplicationPath('"' + text + "\" %1"), "");
    EXPECT_EQ(ExtractApplicationPath("\"%1\" 2 *"), "");
    EXPECT_EQ(ExtractApplicationPath(""), "");
    // Variables that name each other end.
    environment.Set("QUORVEL_A", "%QUORVEL_B%");
    environment.Set("QUORVEL_B", "%QUORVEL_A%");
    EXPECT_EQ(ExtractApplicationPath("%QUORVEL_A% %1"), "");
}

TEST_F(Applications, ExecLinesBecomeCommandsWithTheProgramOnPath)
{
    const std::string gedit = File("path/gedit");
    environment.Set("PATH", folder.filePath("path").toStdString() + ":/nonexistent");
    EXPECT_EQ(CommandOfExec("gedit %U"), gedit + " %1");
    EXPECT_EQ(CommandOfExec("gedit --new-window %f %i %c"), gedit + " --new-window %1");
    EXPECT_EQ(CommandOfExec("env LANG=C GDK_BACKEND=x11 gedit %F"), gedit + " %1");
    EXPECT_EQ(CommandOfExec("\"" + gedit + "\" \"--title=My Notes\""),
              gedit + " \"--title=My Notes\"");
    EXPECT_EQ(CommandOfExec("env"), "");
    EXPECT_EQ(ExtractApplicationPath(CommandOfExec("gedit %U")), gedit);
    const std::string spaced = File("With Space/tool");
    EXPECT_EQ(ExtractApplicationPath(CommandOfExec('"' + spaced + "\" %u")), spaced);
}

TEST_F(Applications, EntriesGiveTheirFirstRunnableVerbAndHiddenOnesNothing)
{
    const std::string vlc = File("path/vlc");
    const std::string vlcAgain = File("path/cvlc");
    environment.Set("PATH", folder.filePath("path").toStdString());
    std::vector<DesktopEntry> entries(5);
    entries[0].id = "vlc.desktop";
    entries[0].exec = "vlc --started-from-file %U";
    entries[1].id = "vlc-again.desktop";
    entries[1].exec = "missing-program %U";
    entries[1].actions = {{"Play", "vlc %U"}};
    entries[2].id = "hidden.desktop";
    entries[2].exec = "vlc";
    entries[2].hidden = true;
    entries[3].id = "tryexec.desktop";
    entries[3].exec = "cvlc";
    entries[3].tryExec = "not-installed";
    entries[4].id = "console.desktop";
    entries[4].exec = "cvlc";

    EXPECT_EQ(ReadVerbCommand(entries, "vlc.desktop", "open"), vlc + " --started-from-file %1");
    EXPECT_EQ(ReadVerbPath(entries, "vlc-again.desktop", "open"), "");
    EXPECT_EQ(ReadVerbPath(entries, "vlc-again.desktop", "Play"), vlc);
    EXPECT_EQ(ReadVerbCommand(entries, "nothing.desktop", "open"), "");

    const auto applications = CollectInstalledApplications(entries);
    ASSERT_EQ(applications.size(), 3u);
    // Two keys naming one executable give two applications.
    EXPECT_EQ(applications[0].path, vlc);
    EXPECT_EQ(applications[1].path, vlc);
    EXPECT_EQ(applications[1].entry->id, "vlc-again.desktop");
    EXPECT_EQ(applications[2].path, vlcAgain);
}
