#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>

class QLabel;
class TZoomWindow;

// Covers the screen with a lightened snapshot on which the user drags a rectangle around an icon;
// the rectangle shows in its true colours inside a hatched frame, and a magnifier follows the
// pointer. Releasing the button accepts; Esc or switching away cancels.
class TFullScreenWindow : public QDialog
{
    Q_OBJECT
public:
    explicit TFullScreenWindow(QWidget* parent = nullptr);

    // The snapshot (not owned); set before Execute.
    const QImage* Source = nullptr;

    // Shows the window modally; true when the user accepted a region.
    bool Execute();
    // Lays out the window over the screen for the snapshot; Execute starts with it.
    void Prepare(QSize screen);
    // The selected region, one pixel larger in each direction.
    QImage GetSelection() const;
    QRect Selection() const { return selection_; }
    TZoomWindow* Zoom() const { return zoom_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void done(int result) override;

private:
    void UpdateSelection(QPoint from, QPoint to);

    QLabel* imgScreen_;
    QLabel* imgFrame_;
    TZoomWindow* zoom_;
    QPoint start_;
    bool selecting_ = false;
    bool closing_ = false;
    QRect selection_;
};
