#include "editor/DescriptionFrame.h"

#include "framework/DataSet.h"

IDescriptionFrame::IDescriptionFrame(CDBRegistry& registry, const TCreateHooks& hooks,
                                     DataSet* table, QWidget* parent)
    : QWidget(parent), registry_(registry), hooks_(hooks), ds_(table)
{
}

IDescriptionFrame::~IDescriptionFrame()
{
    qDeleteAll(findChildren<QObject*>(Qt::FindDirectChildrenOnly));
}

void IDescriptionFrame::NodeTextLeft(const DataSet& table)
{
    if (table.State() == DataSetState::Edit && OnNodeTextChanged) {
        OnNodeTextChanged();
    }
}

void IDescriptionFrame::CallHook(const std::function<void()>& hook) const
{
    if (hook) {
        hook();
    }
}
