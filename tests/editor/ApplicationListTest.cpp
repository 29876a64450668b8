#include "editor/ApplicationList.h"

#include "services/ActiveWindow.h"

#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The texts of the tree: each group with its entries below it.
std::vector<std::string> Texts(const QTreeWidget& tree)
{
    std::vector<std::string> texts;
    for (int g = 0; g < tree.topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = tree.topLevelItem(g);
        texts.push_back(group->text(0).toStdString());
        for (int i = 0; i < group->childCount(); ++i) {
            texts.push_back("  " + group->child(i)->text(0).toStdString());
        }
    }
    return texts;
}

class RunningList : public ::testing::Test
{
protected:
    RunningList()
    {
        env.platform.processes = {{2001, "/usr/bin/editor"},
                                  {2002, "/usr/bin/player"},
                                  {2003, "/usr/bin/panel"},
                                  {2004, ""}};
        Add(11, 2001, "Notes - Editor");
        Add(12, 2001, "Find");
        env.platform.windows[12].owner = 11; // the editor's dialog
        Add(13, 2002, "Player");
        Add(14, 2002, "Second player window");
        Add(15, 2003, "Panel");
        env.platform.windows[15].taskbar = true;
        Add(16, 2001, "");                // untitled
        Add(17, 2002, "Program Manager"); // the desktop's old name
        Add(18, 2002, "Desktop");
        env.platform.windows[18].desktop = true;
        Add(19, env.platform.currentProcessId, "Quorvel editor");
        Add(20, 2004, "Unreadable process");
        Add(21, 2002, "Hidden");
        env.platform.windows[21].visible = false;
        env.platform.stacking = {19, 13, 11, 12, 14, 15, 16, 17, 18, 20, 21};
    }
    void Add(platform::WindowId id, std::uint32_t process, const std::string& title)
    {
        env.platform.windows[id].processId = process;
        env.platform.windows[id].title = title;
    }

    FakeEnvironment env;
    CActiveWindow tracker{env.platform};
    TRunningApplicationList list{env.platform, tracker};
};

} // namespace

TEST_F(RunningList, ListsApplicationWindowsFrontToBackAndLeavesTheRestOut)
{
    list.Refresh();
    EXPECT_EQ(Texts(list),
              (std::vector<std::string>{"Запущенные приложения", "  Player", "  Notes - Editor",
                                        "  Second player window"}));
    ASSERT_EQ(list.Entries().size(), 3u);
    EXPECT_EQ(list.Entries()[1].ModulePath, "/usr/bin/editor");
    EXPECT_EQ(list.GetSelectedPath(), "");
    list.setCurrentItem(list.topLevelItem(0));
    EXPECT_EQ(list.GetSelectedPath(), ""); // a group node
}

TEST_F(RunningList, TheActiveApplicationComesFirstAndOnlyThere)
{
    env.platform.ActivateWindow(11);
    list.Refresh();
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"Активное приложение", "  Notes - Editor",
                                                     "Запущенные приложения", "  Player",
                                                     "  Second player window"}));
    // The last active window no longer qualifies: no such group.
    env.platform.windows[11].visible = false;
    list.Refresh();
    EXPECT_EQ(list.topLevelItemCount(), 1);
}

TEST_F(RunningList, TheSelectionSurvivesARefreshAndNothingCollapses)
{
    list.Refresh();
    list.setCurrentItem(list.topLevelItem(0)->child(2));
    EXPECT_EQ(list.GetSelectedPath(), "/usr/bin/player");
    env.platform.stacking = {14, 13, 11};
    list.Refresh();
    ASSERT_NE(list.currentItem(), nullptr);
    EXPECT_EQ(list.currentItem()->text(0).toStdString(), "Second player window");
    list.collapseItem(list.topLevelItem(0));
    EXPECT_TRUE(list.topLevelItem(0)->isExpanded());
}

TEST(InstalledList, EntriesByNameSortedWithTwoKeysForOneExecutable)
{
    FakeEnvironment env;
    QTemporaryDir data;
    env.platform.specialFolders[platform::SpecialFolderKind::AppData] = data.path().toStdString();
    ScopedEnvironment environment;
    environment.Set("XDG_DATA_DIRS", data.filePath("none").toStdString());
    environment.Set("PATH", data.filePath("bin").toStdString());
    QDir().mkpath(data.filePath("bin"));
    QDir().mkpath(data.filePath("applications"));
    for (const char* program : {"vlc", "zed"}) {
        QFile file(data.filePath(QStringLiteral("bin/%1").arg(program)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    auto entry = [&](const char* id, const char* content) {
        QFile file(data.filePath(QStringLiteral("applications/%1").arg(id)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("[Desktop Entry]\nType=Application\n") + content);
    };
    entry("vlc.desktop", "Name=VLC media player\nExec=vlc %U\n");
    entry("vlc-dvd.desktop", "Name=DVD player\nExec=vlc dvd://\n");
    entry("zed.desktop", "Exec=zed %F\n");
    entry("gone.desktop", "Name=Gone\nExec=not-installed\n");

    TInstalledApplicationList list;
    list.Refresh();
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"Установленные приложения", "  DVD player",
                                                     "  VLC media player", "  zed"}));
    list.setCurrentItem(list.topLevelItem(0)->child(0));
    EXPECT_EQ(list.GetSelectedPath(), data.filePath("bin/vlc").toStdString());
    EXPECT_FALSE(list.topLevelItem(0)->child(2)->icon(0).isNull());
}
