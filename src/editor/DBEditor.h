#pragma once

#include "platform/Platform.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CActiveWindow;
class CDBRegistry;
class CLiveShortCutLoader;
class IDataSetLoader;
class QAction;
class QLineEdit;
class QMenu;
class QToolBar;
class QSplitter;
class QToolButton;
class TDBTreeView;
class TNodeDescription;

// The shortcut editor: the tree of programs and shortcuts on the left, the selected node's frame
// on the right, and an exit button that hides the window and saves.
class TfrmDBEditor : public QWidget
{
    Q_OBJECT
public:
    TfrmDBEditor(platform::Platform& platform, CDBRegistry& registry,
                 const CActiveWindow& activeWindow, QWidget* parent = nullptr);
    ~TfrmDBEditor() override;

    // Not owned; null: the exit button only hides.
    IDataSetLoader* Loader = nullptr;
    // The live shortcuts listed under their programs (not owned; null: none), listed anew
    // whenever the editor is shown.
    void SetLive(const CLiveShortCutLoader* live);
    // The selected live shortcut, or all of the selected program's, into the base.
    void AdoptClick(bool wholeProgram);
    // The selected program's live reading switched off.
    void LiveOffClick();

    // Above other programs' windows while the stay-on-top button is down.
    void KeepOnTop();
    // Posts pending edits, so the tables hold what the frames show.
    void PostEdits();
    // Posts pending edits and writes the tables when anything changed since they were last read
    // or written. Exception when they cannot be written.
    void SaveChanges();
    // The tables as read or written now are the saved state.
    void MarkSaved();

    // The tables were changed outside the editor (a file imported by another copy): the tree is
    // built again.
    void ReloadTree();
    // A pack or an export merged into the base; the whole base, or the selected program, written
    // to a file.
    void ImportClick();
    void ExportClick(bool selectedProgramOnly);
    // Ask for the file to read or write; empty when cancelled. Tests replace them.
    std::function<std::optional<std::string>()> ChooseImportFile;
    std::function<std::optional<std::string>(const std::string& suggested)> ChooseExportFile;

    void SpeedButton1Click();
    void mnuTreeViewPopup();
    void tbStayOnTopClick();

    TDBTreeView* TreeView;
    TNodeDescription* NodeDescription;
    QLineEdit* edtFind;
    QToolBar* ToolBar1;
    QAction* tbNewProgram;
    QAction* tbNewShortCut;
    QAction* tbDelete;
    QAction* tbStayOnTop;
    QAction* tbImport;
    QAction* tbExport;
    QToolButton* SpeedButton1;
    QMenu* mnuTreeView;
    QAction* miNewProgram;
    QAction* miNewShortCut;
    QAction* miDelete;
    QAction* miExportProgram;
    QAction* miAdopt;
    QAction* miAdoptAll;
    QAction* miLiveOff;
    QAction* miExpand;
    QAction* miCollapse;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildForm();
    // The tree's toolbar; the tree and the node's description side by side, the find line
    // above the tree and the exit button below; the tree's context menu; what their actions do.
    void BuildToolBar();
    void BuildLayout();
    void BuildTreeMenu();
    void ConnectActions();
    void FormShow();
    void NewProgram();
    void NewShortcut();
    void CollapseSelected();
    void RestoreGeometry();
    void SaveGeometry() const;

    platform::Platform& platform_;
    CDBRegistry& registry_;
    QSplitter* splitter_ = nullptr;
    bool splitterPlaced_ = false;
    std::uint64_t savedRevision_ = 0;
};
