#include "framework/DataSource.h"

#include "framework/DataSet.h"

#include <algorithm>

DataSource::DataSource(DataSet* dataSet)
{
    SetDataSet(dataSet);
}

DataSource::~DataSource()
{
    SetDataSet(nullptr);
}

void DataSource::SetDataSet(DataSet* dataSet)
{
    if (dataSet_) {
        std::erase(dataSet_->sources_, this);
    }
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->sources_.push_back(this);
    }
}

int DataSource::AddDataChangeListener(DataChangeListener listener)
{
    dataListeners_.emplace(nextId_, std::move(listener));
    return nextId_++;
}

int DataSource::AddStateChangeListener(std::function<void()> listener)
{
    stateListeners_.emplace(nextId_, std::move(listener));
    return nextId_++;
}

void DataSource::RemoveListener(int id)
{
    dataListeners_.erase(id);
    stateListeners_.erase(id);
}

void DataSource::DataChanged(const Field* field)
{
    // A listener may add or remove listeners while it runs.
    const auto listeners = dataListeners_;
    for (const auto& [id, listener] : listeners) {
        if (listener) {
            listener(field);
        }
    }
}

void DataSource::StateChanged()
{
    const auto listeners = stateListeners_;
    for (const auto& [id, listener] : listeners) {
        if (listener) {
            listener();
        }
    }
}
