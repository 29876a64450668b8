#pragma once

#include <QFrame>
#include <QImage>

class QLabel;

// A magnifier: the area around the pointer four times enlarged with a cross on the pointer,
// keeping clear of the pointer.
class TZoomWindow : public QFrame
{
    Q_OBJECT
public:
    explicit TZoomWindow(QWidget* parent);

    // The picture it magnifies (not owned).
    const QImage* Source = nullptr;

    // At the bottom-right corner of the screen (its parent), showing the pointer's area.
    void Place(QPoint pointer);
    void UpdateZoom(QPoint pointer);
    // Moves to a corner clear of the pointer, when it is not clear where it is.
    void MoveAwayFromCursor(QPoint pointer);
    QImage Zoom() const { return zoom_; }

private:
    bool IsClear(QPoint position, QPoint pointer) const;

    QLabel* image_;
    QImage zoom_;
};
