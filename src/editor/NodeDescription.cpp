#include "editor/NodeDescription.h"

#include "editor/ProgramDescriptionFrame.h"
#include "editor/ShortcutDescriptionFrame.h"
#include "editor/SuperglobalDescriptionFrame.h"
#include "framework/Exception.h"
#include "keyboard/HotKeyEdit.h"
#include "services/Translation.h"

#include <QVBoxLayout>

#include <algorithm>

TNodeDescription::TNodeDescription(platform::Platform& platform, CDBRegistry& registry,
                                   const CActiveWindow& activeWindow, QWidget* parent)
    : QWidget(parent)
{
    ProgramFrame = new TProgramDescriptionFrame(platform, registry, hooks_, activeWindow, this);
    ShortcutFrame = new TShortcutDescriptionFrame(platform, registry, hooks_, this);
    SuperglobalFrame = new TSuperglobalDescriptionFrame(registry, hooks_, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (IDescriptionFrame* frame :
         std::initializer_list<IDescriptionFrame*>{ProgramFrame, ShortcutFrame, SuperglobalFrame}) {
        frame->HideFrame();
        layout->addWidget(frame);
    }
}

int TNodeDescription::NodeType() const
{
    if (!ProgramFrame->isHidden()) {
        return 1;
    }
    if (!ShortcutFrame->isHidden()) {
        return 2;
    }
    if (!SuperglobalFrame->isHidden()) {
        return 3;
    }
    return 0;
}

void TNodeDescription::SetNodeType(int value)
{
    ProgramFrame->HideFrame();
    ShortcutFrame->HideFrame();
    SuperglobalFrame->HideFrame();
    switch (value) {
    case 0:
        break;
    case 1:
        ProgramFrame->ShowFrame();
        break;
    case 2:
        ShortcutFrame->ShowFrame();
        break;
    case 3:
        SuperglobalFrame->ShowFrame();
        break;
    default:
        throw Exception(
            Translate("Присвоение недопустимого значения свойству TNodeDescription::NodeType"));
    }
}

void TNodeDescription::SetFocus()
{
    switch (NodeType()) {
    case 1:
        ProgramFrame->SetFocus();
        break;
    case 2:
        ShortcutFrame->SetFocus();
        break;
    case 3:
        SuperglobalFrame->SetFocus();
        break;
    default:
        break;
    }
}

void TNodeDescription::SetNodeTextHandler(std::function<void()> handler)
{
    ProgramFrame->OnNodeTextChanged = handler;
    ShortcutFrame->OnNodeTextChanged = handler;
    SuperglobalFrame->OnNodeTextChanged = std::move(handler);
}

void TNodeDescription::SetCreateHook(int kind, std::function<void()> handler)
{
    if (kind == 1) {
        hooks_.CreateShortcut = std::move(handler);
    } else if (kind == 2) {
        hooks_.CreateProgram = std::move(handler);
    }
}

void TNodeDescription::HideHints()
{
    ShortcutFrame->HotKeyEdit->HideKeyHint();
}

int TNodeDescription::FramesMinimumWidth() const
{
    return std::max({ProgramFrame->minimumSizeHint().width(),
                     ShortcutFrame->minimumSizeHint().width(),
                     SuperglobalFrame->minimumSizeHint().width()});
}
