#pragma once

#include "framework/DataSource.h"

#include <QWidget>

#include <functional>

class CDBRegistry;

// The editor's commands a frame's buttons reach.
struct TCreateHooks
{
    std::function<void()> CreateShortcut;
    std::function<void()> CreateProgram;
};

// What the editor's right-hand panel shows for one kind of tree node.
class IDescriptionFrame : public QWidget
{
    Q_OBJECT
public:
    // The frame's controls show the current record of table (none: null).
    IDescriptionFrame(CDBRegistry& registry, const TCreateHooks& hooks, DataSet* table,
                      QWidget* parent);
    // The controls go before the data source they follow.
    ~IDescriptionFrame() override;

    // Raised when the user leaves the edit that carries the node's text with a change pending.
    std::function<void()> OnNodeTextChanged;

    virtual void ShowFrame() = 0;
    virtual void HideFrame() = 0;
    virtual void SetFocus() = 0;

protected:
    // Raises OnNodeTextChanged when the table holds an unposted change.
    void NodeTextLeft(const class DataSet& table);
    void CallHook(const std::function<void()>& hook) const;

    CDBRegistry& registry_;
    const TCreateHooks& hooks_;
    DataSource ds_;
};
