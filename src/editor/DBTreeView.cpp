#include "editor/DBTreeView.h"

#include "database/Registry.h"
#include "database/ShortcutTables.h"
#include "framework/DataSet.h"
#include "framework/Exception.h"
#include "keyboard/KeyImage.h"
#include "keys/KeyCodes.h"
#include "keys/KeyText.h"
#include "live/LiveShortCutLoader.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "util/Text.h"

#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

// A node with its record link, and the folded texts and the keys the filter searches.
class TDBTreeView::Node : public QTreeWidgetItem
{
public:
    std::unique_ptr<IRecordLink> link;
    bool superglobal = false;
    QString searchText;
    CKeyCodes keys;
    // A program node's record.
    std::int32_t programId = 0;
    // A live shortcut's node: the program that told it and the shortcut; a live program's node:
    // the program.
    std::optional<live::LiveProgram> liveProgram;
    std::optional<live::LiveShortcut> liveShortcut;

    // Super-global last; the rest in the locale's case-sensitive order.
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const auto& node = static_cast<const Node&>(other);
        if (superglobal || node.superglobal) {
            return !superglobal && node.superglobal;
        }
        return QString::localeAwareCompare(text(0), other.text(0)) < 0;
    }
};

namespace {

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

CKeyCodes Keys(const Field& keyCodes)
{
    const Blob& bytes = keyCodes.AsBlob();
    CKeyCodes codes;
    codes.LoadFromBuffer(bytes.data(), bytes.size());
    return codes;
}

// "Ctrl+S": the keys' names joined as a menu writes them.
QString CompactKeyText(const CKeyCodes& keys)
{
    QStringList names;
    for (const std::uint16_t code : keys) {
        const std::string name = GetKeyName(code);
        if (!name.empty()) {
            names << ToQt(name);
        }
    }
    return names.join('+');
}

// Every way of reading the words as one text, each gap either a space inside a key's name
// ("Page Down") or a '+' between two names.
void JoinWords(const QStringList& words, qsizetype next, const QString& sofar,
               std::vector<std::string>& readings)
{
    if (next == words.size()) {
        readings.push_back(sofar.toStdString());
        return;
    }
    for (const QChar gap : {QChar(' '), QChar('+')}) {
        JoinWords(words, next + 1, sofar + gap + words[next], readings);
    }
}

// The key combination the text names, in any spelling ("ctrl+s", "Ctrl + S", "ctrl s"); empty
// when it names none.
CKeyCodes KeysNamedBy(const QString& text)
{
    const QStringList words =
        text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    // Each further word doubles the readings; no key combination has this many.
    constexpr qsizetype mostWords = 8;
    if (words.isEmpty() || words.size() > mostWords) {
        return {};
    }
    std::vector<std::string> readings;
    JoinWords(words, 1, words.front(), readings);
    for (const std::string& reading : readings) {
        try {
            return ParseKeyText(reading);
        } catch (const Exception&) {
            // Not this reading.
        }
    }
    return {};
}

bool SameKeys(const CKeyCodes& a, const CKeyCodes& b)
{
    return !a.empty() && a.size() == b.size() && a.Contains(b);
}

// Live nodes are drawn in italics, in the colour of the overlay's live mark, and say where they
// were found and that they are read only.
void MarkLive(QTreeWidgetItem* node, const QString& toolTip)
{
    QFont font = node->font(0);
    font.setItalic(true);
    node->setFont(0, font);
    node->setForeground(0, LiveMarkColour);
    node->setToolTip(0, toolTip);
}

} // namespace

TDBTreeView::TDBTreeView(platform::Platform& platform, CDBRegistry& registry, QWidget* parent)
    : QTreeWidget(parent), platform_(platform), registry_(registry)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                SelectionChanging(previous);
                SelectionChanged(current);
            });
}

TDBTreeView::~TDBTreeView()
{
    // Emptying the tree moves no record and tells no editor: both may be half gone.
    blockSignals(true);
    ClearTree();
}

TDBTreeView::Node* TDBTreeView::AsNode(QTreeWidgetItem* item)
{
    return static_cast<Node*>(item);
}

void TDBTreeView::LoadTree()
{
    setUpdatesEnabled(false);
    const QSignalBlocker quiet(this);
    ClearTree();
    DataSet& programs = *registry_.GetPrograms();
    DataSet& shortcuts = *registry_.GetShortcuts();
    for (programs.First(); !programs.Eof(); programs.Next()) {
        Node* program = IsSuperglobalRecord() ? AddNode(nullptr, true) : AddProgramNode();
        for (shortcuts.First(); !shortcuts.Eof(); shortcuts.Next()) {
            AddShortcutNode(program);
        }
    }
    AddLiveNodes();
    Sort();
    setUpdatesEnabled(true);
    if (topLevelItemCount() > 0) {
        QTreeWidgetItem* first = topLevelItem(0);
        setCurrentItem(first);
        SelectionChanged(first);
    }
}

bool TDBTreeView::IsSuperglobalRecord()
{
    const Field id = registry_.GetPrograms()->FieldByName("Id");
    return !id.IsNull() && id.AsInteger() == CShortcutTables::SuperglobalId;
}

TDBTreeView::Node* TDBTreeView::AddNode(QTreeWidgetItem* parent, bool superglobal)
{
    auto* node = new Node;
    DataSet* table = parent ? registry_.GetShortcuts() : registry_.GetPrograms();
    node->link = registry_.CreateRecordLink(table);
    node->superglobal = superglobal;
    if (!parent) {
        node->programId = registry_.GetPrograms()->FieldByName("Id").AsInteger();
    }
    if (parent) {
        parent->addChild(node);
    } else {
        addTopLevelItem(node);
    }
    if (superglobal) {
        SuperglobalNode = node;
    }
    RefreshNodeText(node);
    return node;
}

TDBTreeView::Node* TDBTreeView::AddProgramNode()
{
    return AddNode(nullptr, false);
}

TDBTreeView::Node* TDBTreeView::AddShortcutNode(QTreeWidgetItem* parent)
{
    return AddNode(parent, false);
}

void TDBTreeView::AddLiveNodes()
{
    if (!Live) {
        return;
    }
    for (const auto& read : Live->Programs()) {
        const std::optional<OwnerRecord> owner =
            FindOwnerRecord(*registry_.GetPrograms(), read.program);
        if (owner && owner->liveReadingOff) {
            continue;
        }
        Node* program = owner ? ProgramNode(owner->id) : nullptr;
        const bool ownNode = !program;
        if (ownNode) {
            program = new Node;
            program->liveProgram = read.program;
            const std::string file = ExtractFileName(read.program.executable);
            program->setText(0, ToQt(file.empty() ? read.program.desktopId : file));
            program->searchText = program->text(0).toCaseFolded();
            MarkLive(program, ToQt(Translate("Программы нет в вашей базе: эти сочетания клавиш она "
                                             "сообщает сама, пока работает.")));
            addTopLevelItem(program);
        }
        // As the overlay shows them: those the base has in their place are left out.
        std::vector<CKeyCodes> taken =
            KeysInBase(platform_, *registry_.GetShortcuts(), owner ? owner->id : 0);
        for (const live::LiveShortcut& shortcut : read.shortcuts) {
            const CKeyCodes keys = KeysOfLive(platform_, shortcut).OnLayout(platform_);
            if (keys.empty() || std::find(taken.begin(), taken.end(), keys) != taken.end()) {
                continue;
            }
            taken.push_back(keys);
            auto* node = new Node;
            node->liveProgram = read.program;
            node->liveShortcut = shortcut;
            node->keys = keys;
            const QString name = ToQt(shortcut.path.back());
            node->setText(0, CompactKeyText(keys) + QStringLiteral(" — ") + name);
            node->searchText = (name + '\n' + ToQt(DescribeOrigin(shortcut))).toCaseFolded();
            MarkLive(node, ToQt(FormatText(Translate("Сочетание %s. Только для чтения: "
                                                     "перенесите его в свою базу, чтобы изменить."),
                                           DescribeOrigin(shortcut))));
            program->addChild(node);
        }
        if (ownNode && program->childCount() == 0) {
            delete program;
        }
    }
}

TDBTreeView::Node* TDBTreeView::ProgramNode(std::int32_t programId) const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        Node* node = AsNode(topLevelItem(i));
        if (node->link && node->programId == programId) {
            return node;
        }
    }
    return nullptr;
}

QTreeWidgetItem* TDBTreeView::ProgramOfNode(QTreeWidgetItem* item) const
{
    return item && item->parent() ? item->parent() : item;
}

bool TDBTreeView::HasLiveShortcuts() const
{
    const QTreeWidgetItem* program = ProgramOfNode(currentItem());
    for (int i = 0; program && i < program->childCount(); ++i) {
        if (AsNode(program->child(i))->liveShortcut) {
            return true;
        }
    }
    return false;
}

void TDBTreeView::RefreshLive()
{
    const QSignalBlocker quiet(this);
    QTreeWidgetItem* current = currentItem();
    bool selectionGone = false;
    for (int i = topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* program = topLevelItem(i);
        for (int j = program->childCount() - 1; j >= 0; --j) {
            QTreeWidgetItem* child = program->child(j);
            if (AsNode(child)->liveShortcut) {
                selectionGone = selectionGone || child == current;
                ReleaseLinks(child);
                delete child;
            }
        }
        if (AsNode(program)->liveProgram) {
            selectionGone = selectionGone || program == current;
            ReleaseLinks(program);
            delete program;
        }
    }
    AddLiveNodes();
    Sort();
    if (selectionGone) {
        SelectionChanged(currentItem());
    }
}

AdoptionReport TDBTreeView::AdoptLive(bool wholeProgram)
{
    QTreeWidgetItem* current = currentItem();
    std::vector<const Node*> adopted;
    if (wholeProgram) {
        QTreeWidgetItem* program = ProgramOfNode(current);
        for (int i = 0; program && i < program->childCount(); ++i) {
            adopted.push_back(AsNode(program->child(i)));
        }
    } else if (current) {
        adopted.push_back(AsNode(current));
    }
    std::erase_if(adopted, [](const Node* node) { return !node->liveShortcut; });
    if (adopted.empty()) {
        return {};
    }
    PostEdits();
    AdoptionReport total;
    for (const Node* node : adopted) {
        const AdoptionReport one =
            AdoptLiveShortcuts(platform_, registry_, *node->liveProgram, {*node->liveShortcut});
        total.adopted += one.adopted;
        total.alreadyInBase += one.alreadyInBase;
        total.programId = one.programId;
    }
    ReloadShowing(total.programId);
    return total;
}

void TDBTreeView::SwitchLiveOff()
{
    QTreeWidgetItem* program = ProgramOfNode(currentItem());
    const Node* live = nullptr;
    for (int i = 0; program && i < program->childCount() && !live; ++i) {
        if (AsNode(program->child(i))->liveShortcut) {
            live = AsNode(program->child(i));
        }
    }
    if (!live) {
        return;
    }
    PostEdits();
    ReloadShowing(SwitchLiveReadingOff(registry_, *live->liveProgram));
}

void TDBTreeView::ReloadShowing(std::int32_t programId)
{
    SetFilter({});
    LoadTree();
    if (Node* program = ProgramNode(programId)) {
        program->setExpanded(true);
        setCurrentItem(program);
    }
}

void TDBTreeView::ReleaseLinks(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i) {
        ReleaseLinks(item->child(i));
    }
    Node* node = AsNode(item);
    if (node->link) {
        registry_.Delete(std::move(node->link));
    }
    expandedBeforeFilter_.erase(item);
    if (selectedBeforeFilter_ == item) {
        selectedBeforeFilter_ = nullptr;
    }
    if (forcedByFilter_ == item) {
        forcedByFilter_ = nullptr;
    }
    if (SuperglobalNode == item) {
        SuperglobalNode = nullptr;
    }
}

void TDBTreeView::ClearTree()
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        ReleaseLinks(topLevelItem(i));
    }
    clear();
}

void TDBTreeView::Sort()
{
    sortItems(0, Qt::AscendingOrder);
}

void TDBTreeView::NewProgram()
{
    SetFilter({});
    DataSet& programs = *registry_.GetPrograms();
    programs.Insert();
    programs.FieldByName("Name").SetValue(Translate("Новая программа"));
    programs.Post();
    Node* node = AddProgramNode();
    Sort();
    setCurrentItem(node);
}

void TDBTreeView::NewShortcut()
{
    SetFilter({});
    // Under a program of the base: a live program's node has no record to hold it.
    QTreeWidgetItem* parent = ProgramOfNode(currentItem());
    if (!parent || !AsNode(parent)->link) {
        return;
    }
    // The shortcut belongs to the current program by the master link.
    if (AsNode(parent)->link) {
        AsNode(parent)->link->Locate();
    }
    DataSet& shortcuts = *registry_.GetShortcuts();
    shortcuts.Insert();
    shortcuts.FieldByName("Description").SetValue(Translate("Новое сочетание"));
    shortcuts.Post();
    Node* node = AddShortcutNode(parent);
    Sort();
    parent->setExpanded(true);
    setCurrentItem(node);
}

void TDBTreeView::DeleteCurrent()
{
    QTreeWidgetItem* item = currentItem();
    if (!item || !AsNode(item)->link || GetNodeType() == ntSuperglobal) {
        return;
    }
    AsNode(item)->link->DeleteRecord();
    ReleaseLinks(item);
    // The selection moves to a neighbour without posting into the deleted record.
    const QSignalBlocker quiet(this);
    delete item;
    QTreeWidgetItem* next = currentItem();
    if (next) {
        setCurrentItem(next);
    }
    SelectionChanged(next);
}

void TDBTreeView::RefreshNodeText()
{
    if (QTreeWidgetItem* item = currentItem()) {
        RefreshNodeText(item);
    }
}

void TDBTreeView::RefreshNodeText(QTreeWidgetItem* item)
{
    Node* node = AsNode(item);
    if (node->superglobal) {
        node->setText(0, ToQt(Translate("Самостоятельные сочетания клавиш")));
        node->searchText = node->text(0).toCaseFolded();
        return;
    }
    if (!node->link) {
        return;
    }
    if (node->link->GetDataSet() == registry_.GetPrograms()) {
        DataSet& programs = *registry_.GetPrograms();
        node->setText(0, ToQt(programs.FieldByName("Name").AsString()));
        node->searchText =
            (node->text(0) + '\n' + ToQt(programs.FieldByName("FileName").AsString()))
                .toCaseFolded();
    } else {
        DataSet& shortcuts = *registry_.GetShortcuts();
        const QString description = ToQt(shortcuts.FieldByName("Description").AsString());
        node->keys = Keys(shortcuts.FieldByName("KeyCodes"));
        const QString keys = CompactKeyText(node->keys);
        node->setText(0, keys.isEmpty() ? description : keys + QStringLiteral(" — ") + description);
        node->searchText =
            (description + '\n' + ToQt(shortcuts.FieldByName("ShortName").AsString()))
                .toCaseFolded();
    }
}

TNodeType TDBTreeView::GetNodeType() const
{
    const Node* node = static_cast<const Node*>(currentItem());
    if (node && node->liveShortcut) {
        return ntLiveShortcut;
    }
    if (!node || !node->link) {
        return node && node->liveProgram ? ntLiveProgram : ntNone;
    }
    if (node->link->GetDataSet() == registry_.GetPrograms()) {
        return node->superglobal ? ntSuperglobal : ntProgram;
    }
    return ntShortcut;
}

void TDBTreeView::SelectionChanging(QTreeWidgetItem* leaving)
{
    for (DataSet* table : {registry_.GetPrograms(), registry_.GetShortcuts()}) {
        if (table->State() == DataSetState::Edit) {
            table->Post();
            if (leaving) {
                RefreshNodeText(leaving);
            }
        }
    }
}

void TDBTreeView::PostEdits()
{
    SelectionChanging(currentItem());
}

void TDBTreeView::SelectionChanged(QTreeWidgetItem* node)
{
    IRecordLink* link = node ? AsNode(node)->link.get() : nullptr;
    if (link) {
        link->Locate();
    }
    if (OnNodeTypeChanged) {
        OnNodeTypeChanged(GetNodeType(), link);
    }
}

void TDBTreeView::SetFilter(const QString& text)
{
    const QString folded = text.trimmed().toCaseFolded();
    if (folded == filter_) {
        return;
    }
    PostEdits();
    if (filter_.isEmpty()) {
        expandedBeforeFilter_.clear();
        for (int i = 0; i < topLevelItemCount(); ++i) {
            expandedBeforeFilter_[topLevelItem(i)] = topLevelItem(i)->isExpanded();
        }
        selectedBeforeFilter_ = currentItem();
    }
    filter_ = folded;
    filterKeys_ = KeysNamedBy(filter_);
    ApplyFilter();
}

void TDBTreeView::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (nothingFound_) {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         ToQt(Translate("Ничего не найдено")));
    }
}

void TDBTreeView::ApplyFilter()
{
    setUpdatesEnabled(false);
    bool anyShown = false;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        Node* program = AsNode(topLevelItem(i));
        const bool programMatches = program->searchText.contains(filter_);
        bool anyShortcut = false;
        for (int j = 0; j < program->childCount(); ++j) {
            Node* shortcut = AsNode(program->child(j));
            const bool shown = programMatches || shortcut->searchText.contains(filter_) ||
                               SameKeys(shortcut->keys, filterKeys_);
            shortcut->setHidden(!shown);
            anyShortcut = anyShortcut || shown;
        }
        program->setHidden(!programMatches && !anyShortcut);
        anyShown = anyShown || !program->isHidden();
        if (!filter_.isEmpty()) {
            program->setExpanded(anyShortcut && !programMatches ? true : program->isExpanded());
        }
    }
    nothingFound_ = !anyShown && !filter_.isEmpty();
    viewport()->update();
    if (filter_.isEmpty()) {
        for (const auto& [item, expanded] : expandedBeforeFilter_) {
            item->setExpanded(expanded);
        }
        expandedBeforeFilter_.clear();
        // What the user chose while filtering stays chosen; a choice the filter forced does not.
        if (selectedBeforeFilter_ && (!currentItem() || currentItem() == forcedByFilter_)) {
            setCurrentItem(selectedBeforeFilter_);
        }
        selectedBeforeFilter_ = nullptr;
        forcedByFilter_ = nullptr;
    }
    setUpdatesEnabled(true);
    // The selection stays on a shown node, so the panel never edits a hidden one.
    QTreeWidgetItem* current = currentItem();
    if (current && (current->isHidden() || (current->parent() && current->parent()->isHidden()))) {
        QTreeWidgetItem* first = nullptr;
        for (int i = 0; i < topLevelItemCount() && !first; ++i) {
            if (!topLevelItem(i)->isHidden()) {
                first = topLevelItem(i);
            }
        }
        setCurrentItem(first);
        forcedByFilter_ = first;
    }
    if (QTreeWidgetItem* shown = currentItem()) {
        scrollToItem(shown);
    }
}
