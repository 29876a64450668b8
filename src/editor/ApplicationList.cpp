#include "editor/ApplicationList.h"

#include "database/ProgramIdentity.h"

#include "services/ActiveWindow.h"
#include "services/Translation.h"
#include "util/Paths.h"
#include "desktop/InstalledApplications.h"
#include "windows/Processes.h"
#include "windows/Window.h"

#include <QCollator>
#include <QFileInfo>
#include <QIcon>

#include <algorithm>

// The pictures are compiled into this static library: register them before first use.
static void InitResources()
{
    Q_INIT_RESOURCE(applications);
}

namespace {

constexpr int EntryRole = Qt::UserRole;

QIcon Icon16(const QImage& image)
{
    return QIcon(
        QPixmap::fromImage(image.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

// The icon of a desktop entry through the icon theme; the program's own when there is none.
QIcon EntryIcon(const DesktopEntry& entry)
{
    const QString name = QString::fromStdString(entry.icon);
    QIcon icon;
    if (!name.isEmpty()) {
        icon = QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
    }
    return icon.isNull() ? QIcon(QStringLiteral(":/icons/unknown-program-16.png")) : icon;
}

} // namespace

TApplicationList::TApplicationList(QWidget* parent) : QTreeWidget(parent)
{
    InitResources();
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    // Nothing collapses: the groups stay open.
    connect(this, &QTreeWidget::itemCollapsed, this,
            [](QTreeWidgetItem* item) { item->setExpanded(true); });
}

QTreeWidgetItem* TApplicationList::AddGroup(const std::string& text, QTreeWidgetItem* before)
{
    auto* group = new QTreeWidgetItem({QString::fromStdString(Translate(text))});
    group->setIcon(0, QIcon(QStringLiteral(":/icons/program-group-16.png")));
    SetEntry(group, -1);
    insertTopLevelItem(before ? indexOfTopLevelItem(before) : topLevelItemCount(), group);
    return group;
}

int TApplicationList::EntryOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, EntryRole).toInt() : -1;
}

void TApplicationList::SetEntry(QTreeWidgetItem* item, int index)
{
    item->setData(0, EntryRole, index);
}

namespace {

std::string DesktopFileId(const std::string& id)
{
    const std::string suffix = ".desktop";
    const bool suffixed = id.size() > suffix.size() &&
                          id.compare(id.size() - suffix.size(), suffix.size(), suffix) == 0;
    return id.empty() || suffixed ? id : id + suffix;
}

// The window's names; its desktop entry as the window names it, else as its sandbox does, else
// the entry whose windows have its class.
ChosenIdentity IdentityOfWindow(platform::Platform& platform, platform::WindowId window,
                                std::uint32_t processId, const std::vector<DesktopEntry>& entries)
{
    const platform::Platform::WindowIdentity identity = platform.GetWindowIdentity(window);
    ChosenIdentity chosen{JoinIdentityList(identity.classes), DesktopFileId(identity.desktopId)};
    if (chosen.desktopId.empty()) {
        chosen.desktopId = platform.GetProcessDesktopId(processId);
    }
    for (auto name = identity.classes.rbegin();
         chosen.desktopId.empty() && name != identity.classes.rend(); ++name) {
        if (const DesktopEntry* entry = FindEntryOfWindowClass(entries, *name)) {
            chosen.desktopId = entry->id;
        }
    }
    return chosen;
}

} // namespace

// --- running applications ------------------------------------------------------------------------

TRunningApplicationList::TRunningApplicationList(platform::Platform& platform,
                                                 const CActiveWindow& activeWindow, QWidget* parent)
    : TApplicationList(parent), platform_(platform), activeWindow_(activeWindow)
{
}

bool TRunningApplicationList::Qualifies(platform::WindowId window,
                                        const std::string& modulePath) const
{
    const CWindow wrapper(platform_, window);
    if (!wrapper.IsVisible() || wrapper.GetOwner().Handle != 0 ||
        wrapper.GetProcessId() == platform_.GetCurrentProcessId() || modulePath.empty()) {
        return false;
    }
    const std::string title = wrapper.GetText();
    return !title.empty() && title != "Program Manager" && !platform_.IsDesktopWindow(window) &&
           !platform_.IsTaskbarWindow(window);
}

void TRunningApplicationList::Refresh()
{
    const std::vector<CWindow> windows = CWindow::GetTopLevelWindows(platform_);
    // Where windows without an icon of their own find their class's.
    const std::vector<DesktopEntry> desktopEntries = ReadDesktopEntries();
    const platform::WindowId lastActive = activeWindow_.GetLastWindow();
    const int selected = EntryOf(currentItem());
    const platform::WindowId reselect = selected >= 0 ? entries_[selected].Window : 0;

    entries_.clear();
    clear();
    QTreeWidgetItem* running = AddGroup("Запущенные приложения");
    QTreeWidgetItem* active = nullptr;
    for (CWindow window : windows) {
        const std::string modulePath = GetProcessModulePath(platform_, window.GetProcessId());
        if (!Qualifies(window.Handle, modulePath)) {
            continue;
        }
        const std::string title = window.GetText();
        entries_.push_back(
            {window.Handle, modulePath, title,
             IdentityOfWindow(platform_, window.Handle, window.GetProcessId(), desktopEntries)});
        QTreeWidgetItem* parent = running;
        if (window.Handle == lastActive && lastActive != 0) {
            active = AddGroup("Активное приложение", running);
            parent = active;
        }
        auto* item = new QTreeWidgetItem(parent, {QString::fromStdString(title)});
        const QImage& icon = window.GetIcon(desktopEntries);
        if (!icon.isNull()) {
            item->setIcon(0, Icon16(icon));
        }
        SetEntry(item, static_cast<int>(entries_.size()) - 1);
        if (window.Handle == reselect) {
            setCurrentItem(item);
        }
    }
    expandAll();
}

std::string TRunningApplicationList::GetSelectedPath() const
{
    const int entry = EntryOf(currentItem());
    return entry >= 0 ? entries_[entry].ModulePath : std::string();
}

ChosenIdentity TRunningApplicationList::GetSelectedIdentity() const
{
    const int entry = EntryOf(currentItem());
    return entry >= 0 ? entries_[entry].Identity : ChosenIdentity();
}

// --- installed applications ----------------------------------------------------------------------

TInstalledApplicationList::TInstalledApplicationList(QWidget* parent) : TApplicationList(parent) {}

void TInstalledApplicationList::Refresh()
{
    const std::vector<DesktopEntry> entries = ReadDesktopEntries();
    const std::vector<InstalledApplication> applications = CollectInstalledApplications(entries);
    paths_.clear();
    names_.clear();
    identities_.clear();
    clear();
    QTreeWidgetItem* group = AddGroup("Установленные приложения");
    std::vector<QTreeWidgetItem*> items;
    for (const InstalledApplication& application : applications) {
        const std::string name = application.entry->name.empty()
                                     ? ExtractFileTitle(application.path)
                                     : application.entry->name;
        paths_.push_back(application.path);
        names_.push_back(name);
        identities_.push_back({application.entry->startupWmClass, application.entry->id});
        auto* item = new QTreeWidgetItem({QString::fromStdString(name)});
        item->setIcon(0, EntryIcon(*application.entry));
        SetEntry(item, static_cast<int>(paths_.size()) - 1);
        items.push_back(item);
    }
    // The user's language orders the names; case counts.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::stable_sort(items.begin(), items.end(), [&collator](const auto* a, const auto* b) {
        return collator.compare(a->text(0), b->text(0)) < 0;
    });
    for (QTreeWidgetItem* item : items) {
        group->addChild(item);
    }
    expandAll();
}

std::string TInstalledApplicationList::GetSelectedPath() const
{
    const int entry = EntryOf(currentItem());
    return entry >= 0 ? paths_[entry] : std::string();
}

ChosenIdentity TInstalledApplicationList::GetSelectedIdentity() const
{
    const int entry = EntryOf(currentItem());
    return entry >= 0 ? identities_[entry] : ChosenIdentity();
}
