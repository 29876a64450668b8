#pragma once

#include "editor/DescriptionFrame.h"
#include "platform/Platform.h"

#include <QWidget>

class CActiveWindow;
class TProgramDescriptionFrame;
class TShortcutDescriptionFrame;
class TSuperglobalDescriptionFrame;

// The editor's right-hand panel: shows the frame that fits the kind of node selected.
class TNodeDescription : public QWidget
{
    Q_OBJECT
public:
    TNodeDescription(platform::Platform& platform, CDBRegistry& registry,
                     const CActiveWindow& activeWindow, QWidget* parent);

    // 0 none, 1 program, 2 shortcut, 3 super-global: the visible frame. Exception for any other
    // value, with every frame hidden.
    int NodeType() const;
    void SetNodeType(int value);
    // Into the visible frame.
    void SetFocus();
    void SetNodeTextHandler(std::function<void()> handler);
    // Kind 1: create a shortcut; kind 2: create a program; other kinds are ignored.
    void SetCreateHook(int kind, std::function<void()> handler);
    // The width the widest frame needs, shown or not.
    int FramesMinimumWidth() const;
    // Closes the prompt under the hot-key control.
    void HideHints();

    TProgramDescriptionFrame* ProgramFrame;
    TShortcutDescriptionFrame* ShortcutFrame;
    TSuperglobalDescriptionFrame* SuperglobalFrame;

private:
    TCreateHooks hooks_;
};
