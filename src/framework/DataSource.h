#pragma once

#include <functional>
#include <map>

class DataSet;
class Field;

// Connects a data set to the things that show or follow its current record (data-aware
// controls, detail data sets).
class DataSource
{
public:
    explicit DataSource(DataSet* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    void SetDataSet(DataSet* dataSet);
    DataSet* GetDataSet() const { return dataSet_; }

    // field is null when the whole record changed (another record became current, a post, a
    // cancel, a load); otherwise the one field that was set.
    using DataChangeListener = std::function<void(const Field* field)>;
    int AddDataChangeListener(DataChangeListener listener);
    // Runs when the data set enters or leaves edit or insert state.
    int AddStateChangeListener(std::function<void()> listener);
    void RemoveListener(int id);

private:
    friend class DataSet;
    void DataChanged(const Field* field);
    void StateChanged();
    template <typename Listeners, typename... Args> void Notify(Listeners& listeners, Args... args);

    DataSet* dataSet_ = nullptr;
    int nextId_ = 1;
    // Nesting depth of notifications in progress.
    int notifying_ = 0;
    template <typename Call> struct Listener
    {
        Call call;
        bool removed = false;
    };
    std::map<int, Listener<DataChangeListener>> dataListeners_;
    std::map<int, Listener<std::function<void()>>> stateListeners_;
};
