#include "editor/SelectProgramDialog.h"

#include "platform/Platform.h"
#include "services/Translation.h"
#include "util/MessageBox.h"
#include "util/Paths.h"
#include "editor/ApplicationList.h"
#include "windows/Processes.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace {

// A process entry's window classes and desktop entry, beside its path (Qt::UserRole).
constexpr int ClassesRole = Qt::UserRole + 1;
constexpr int DesktopIdRole = Qt::UserRole + 2;

QString Tr(const char* text)
{
    return QString::fromStdString(Translate(text));
}

bool FileExists(const std::string& path)
{
    const QFileInfo info(QString::fromStdString(path));
    return !path.empty() && info.exists() && info.isFile();
}

// Whether two paths name one file, through links.
bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b) {
        return true;
    }
    const QString canonical = QFileInfo(QString::fromStdString(a)).canonicalFilePath();
    return !canonical.isEmpty() &&
           canonical == QFileInfo(QString::fromStdString(b)).canonicalFilePath();
}

// Shows only folders and files with an execute bit while on is set.
class ExecutableFilter : public QSortFilterProxyModel
{
public:
    bool on = true;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (!on) {
            return true;
        }
        const auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        const QFileInfo info = files ? files->fileInfo(files->index(row, 0, parent)) : QFileInfo();
        return info.isDir() || info.isExecutable();
    }
};

} // namespace

TSelectProgramDialog::TSelectProgramDialog(platform::Platform& platform,
                                           const CActiveWindow& activeWindow, QWidget* parent)
    : QDialog(parent), platform_(platform)
{
    setWindowTitle(Tr("Выбор приложения"));
    resize(389, 502);

    auto* pathBox = new QGroupBox(Tr("Укажите путь к приложению:"), this);
    edtPath = new QLineEdit(pathBox);
    auto* browse = new QPushButton(Tr("Обзор..."), pathBox);
    auto* pathLayout = new QHBoxLayout(pathBox);
    pathLayout->addWidget(edtPath, 1);
    pathLayout->addWidget(browse);

    auto* listBox = new QGroupBox(Tr("Или выберите приложение из списка:"), this);
    PageControl = new QTabWidget(listBox);
    RunningList = new TRunningApplicationList(platform, activeWindow);
    InstalledList = new TInstalledApplicationList();
    lbProcesses = new QListWidget();
    pageRunning = RunningList;
    pageInstalled = InstalledList;
    pageProcesses = lbProcesses;
    PageControl->addTab(RunningList, style()->standardIcon(QStyle::SP_ComputerIcon),
                        Tr("Запущенные приложения"));
    PageControl->addTab(InstalledList, style()->standardIcon(QStyle::SP_DirIcon),
                        Tr("Другие приложения"));
    PageControl->addTab(lbProcesses, style()->standardIcon(QStyle::SP_FileIcon), Tr("Процессы"));
    auto* listLayout = new QVBoxLayout(listBox);
    listLayout->addWidget(PageControl);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Tr("Выбрать"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Tr("Отмена"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pathBox);
    layout->addWidget(listBox, 1);
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, [this] { Button1Click(); });
    // A path the user types is an executable alone.
    connect(edtPath, &QLineEdit::textEdited, this, [this] { identity_ = {}; });
    // The button box would accept at once: the path is checked first.
    disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { btnOkClick(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QTreeWidget* tree :
         {static_cast<QTreeWidget*>(RunningList), static_cast<QTreeWidget*>(InstalledList)}) {
        connect(tree, &QTreeWidget::itemClicked, this, [this] { ItemClick(); });
        connect(tree, &QTreeWidget::itemDoubleClicked, this, [this] { ItemDblClick(); });
    }
    connect(lbProcesses, &QListWidget::itemClicked, this, [this] { ItemClick(); });
    connect(lbProcesses, &QListWidget::itemDoubleClicked, this, [this] { ItemDblClick(); });
    PageControl->setCurrentWidget(pageRunning);
    // Every tab in full, in any language: the dialog grows as wide as they need.
    PageControl->tabBar()->setUsesScrollButtons(false);
    resize(std::max(width(), sizeHint().width()), height());
}

bool TSelectProgramDialog::Execute()
{
    FillProcesses();
    RunningList->Refresh();
    InstalledList->Refresh();
    // A user who knows the path types it at once.
    edtPath->setFocus();
    return exec() == QDialog::Accepted;
}

std::string TSelectProgramDialog::GetPath() const
{
    return edtPath->text().toStdString();
}

std::string TSelectProgramDialog::GetProgramName() const
{
    const std::string path = GetPath();
    const std::vector<std::string>& installed = InstalledList->Paths();
    for (std::size_t i = 0; i < installed.size(); ++i) {
        if (SameFile(installed[i], path)) {
            return InstalledList->Names()[i];
        }
    }
    for (const auto& application : RunningList->Entries()) {
        if (SameFile(application.ModulePath, path)) {
            return application.Title;
        }
    }
    return ExtractFileName(path);
}

void TSelectProgramDialog::SetPath(const std::string& path)
{
    if (GetSelectedProcessPath() != path) {
        lbProcesses->setCurrentItem(nullptr);
        lbProcesses->clearSelection();
    }
    edtPath->setText(QString::fromStdString(path));
    identity_ = {};
}

void TSelectProgramDialog::FillProcesses()
{
    SetPath({});
    RefreshLoadedPrograms(platform_, processes_);
    lbProcesses->clear();
    // One entry per executable name: the copy listed last stands for it. Only the user's own
    // programs whose file is still there (not replaced in memory, not deleted) can be chosen.
    std::map<std::string, const CLoadedProgram*> byName;
    const auto self = static_cast<std::int32_t>(platform_.GetCurrentProcessId());
    for (const auto& process : processes_) {
        if (!process->FileName.empty() && process->ProcessId != self &&
            platform_.IsOwnProcess(static_cast<std::uint32_t>(process->ProcessId)) &&
            FileExists(process->ModulePath)) {
            byName[QString::fromStdString(process->FileName).toLower().toStdString()] =
                process.get();
        }
    }
    for (const auto& [name, process] : byName) {
        auto* item = new QListWidgetItem(QString::fromStdString(process->FileName), lbProcesses);
        item->setData(Qt::UserRole, QString::fromStdString(process->ModulePath));
        item->setData(ClassesRole,
                      QString::fromStdString(JoinIdentityList(process->WindowClasses)));
        item->setData(DesktopIdRole, QString::fromStdString(process->DesktopIds.empty()
                                                                ? std::string()
                                                                : process->DesktopIds.front()));
    }
    lbProcesses->setCurrentItem(nullptr);
    lbProcesses->clearSelection();
}

std::string TSelectProgramDialog::GetSelectedProcessPath() const
{
    const auto selected = lbProcesses->selectedItems();
    return selected.isEmpty() ? std::string()
                              : selected.front()->data(Qt::UserRole).toString().toStdString();
}

void TSelectProgramDialog::ItemClick()
{
    std::string path;
    ChosenIdentity identity;
    QWidget* page = PageControl->currentWidget();
    if (page == pageRunning) {
        path = RunningList->GetSelectedPath();
        identity = RunningList->GetSelectedIdentity();
    } else if (page == pageInstalled) {
        path = InstalledList->GetSelectedPath();
        identity = InstalledList->GetSelectedIdentity();
    } else if (page == pageProcesses) {
        path = GetSelectedProcessPath();
        if (const auto selected = lbProcesses->selectedItems(); !selected.isEmpty()) {
            identity = {selected.front()->data(ClassesRole).toString().toStdString(),
                        selected.front()->data(DesktopIdRole).toString().toStdString()};
        }
    }
    if (!path.empty()) {
        SetPath(path);
        identity_ = identity;
    }
}

void TSelectProgramDialog::ItemDblClick()
{
    QWidget* page = PageControl->currentWidget();
    if ((page == pageRunning && RunningList->GetSelectedPath().empty()) ||
        (page == pageInstalled && InstalledList->GetSelectedPath().empty())) {
        return;
    }
    ItemClick();
    btnOkClick();
}

void TSelectProgramDialog::btnOkClick()
{
    const std::string path = GetPath();
    if (FileExists(path)) {
        accept();
        return;
    }
    MessageBoxOptions warning;
    warning.SetType(MessageType::Warning);
    ShowMessageBox(path.empty()
                       ? Translate("Путь к программе не указан.")
                       : Translate("Указанный файл не существует, укажите правильный путь."),
                   warning);
}

void TSelectProgramDialog::Button1Click()
{
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString programs = Tr("Программы (*)");
    dialog.setNameFilters({programs, Tr("Все файлы (*)")});
    auto* filter = new ExecutableFilter;
    dialog.setProxyModel(filter);
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [filter, programs](const QString& f) {
        filter->on = f == programs;
        filter->invalidate();
    });
    if (FileExists(GetPath())) {
        dialog.selectFile(QString::fromStdString(GetPath()));
    }
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        SetPath(dialog.selectedFiles().front().toStdString());
    }
}
