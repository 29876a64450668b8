#include "keys/Cvswindow.h"

#include "framework/Exception.h"
#include "shell/Gettext.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace {

enum class Axis
{
    horizontal,
    vertical,
    centre,
    none,
    invalid,
};

Axis AxisOf(int align)
{
    switch (align) {
    case alLeft:
    case alRight:
        return Axis::horizontal;
    case alTop:
    case alBottom:
        return Axis::vertical;
    case alCentre:
        return Axis::centre;
    case alNone:
        return Axis::none;
    default:
        return Axis::invalid;
    }
}

QRect ToQRect(const TRect& rect)
{
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

} // namespace

CCvsWindow::CCvsWindow(QPainter& canvas) : canvas_(canvas) {}

void CCvsWindow::SetSize(int width, int height)
{
    Rect.right = Rect.left + width;
    Rect.bottom = Rect.top + height;
}

void CCvsWindow::SizeToText(const std::string& text)
{
    const QFontMetrics metrics(canvas_.font());
    SetSize(metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height());
}

void CCvsWindow::SizeToGraphic(const QImage& picture)
{
    SetSize(picture.width(), picture.height());
}

void CCvsWindow::SetWidth(int width)
{
    const int oldWidth = Width();
    const int oldHeight = Height();
    Rect.right = Rect.left + width;
    if (Proportional && oldWidth != 0) {
        const double ratio = static_cast<double>(oldHeight) / oldWidth;
        Rect.bottom = static_cast<int>(width * ratio + Rect.top);
    }
}

void CCvsWindow::SetHeight(int height)
{
    const int oldWidth = Width();
    const int oldHeight = Height();
    Rect.bottom = Rect.top + height;
    if (Proportional && oldHeight != 0) {
        const double ratio = static_cast<double>(oldWidth) / oldHeight;
        Rect.right = static_cast<int>(height * ratio + Rect.left);
    }
}

void CCvsWindow::Align(const TRect& outer, int align1, int align2)
{
    const Axis axis1 = AxisOf(align1);
    const Axis axis2 = AxisOf(align2);
    if (axis1 == Axis::invalid || axis2 == Axis::invalid ||
        (axis1 == axis2 && axis1 != Axis::centre)) {
        throw Exception(Translate(
            "Неправильные значения параметров Align1 и Align2 в функции CCvsWindow::Align."));
    }
    const bool centre = axis1 == Axis::centre || axis2 == Axis::centre;
    int horizontal = centre ? alCentre : alNone;
    int vertical = centre ? alCentre : alNone;
    for (int align : {align1, align2}) {
        if (AxisOf(align) == Axis::horizontal) {
            horizontal = align;
        } else if (AxisOf(align) == Axis::vertical) {
            vertical = align;
        }
    }

    const int width = Width();
    const int height = Height();
    switch (vertical) {
    case alTop:
        Rect.top = outer.top;
        break;
    case alBottom:
        Rect.top = outer.bottom - height;
        break;
    case alCentre:
        Rect.top = (outer.bottom - outer.top - height) / 2 + outer.top;
        break;
    default:
        break;
    }
    Rect.bottom = Rect.top + height;
    switch (horizontal) {
    case alLeft:
        Rect.left = outer.left;
        break;
    case alRight:
        Rect.left = outer.right - width;
        break;
    case alCentre:
        Rect.left = (outer.right - outer.left - width) / 2 + outer.left;
        break;
    default:
        break;
    }
    Rect.right = Rect.left + width;
}

void CCvsWindow::Align(const CCvsWindow& outer, int align1, int align2)
{
    Align(outer.Rect, align1, align2);
}

void CCvsWindow::Place(const CCvsWindow& other, int side)
{
    const int width = Width();
    const int height = Height();
    switch (side) {
    case alLeft:
        Rect.right = other.Rect.left;
        Rect.left = Rect.right - width;
        break;
    case alRight:
        Rect.left = other.Rect.right;
        Rect.right = Rect.left + width;
        break;
    case alTop:
        Rect.bottom = other.Rect.top;
        Rect.top = Rect.bottom - height;
        break;
    case alBottom:
        Rect.top = other.Rect.bottom;
        Rect.bottom = Rect.top + height;
        break;
    default:
        throw Exception(
            Translate("Недопустимое значение парметра Side в методе CCvsWindow::Place."));
    }
}

void CCvsWindow::DrawText(const std::string& text)
{
    const QRect rect = ToQRect(Rect);
    canvas_.save();
    canvas_.setClipRect(rect);
    canvas_.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromStdString(text));
    canvas_.restore();
}

void CCvsWindow::DrawGraphic(const QImage& picture)
{
    if (Width() <= 0 || Height() <= 0) {
        return;
    }
    canvas_.drawImage(ToQRect(Rect), picture);
}

void CCvsWindow::Fill()
{
    canvas_.fillRect(ToQRect(Rect), canvas_.brush());
}
