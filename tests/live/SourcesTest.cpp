#include "live/GtkMenus.h"
#include "live/ResourceFiles.h"
#include "live/ShortcutsUi.h"

#include "PrivateBus.h"

#include <QDBusConnection>
#include <QProcess>

#include <gtest/gtest.h>

#include <libintl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <fstream>

using live::AccelSyntax;
using live::LiveShortcut;
using live::LiveSource;
using live::ReadBudget;

namespace {

// The menu export fixture on the bus: its bus name and the menu's object path.
class MenuExport
{
public:
    explicit MenuExport(const PrivateBus& bus)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.Address());
        process_.setProcessEnvironment(environment);
        process_.start(MENU_EXPORT_FIXTURE, QStringList());
        if (process_.waitForReadyRead(10000)) {
            const QStringList words = QString::fromUtf8(process_.readLine()).split(' ');
            busName = words.value(0).toStdString();
            path = words.value(1).trimmed().toStdString();
        }
    }
    ~MenuExport()
    {
        ::kill(static_cast<pid_t>(process_.processId()), SIGCONT);
        process_.kill();
        process_.waitForFinished();
    }
    MenuExport(const MenuExport&) = delete;
    MenuExport& operator=(const MenuExport&) = delete;

    void Freeze() { ::kill(static_cast<pid_t>(process_.processId()), SIGSTOP); }

    std::string busName, path;

private:
    QProcess process_;
};

LiveShortcut Menu(const char* accel, std::vector<std::string> path)
{
    return {accel, AccelSyntax::Gtk, std::move(path), LiveSource::Menu};
}

LiveShortcut Window(const char* accel, std::vector<std::string> path)
{
    return {accel, AccelSyntax::Gtk, std::move(path), LiveSource::ShortcutsWindow};
}

std::string ReadFixtureOverlay()
{
    ReadBudget budget;
    const std::vector<live::ResourceFile> files = live::FindShortcutWindows(GTK4_FIXTURE, budget);
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? std::string() : files.front().data;
}

} // namespace

TEST(GtkMenus, TheExportedMenuBarGivesItsShortcutsWithTheirMenus)
{
    const PrivateBus bus;
    ASSERT_FALSE(bus.Address().isEmpty());
    const MenuExport fixture(bus);
    ASSERT_FALSE(fixture.busName.empty());
    ReadBudget budget;
    const std::vector<LiveShortcut> expected{
        Menu("<Primary>o", {"File", "Open…"}),
        Menu("<Primary>s", {"File", "Save"}),
        Menu("<Primary>q", {"File", "Quit"}),
        Menu("<Primary>z", {"Edit", "Undo"}),
        Menu("<Primary><Shift>u", {"Edit", "Upper Case"}),
    };
    EXPECT_EQ(live::ReadGtkMenus(bus.Connection(), fixture.busName, fixture.path, budget),
              expected);
    // Read again: the first read's subscriptions were ended, the export answers the same.
    ReadBudget again;
    EXPECT_EQ(live::ReadGtkMenus(bus.Connection(), fixture.busName, fixture.path, again), expected);
    // Nothing at a path that exports no menu, nor from a name that is not on the bus.
    EXPECT_TRUE(live::ReadGtkMenus(bus.Connection(), fixture.busName, "/no/menu", again).empty());
    EXPECT_TRUE(live::ReadGtkMenus(bus.Connection(), ":1.999", fixture.path, again).empty());
}

TEST(GtkMenus, AReadStopsWhenItsBudgetIsSpentOrItIsCancelled)
{
    const PrivateBus bus;
    MenuExport fixture(bus);
    ASSERT_FALSE(fixture.busName.empty());
    ReadBudget fewNodes(nullptr, 3);
    EXPECT_LE(live::ReadGtkMenus(bus.Connection(), fixture.busName, fixture.path, fewNodes).size(),
              3u);
    const std::atomic<bool> cancelled{true};
    ReadBudget cancelledRead(&cancelled);
    EXPECT_TRUE(
        live::ReadGtkMenus(bus.Connection(), fixture.busName, fixture.path, cancelledRead).empty());
    // A program that does not answer is given up when the time is spent.
    fixture.Freeze();
    const auto start = std::chrono::steady_clock::now();
    ReadBudget shortTime(nullptr, ReadBudget::DefaultNodes, std::chrono::milliseconds(300));
    EXPECT_TRUE(
        live::ReadGtkMenus(bus.Connection(), fixture.busName, fixture.path, shortTime).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    // However early the toolkit ended the wait, the unanswered read counts as given up.
    EXPECT_TRUE(shortTime.Spent());
}

TEST(ShortcutWindows, TheCompiledShortcutsWindowIsFoundInTheExecutable)
{
    ReadBudget budget;
    const std::vector<live::ResourceFile> files = live::FindShortcutWindows(GTK4_FIXTURE, budget);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files.front().path, "/org/quorvel/Fixture/gtk/help-overlay.ui");
    EXPECT_NE(files.front().data.find("GtkShortcutsShortcut"), std::string::npos);
    // An ELF file without bundles, a file that is no ELF file, and no file give nothing.
    EXPECT_TRUE(live::FindShortcutWindows(MENU_EXPORT_FIXTURE, budget).empty());
    EXPECT_TRUE(
        live::FindShortcutWindows(FIXTURE_LOCALE "/de/LC_MESSAGES/quorvel-fixture.mo", budget)
            .empty());
    EXPECT_TRUE(live::FindShortcutWindows("/no/such/file", budget).empty());
}

TEST(ShortcutWindows, EachAcceleratorOfAShortcutIsTakenWithItsGroup)
{
    const std::vector<LiveShortcut> expected{
        Window("<ctrl>O", {"Documents", "Open a document"}),
        Window("<ctrl>z", {"Documents", "Undo"}),
        Window("<ctrl><shift>BackSpace", {"Documents", "Undo"}),
        Window("F11", {"View", "Full screen"}),
    };
    EXPECT_EQ(live::ReadShortcutsUi(ReadFixtureOverlay(), "quorvel-fixture"), expected);
    EXPECT_TRUE(live::ReadShortcutsUi("<interface><object class=", "x").empty());
    EXPECT_TRUE(live::ReadShortcutsUi("", "x").empty());
}

TEST(ShortcutWindows, TitlesAreTranslatedInTheProgramsDomain)
{
    bindtextdomain("quorvel-fixture", FIXTURE_LOCALE);
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    setenv("LANGUAGE", "de", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    const std::vector<LiveShortcut> read =
        live::ReadShortcutsUi(ReadFixtureOverlay(), "quorvel-fixture");
    unsetenv("LANGUAGE");
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read.front().path, (std::vector<std::string>{"Dokumente", "Ein Dokument öffnen"}));
    // A text the catalogue lacks stays as written.
    EXPECT_EQ(read.back().path, (std::vector<std::string>{"View", "Full screen"}));
}

TEST(ShortcutWindows, AProgramsFilesAreItsExecutableAndItsOwnLibraries)
{
    const std::vector<std::string> files = live::ProgramFiles(::getpid(), "/usr/bin/live_tests");
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files.front(), "/usr/bin/live_tests");
    // The C library is mapped, but is not the program's own.
    for (const std::string& file : files) {
        EXPECT_EQ(file.find("libc.so"), std::string::npos) << file;
    }
}
