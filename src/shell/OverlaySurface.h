#pragma once

#include "platform/Platform.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QLabel;
class QWidget;

// The overlay window drawn onto the platform's overlay surface (a Wayland layer surface) instead
// of mapped: the window stays unmapped, each change of it is drawn onto the surface, and the
// surface's pointer input goes to the widget under the pointer as the window's own would; the
// pointer resting on a widget with a tooltip shows it inside the overlay.
class COverlaySurface : public QObject
{
public:
    COverlaySurface(platform::Platform& platform, QWidget& overlay);
    ~COverlaySurface() override;

    // A shortcut's description, shown in the overlay beside the place clicked (a tooltip would
    // be a window of its own, beside no window).
    void ShowDescription(const QPoint& globalPos, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Draws the overlay onto the surface.
    void Present();
    void Forward(const platform::Platform::OverlayPointer& pointer);
    // The pointer is on that widget (null: off the overlay): a description shown goes, and the
    // widget's tooltip shows once the pointer has rested there.
    void Hover(QWidget* widget, const QPoint& place);
    void ShowHoveredTip();
    void HideDescription();

    platform::Platform& platform_;
    QWidget& overlay_;
    // The widget a button was pressed on, which gets its release.
    QPointer<QWidget> pressed_;
    QLabel* description_ = nullptr;
    QImage picture_;
    QPointer<QWidget> hovered_;
    QPoint hoverPlace_;
    QTimer hoverWait_;
};
