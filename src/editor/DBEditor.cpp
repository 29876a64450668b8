#include "editor/DBEditor.h"

#include "database/DataSetLoader.h"
#include "packs/PackExport.h"
#include "packs/PackImport.h"
#include "database/Registry.h"
#include "editor/DBTreeView.h"
#include "editor/NodeDescription.h"
#include "framework/DataSet.h"
#include "platform/Platform.h"
#include "services/Translation.h"
#include "util/MessageBox.h"
#include "util/Paths.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString Tr(const char* text)
{
    return QString::fromStdString(Translate(text));
}

// The hint names the keys that do the same.
void SetHint(QAction* action, const QString& hint)
{
    const QString keys = action->shortcut().toString(QKeySequence::NativeText);
    action->setToolTip(keys.isEmpty() ? hint : hint + " (" + keys + ")");
}

QIcon Picture(const QWidget* widget, const char* themeName, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName),
                            widget->style()->standardIcon(fallback));
}

// One of the editor's own pictures, in its two sizes.
QIcon OwnPicture(const QString& name)
{
    QIcon icon;
    for (int size : {16, 32}) {
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
    }
    return icon;
}

// The window's size and place, kept between runs.
QString GeometryFile()
{
    return QString::fromStdString(JoinPath(
        SpecialFolder(platform::SpecialFolderKind::LocalSettings), "quorvel", "editor.ini"));
}

} // namespace

TfrmDBEditor::TfrmDBEditor(platform::Platform& platform, CDBRegistry& registry,
                           const CActiveWindow& activeWindow, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), registry_(registry)
{
    Q_INIT_RESOURCE(editor);
    setWindowTitle(Tr("Редактирование сочетаний клавиш"));
    TreeView = new TDBTreeView(platform, registry, this);
    NodeDescription = new TNodeDescription(platform, registry, activeWindow, this);
    BuildForm();

    TreeView->OnNodeTypeChanged = [this](TNodeType type, IRecordLink*) {
        // A live node has no record to describe.
        NodeDescription->SetNodeType(type == ntLiveShortcut || type == ntLiveProgram ? ntNone
                                                                                     : type);
    };
    TreeView->installEventFilter(this);
    TreeView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeView, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        mnuTreeViewPopup();
        mnuTreeView->popup(TreeView->viewport()->mapToGlobal(point));
    });
    NodeDescription->SetNodeTextHandler([this] { TreeView->RefreshNodeText(); });
    NodeDescription->SetCreateHook(1, [this] { NewShortcut(); });
    NodeDescription->SetCreateHook(2, [this] { NewProgram(); });
    tbStayOnTopClick();
    TreeView->LoadTree();
    MarkSaved();
    RestoreGeometry();
}

TfrmDBEditor::~TfrmDBEditor() = default;

void TfrmDBEditor::BuildForm()
{
    BuildToolBar();
    BuildLayout();
    BuildTreeMenu();
    ConnectActions();
}

void TfrmDBEditor::BuildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setIconSize(QSize(16, 16));
    tbNewProgram = ToolBar1->addAction(Picture(this, "folder-new", QStyle::SP_FileDialogNewFolder),
                                       Tr("Новое приложение"));
    tbNewProgram->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    SetHint(tbNewProgram, Tr("Создать новое приложение"));
    tbNewShortCut = ToolBar1->addAction(OwnPicture("new-shortcut"), Tr("Новое сочетание клавиш"));
    tbNewShortCut->setShortcut(QKeySequence::New);
    SetHint(tbNewShortCut, Tr("Создать новое сочетание клавиш, для выбранного приложения"));
    ToolBar1->addSeparator();
    tbDelete =
        ToolBar1->addAction(Picture(this, "edit-delete", QStyle::SP_TrashIcon), Tr("Удалить"));
    tbDelete->setToolTip(Tr("Удалить текущий узел"));
    ToolBar1->addSeparator();
    tbImport = ToolBar1->addAction(Picture(this, "document-import", QStyle::SP_DialogOpenButton),
                                   Tr("Импорт..."));
    tbImport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    SetHint(tbImport, Tr("Добавить сочетания клавиш из файла"));
    tbExport = ToolBar1->addAction(Picture(this, "document-export", QStyle::SP_DialogSaveButton),
                                   Tr("Экспорт..."));
    tbExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    SetHint(tbExport, Tr("Сохранить все сочетания клавиш в файл"));
    ToolBar1->addSeparator();
    tbStayOnTop = ToolBar1->addAction(QString());
    tbStayOnTop->setCheckable(true);
    tbStayOnTop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    // Where no window can be kept above the others the button would promise what nothing does.
    tbStayOnTop->setVisible(platform_.CanKeepAbove());
}

void TfrmDBEditor::BuildLayout()
{
    edtFind = new QLineEdit(this);
    edtFind->setPlaceholderText(Tr("Найти (Ctrl+F)"));
    edtFind->setClearButtonEnabled(true);
    edtFind->installEventFilter(this);

    auto* pnlTreeView = new QWidget(this);
    auto* treeLayout = new QVBoxLayout(pnlTreeView);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(2);
    treeLayout->addWidget(ToolBar1);
    treeLayout->addWidget(edtFind);
    treeLayout->addWidget(TreeView, 1);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    auto* splitter = splitter_;
    splitter->addWidget(pnlTreeView);
    splitter->addWidget(NodeDescription);
    splitter->setStretchFactor(1, 1);
    // The tree's side keeps its toolbar whole.
    pnlTreeView->setMinimumWidth(ToolBar1->sizeHint().width() + 8);
    splitter->setChildrenCollapsible(false);

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setIcon(Picture(this, "document-save", QStyle::SP_DialogSaveButton));
    SpeedButton1->setIconSize(QSize(32, 32));
    SpeedButton1->setText(Tr("Выход"));
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton1->setAutoRaise(true);
    // Ctrl+S: hide and save, as the button does.
    SpeedButton1->setShortcut(QKeySequence::Save);
    SpeedButton1->setToolTip(Tr("Выход") + " (" +
                             SpeedButton1->shortcut().toString(QKeySequence::NativeText) + ")");
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(SpeedButton1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
}

void TfrmDBEditor::BuildTreeMenu()
{
    mnuTreeView = new QMenu(this);
    miNewProgram = mnuTreeView->addAction(tbNewProgram->icon(), Tr("Новое приложение"));
    miNewProgram->setToolTip(Tr("Создать новое приложение"));
    miNewShortCut = mnuTreeView->addAction(tbNewShortCut->icon(), Tr("Новое сочетание клавиш"));
    miDelete = mnuTreeView->addAction(tbDelete->icon(), Tr("Удалить"));
    miExportProgram = mnuTreeView->addAction(tbExport->icon(), Tr("Экспортировать в файл..."));
    miAdopt = mnuTreeView->addAction(Tr("Перенести в свою базу"));
    miAdoptAll =
        mnuTreeView->addAction(Tr("Перенести в свою базу все сочетания, прочитанные у программы"));
    miLiveOff = mnuTreeView->addAction(
        Tr("Не читать сочетания клавиш из меню программы, пока она работает"));
    mnuTreeView->addSeparator();
    miExpand =
        mnuTreeView->addAction(Picture(this, "list-add", QStyle::SP_ArrowDown), Tr("Развернуть"));
    miCollapse =
        mnuTreeView->addAction(Picture(this, "list-remove", QStyle::SP_ArrowUp), Tr("Свернуть"));
}

void TfrmDBEditor::ConnectActions()
{
    for (QAction* action : {tbNewProgram, miNewProgram}) {
        connect(action, &QAction::triggered, this, [this] { NewProgram(); });
    }
    for (QAction* action : {tbNewShortCut, miNewShortCut}) {
        connect(action, &QAction::triggered, this, [this] { NewShortcut(); });
    }
    for (QAction* action : {tbDelete, miDelete}) {
        connect(action, &QAction::triggered, this, [this] { TreeView->DeleteCurrent(); });
    }
    connect(miExpand, &QAction::triggered, this, [this] {
        if (QTreeWidgetItem* item = TreeView->currentItem()) {
            item->setExpanded(true);
        }
    });
    connect(miCollapse, &QAction::triggered, this, [this] { CollapseSelected(); });
    connect(tbStayOnTop, &QAction::triggered, this, [this] { tbStayOnTopClick(); });
    connect(tbImport, &QAction::triggered, this, [this] { ImportClick(); });
    connect(tbExport, &QAction::triggered, this, [this] { ExportClick(false); });
    connect(miExportProgram, &QAction::triggered, this, [this] { ExportClick(true); });
    connect(miAdopt, &QAction::triggered, this, [this] { AdoptClick(false); });
    connect(miAdoptAll, &QAction::triggered, this, [this] { AdoptClick(true); });
    connect(miLiveOff, &QAction::triggered, this, [this] { LiveOffClick(); });
    const QString packFilter = Tr("Сочетания клавиш") + " (*.json);;" + Tr("Все файлы (*)");
    ChooseImportFile = [this, packFilter]() -> std::optional<std::string> {
        const QString path =
            QFileDialog::getOpenFileName(this, Tr("Импорт сочетаний клавиш"), {}, packFilter);
        return path.isEmpty() ? std::nullopt : std::optional(path.toStdString());
    };
    ChooseExportFile = [this,
                        packFilter](const std::string& suggested) -> std::optional<std::string> {
        const QString path = QFileDialog::getSaveFileName(
            this, Tr("Экспорт сочетаний клавиш"),
            QDir::home().filePath(QString::fromStdString(suggested)), packFilter);
        return path.isEmpty() ? std::nullopt : std::optional(path.toStdString());
    };
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(edtFind, &QLineEdit::textChanged, this,
            [this](const QString& text) { TreeView->SetFilter(text); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        edtFind->setFocus();
        edtFind->selectAll();
    });
}

void TfrmDBEditor::NewProgram()
{
    if (!edtFind->text().isEmpty()) {
        edtFind->clear();
    }
    TreeView->NewProgram();
    NodeDescription->SetFocus();
}

void TfrmDBEditor::NewShortcut()
{
    if (!edtFind->text().isEmpty()) {
        edtFind->clear();
    }
    TreeView->NewShortcut();
    NodeDescription->SetFocus();
}

void TfrmDBEditor::CollapseSelected()
{
    QTreeWidgetItem* item = TreeView->currentItem();
    if (!item) {
        return;
    }
    if (item->parent()) {
        item = item->parent();
        TreeView->setCurrentItem(item);
    }
    item->setExpanded(false);
}

void TfrmDBEditor::mnuTreeViewPopup()
{
    const TNodeType type = TreeView->GetNodeType();
    const bool live = type == ntLiveShortcut || type == ntLiveProgram;
    const QTreeWidgetItem* item = TreeView->currentItem();
    const bool child = item && item->parent();
    miNewProgram->setVisible(!child);
    miNewShortCut->setVisible(type == ntShortcut || type == ntNone);
    miDelete->setVisible(type != ntSuperglobal && !live);
    miExportProgram->setVisible(type == ntProgram || type == ntSuperglobal);
    miAdopt->setVisible(type == ntLiveShortcut);
    miAdoptAll->setVisible(TreeView->HasLiveShortcuts());
    miLiveOff->setVisible(TreeView->HasLiveShortcuts());
    miExpand->setEnabled(item && !child && !item->isExpanded());
    miCollapse->setEnabled(item && (child || item->isExpanded()));
}

void TfrmDBEditor::tbStayOnTopClick()
{
    const bool down = tbStayOnTop->isChecked();
    tbStayOnTop->setIcon(OwnPicture(down ? "pin-on" : "pin-off"));
    const QString hint = down ? Tr("Поверх других окон (сейчас включено)")
                              : Tr("Поверх других окон (сейчас выключено)");
    tbStayOnTop->setText(hint);
    SetHint(tbStayOnTop, hint);
    // Released, the window goes back among the others at once.
    if (!down && isVisible()) {
        platform_.SetTopmost(winId(), false);
    }
}

void TfrmDBEditor::KeepOnTop()
{
    if (tbStayOnTop->isChecked() && isVisible()) {
        platform_.SetTopmost(winId(), false);
        platform_.SetTopmost(winId(), true);
    }
}

void TfrmDBEditor::PostEdits()
{
    TreeView->PostEdits();
}

void TfrmDBEditor::MarkSaved()
{
    savedRevision_ = registry_.Revision();
}

void TfrmDBEditor::SaveChanges()
{
    PostEdits();
    if (!Loader || registry_.Revision() == savedRevision_) {
        return;
    }
    Loader->Save();
    MarkSaved();
}

void TfrmDBEditor::ReloadTree()
{
    if (!edtFind->text().isEmpty()) {
        edtFind->clear();
    }
    TreeView->LoadTree();
}

void TfrmDBEditor::ImportClick()
{
    const std::optional<std::string> path = ChooseImportFile();
    if (!path) {
        return;
    }
    PostEdits();
    // A file that is not valid throws before anything changes; the application shows why.
    const ImportReport report = ImportFile(registry_, *path);
    ReloadTree();
    MessageBoxOptions options;
    options.SetType(MessageType::Information);
    ShowMessageBox(DescribeImport(*path, report), options);
}

void TfrmDBEditor::ExportClick(bool selectedProgramOnly)
{
    std::optional<std::string> program;
    std::string suggested = "quorvel-shortcuts.json";
    if (selectedProgramOnly) {
        const TNodeType type = TreeView->GetNodeType();
        if (type != ntProgram && type != ntSuperglobal) {
            return;
        }
        const std::string file = registry_.GetPrograms()->FieldByName("FileName").AsString();
        program = ExtractFileName(file);
        suggested = ExtractFileTitle(file) + ".json";
    }
    const std::optional<std::string> path = ChooseExportFile(suggested);
    if (!path) {
        return;
    }
    PostEdits();
    const ExportReport report = ExportFile(registry_, *path, program);
    MessageBoxOptions options;
    options.SetType(MessageType::Information);
    ShowMessageBox(DescribeExport(*path, report), options);
}

void TfrmDBEditor::SetLive(const CLiveShortCutLoader* live)
{
    TreeView->Live = live;
    TreeView->RefreshLive();
}

void TfrmDBEditor::AdoptClick(bool wholeProgram)
{
    // The tree is built again unfiltered, the program selected.
    TreeView->AdoptLive(wholeProgram);
    edtFind->clear();
}

void TfrmDBEditor::LiveOffClick()
{
    TreeView->SwitchLiveOff();
    edtFind->clear();
}

void TfrmDBEditor::SpeedButton1Click()
{
    hide();
    SaveChanges();
}

void TfrmDBEditor::FormShow()
{
    if (TreeView->topLevelItemCount() == 0) {
        return;
    }
    QTreeWidgetItem* first = TreeView->topLevelItem(0);
    if (TreeView->currentItem() != first) {
        TreeView->setCurrentItem(first);
    }
    TreeView->SelectionChanging(first);
    TreeView->SelectionChanged(first);
}

void TfrmDBEditor::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Laid out only now: the tree's side gets its share of the window.
    if (!splitterPlaced_) {
        const int tree = qRound(305 * logicalDpiX() / 96.0);
        splitter_->setSizes({tree, std::max(1, splitter_->width() - tree)});
        splitterPlaced_ = true;
    }
    if (!edtFind->text().isEmpty()) {
        edtFind->clear();
    }
    TreeView->RefreshLive();
    FormShow();
}

void TfrmDBEditor::hideEvent(QHideEvent* event)
{
    NodeDescription->HideHints();
    SaveGeometry();
    QWidget::hideEvent(event);
}

bool TfrmDBEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == edtFind && key->key() == Qt::Key_Escape && !edtFind->text().isEmpty()) {
        edtFind->clear();
        return true;
    }
    // From the find box down into what it found.
    if (watched == edtFind && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Return)) {
        TreeView->setFocus();
        return true;
    }
    if (watched == TreeView && key->modifiers() == Qt::NoModifier) {
        switch (key->key()) {
        case Qt::Key_Insert:
            TreeView->NewShortcut();
            return true;
        case Qt::Key_Delete:
            TreeView->DeleteCurrent();
            return true;
        case Qt::Key_F2:
            NodeDescription->SetFocus();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmDBEditor::RestoreGeometry()
{
    const QSettings settings(GeometryFile(), QSettings::IniFormat);
    if (restoreGeometry(settings.value("geometry").toByteArray())) {
        splitterPlaced_ = splitter_->restoreState(settings.value("splitter").toByteArray());
        return;
    }
    // 644 x 463 at 96 dpi, the tree 305 wide, centred on the desktop.
    // Wider when the frames' texts need it (a language with longer words).
    const double scale = logicalDpiX() / 96.0;
    const int needed = qRound(305 * scale) + NodeDescription->FramesMinimumWidth() + 40;
    resize(std::max(qRound(644 * scale), needed), qRound(463 * scale));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TfrmDBEditor::SaveGeometry() const
{
    QDir().mkpath(QFileInfo(GeometryFile()).absolutePath());
    QSettings settings(GeometryFile(), QSettings::IniFormat);
    settings.setValue("geometry", saveGeometry());
    settings.setValue("splitter", splitter_->saveState());
}
