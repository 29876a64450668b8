#include "editor/ZoomWindow.h"

#include "editor/ScreenShot.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

constexpr int ImageSide = 164;
constexpr int Reach = 20;
constexpr int Clearance = 30;

} // namespace

TZoomWindow::TZoomWindow(QWidget* parent) : QFrame(parent), image_(new QLabel(this))
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(3);
    image_->setFixedSize(ImageSide, ImageSide);
    image_->setScaledContents(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->addWidget(image_);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    adjustSize();
}

void TZoomWindow::Place(QPoint pointer)
{
    move(parentWidget()->width() - width(), parentWidget()->height() - height());
    UpdateZoom(pointer);
    MoveAwayFromCursor(pointer);
}

void TZoomWindow::UpdateZoom(QPoint pointer)
{
    if (!Source) {
        return;
    }
    zoom_ =
        CropScreenRect(*Source, QRect(pointer - QPoint(Reach, Reach), QSize(2 * Reach, 2 * Reach)));
    QPainter painter(&zoom_);
    painter.setPen(Qt::black);
    painter.drawLine(zoom_.width() / 2, 0, zoom_.width() / 2, zoom_.height());
    painter.drawLine(0, zoom_.height() / 2, zoom_.width(), zoom_.height() / 2);
    painter.end();
    // Enlarged without smoothing: the user sees the pixels.
    image_->setPixmap(QPixmap::fromImage(zoom_.scaled(ImageSide, ImageSide)));
}

bool TZoomWindow::IsClear(QPoint position, QPoint pointer) const
{
    const bool near = position.x() - Clearance < pointer.x() &&
                      pointer.x() < position.x() + width() + Clearance &&
                      position.y() - Clearance < pointer.y() &&
                      pointer.y() < position.y() + height() + Clearance;
    return !near;
}

void TZoomWindow::MoveAwayFromCursor(QPoint pointer)
{
    if (IsClear(pos(), pointer)) {
        return;
    }
    const QSize screen = parentWidget()->size();
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(screen.width() - width(), screen.height() - height())}) {
        if (IsClear(corner, pointer)) {
            move(corner);
            return;
        }
    }
}
