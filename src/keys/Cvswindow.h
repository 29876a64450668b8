#pragma once

#include <string>

class QImage;
class QPainter;

// A rectangle in pixels: right and bottom lie just outside it.
struct TRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Alignment and side values of CCvsWindow::Align and CCvsWindow::Place.
enum TAlignment
{
    alLeft = 0,
    alRight = 1,
    alTop = 2,
    alBottom = 3,
    alNone = 4,
    alCentre = 5,
};

// A rectangle on a canvas, sized to texts and pictures and placed relative to other rectangles.
class CCvsWindow
{
public:
    explicit CCvsWindow(QPainter& canvas);

    TRect Rect;
    // Whether SetWidth and SetHeight keep the aspect ratio.
    bool Proportional = true;

    int Width() const { return Rect.right - Rect.left; }
    int Height() const { return Rect.bottom - Rect.top; }

    void SetSize(int width, int height);
    // The size of text in the canvas's current font.
    void SizeToText(const std::string& text);
    void SizeToGraphic(const QImage& picture);
    // With Proportional, the other side follows the old aspect ratio (unchanged when the old size
    // is empty and gives no ratio).
    void SetWidth(int width);
    void SetHeight(int height);
    // Aligns inside outer: one value per axis (left/right, top/bottom), centre for the axis no
    // other value names, none to keep that axis. Throws Exception for two values of one axis.
    void Align(const TRect& outer, int align1, int align2);
    void Align(const CCvsWindow& outer, int align1, int align2);
    // Puts the rectangle against one side of other (left, right, top or bottom); throws
    // Exception for any other side.
    void Place(const CCvsWindow& other, int side);

    // Text from the top left corner, clipped to the rectangle, in the canvas's font and pen.
    void DrawText(const std::string& text);
    // The picture stretched into the rectangle.
    void DrawGraphic(const QImage& picture);
    // The rectangle filled with the canvas's brush.
    void Fill();

private:
    QPainter& canvas_;
};
