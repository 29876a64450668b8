#pragma once

#include "platform/Platform.h"

#include <QTreeWidget>

#include <string>
#include <vector>

class CActiveWindow;

// What a chosen application tells of itself beside its executable.
struct ChosenIdentity
{
    // Its windows' classes, separated by "; ".
    std::string windowClasses;
    // "org.gnome.Meld.desktop"; empty when not known.
    std::string desktopId;
};

// The trees from which the user picks a program's executable. Each answers the path behind the
// selected entry; group nodes answer nothing. Collapsing is refused.
class TApplicationList : public QTreeWidget
{
public:
    explicit TApplicationList(QWidget* parent = nullptr);
    // The executable of the selected entry; empty for a group node or no selection.
    virtual std::string GetSelectedPath() const = 0;
    // The window classes and desktop entry of the selected entry; empty for a group node or no
    // selection.
    virtual ChosenIdentity GetSelectedIdentity() const = 0;

protected:
    // A top-level group node with the program's group icon.
    QTreeWidgetItem* AddGroup(const std::string& text, QTreeWidgetItem* before = nullptr);
    // The index of the entry an item stands for; -1 for a group node.
    static int EntryOf(const QTreeWidgetItem* item);
    static void SetEntry(QTreeWidgetItem* item, int index);
};

// The applications with a window on the screen now, the active one set apart.
class TRunningApplicationList : public TApplicationList
{
public:
    // activeWindow tells which application was active before the program's own windows.
    TRunningApplicationList(platform::Platform& platform, const CActiveWindow& activeWindow,
                            QWidget* parent = nullptr);

    struct CApplication
    {
        platform::WindowId Window = 0;
        std::string ModulePath;
        std::string Title;
        // From the window, its sandbox, or the desktop entry of its class.
        ChosenIdentity Identity;
    };
    const std::vector<CApplication>& Entries() const { return entries_; }

    void Refresh();
    std::string GetSelectedPath() const override;
    ChosenIdentity GetSelectedIdentity() const override;

private:
    // Whether a window is listed: shown, nobody's dialog, another program's, with an executable
    // and a title, and neither the desktop nor a dock.
    bool Qualifies(platform::WindowId window, const std::string& modulePath) const;

    platform::Platform& platform_;
    const CActiveWindow& activeWindow_;
    std::vector<CApplication> entries_;
};

// The applications the desktop entries register, by their names, sorted.
class TInstalledApplicationList : public TApplicationList
{
public:
    explicit TInstalledApplicationList(QWidget* parent = nullptr);

    const std::vector<std::string>& Paths() const { return paths_; }
    // The entries' names, in the order of Paths.
    const std::vector<std::string>& Names() const { return names_; }

    void Refresh();
    std::string GetSelectedPath() const override;
    // The entry's id, and its StartupWMClass as the class.
    ChosenIdentity GetSelectedIdentity() const override;

private:
    std::vector<std::string> paths_;
    std::vector<std::string> names_;
    std::vector<ChosenIdentity> identities_;
};
