#include "database/Dbregistry.h"

#include "FakeEnvironment.h"
#include "framework/DataSet.h"
#include "framework/Exception.h"

#include <gtest/gtest.h>

namespace {

class OtherLink : public IRecordLink
{
public:
    bool Locate() override { return false; }
    DataSet* GetDataSet() override { return nullptr; }
    bool DeleteRecord() override { return false; }
    std::unique_ptr<IRecordLink> InsertRecord() override { return nullptr; }
    std::string TypeName() override { return "OtherLink"; }
};

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
    IDBRegistry forwarding;
    DataSet& programs = *forwarding.GetPrograms();
    DataSet& shortcuts = *forwarding.GetShortcuts();
};

} // namespace

TEST_F(Registry, LinksFindTheirRecordsAfterNavigation)
{
    programs.Locate("Id", 2);
    shortcuts.Locate("Id", 2);
    const auto link = forwarding.CreateRecordLink(&shortcuts);
    ASSERT_TRUE(link);
    programs.Locate("Id", 3);
    EXPECT_EQ(forwarding.CreateRecordLink(&shortcuts), nullptr);
    programs.First();

    ASSERT_TRUE(link->Locate());
    EXPECT_EQ(programs.FieldByName("Id").AsInteger(), 2);
    EXPECT_EQ(shortcuts.FieldByName("Id").AsInteger(), 2);
    EXPECT_EQ(link->GetDataSet(), &shortcuts);
    EXPECT_EQ(link->TypeName(), "CRecordLink");
}

TEST_F(Registry, InsertRecordAppendsAfterTheLastAndFollowsAnyOther)
{
    programs.Locate("Id", 2);
    shortcuts.Locate("Id", 1);
    const auto middle = forwarding.CreateRecordLink(&shortcuts);
    const auto inserted = middle->InsertRecord();
    ASSERT_TRUE(inserted);
    EXPECT_EQ(shortcuts.FieldByName("ProgramId").AsInteger(), 2);
    shortcuts.Post();
    EXPECT_EQ(ShortcutIds(), (std::vector<int>{1, 4, 2, 3}));

    shortcuts.Locate("Id", 3);
    const auto last = forwarding.CreateRecordLink(&shortcuts)->InsertRecord();
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
    const auto viaOther = forwarding.CreateRecordLink(&shortcuts);
    const auto link = forwarding.CreateRecordLink(&shortcuts);
    ASSERT_TRUE(link->DeleteRecord());
    EXPECT_FALSE(link->Locate());
    EXPECT_EQ(link->InsertRecord(), nullptr);
    EXPECT_FALSE(link->DeleteRecord());
    EXPECT_FALSE(viaOther->Locate());
    EXPECT_EQ(ShortcutIds(), (std::vector<int>{1, 2}));

    // Deleting the program takes its shortcuts along.
    const auto program = forwarding.CreateRecordLink(&programs);
    shortcuts.First();
    const auto shortcut = forwarding.CreateRecordLink(&shortcuts);
    ASSERT_TRUE(program->DeleteRecord());
    EXPECT_FALSE(shortcut->Locate());
    EXPECT_FALSE(shortcuts.Max("Id").has_value());
}

TEST_F(Registry, MisuseIsReported)
{
    DataSet stranger("stranger", {{"Id", FieldType::Integer, 0, {}}});
    EXPECT_THROW(forwarding.CreateRecordLink(&stranger), Exception);
    EXPECT_THROW(forwarding.Delete(std::make_unique<OtherLink>()), Exception);
    EXPECT_NO_THROW(forwarding.Delete(forwarding.CreateRecordLink(&programs)));
    EXPECT_THROW(CDBRegistry(), Exception);
    EXPECT_EQ(IDBRegistry::Registry, &registry);
}

TEST(RegistryLifetime, ForwardingNeedsARegisteredRegistry)
{
    FakeEnvironment env;
    IDBRegistry forwarding;
    EXPECT_THROW(forwarding.GetPrograms(), Exception);
    {
        CDBRegistry registry;
        EXPECT_EQ(forwarding.GetPrograms()->RecordCount(), 1);
    }
    EXPECT_EQ(IDBRegistry::Registry, nullptr);
    EXPECT_THROW(forwarding.GetLoader(), Exception);
}
