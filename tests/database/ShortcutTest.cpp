#include "database/Shortcut.h"

#include "FakeEnvironment.h"
#include "framework/Exception.h"
#include "shell/Activewindow.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t Ctrl = 17;
constexpr std::uint16_t Shift = 16;
constexpr std::uint16_t KeyC = 'C';
constexpr std::uint16_t KeyS = 'S';
constexpr std::uint16_t F1 = 112;

class ShortcutModel : public ::testing::Test
{
protected:
    ShortcutModel()
    {
        env.platform.processes = {{100, "/usr/bin/Editor"}, {200, "/opt/x/player"}, {300, ""}};
        RefreshLoadedPrograms(loaded);
        editor.FileName = "editor";
        editor.LoadedPrograms = &loaded;
        player.FileName = "player";
        player.LoadedPrograms = &loaded;
        stopped.FileName = "stopped";
        stopped.LoadedPrograms = &loaded;
        Activate(100);
    }

    void Activate(std::uint32_t processId)
    {
        const platform::WindowId window = processId * 10;
        env.platform.windows[window].processId = processId;
        env.platform.foregroundWindow = window;
        CActiveWindow::Instance().Poll();
    }

    CShortCut* Add(CProgram* program, std::uint8_t type, CKeyCodes keys)
    {
        auto shortCut = std::make_unique<CShortCut>();
        shortCut->Programm = program;
        shortCut->Type = type;
        shortCut->KeyCodes = std::move(keys);
        CShortCut* added = shortCut.get();
        shortCuts.Add(std::move(shortCut));
        return added;
    }

    FakeEnvironment env;
    CLoadedPrograms loaded;
    CProgram editor, player, stopped;
    CShortCuts shortCuts;
};

} // namespace

TEST_F(ShortcutModel, ApplicabilityFollowsTypeProcessesAndActiveWindow)
{
    CShortCut* editorNormal = Add(&editor, stNormal, {Ctrl, KeyS});
    CShortCut* playerNormal = Add(&player, stNormal, {Ctrl, KeyC});
    CShortCut* playerGlobal = Add(&player, stGlobal, {Ctrl, Shift, KeyC});
    CShortCut* stoppedGlobal = Add(&stopped, stGlobal, {F1});
    CShortCut* superGlobal = Add(nullptr, stSuperGlobal, {KeyC});

    // File names match ignoring case and folder.
    EXPECT_TRUE(editorNormal->Enabled());
    EXPECT_FALSE(playerNormal->Enabled());
    EXPECT_TRUE(playerGlobal->Enabled());
    EXPECT_FALSE(stoppedGlobal->Enabled());
    EXPECT_TRUE(superGlobal->Enabled());

    Activate(200);
    EXPECT_FALSE(editorNormal->Enabled());
    EXPECT_TRUE(playerNormal->Enabled());
    EXPECT_EQ(shortCuts.FindShortCut({Ctrl, KeyC}), playerNormal);
    EXPECT_EQ(shortCuts.FindShortCut({Ctrl, KeyS}), nullptr);

    Add(nullptr, stNormal, {KeyS});
    EXPECT_FALSE(shortCuts.Items().back()->Enabled());
    shortCuts.Items().back()->Type = 3;
    EXPECT_THROW(shortCuts.Items().back()->Enabled(), Exception);
}

TEST_F(ShortcutModel, NextKeysAreTheMissingKeyOfApplicableShortcuts)
{
    Add(&editor, stNormal, {Ctrl, KeyS});
    CShortCut* first = Add(&editor, stNormal, {Ctrl, KeyC});
    CShortCut* later = Add(nullptr, stSuperGlobal, {Ctrl, KeyC});
    CShortCut* single = Add(nullptr, stSuperGlobal, {F1});
    Add(&stopped, stGlobal, {KeyC});

    EXPECT_EQ(shortCuts.GetNextKeys({}), (std::map<int, CShortCut*>{{F1, single}}));
    const auto withCtrl = shortCuts.GetNextKeys({Ctrl});
    ASSERT_EQ(withCtrl.size(), 2u);
    EXPECT_EQ(withCtrl.at(KeyC), later);
    // Exact matches are found, not offered as a next key.
    EXPECT_TRUE(shortCuts.GetNextKeys({Ctrl, KeyC}).empty());
    EXPECT_EQ(shortCuts.FindShortCut({Ctrl, KeyC}), first);
    EXPECT_EQ(shortCuts.FindShortCut({Ctrl}), nullptr);
    shortCuts.Clear();
    EXPECT_TRUE(shortCuts.GetNextKeys({}).empty());
}

TEST_F(ShortcutModel, ProgramsMatchRunningProcessesByFileName)
{
    CProgram unnamed;
    unnamed.LoadedPrograms = &loaded;
    // The process with an unreadable path has an empty name, which still matches nothing.
    EXPECT_TRUE(unnamed.FindEqualLoadedProgram().empty());
    EXPECT_FALSE(unnamed.MatchesLoadedProgram(*loaded[2]));

    CProgram cyrillic;
    cyrillic.FileName = "РЕДАКТОР";
    CLoadedProgram process;
    process.FileName = "редактор";
    EXPECT_TRUE(cyrillic.MatchesLoadedProgram(process));

    CProgram detached;
    detached.FileName = "editor";
    EXPECT_THROW(detached.IsLoaded(), Exception);
}

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

TEST_F(ShortcutModel, SideSpecificCodesMatchTheirCommonKey)
{
    CShortCut* leftCtrl = Add(&editor, stNormal, {162, KeyS});
    CShortCut* shiftF1 = Add(nullptr, stSuperGlobal, {Ctrl, 161, F1});

    EXPECT_EQ(shortCuts.FindShortCut({Ctrl, KeyS}), leftCtrl);
    EXPECT_EQ(shortCuts.FindShortCut({163, KeyS}), leftCtrl);
    EXPECT_EQ(shortCuts.GetNextKeys({163}), (std::map<int, CShortCut*>{{KeyS, leftCtrl}}));
    // The next key is the common code, the one the drawn keyboard knows the Shift keys by.
    EXPECT_EQ(shortCuts.GetNextKeys({Ctrl, F1}), (std::map<int, CShortCut*>{{Shift, shiftF1}}));
}
