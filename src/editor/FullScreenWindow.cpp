#include "editor/FullScreenWindow.h"

#include "editor/ScreenShot.h"
#include "editor/ZoomWindow.h"
#include "services/Translation.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

TFullScreenWindow::TFullScreenWindow(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      imgScreen_(new QLabel(this)), imgFrame_(new QLabel(this)), zoom_(new TZoomWindow(this))
{
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    for (QLabel* image : {imgScreen_, imgFrame_}) {
        image->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    imgFrame_->hide();
    setToolTip(QString::fromStdString(Translate("Выделите мышкой область, занимаемую иконкой.")));
}

void TFullScreenWindow::Prepare(QSize screen)
{
    imgScreen_->setPixmap(QPixmap::fromImage(Lighten(Source ? *Source : QImage())));
    setGeometry(QRect(QPoint(0, 0), screen));
    imgScreen_->setGeometry(rect());
    zoom_->Source = Source;
    zoom_->show();
    zoom_->Place(mapFromGlobal(QCursor::pos()));
    selection_ = QRect();
    selecting_ = false;
}

bool TFullScreenWindow::Execute()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    Prepare(screen ? screen->geometry().size() : QSize(640, 480));
    return exec() == QDialog::Accepted;
}

QImage TFullScreenWindow::GetSelection() const
{
    return CropScreenRect(Source ? *Source : QImage(), selection_);
}

void TFullScreenWindow::mousePressEvent(QMouseEvent* event)
{
    setToolTip({});
    if (event->button() == Qt::LeftButton) {
        start_ = event->position().toPoint();
        selecting_ = true;
    }
}

void TFullScreenWindow::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (selecting_) {
        UpdateSelection(start_, point);
    }
    zoom_->UpdateZoom(point);
    zoom_->MoveAwayFromCursor(point);
}

void TFullScreenWindow::mouseReleaseEvent(QMouseEvent*)
{
    selecting_ = false;
    accept();
}

void TFullScreenWindow::done(int result)
{
    // Closing hands the activation back to the editor while the window still shows: that is no
    // switch to another window, and the user's answer stands.
    closing_ = true;
    QDialog::done(result);
    closing_ = false;
}

bool TFullScreenWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate && isVisible() && !closing_) {
        selecting_ = false;
        reject();
    }
    return QDialog::event(event);
}

void TFullScreenWindow::UpdateSelection(QPoint from, QPoint to)
{
    const int left = std::min(from.x(), to.x());
    const int right = std::max(from.x(), to.x());
    const int top = std::min(from.y(), to.y());
    const int bottom = std::max(from.y(), to.y());
    selection_ = QRect(left, top, right - left, bottom - top);
    QImage region = CropScreenRect(Source ? *Source : QImage(), selection_);
    {
        QPainter painter(&region);
        QPen hatched(QBrush(Qt::black, Qt::VerPattern), 1);
        painter.setPen(hatched);
        painter.drawRect(0, 0, region.width() - 1, region.height() - 1);
    }
    // The region has the snapshot's pixels; on the screen it covers the selection.
    QPixmap frame = QPixmap::fromImage(region);
    frame.setDevicePixelRatio(Source ? Source->devicePixelRatio() : 1);
    imgFrame_->setGeometry(QRect(QPoint(left, top), frame.deviceIndependentSize().toSize()));
    imgFrame_->setPixmap(frame);
    imgFrame_->show();
    zoom_->raise();
}
