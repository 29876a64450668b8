#include "editor/DBTreeView.h"

#include "database/Registry.h"
#include "database/ShortcutTables.h"
#include "framework/DataSet.h"
#include "framework/Exception.h"
#include "keys/KeyCodes.h"
#include "keys/KeyText.h"
#include "services/Translation.h"

#include <QPainter>
#include <QRegularExpression>

// A node with its record link, and the folded texts and the keys the filter searches.
class TDBTreeView::Node : public QTreeWidgetItem
{
public:
    std::unique_ptr<IRecordLink> link;
    bool superglobal = false;
    QString searchText;
    CKeyCodes keys;

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

} // namespace

TDBTreeView::TDBTreeView(CDBRegistry& registry, QWidget* parent)
    : QTreeWidget(parent), registry_(registry)
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
    QTreeWidgetItem* parent = currentItem();
    if (parent && GetNodeType() == ntShortcut) {
        parent = parent->parent();
    }
    if (!parent) {
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
    if (!node || !node->link) {
        return ntNone;
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
