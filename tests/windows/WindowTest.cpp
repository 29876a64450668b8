#include "desktop/DesktopEntries.h"
#include "windows/Window.h"

#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

platform::Platform::Picture Solid(int size, std::uint32_t argb)
{
    return {size, size, std::vector<std::uint32_t>(static_cast<std::size_t>(size * size), argb)};
}

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

TEST(Windows, EnumerationListsEachTopLevelWindowBeforeItsOwnDescendants)
{
    FakeEnvironment env;
    env.platform.stacking = {20, 10};
    env.platform.windows[10] = {};
    env.platform.windows[11].parent = 10;
    env.platform.windows[12].parent = 11;
    env.platform.windows[20] = {};
    env.platform.windows[21].parent = 20;

    using Ids = std::vector<platform::WindowId>;
    EXPECT_EQ(EnumerateWindows(env.platform, 0, true), (Ids{20, 10}));
    EXPECT_EQ(EnumerateWindows(env.platform, 0, false), (Ids{20, 21, 10, 11, 12}));
    EXPECT_EQ(EnumerateWindows(env.platform, 10, false), (Ids{11, 12}));
    EXPECT_EQ(EnumerateWindows(env.platform, 10, true), (Ids{11}));
    const auto topLevel = CWindow::GetTopLevelWindows(env.platform);
    ASSERT_EQ(topLevel.size(), 2u);
    EXPECT_EQ(topLevel[0].Handle, 20u);
}

TEST(Windows, TitlesAreCutAfter99CharactersNeverInsideOne)
{
    FakeEnvironment env;
    env.platform.windows[1].title = std::string(150, 'a');
    std::string cyrillic;
    for (int i = 0; i < 150; ++i) {
        cyrillic += "ж";
    }
    env.platform.windows[2].title = cyrillic;
    EXPECT_EQ(CWindow(env.platform, 1).GetText(), std::string(99, 'a'));
    EXPECT_EQ(CWindow(env.platform, 2).GetText(), cyrillic.substr(0, 99 * 2));
}

TEST(Windows, AWindowThatIsGoneAnswersNothing)
{
    FakeEnvironment env;
    CWindow gone(env.platform, 404);
    EXPECT_EQ(gone.GetText(), "");
    EXPECT_EQ(gone.GetProcessId(), 0u);
    EXPECT_FALSE(gone.IsVisible());
    EXPECT_EQ(gone.GetOwner().Handle, 0u);
    EXPECT_TRUE(gone.GetIcon({}).isNull());
}

TEST(Windows, OwnIconElseTheIconOfTheDesktopEntryOfItsClass)
{
    FakeEnvironment env;
    QTemporaryDir data;
    env.platform.specialFolders[platform::SpecialFolderKind::AppData] = data.path().toStdString();
    ScopedEnvironment environment;
    environment.Set("XDG_DATA_DIRS", data.filePath("nowhere").toStdString());
    QImage green(32, 32, QImage::Format_ARGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(data.filePath("green.png")));
    WriteFile(data.filePath("applications/editor.desktop"),
              "[Desktop Entry]\nType=Application\nName=Editor\nStartupWMClass=TheEditor\nIcon=" +
                  data.filePath("green.png").toUtf8() + "\n");

    env.platform.windows[1].icon = Solid(32, 0xFFFF0000);
    env.platform.windows[1].windowClass = "TheEditor";
    env.platform.windows[2].windowClass = "theeditor";
    env.platform.windows[3].windowClass = "Unknown";

    const std::vector<DesktopEntry> entries = ReadDesktopEntries();
    CWindow own(env.platform, 1);
    EXPECT_EQ(own.GetIcon(entries).size(), QSize(16, 16));
    EXPECT_EQ(own.GetIcon(entries).pixel(8, 8), 0xFFFF0000u);
    CWindow byClass(env.platform, 2);
    EXPECT_EQ(byClass.GetIcon(entries).pixel(8, 8), 0xFF00FF00u);
    EXPECT_TRUE(CWindow(env.platform, 3).GetIcon(entries).isNull());

    // A copy has the handle, not the picture; the original keeps its own.
    CWindow copy(own);
    EXPECT_EQ(copy.Handle, own.Handle);
    {
        CWindow assigned(env.platform, 0);
        assigned = own;
        EXPECT_EQ(assigned.Handle, 1u);
    }
    EXPECT_EQ(own.GetIcon(entries).pixel(8, 8), 0xFFFF0000u);
}

TEST(DesktopEntries, TheMainGroupItsActionsAndWhatHidesAnEntry)
{
    const DesktopEntry entry = ParseDesktopEntry("# comment\n"
                                                 "[Desktop Entry]\n"
                                                 "Type=Application\n"
                                                 "Name=Text Editor\n"
                                                 "Name[de]=Texteditor\n"
                                                 "Exec=/usr/bin/gedit %U\n"
                                                 "TryExec=gedit\n"
                                                 "Icon=org.gnome.gedit\n"
                                                 "Actions=new-window;missing;\n"
                                                 "NoDisplay=true\n"
                                                 "\n"
                                                 "[Desktop Action new-window]\n"
                                                 "Name=New Window\n"
                                                 "Exec=gedit --new-window\\s%U\n",
                                                 "org.gnome.gedit.desktop");
    EXPECT_EQ(entry.id, "org.gnome.gedit.desktop");
    EXPECT_EQ(entry.name, "Text Editor");
    EXPECT_EQ(entry.exec, "/usr/bin/gedit %U");
    EXPECT_EQ(entry.tryExec, "gedit");
    EXPECT_EQ(entry.icon, "org.gnome.gedit");
    EXPECT_TRUE(entry.noDisplay);
    EXPECT_FALSE(entry.hidden);
    ASSERT_EQ(entry.actions.size(), 1u);
    EXPECT_EQ(entry.actions[0].second, "gedit --new-window %U");

    const DesktopEntry link = ParseDesktopEntry("[Desktop Entry]\nType=Link\nName=Site\n"
                                                "Exec=never\n",
                                                "site.desktop");
    EXPECT_TRUE(link.exec.empty());
}

TEST(DesktopEntries, TheUsersOwnEntryWinsAndClassesMatchIgnoringCase)
{
    FakeEnvironment env;
    QTemporaryDir home;
    QTemporaryDir system;
    env.platform.specialFolders[platform::SpecialFolderKind::AppData] = home.path().toStdString();
    ScopedEnvironment environment;
    environment.Set("XDG_DATA_DIRS", system.path().toStdString());
    WriteFile(home.filePath("applications/vlc.desktop"), "[Desktop Entry]\nType=Application\n"
                                                         "Name=Mine\nHidden=true\n");
    WriteFile(system.filePath("applications/vlc.desktop"), "[Desktop Entry]\nType=Application\n"
                                                           "Name=VLC\nExec=vlc\n");
    WriteFile(system.filePath("applications/kde/org.kde.kate.desktop"),
              "[Desktop Entry]\nType=Application\nName=Kate\nExec=kate\nStartupWMClass=kate\n");
    const auto entries = ReadDesktopEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].id, "kde-org.kde.kate.desktop");
    EXPECT_EQ(entries[1].name, "Mine");
    EXPECT_TRUE(entries[1].hidden);
    const DesktopEntry* kate = FindEntryOfWindowClass(entries, "Kate");
    ASSERT_NE(kate, nullptr);
    EXPECT_EQ(kate->name, "Kate");
    ASSERT_NE(FindEntryOfWindowClass(entries, "VLC"), nullptr);
    EXPECT_EQ(FindEntryOfWindowClass(entries, ""), nullptr);
}
