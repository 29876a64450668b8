#include "windows/Processes.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

TEST(LoadedPrograms, ListsEveryProcessWithItsFileName)
{
    FakeEnvironment env;
    for (std::uint32_t id = 1; id <= 1500; ++id) {
        env.platform.processes.emplace_back(id, "/usr/bin/p" + std::to_string(id));
    }
    CLoadedPrograms loaded;
    RefreshLoadedPrograms(loaded);
    RefreshLoadedPrograms(loaded);
    ASSERT_EQ(loaded.size(), 1500u);
    EXPECT_EQ(loaded[1499]->ProcessId, 1500);
    EXPECT_EQ(loaded[1499]->ModulePath, "/usr/bin/p1500");
    EXPECT_EQ(loaded[1499]->FileName, "p1500");
    EXPECT_EQ(GetProcessFileName(7), "p7");
    EXPECT_EQ(GetProcessModulePath(0), "");
    EXPECT_EQ(GetProcessModulePath(99999), "");
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
    RefreshLoadedPrograms(loaded);
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
    RefreshLoadedPrograms(loaded);
    CShortCuts shortCuts;
    auto program = std::make_unique<CProgram>();
    program->FileName = "/usr/bin/meld-from-debian";
    program->DesktopId = "org.gnome.Meld.desktop";
    CProgram* meld = shortCuts.AddProgram(std::move(program));
    shortCuts.SetRunningPrograms(loaded, {50, {}, {}});
    EXPECT_TRUE(meld->IsActive());
}
