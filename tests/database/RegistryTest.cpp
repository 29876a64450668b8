#include "database/Registry.h"

#include "FakeEnvironment.h"
#include "framework/DataSet.h"

#include <gtest/gtest.h>

namespace {

class Registry : public ::testing::Test
{
protected:
    Registry()
    {
        // Program 2 with shortcuts 1, 2, 3; program 3 with none.
        for (int program = 0; program < 2; ++program) {
            programs.Append();
            programs.Post();
        }
        programs.Locate("Id", 2);
        for (int i = 0; i < 3; ++i) {
            shortcuts.Append();
            shortcuts.Post();
        }
    }
    std::vector<int> ShortcutIds()
    {
        std::vector<int> ids;
        for (shortcuts.First(); !shortcuts.Eof(); shortcuts.Next()) {
            ids.push_back(shortcuts.FieldByName("Id").AsInteger());
        }
        return ids;
    }

    FakeEnvironment env;
    CDBRegistry registry;
    DataSet& programs = *registry.GetPrograms();
    DataSet& shortcuts = *registry.GetShortcuts();
};

} // namespace

TEST_F(Registry, LinksFindTheirRecordsAfterNavigation)
{
    programs.Locate("Id", 2);
    shortcuts.Locate("Id", 2);
    const auto link = registry.CreateRecordLink(&shortcuts);
    ASSERT_TRUE(link);
    programs.Locate("Id", 3);
    EXPECT_EQ(registry.CreateRecordLink(&shortcuts), nullptr);
    programs.First();

    ASSERT_TRUE(link->Locate());
    EXPECT_EQ(programs.FieldByName("Id").AsInteger(), 2);
    EXPECT_EQ(shortcuts.FieldByName("Id").AsInteger(), 2);
    EXPECT_EQ(link->GetDataSet(), &shortcuts);
}

TEST_F(Registry, InsertRecordAppendsAfterTheLastAndFollowsAnyOther)
{
    programs.Locate("Id", 2);
    shortcuts.Locate("Id", 1);
    const auto middle = registry.CreateRecordLink(&shortcuts);
    const auto inserted = middle->InsertRecord();
    ASSERT_TRUE(inserted);
    EXPECT_EQ(shortcuts.FieldByName("ProgramId").AsInteger(), 2);
    shortcuts.Post();
    EXPECT_EQ(ShortcutIds(), (std::vector<int>{1, 4, 2, 3}));

    shortcuts.Locate("Id", 3);
    const auto last = registry.CreateRecordLink(&shortcuts)->InsertRecord();
    shortcuts.Post();
    EXPECT_EQ(ShortcutIds(), (std::vector<int>{1, 4, 2, 3, 5}));
    programs.Last();
    ASSERT_TRUE(last->Locate());
    EXPECT_EQ(shortcuts.FieldByName("Id").AsInteger(), 5);
}

TEST_F(Registry, DeletedRecordsNoLongerLocate)
{
    programs.Locate("Id", 2);
    shortcuts.Locate("Id", 3);
    const auto viaOther = registry.CreateRecordLink(&shortcuts);
    const auto link = registry.CreateRecordLink(&shortcuts);
    ASSERT_TRUE(link->DeleteRecord());
    EXPECT_FALSE(link->Locate());
    EXPECT_EQ(link->InsertRecord(), nullptr);
    EXPECT_FALSE(link->DeleteRecord());
    EXPECT_FALSE(viaOther->Locate());
    EXPECT_EQ(ShortcutIds(), (std::vector<int>{1, 2}));

    // Deleting the program takes its shortcuts along.
    const auto program = registry.CreateRecordLink(&programs);
    shortcuts.First();
    const auto shortcut = registry.CreateRecordLink(&shortcuts);
    ASSERT_TRUE(program->DeleteRecord());
    EXPECT_FALSE(shortcut->Locate());
    EXPECT_FALSE(shortcuts.Max("Id").has_value());
}

TEST_F(Registry, ATableThatIsNotTheRegistrysIsAProgrammingError)
{
    DataSet stranger("stranger", {{"Id", FieldType::Integer, 0, {}}});
    EXPECT_THROW(registry.CreateRecordLink(&stranger), std::logic_error);
    const auto link = registry.CreateRecordLink(&programs);
    ASSERT_TRUE(link);
    registry.Delete(registry.CreateRecordLink(&programs));
    // Releasing a link leaves its record.
    EXPECT_TRUE(link->Locate());
}

TEST_F(Registry, RevisionChangesWithEveryChangeOfEitherTable)
{
    const std::uint64_t start = registry.Revision();
    programs.First();
    shortcuts.First();
    EXPECT_EQ(registry.Revision(), start); // navigation is no change
    shortcuts.Edit();
    shortcuts.FieldByName("ShortName").SetValue(std::string("Save"));
    const std::uint64_t edited = registry.Revision();
    EXPECT_NE(edited, start);
    shortcuts.Post();
    EXPECT_NE(registry.Revision(), edited);
    const std::uint64_t posted = registry.Revision();
    programs.Locate("Id", 3);
    programs.Delete();
    EXPECT_NE(registry.Revision(), posted);
}
