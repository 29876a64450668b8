#pragma once

#include "editor/LiveAdoption.h"
#include "keys/KeyCodes.h"
#include "platform/Platform.h"

#include <QTreeWidget>

#include <functional>
#include <map>
#include <memory>

class CDBRegistry;
class CLiveShortCutLoader;
class IRecordLink;

// The kinds of node in the editor's tree.
enum TNodeType
{
    ntNone = 0,
    ntProgram = 1,
    ntShortcut = 2,
    ntSuperglobal = 3,
    // What a running program told of its own shortcuts: read only, to be adopted.
    ntLiveShortcut = 4,
    // A program the base does not have, with live shortcuts.
    ntLiveProgram = 5,
};

// The user's programs, each with its shortcuts, and the super-global shortcuts last. Every node
// of the base links its record: selecting a node makes the record current, and the commands create
// and delete records in the tables. Under them, drawn apart and linked to no record, the live
// shortcuts that programs told of their own and the overlay shows (programs the base does not
// have get a node of their own); they can be adopted into the base.
class TDBTreeView : public QTreeWidget
{
    Q_OBJECT
public:
    TDBTreeView(platform::Platform& platform, CDBRegistry& registry, QWidget* parent = nullptr);
    ~TDBTreeView() override;

    // Where the live shortcuts come from; null: none are listed.
    const CLiveShortCutLoader* Live = nullptr;

    // Rebuilds the tree from the tables and selects the first node.
    void LoadTree();
    // Lists the live shortcuts anew, the base's nodes left as they are.
    void RefreshLive();
    // Adopts the selected live shortcut, or every live shortcut of the selected node's program,
    // into the base; the tree is built again with the program selected.
    AdoptionReport AdoptLive(bool wholeProgram);
    // Switches live reading off for the selected node's program, made in the base when it has
    // none; the tree is built again with the program selected.
    void SwitchLiveOff();
    // Whether the selected node's program has live shortcuts listed.
    bool HasLiveShortcuts() const;
    void NewProgram();
    // Under the selected program, or under the selected shortcut's program.
    void NewShortcut();
    // Deletes the selected node's record; never the super-global node.
    void DeleteCurrent();
    // Reads the selected node's text (and what the filter searches) from its record.
    void RefreshNodeText();
    TNodeType GetNodeType() const;

    // Before the selection leaves a node: posts a pending edit of either table and refreshes the
    // node's text.
    void SelectionChanging(QTreeWidgetItem* leaving);
    // Makes the node's record current and tells the editor which kind of node it is.
    void SelectionChanged(QTreeWidgetItem* node);
    // Posts what either table holds unposted, as leaving the selected node does.
    void PostEdits();

    // Shows only the nodes whose texts contain the text (case-insensitive) or, when the text
    // names a key combination in any spelling ("ctrl s"), whose keys are exactly that
    // combination, with the programs that hold them; an empty text shows every node again,
    // expanded as before.
    void SetFilter(const QString& text);
    QString Filter() const { return filter_; }

    QTreeWidgetItem* SuperglobalNode = nullptr;
    std::function<void(TNodeType, IRecordLink*)> OnNodeTypeChanged;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class Node;
    Node* AddProgramNode();
    Node* AddShortcutNode(QTreeWidgetItem* parent);
    Node* AddNode(QTreeWidgetItem* parent, bool superglobal);
    void AddLiveNodes();
    // The node of a program record; null when none.
    Node* ProgramNode(std::int32_t programId) const;
    QTreeWidgetItem* ProgramOfNode(QTreeWidgetItem* item) const;
    // Builds the tree again, unfiltered, with a program selected and expanded.
    void ReloadShowing(std::int32_t programId);
    void ClearTree();
    void ReleaseLinks(QTreeWidgetItem* item);
    void RefreshNodeText(QTreeWidgetItem* item);
    bool IsSuperglobalRecord();
    void Sort();
    void ApplyFilter();
    static Node* AsNode(QTreeWidgetItem* item);

    platform::Platform& platform_;
    CDBRegistry& registry_;
    QString filter_;
    CKeyCodes filterKeys_;
    // Expansion of the programs before a filter was typed.
    std::map<QTreeWidgetItem*, bool> expandedBeforeFilter_;
    QTreeWidgetItem* selectedBeforeFilter_ = nullptr;
    QTreeWidgetItem* forcedByFilter_ = nullptr;
    bool nothingFound_ = false;
};
