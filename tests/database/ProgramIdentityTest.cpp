#include "database/ShortCut.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint16_t F5 = 116;
constexpr std::uint16_t F9 = 120;
constexpr std::uint16_t KeyD = 'D';

// Programs told apart by what their windows say, as the overlay sees them.
class ProgramIdentity : public ::testing::Test
{
protected:
    CLoadedProgram& AddProcess(std::int32_t id, const std::string& fileName,
                               std::vector<std::string> classes = {},
                               std::vector<std::string> desktopIds = {})
    {
        auto process = std::make_unique<CLoadedProgram>();
        process->ProcessId = id;
        process->FileName = fileName;
        process->ModulePath = "/usr/bin/" + fileName;
        process->WindowClasses = std::move(classes);
        process->DesktopIds = std::move(desktopIds);
        loaded.push_back(std::move(process));
        return *loaded.back();
    }

    CProgram* AddProgram(const std::string& fileName, std::vector<std::string> classes = {},
                         const std::string& desktopId = {})
    {
        auto program = std::make_unique<CProgram>();
        program->FileName = fileName;
        program->WindowClasses = std::move(classes);
        program->DesktopId = desktopId;
        return shortCuts.AddProgram(std::move(program));
    }

    CShortCut* Add(CProgram* program, std::uint16_t key, ShortCutType type = ShortCutType::Normal)
    {
        auto shortCut = std::make_unique<CShortCut>();
        shortCut->Program = program;
        shortCut->Type = type;
        shortCut->KeyCodes = {key};
        CShortCut* added = shortCut.get();
        shortCuts.Add(std::move(shortCut));
        return added;
    }

    void Activate(std::int32_t processId, std::vector<std::string> classes,
                  const std::string& desktopId = {})
    {
        shortCuts.SetRunningPrograms(loaded, {processId, std::move(classes), desktopId});
    }

    CLoadedPrograms loaded;
    CShortCuts shortCuts;
};

TEST_F(ProgramIdentity, TwoPythonProgramsAreTwoProgramsAndPythonIsNone)
{
    AddProcess(10, "python3.11", {"meld", "Meld"});
    AddProcess(11, "python3.11", {"gnome-tweaks", "Gnome-tweaks"});
    CProgram* meld = AddProgram("meld", {"Meld"});
    CProgram* tweaks = AddProgram("gnome-tweaks", {"gnome-tweaks"});
    CProgram* python = AddProgram("python3.11");
    CShortCut* compare = Add(meld, F5);
    CShortCut* refresh = Add(tweaks, F5);
    Add(python, F9);

    Activate(10, {"meld", "Meld"});
    EXPECT_TRUE(meld->IsActive());
    EXPECT_FALSE(tweaks->IsActive());
    EXPECT_TRUE(tweaks->IsLoaded());
    EXPECT_FALSE(python->IsLoaded()) << "an interpreter alone identifies no program";
    EXPECT_EQ(shortCuts.FindShortCut({F5}), compare);
    EXPECT_EQ(shortCuts.FindShortCut({F9}), nullptr);

    Activate(11, {"gnome-tweaks", "Gnome-tweaks"});
    EXPECT_EQ(shortCuts.FindShortCut({F5}), refresh);
}

TEST_F(ProgramIdentity, ModulesOfOneProcessShowTheirOwnShortcuts)
{
    AddProcess(20, "soffice.bin", {"libreoffice", "libreoffice-writer", "libreoffice-impress"});
    CProgram* writer = AddProgram("soffice.bin", {"libreoffice-writer"});
    CProgram* impress = AddProgram("soffice.bin", {"libreoffice-impress"});
    CProgram* calc = AddProgram("soffice.bin", {"libreoffice-calc"});
    CProgram* office = AddProgram("soffice.bin");
    CShortCut* navigator = Add(writer, F5);
    CShortCut* slideShow = Add(impress, F5);
    CShortCut* calcF5 = Add(calc, F5);
    CShortCut* startCentre = Add(office, F5);
    CShortCut* calcRunning = Add(calc, KeyD, ShortCutType::Global);

    Activate(20, {"libreoffice", "libreoffice-impress"});
    EXPECT_EQ(shortCuts.FindShortCut({F5}), slideShow);
    EXPECT_FALSE(writer->IsActive());
    EXPECT_FALSE(office->IsActive()) << "the module's own program is the more specific";
    EXPECT_TRUE(writer->IsLoaded());
    EXPECT_FALSE(calc->IsLoaded()) << "no Calc window is open";
    EXPECT_FALSE(calcRunning->Enabled());

    Activate(20, {"libreoffice", "libreoffice-writer"});
    EXPECT_EQ(shortCuts.FindShortCut({F5}), navigator);

    // The cheat sheet of the active window holds its module's shortcuts, global ones too.
    Activate(20, {"libreoffice", "libreoffice-calc"});
    EXPECT_EQ(shortCuts.ActiveProgramShortCuts(),
              (std::vector<const CShortCut*>{calcF5, calcRunning}));
    Activate(20, {"libreoffice", "libreoffice-writer"});
    EXPECT_EQ(shortCuts.ActiveProgramShortCuts(), std::vector<const CShortCut*>{navigator});

    // A window of none of the modules belongs to the program known by the executable alone.
    Activate(20, {"libreoffice", "libreoffice-startcenter"});
    EXPECT_EQ(shortCuts.FindShortCut({F5}), startCentre);
    EXPECT_FALSE(writer->IsActive());
}

TEST_F(ProgramIdentity, DesktopEntryIsMoreSpecificThanClassAndExecutable)
{
    AddProcess(30, "meld", {"meld"}, {"org.gnome.Meld.desktop"});
    CProgram* byEntry = AddProgram("", {}, "org.gnome.meld"); // case and suffix do not count
    CProgram* byClass = AddProgram("", {"MELD"});
    CProgram* byFile = AddProgram("MELD");
    Activate(30, {"meld"});
    EXPECT_TRUE(byEntry->IsActive());
    EXPECT_FALSE(byClass->IsActive());
    EXPECT_FALSE(byFile->IsActive());
    EXPECT_TRUE(byClass->IsLoaded());
    EXPECT_TRUE(byFile->IsLoaded());

    // The window itself may name the entry (a GTK application id).
    AddProcess(31, "python3", {"org.gnome.Tweaks"});
    CProgram* tweaks = AddProgram("gnome-tweaks", {}, "org.gnome.tweaks.desktop");
    Activate(31, {"org.gnome.Tweaks"}, "org.gnome.Tweaks");
    EXPECT_TRUE(tweaks->IsActive());
    EXPECT_FALSE(byEntry->IsActive());
}

TEST_F(ProgramIdentity, MatchingByIdentity)
{
    const auto identity = [](const std::string& file, std::vector<std::string> classes,
                             std::vector<std::string> ids = {}) {
        return CProgramIdentity::Make(file, classes, ids);
    };
    EXPECT_EQ(MatchIdentity(identity("gimp", {}), identity("GIMP", {"gimp-2.10"})),
              IdentityMatch::Executable)
        << "a program known by its executable keeps matching windows of any class";
    EXPECT_EQ(MatchIdentity(identity("gimp", {"Gimp"}), identity("gimp", {})),
              IdentityMatch::Executable)
        << "a process without windows is still known by its executable";
    EXPECT_EQ(MatchIdentity(identity("", {}), identity("", {})), IdentityMatch::None);
    for (const char* interpreter : {"python3", "python3.11", "java", "node", "mono", "electron",
                                    "electron22", "bash", "sh", "perl"}) {
        EXPECT_TRUE(IsInterpreter(interpreter)) << interpreter;
        EXPECT_EQ(MatchIdentity(identity(interpreter, {}), identity(interpreter, {})),
                  IdentityMatch::None)
            << interpreter;
    }
    EXPECT_FALSE(IsInterpreter("shotwell"));
    EXPECT_FALSE(IsInterpreter("nodejs-app"));

    EXPECT_EQ(SplitIdentityList(" meld ; Meld,,org.gnome.Meld ;"),
              (std::vector<std::string>{"meld", "Meld", "org.gnome.Meld"}));
    EXPECT_TRUE(SplitIdentityList(" ; ").empty());
    EXPECT_EQ(JoinIdentityList({"meld", "Meld"}), "meld; Meld");
}

} // namespace
