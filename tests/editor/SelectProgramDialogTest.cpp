#include "editor/SelectProgramDialog.h"

#include "services/ActiveWindow.h"
#include "windows/ApplicationList.h"

#include "FakeEnvironment.h"

#include <QFile>
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
        QFile editor(folder.filePath("editor"));
        EXPECT_TRUE(editor.open(QIODevice::WriteOnly));
        editorPath = folder.filePath("editor").toStdString();
        env.platform.processes = {{10, "/opt/a/Player"},
                                  {11, editorPath},
                                  {12, "/opt/b/player"},
                                  {13, ""},
                                  {env.platform.currentProcessId, "/opt/quorvel/quorvel"}};
        env.platform.windows[21] = {11};
        env.platform.windows[21].title = "Editor";
        env.platform.stacking = {21};
        dialog.FillProcesses();
        dialog.RunningList->Refresh();
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
    CActiveWindow tracker;
    TSelectProgramDialog dialog{tracker};
};

} // namespace

TEST_F(SelectProgram, ProcessesOncePerNameTheLastCopysPathNeverThisProgram)
{
    EXPECT_EQ(Processes(), (std::vector<std::string>{"editor", "player"}));
    dialog.lbProcesses->setCurrentRow(1);
    EXPECT_EQ(dialog.GetSelectedProcessPath(), "/opt/b/player");
    EXPECT_EQ(dialog.GetPath(), "");
}

TEST_F(SelectProgram, ClicksFillThePathAndGroupNodesChangeNothing)
{
    dialog.PageControl->setCurrentWidget(dialog.pageProcesses);
    dialog.lbProcesses->setCurrentRow(1);
    dialog.ItemClick();
    EXPECT_EQ(dialog.GetPath(), "/opt/b/player");

    // A group node: nothing changes, and a double click does not close.
    dialog.PageControl->setCurrentWidget(dialog.pageRunning);
    dialog.RunningList->setCurrentItem(dialog.RunningList->topLevelItem(0));
    dialog.ItemClick();
    EXPECT_EQ(dialog.GetPath(), "/opt/b/player");
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
