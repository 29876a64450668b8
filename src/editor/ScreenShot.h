#pragma once

#include <QImage>
#include <QRect>

// A picture of the whole primary screen, taken on request.
class CScreenShot
{
public:
    void Take();
    QImage Bitmap;
};

QImage CopyBitmap(const QImage& bitmap);
// The part of the picture from (left, top) to (right, bottom), spread over one pixel more in each
// direction: (width + 1) x (height + 1). What lies outside the picture is black.
QImage CropRect(const QImage& bitmap, int left, int top, int right, int bottom);
// CropRect of the part of a snapshot under a rectangle in screen coordinates, in the snapshot's
// own pixels: twice as many each way on a screen with two device pixels to a logical one.
QImage CropScreenRect(const QImage& snapshot, const QRect& area);
// Each colour halfway to white, as a 24-bit picture.
QImage Lighten(const QImage& bitmap);
