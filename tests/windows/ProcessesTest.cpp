#include "windows/Processes.h"

#include "FakeEnvironment.h"
#include "services/ActiveWindow.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

TEST(LoadedPrograms, ListsEveryProcessWithItsFileName)
{
    FakeEnvironment env;
    for (std::uint32_t id = 1; id <= 1500; ++id) {
        env.platform.processes.emplace_back(id, "/usr/bin/p" + std::to_string(id));
    }
    CLoadedPrograms loaded;
    RefreshLoadedPrograms(env.platform, loaded);
    RefreshLoadedPrograms(env.platform, loaded);
    ASSERT_EQ(loaded.size(), 1500u);
    EXPECT_EQ(loaded[1499]->ProcessId, 1500);
    EXPECT_EQ(loaded[1499]->ModulePath, "/usr/bin/p1500");
    EXPECT_EQ(loaded[1499]->FileName, "p1500");
    EXPECT_EQ(GetProcessFileName(env.platform, 7), "p7");
    EXPECT_EQ(GetProcessModulePath(env.platform, 0), "");
    EXPECT_EQ(GetProcessModulePath(env.platform, 99999), "");
}

TEST(LoadedPrograms, ProcessesCarryTheirWindowsClassesAndDesktopEntries)
{
    FakeEnvironment env;
    auto& platform = env.platform;
    platform.processes = {{20, "/usr/lib/libreoffice/program/soffice.bin"},
                          {30, "/usr/bin/python3.11"},
                          {40, "/usr/bin/daemon"}};
    const auto addWindow = [&platform](platform::WindowId id, std::uint32_t processId,
                                       platform::Platform::WindowIdentity identity) {
        platform.windows[id].processId = processId;
        platform.windows[id].identity = std::move(identity);
    };
    addWindow(1, 20, {{"libreoffice", "libreoffice-writer"}, ""});
    addWindow(2, 20, {{"libreoffice", "libreoffice-impress"}, ""});
    addWindow(3, 30, {{"meld", "Meld"}, "org.gnome.Meld"});
    platform.processDesktopIds[30] = "org.gnome.Meld.desktop";
    platform.processDesktopIds[40] = "never.asked.desktop"; // no window: not looked at
    CLoadedPrograms loaded;
    RefreshLoadedPrograms(env.platform, loaded);
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(
        loaded[0]->WindowClasses,
        (std::vector<std::string>{"libreoffice", "libreoffice-writer", "libreoffice-impress"}));
    EXPECT_TRUE(loaded[0]->DesktopIds.empty());
    EXPECT_EQ(loaded[1]->DesktopIds,
              (std::vector<std::string>{"org.gnome.Meld", "org.gnome.Meld.desktop"}));
    EXPECT_TRUE(loaded[2]->DesktopIds.empty());
}

TEST(LoadedPrograms, AFlatpakPathResolvesToItsDesktopEntry)
{
    EXPECT_EQ(DesktopIdOfSandboxPath(
                  "/var/lib/flatpak/app/org.gnome.Meld/x86_64/stable/3f2a/files/bin/meld"),
              "org.gnome.Meld.desktop");
    EXPECT_EQ(DesktopIdOfSandboxPath("/home/me/.local/share/flatpak/app/org.kde.krita/x86_64/"
                                     "stable/active/files/bin/krita"),
              "org.kde.krita.desktop");
    for (const char* other : {"/usr/bin/meld", "/var/lib/flatpak/app/", "/opt/flatpak/app/x",
                              "/var/lib/flatpak/app/org.gnome.Meld/current"}) {
        EXPECT_EQ(DesktopIdOfSandboxPath(other), "") << other;
    }

    // The overlay takes a window of such a process for the program of that entry.
    FakeEnvironment env;
    env.platform.processes = {
        {50, "/var/lib/flatpak/app/org.gnome.Meld/x86_64/stable/3f2a/files/bin/meld"}};
    env.platform.windows[5].processId = 50;
    env.platform.foregroundWindow = 5;
    CLoadedPrograms loaded;
    RefreshLoadedPrograms(env.platform, loaded);
    CShortCuts shortCuts;
    auto program = std::make_unique<CProgram>();
    program->FileName = "/usr/bin/meld-from-debian";
    program->DesktopId = "org.gnome.Meld.desktop";
    CProgram* meld = shortCuts.AddProgram(std::move(program));
    shortCuts.SetRunningPrograms(loaded, {50, {}, {}});
    EXPECT_TRUE(meld->IsActive());
}

namespace {

void WriteEntry(const QString& folder, const QString& id, const QString& startupClass)
{
    QDir().mkpath(folder);
    QFile file(folder + "/" + id);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nName=X\nExec=x\n");
    if (!startupClass.isEmpty()) {
        file.write(("StartupWMClass=" + startupClass + "\n").toUtf8());
    }
}

} // namespace

TEST(LoadedPrograms, AWindowsClassLeadsToTheEntryOfThatStartupClass)
{
    FakeEnvironment env;
    const QString applications = env.dataFolder.filePath("applications");
    WriteEntry(applications, "gimp.desktop", "Gimp-2.10");
    // An entry whose id reads as the class loses to one that names the class as StartupWMClass.
    WriteEntry(applications, "gimp-2.10.desktop", "");
    env.platform.processes = {{60, "/usr/bin/gimp-2.10"}, {70, "/usr/bin/python3.11"}};
    env.platform.windows[6] = {};
    env.platform.windows[6].processId = 60;
    env.platform.windows[6].identity = {{"gimp-2.10", "Gimp-2.10"}, ""};
    env.platform.windows[7].processId = 70;
    env.platform.windows[7].identity = {{"tool", "Tool"}, ""};
    env.platform.foregroundWindow = 6;
    CActiveWindow tracker(env.platform);
    tracker.Poll();
    const CActiveProgram active = GetActiveProgram(env.platform, tracker);
    EXPECT_EQ(active.DesktopId, "gimp.desktop");
    CLoadedPrograms loaded;
    RefreshLoadedPrograms(env.platform, loaded);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0]->DesktopIds, std::vector<std::string>{"gimp.desktop"});
    EXPECT_TRUE(loaded[1]->DesktopIds.empty());

    // The base's program known only by its entry is the active one.
    CShortCuts shortCuts;
    auto program = std::make_unique<CProgram>();
    program->FileName = "/usr/bin/gimp";
    program->DesktopId = "gimp.desktop";
    CProgram* gimp = shortCuts.AddProgram(std::move(program));
    shortCuts.SetRunningPrograms(loaded, active);
    EXPECT_TRUE(gimp->IsActive());

    // An entry installed later is found at the next look, without a restart.
    WriteEntry(applications, "org.example.Tool.desktop", "tool");
    RefreshLoadedPrograms(env.platform, loaded);
    EXPECT_EQ(loaded[1]->DesktopIds, std::vector<std::string>{"org.example.Tool.desktop"});
}
