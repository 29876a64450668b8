#include "database/ShortCut.h"

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
        AddProcess(100, "Editor");
        AddProcess(200, "player");
        AddProcess(300, "");
        editor = shortCuts.AddProgram(Program("editor"));
        player = shortCuts.AddProgram(Program("player"));
        stopped = shortCuts.AddProgram(Program("stopped"));
        Activate(100);
    }

    void AddProcess(std::int32_t id, const std::string& fileName)
    {
        auto process = std::make_unique<CLoadedProgram>();
        process->ProcessId = id;
        process->FileName = fileName;
        process->ModulePath = "/usr/bin/" + fileName;
        loaded.push_back(std::move(process));
    }

    static std::unique_ptr<CProgram> Program(const std::string& fileName)
    {
        auto program = std::make_unique<CProgram>();
        program->FileName = fileName;
        return program;
    }

    void Activate(std::int32_t processId)
    {
        shortCuts.SetRunningPrograms(loaded, {processId, {}, {}});
    }

    CShortCut* Add(CProgram* program, ShortCutType type, CKeyCodes keys)
    {
        auto shortCut = std::make_unique<CShortCut>();
        shortCut->Program = program;
        shortCut->Type = type;
        shortCut->KeyCodes = std::move(keys);
        CShortCut* added = shortCut.get();
        shortCuts.Add(std::move(shortCut));
        return added;
    }

    CLoadedPrograms loaded;
    CShortCuts shortCuts;
    CProgram* editor = nullptr;
    CProgram* player = nullptr;
    CProgram* stopped = nullptr;
};

} // namespace

TEST_F(ShortcutModel, ApplicabilityFollowsTypeProcessesAndActiveWindow)
{
    CShortCut* editorNormal = Add(editor, ShortCutType::Normal, {Ctrl, KeyS});
    CShortCut* playerNormal = Add(player, ShortCutType::Normal, {Ctrl, KeyC});
    CShortCut* playerGlobal = Add(player, ShortCutType::Global, {Ctrl, Shift, KeyC});
    CShortCut* stoppedGlobal = Add(stopped, ShortCutType::Global, {F1});
    CShortCut* superGlobal = Add(nullptr, ShortCutType::SuperGlobal, {KeyC});

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

    Add(nullptr, ShortCutType::Normal, {KeyS});
    EXPECT_FALSE(shortCuts.Items().back()->Enabled());

    // The state stays until it is worked out again: a process that ends meanwhile changes
    // nothing before the next show.
    loaded.clear();
    EXPECT_TRUE(playerGlobal->Enabled());
    Activate(0);
    EXPECT_FALSE(playerGlobal->Enabled());
    EXPECT_FALSE(playerNormal->Enabled());
    EXPECT_TRUE(superGlobal->Enabled());
}

TEST_F(ShortcutModel, NextKeysAreTheMissingKeyOfApplicableShortcuts)
{
    Add(editor, ShortCutType::Normal, {Ctrl, KeyS});
    CShortCut* first = Add(editor, ShortCutType::Normal, {Ctrl, KeyC});
    CShortCut* later = Add(nullptr, ShortCutType::SuperGlobal, {Ctrl, KeyC});
    CShortCut* single = Add(nullptr, ShortCutType::SuperGlobal, {F1});
    Add(stopped, ShortCutType::Global, {KeyC});

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
    // The process with an unreadable path has an empty name, which still matches nothing.
    EXPECT_TRUE(unnamed.FindEqualLoadedProgram(loaded).empty());
    EXPECT_FALSE(unnamed.MatchesLoadedProgram(*loaded[2]));
    ASSERT_EQ(editor->FindEqualLoadedProgram(loaded).size(), 1u);
    EXPECT_EQ(editor->FindEqualLoadedProgram(loaded)[0]->ProcessId, 100);

    CProgram cyrillic;
    cyrillic.FileName = "РЕДАКТОР";
    CLoadedProgram process;
    process.FileName = "редактор";
    EXPECT_TRUE(cyrillic.MatchesLoadedProgram(process));

    // Two processes of one program: it is active when either is.
    AddProcess(400, "EDITOR");
    Activate(400);
    EXPECT_TRUE(editor->IsActive());
    EXPECT_FALSE(player->IsActive());
    EXPECT_FALSE(stopped->IsLoaded());
}

TEST_F(ShortcutModel, SideSpecificCodesMatchTheirCommonKey)
{
    CShortCut* leftCtrl = Add(editor, ShortCutType::Normal, {162, KeyS});
    CShortCut* shiftF1 = Add(nullptr, ShortCutType::SuperGlobal, {Ctrl, 161, F1});

    EXPECT_EQ(shortCuts.FindShortCut({Ctrl, KeyS}), leftCtrl);
    EXPECT_EQ(shortCuts.FindShortCut({163, KeyS}), leftCtrl);
    EXPECT_EQ(shortCuts.GetNextKeys({163}), (std::map<int, CShortCut*>{{KeyS, leftCtrl}}));
    // The next key is the common code, the one the drawn keyboard knows the Shift keys by.
    EXPECT_EQ(shortCuts.GetNextKeys({Ctrl, F1}), (std::map<int, CShortCut*>{{Shift, shiftF1}}));
}

TEST_F(ShortcutModel, CountsBehindAKeyAreTheNextKeysWithItHeld)
{
    constexpr std::uint16_t Alt = 18, KeyG = 'G', KeyH = 'H';
    Add(editor, ShortCutType::Normal, {Ctrl, KeyS});
    Add(editor, ShortCutType::Normal, {Ctrl, KeyC});
    Add(nullptr, ShortCutType::SuperGlobal, {Ctrl, KeyC}); // the same next key again
    Add(nullptr, ShortCutType::SuperGlobal, {Ctrl, Shift});
    Add(nullptr, ShortCutType::SuperGlobal, {Shift, F1});
    Add(stopped, ShortCutType::Global, {Alt, KeyS}); // does not apply
    Add(nullptr, ShortCutType::SuperGlobal, {KeyG, KeyH});
    Add(editor, ShortCutType::Normal, {Ctrl, Shift, KeyS});
    Add(player, ShortCutType::Normal, {Ctrl, Shift, KeyC}); // does not apply
    Add(nullptr, ShortCutType::SuperGlobal, {F1});

    const auto check = [this](const CKeyCodes& held, const std::map<std::uint16_t, int>& counts) {
        const CNextKeys next = shortCuts.GetNextKeysAndCounts(held);
        EXPECT_EQ(next.shortCuts, shortCuts.GetNextKeys(held));
        EXPECT_EQ(next.counts, counts);
        for (const auto& [code, count] : next.counts) {
            CKeyCodes with = held;
            with.Add(code);
            EXPECT_EQ(shortCuts.GetNextKeys(with).size(), static_cast<std::size_t>(count)) << code;
        }
    };
    // Shift leads to F1 and, through Ctrl+Shift, to Ctrl; H leads nowhere, though G+H applies.
    check({}, {{Ctrl, 3}, {Shift, 2}, {KeyG, 1}});
    check({Ctrl}, {{Shift, 1}});
    check({163}, {{Shift, 1}});
    check({Ctrl, Shift}, {});

    Activate(0);
    check({}, {{Ctrl, 2}, {Shift, 2}, {KeyG, 1}});
}
