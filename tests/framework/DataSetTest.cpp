#include "framework/DataSet.h"
#include "framework/DataSource.h"

#include <gtest/gtest.h>

namespace {

class MasterDetail : public ::testing::Test
{
protected:
    MasterDetail()
        : masters("masters",
                  {{"Id", FieldType::Integer, 0, {}}, {"Name", FieldType::String, 5, {}}}),
          masterSource(&masters), details("details", {{"Id", FieldType::Integer, 0, {}},
                                                      {"MasterId", FieldType::Integer, 0, {}},
                                                      {"Flag", FieldType::Boolean, 0, true},
                                                      {"Data", FieldType::Blob, 0, {}}})
    {
        details.SetIndexFieldNames({"MasterId"});
        details.SetMasterSource(&masterSource, "Id", "MasterId");
        for (int id : {1, 2, 3}) {
            AddMaster(id);
        }
    }

    void AddMaster(int id)
    {
        masters.Append();
        masters.FieldByName("Id").SetValue(id);
        masters.Post();
    }
    void AddDetail(int id)
    {
        details.Append();
        details.FieldByName("Id").SetValue(id);
        details.Post();
    }
    std::vector<int> Ids(DataSet& dataSet)
    {
        std::vector<int> ids;
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
            ids.push_back(dataSet.FieldByName("Id").AsInteger());
        }
        return ids;
    }

    DataSet masters;
    DataSource masterSource;
    DataSet details;
};

} // namespace

TEST_F(MasterDetail, DetailShowsTheCurrentMastersRecordsAndTakesItsKey)
{
    masters.Locate("Id", 2);
    AddDetail(20);
    AddDetail(21);
    masters.Locate("Id", 1);
    AddDetail(10);
    EXPECT_EQ(details.FieldByName("MasterId").AsInteger(), 1);
    EXPECT_EQ(Ids(details), (std::vector<int>{10}));
    masters.Next();
    EXPECT_EQ(Ids(details), (std::vector<int>{20, 21}));
    masters.Next();
    EXPECT_TRUE(details.IsEmpty());
    EXPECT_TRUE(details.Eof() && details.Bof());
}

TEST_F(MasterDetail, InsertGoesBeforeTheCurrentRecordAndIndexOrderIsStable)
{
    masters.Locate("Id", 1);
    AddDetail(1);
    AddDetail(2);
    masters.Locate("Id", 2);
    AddDetail(3);
    masters.Locate("Id", 1);
    details.Last();
    details.Insert();
    details.FieldByName("Id").SetValue(4);
    details.Post();
    EXPECT_EQ(details.FieldByName("Id").AsInteger(), 4);
    EXPECT_EQ(Ids(details), (std::vector<int>{1, 4, 2}));
    // Max and Min see every record, not only the ones the master shows.
    EXPECT_EQ(details.Max("Id"), 4);
    EXPECT_EQ(details.Min("Id"), 1);
}

TEST_F(MasterDetail, DeletingAMasterDeletesItsDetails)
{
    masters.Locate("Id", 1);
    AddDetail(1);
    masters.Locate("Id", 2);
    AddDetail(2);
    AddDetail(3);
    masters.Delete();
    EXPECT_EQ(masters.FieldByName("Id").AsInteger(), 3);
    EXPECT_EQ(details.Max("Id"), 1);
    masters.Locate("Id", 1);
    EXPECT_EQ(Ids(details), (std::vector<int>{1}));
}

TEST_F(MasterDetail, ScrollingTheMasterPostsAPendingDetailEdit)
{
    masters.First();
    details.Append();
    details.FieldByName("Id").SetValue(7);
    masters.Next();
    EXPECT_EQ(details.State(), DataSetState::Browse);
    masters.First();
    EXPECT_EQ(Ids(details), (std::vector<int>{7}));
}

TEST(DataSet, EditPostCancelAndDefaults)
{
    DataSet table("t", {{"Id", FieldType::Integer, 0, {}},
                        {"Text", FieldType::String, 3, {}},
                        {"Flag", FieldType::Boolean, 0, true}});
    EXPECT_THROW(table.FieldByName("Text").SetValue(std::string("x")), std::logic_error);
    EXPECT_FALSE(table.Max("Id").has_value());
    table.Append();
    EXPECT_TRUE(table.FieldByName("Flag").AsBoolean());
    EXPECT_TRUE(table.FieldByName("Id").IsNull());
    // Cut after three characters, not three bytes.
    table.FieldByName("Text").SetValue(std::string("Привет"));
    EXPECT_EQ(table.FieldByName("Text").AsString(), "При");
    EXPECT_THROW(table.FieldByName("Id").SetValue(std::string("1")), std::invalid_argument);
    table.Post();
    EXPECT_EQ(table.RecordCount(), 1);

    table.Edit();
    table.FieldByName("Text").SetValue(std::string("abc"));
    table.Cancel();
    EXPECT_EQ(table.FieldByName("Text").AsString(), "При");

    table.Insert();
    table.Cancel();
    EXPECT_EQ(table.RecordCount(), 1);
    // A pending edit is posted by navigation.
    table.Edit();
    table.FieldByName("Flag").SetValue(false);
    table.First();
    EXPECT_FALSE(table.FieldByName("Flag").AsBoolean());
    table.Delete();
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_THROW(table.Delete(), std::logic_error);
}

TEST(DataSet, NotifiesRecordAndFieldChanges)
{
    DataSet table("t", {{"Id", FieldType::Integer, 0, {}}});
    DataSource source(&table);
    std::vector<std::string> seen;
    const int id = source.AddDataChangeListener(
        [&seen](const Field* field) { seen.push_back(field ? field->Name() : "*"); });
    int stateChanges = 0;
    source.AddStateChangeListener([&stateChanges] { ++stateChanges; });
    table.Append();
    table.FieldByName("Id").SetValue(1);
    table.Post();
    EXPECT_EQ(seen, (std::vector<std::string>{"*", "Id", "*"}));
    EXPECT_EQ(stateChanges, 2);
    source.RemoveListener(id);
    table.Append();
    EXPECT_EQ(seen.size(), 3u);
}

TEST(DataSet, AfterInsertRunsWithTheNewRecordCurrent)
{
    DataSet table("t", {{"Id", FieldType::Integer, 0, {}}});
    table.AfterInsert = [](DataSet& dataSet) {
        dataSet.FieldByName("Id").SetValue(dataSet.Max("Id").value_or(0) + 1);
    };
    table.Append();
    table.Post();
    table.First();
    table.Insert();
    table.Post();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 2);
    table.First();
    EXPECT_EQ(table.FieldByName("Id").AsInteger(), 2);
    EXPECT_TRUE(table.Locate("Id", 1));
    EXPECT_FALSE(table.Locate("Id", 3));
}
