#pragma once

#include "editor/DescriptionFrame.h"

class QPushButton;

// Explains the super-global shortcuts and offers to create one, or a program.
class TSuperglobalDescriptionFrame : public IDescriptionFrame
{
    Q_OBJECT
public:
    TSuperglobalDescriptionFrame(CDBRegistry& registry, const TCreateHooks& hooks, QWidget* parent);

    void ShowFrame() override;
    void HideFrame() override;
    void SetFocus() override;

    QPushButton* btnCreate;
    QPushButton* Button1;
};
