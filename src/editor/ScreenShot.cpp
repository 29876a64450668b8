#include "editor/ScreenShot.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

void CScreenShot::Take()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    Bitmap = screen ? screen->grabWindow(0).toImage() : QImage();
}

QImage CopyBitmap(const QImage& bitmap)
{
    return bitmap.copy();
}

QImage CropRect(const QImage& bitmap, int left, int top, int right, int bottom)
{
    const int width = right - left;
    const int height = bottom - top;
    QImage result(width + 1, height + 1, QImage::Format_RGB32);
    result.fill(Qt::black);
    if (width > 0 && height > 0) {
        QPainter painter(&result);
        painter.drawImage(QRect(0, 0, width + 1, height + 1), bitmap,
                          QRect(left, top, width, height));
    }
    return result;
}

QImage CropScreenRect(const QImage& snapshot, const QRect& area)
{
    const qreal ratio = snapshot.devicePixelRatio();
    const auto pixels = [ratio](int logical) { return qRound(logical * ratio); };
    return CropRect(snapshot, pixels(area.left()), pixels(area.top()),
                    pixels(area.left() + area.width()), pixels(area.top() + area.height()));
}

QImage Lighten(const QImage& bitmap)
{
    QImage light = bitmap.convertToFormat(QImage::Format_RGB888);
    const int rowBytes = 3 * light.width();
    for (int y = 0; y < light.height(); ++y) {
        uchar* row = light.scanLine(y);
        for (int i = 0; i < rowBytes; ++i) {
            row[i] = static_cast<uchar>((row[i] + 255) >> 1);
        }
    }
    return light;
}
