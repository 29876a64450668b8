#include "editor/SelectProgramDialog.h"

#include "services/ActiveWindow.h"
#include "editor/ApplicationList.h"

#include "FakeEnvironment.h"
#include "ScopedEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SelectProgram : public ::testing::Test
{
protected:
    SelectProgram()
    {
        editorPath = File("editor");
        playerPath = File("b/player");
        env.platform.processes = {{10, File("a/Player")},
                                  {11, editorPath},
                                  {12, playerPath},
                                  {13, ""},
                                  {env.platform.currentProcessId, File("quorvel")}};
        env.platform.windows[21] = {11};
        env.platform.windows[21].title = "Editor";
        env.platform.stacking = {21};
        dialog.FillProcesses();
        dialog.RunningList->Refresh();
    }
    // An empty file in the folder; its path.
    std::string File(const QString& name)
    {
        const QString path = folder.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path.toStdString();
    }
    std::vector<std::string> Processes() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < dialog.lbProcesses->count(); ++i) {
            names.push_back(dialog.lbProcesses->item(i)->text().toStdString());
        }
        return names;
    }

    FakeEnvironment env;
    QTemporaryDir folder;
    std::string editorPath;
    std::string playerPath;
    CActiveWindow tracker{env.platform};
    TSelectProgramDialog dialog{env.platform, tracker};
};

} // namespace

TEST_F(SelectProgram, ProcessesOncePerNameTheLastCopysPathNeverThisProgram)
{
    EXPECT_EQ(Processes(), (std::vector<std::string>{"editor", "player"}));
    dialog.lbProcesses->setCurrentRow(1);
    EXPECT_EQ(dialog.GetSelectedProcessPath(), playerPath);
    EXPECT_EQ(dialog.GetPath(), "");
}

TEST_F(SelectProgram, OnlyTheUsersOwnProgramsWhoseFileIsThere)
{
    const std::string removed = File("removed");
    QFile::remove(QString::fromStdString(removed));
    env.platform.processes = {
        {20, File("mine")}, {21, File("theirs")}, {22, "/memfd:jit-cache"}, {23, removed}};
    env.platform.othersProcesses = {21};
    dialog.FillProcesses();
    EXPECT_EQ(Processes(), (std::vector<std::string>{"mine"}));
}

TEST_F(SelectProgram, ClicksFillThePathAndGroupNodesChangeNothing)
{
    dialog.PageControl->setCurrentWidget(dialog.pageProcesses);
    dialog.lbProcesses->setCurrentRow(1);
    dialog.ItemClick();
    EXPECT_EQ(dialog.GetPath(), playerPath);

    // A group node: nothing changes, and a double click does not close.
    dialog.PageControl->setCurrentWidget(dialog.pageRunning);
    dialog.RunningList->setCurrentItem(dialog.RunningList->topLevelItem(0));
    dialog.ItemClick();
    EXPECT_EQ(dialog.GetPath(), playerPath);
    dialog.ItemDblClick();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    // An entry of another page with another path clears the process selection.
    dialog.RunningList->setCurrentItem(dialog.RunningList->topLevelItem(0)->child(0));
    dialog.ItemClick();
    EXPECT_EQ(dialog.GetPath(), editorPath);
    EXPECT_TRUE(dialog.lbProcesses->selectedItems().isEmpty());
}

TEST_F(SelectProgram, OkNeedsAnExistingFile)
{
    dialog.btnOkClick();
    dialog.SetPath("/nonexistent/program");
    dialog.btnOkClick();
    ASSERT_EQ(env.messages.size(), 2u);
    EXPECT_EQ(env.messages[0], "Путь к программе не указан.");
    EXPECT_EQ(env.messages[1], "Указанный файл не существует, укажите правильный путь.");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    // Any existing file is accepted, executable or not; a double click on an entry closes too.
    dialog.RunningList->setCurrentItem(dialog.RunningList->topLevelItem(0)->child(0));
    dialog.ItemDblClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetPath(), editorPath);
}

TEST_F(SelectProgram, TheNameIsTheDesktopEntrysElseTheWindowsElseTheFilesOwn)
{
    env.platform.specialFolders[platform::SpecialFolderKind::AppData] = folder.path().toStdString();
    ScopedEnvironment environment;
    environment.Set("XDG_DATA_DIRS", folder.filePath("none").toStdString());
    environment.Set("PATH", folder.filePath("bin").toStdString());
    const std::string viewer = File("bin/viewer");
    QFile::setPermissions(QString::fromStdString(viewer), QFile::ReadOwner | QFile::ExeOwner);
    QFile entry(QString::fromStdString(File("applications/viewer.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Picture Viewer\nExec=viewer %F\n");
    entry.close();
    // The viewer has a window too: the entry's name wins.
    env.platform.processes.push_back({14, viewer});
    env.platform.windows[22] = {14};
    env.platform.windows[22].title = "holiday.png - Viewer";
    env.platform.stacking = {22, 21};
    dialog.RunningList->Refresh();
    dialog.InstalledList->Refresh();

    dialog.SetPath(viewer);
    EXPECT_EQ(dialog.GetProgramName(), "Picture Viewer");
    dialog.SetPath(editorPath);
    EXPECT_EQ(dialog.GetProgramName(), "Editor");
    dialog.SetPath(playerPath);
    EXPECT_EQ(dialog.GetProgramName(), "player");
}
