#include "live/LiveShortCutLoader.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"
#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "framework/DataSet.h"
#include "platform/VirtualKeys.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <gtest/gtest.h>

using live::AccelSyntax;
using live::LiveProgram;
using live::LiveShortcut;
using live::LiveSource;

namespace {

class LiveLoader : public ::testing::Test
{
protected:
    LiveLoader()
    {
        registry.GetLoader()->Load();
        AddShortcut(registry, "/usr/bin/gedit", true, {vk::Control, 'S'}, "Save", "Save it");
        AddShortcut(registry, "Superglobal", false, {vk::Control, 'Q'}, "Quit", "Quit all");
        gedit.executable = "/usr/bin/gedit";
        gedit.classes = {"gedit"};
        running.push_back(std::make_unique<CLoadedProgram>());
        running.back()->ProcessId = 10;
        running.back()->FileName = "gedit";
        running.back()->WindowClasses = {"gedit"};
    }

    FakeEnvironment env;
    CDBRegistry registry;
    CShortCutSetLoader base{env.platform, registry};
    CLiveShortCutLoader loader{env.platform, base};
    LiveProgram gedit;
    CLoadedPrograms running;
};

LiveShortcut Menu(const char* accel, std::vector<std::string> path)
{
    return {accel, AccelSyntax::Gtk, std::move(path), LiveSource::Menu};
}

} // namespace

TEST_F(LiveLoader, LiveShortcutsLieUnderTheBaseAndSayWhereTheyWereFound)
{
    loader.SetLive(gedit, {
                              Menu("<Primary>s", {"File", "Save"}), // the base has it
                              Menu("<Primary>q", {"File", "Quit"}), // a super-global has it
                              Menu("<Primary>o", {"File", "Open…"}),
                              Menu("<Primary><Shift>u", {"Edit", "Upper Case"}),
                              {"<ctrl>o",
                               AccelSyntax::Gtk,
                               {"Files", "Open"},
                               LiveSource::ShortcutsWindow}, // the menu's Open came first
                              Menu("<Primary>nosuchkey", {"Edit", "Broken"}),
                          });
    const auto set = loader.LoadShortCuts();
    set->SetRunningPrograms(running, CActiveProgram{10, {"gedit"}, ""});
    EXPECT_EQ(set->FindShortCut({vk::Control, 'S'})->ActionDescription->Name, "Save it");
    EXPECT_EQ(set->FindShortCut({vk::Control, 'Q'})->ActionDescription->Name, "Quit all");
    const CShortCut* open = set->FindShortCut({vk::Control, 'O'});
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->ActionDescription->ShortName, "Open…");
    EXPECT_EQ(open->ActionDescription->Origin, FormatText(Translate("из меню %s"), "File › Open…"));
    EXPECT_EQ(set->FindShortCut({vk::Control, vk::Shift, 'U'})->ActionDescription->Name,
              "Upper Case");
    // The base's own shortcuts carry no origin.
    EXPECT_TRUE(set->FindShortCut({vk::Control, 'S'})->ActionDescription->Origin.empty());
    EXPECT_EQ(set->ActiveProgramShortCuts().size(), 3u);
    // They are the program's: with another program active none applies.
    set->SetRunningPrograms(running, CActiveProgram{11, {"xterm"}, ""});
    EXPECT_EQ(set->FindShortCut({vk::Control, 'O'}), nullptr);
}

TEST_F(LiveLoader, TheRevisionChangesWhenWhatIsReadOrTheBaseChanges)
{
    const std::uint64_t empty = loader.Revision();
    EXPECT_EQ(loader.Revision(), empty);
    loader.SetLive(gedit, {Menu("<Primary>o", {"File", "Open"})});
    const std::uint64_t read = loader.Revision();
    EXPECT_NE(read, empty);
    loader.SetLive(gedit, {Menu("<Primary>o", {"File", "Open"})});
    EXPECT_EQ(loader.Revision(), read); // the same again
    AddShortcut(registry, "/usr/bin/gedit", true, {vk::Control, 'O'}, "Open", "Open it");
    const std::uint64_t edited = loader.Revision();
    EXPECT_NE(edited, read);
    loader.SetLive(gedit, {});
    EXPECT_NE(loader.Revision(), edited);
    EXPECT_EQ(loader.LiveOf(gedit), nullptr);
}

TEST_F(LiveLoader, OnlyTheLastProgramsReadAreKept)
{
    for (std::size_t i = 0; i <= CLiveShortCutLoader::MaxPrograms; ++i) {
        LiveProgram program = gedit;
        program.executable = "/usr/bin/app" + std::to_string(i);
        loader.SetLive(program, {Menu("<Primary>o", {"File", "Open"})});
    }
    LiveProgram first = gedit;
    first.executable = "/usr/bin/app0";
    EXPECT_EQ(loader.LiveOf(first), nullptr);
    first.executable = "/usr/bin/app1";
    EXPECT_NE(loader.LiveOf(first), nullptr);
}

TEST_F(LiveLoader, SwitchedOffNoLiveShortcutIsShownNorKept)
{
    loader.SetLive(gedit, {Menu("<Primary>o", {"File", "Open"})});
    const std::uint64_t on = loader.Revision();
    loader.SetEnabled(false);
    EXPECT_NE(loader.Revision(), on);
    EXPECT_EQ(loader.LiveOf(gedit), nullptr);
    // A read handed over after the switch is dropped too.
    loader.SetLive(gedit, {Menu("<Primary>o", {"File", "Open"})});
    EXPECT_EQ(loader.LiveOf(gedit), nullptr);
    const auto set = loader.LoadShortCuts();
    set->SetRunningPrograms(running, CActiveProgram{10, {"gedit"}, ""});
    EXPECT_EQ(set->FindShortCut({vk::Control, 'O'}), nullptr);
    EXPECT_NE(set->FindShortCut({vk::Control, 'S'}), nullptr);
    loader.SetEnabled(true);
    loader.SetLive(gedit, {Menu("<Primary>o", {"File", "Open"})});
    EXPECT_NE(loader.LiveOf(gedit), nullptr);
}

TEST_F(LiveLoader, AProgramTheBaseSwitchesOffShowsNoneOfItsLiveShortcuts)
{
    // A program of the base without shortcuts of its own switches too.
    DataSet& programs = *registry.GetPrograms();
    programs.Insert();
    programs.FieldByName("FileName").SetValue(std::string("/usr/bin/mousepad"));
    programs.FieldByName("LiveReadingOff").SetValue(true);
    programs.Post();
    LiveProgram mousepad = gedit;
    mousepad.executable = "/usr/bin/mousepad";
    mousepad.classes = {"mousepad"};
    loader.SetLive(mousepad, {Menu("<Primary>f", {"Search", "Find"})});
    loader.SetLive(gedit, {Menu("<Primary>o", {"File", "Open"})});
    running.push_back(std::make_unique<CLoadedProgram>());
    running.back()->ProcessId = 11;
    running.back()->FileName = "mousepad";
    running.back()->WindowClasses = {"mousepad"};
    auto set = loader.LoadShortCuts();
    set->SetRunningPrograms(running, CActiveProgram{11, {"mousepad"}, ""});
    EXPECT_EQ(set->FindShortCut({vk::Control, 'F'}), nullptr);
    set->SetRunningPrograms(running, CActiveProgram{10, {"gedit"}, ""});
    EXPECT_NE(set->FindShortCut({vk::Control, 'O'}), nullptr);

    // Switched off for gedit: its base shortcuts stay, its live ones go.
    ASSERT_TRUE(programs.Locate("FileName", std::string("/usr/bin/gedit")));
    programs.Edit();
    programs.FieldByName("LiveReadingOff").SetValue(true);
    programs.Post();
    set = loader.LoadShortCuts();
    set->SetRunningPrograms(running, CActiveProgram{10, {"gedit"}, ""});
    EXPECT_EQ(set->FindShortCut({vk::Control, 'O'}), nullptr);
    EXPECT_NE(set->FindShortCut({vk::Control, 'S'}), nullptr);
}
