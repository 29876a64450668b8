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
    dataListeners_.emplace(nextId_, Listener<DataChangeListener>{std::move(listener)});
    return nextId_++;
}

int DataSource::AddStateChangeListener(std::function<void()> listener)
{
    stateListeners_.emplace(nextId_, Listener<std::function<void()>>{std::move(listener)});
    return nextId_++;
}

void DataSource::RemoveListener(int id)
{
    // A listener may remove itself (or another) while it runs: it is then only marked, and
    // erased when the notification is over.
    if (notifying_ > 0) {
        if (auto data = dataListeners_.find(id); data != dataListeners_.end()) {
            data->second.removed = true;
        }
        if (auto state = stateListeners_.find(id); state != stateListeners_.end()) {
            state->second.removed = true;
        }
        return;
    }
    dataListeners_.erase(id);
    stateListeners_.erase(id);
}

template <typename Listeners, typename... Args>
void DataSource::Notify(Listeners& listeners, Args... args)
{
    // By id, so that listeners added meanwhile are reached and none is called twice.
    // A listener may throw (a control that cannot reach its field): the depth is restored on
    // every path.
    struct Depth
    {
        DataSource& source;
        explicit Depth(DataSource& s) : source(s) { ++source.notifying_; }
        ~Depth()
        {
            if (--source.notifying_ == 0) {
                std::erase_if(source.dataListeners_,
                              [](const auto& e) { return e.second.removed; });
                std::erase_if(source.stateListeners_,
                              [](const auto& e) { return e.second.removed; });
            }
        }
    } depth(*this);
    for (auto it = listeners.begin(); it != listeners.end();
         it = listeners.upper_bound(it->first)) {
        if (!it->second.removed && it->second.call) {
            it->second.call(args...);
        }
    }
}

void DataSource::DataChanged(const Field* field)
{
    Notify(dataListeners_, field);
}

void DataSource::StateChanged()
{
    Notify(stateListeners_);
}
