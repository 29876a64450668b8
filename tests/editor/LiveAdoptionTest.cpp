#include "editor/LiveAdoption.h"

#include "BaseWriter.h"
#include "FakeEnvironment.h"
#include "database/DataSetLoader.h"
#include "database/Registry.h"
#include "live/LiveShortCutLoader.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

using live::AccelSyntax;
using live::LiveProgram;
using live::LiveShortcut;
using live::LiveSource;

namespace {

class LiveAdoption : public ::testing::Test
{
protected:
    LiveAdoption()
    {
        registry.GetLoader()->Load();
        AddShortcut(registry, "/usr/bin/gedit", true, {vk::Control, 'S'}, "Save", "Save it");
        AddShortcut(registry, "Superglobal", false, {vk::Control, 'Q'}, "Quit", "Quit all");
        gedit.executable = "/usr/bin/gedit";
        gedit.classes = {"gedit"};
        mousepad.executable = "/usr/bin/mousepad";
        mousepad.classes = {"Mousepad"};
        mousepad.desktopId = "org.xfce.mousepad.desktop";
    }

    FakeEnvironment env;
    CDBRegistry registry;
    LiveProgram gedit, mousepad;
};

LiveShortcut Menu(const char* accel, std::vector<std::string> path)
{
    return {accel, AccelSyntax::Gtk, std::move(path), LiveSource::Menu};
}

} // namespace

TEST_F(LiveAdoption, AdoptedShortcutsJoinTheirProgramAndNoCombinationComesTwice)
{
    const std::vector<LiveShortcut> read{
        Menu("<Primary>s", {"File", "Save"}), // the program has it
        Menu("<Primary>q", {"File", "Quit"}), // a super-global has it
        Menu("<Primary>o", {"File", "Open…"}),
        {"<ctrl>o", AccelSyntax::Gtk, {"Files", "Open"}, LiveSource::ShortcutsWindow},
        Menu("<Primary>nosuchkey", {"Edit", "Broken"}),
    };
    const AdoptionReport report = AdoptLiveShortcuts(env.platform, registry, gedit, read);
    EXPECT_EQ(report.adopted, 1);
    EXPECT_EQ(report.alreadyInBase, 3);
    const std::vector<std::string> adopted{
        " | Superglobal",
        "  Ctrl + Q | Quit | Quit all | global | 0:0",
        "/usr/bin/gedit | /usr/bin/gedit",
        "  Ctrl + S | Save | Save it | normal | 0:0",
        "  Ctrl + O | Open… | Open… | normal | 0:0",
    };
    EXPECT_EQ(DumpBase(registry), adopted);
    // Adopted again: nothing doubles.
    EXPECT_EQ(AdoptLiveShortcuts(env.platform, registry, gedit, read).adopted, 0);
    EXPECT_EQ(DumpBase(registry), adopted);
}

TEST_F(LiveAdoption, AProgramTheBaseLacksIsMadeAndSavedWithItsShortcuts)
{
    const AdoptionReport report = AdoptLiveShortcuts(
        env.platform, registry, mousepad,
        {Menu("<Primary>f", {"Search", "Find"}), Menu("<Primary><Shift>u", {"Edit", "Upper"})});
    EXPECT_EQ(report.adopted, 2);
    registry.GetLoader()->Save();
    CDBRegistry saved;
    saved.GetLoader()->Load();
    const std::vector<std::string> base = DumpBase(saved);
    ASSERT_EQ(base.size(), 7u);
    EXPECT_EQ(base[4], "mousepad | /usr/bin/mousepad | Mousepad org.xfce.mousepad.desktop");
    EXPECT_EQ(base[5], "  Ctrl + F | Find | Find | normal | 0:0");
    EXPECT_EQ(base[6], "  Ctrl + Shift + U | Upper | Upper | normal | 0:0");
    // Now the base's own: the overlay shows them without a live origin, under the same program.
    CShortCutSetLoader baseLoader(env.platform, saved);
    CLiveShortCutLoader loader(env.platform, baseLoader);
    loader.SetLive(mousepad, {Menu("<Primary>f", {"Search", "Find"})});
    const auto set = loader.LoadShortCuts();
    CLoadedPrograms running;
    running.push_back(std::make_unique<CLoadedProgram>());
    running.back()->ProcessId = 10;
    running.back()->FileName = "mousepad";
    running.back()->WindowClasses = {"Mousepad"};
    set->SetRunningPrograms(running, CActiveProgram{10, {"Mousepad"}, ""});
    const CShortCut* find = set->FindShortCut({vk::Control, 'F'});
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->ActionDescription->Origin.empty());
    EXPECT_EQ(set->ActiveProgramShortCuts().size(), 2u);
}
