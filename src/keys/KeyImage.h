#pragma once

#include "keys/ActionDescription.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <functional>

class QPainter;

// A font together with the colour its text is drawn in.
struct TFont
{
    QFont font;
    QColor color = Qt::black;
};

// The picture of one key on the keyboard window.
class IKeyImage : public QWidget
{
public:
    using QWidget::QWidget;
    // Redraws the key for this description (null: no shortcut) and pressed state.
    virtual void DrawKey(const CActionDescription* description, bool pressed) = 0;
};

// Paints the key cap into an off-screen picture and shows that picture.
class TCustomKeyImage : public IKeyImage
{
public:
    explicit TCustomKeyImage(QWidget* parent = nullptr);

    TFont KeyFont;
    TFont ActionFont;
    const CActionDescription* ActionDescription = nullptr;
    bool Pressed = false;
    // The folded code whose name is drawn.
    std::uint16_t KeyCode = 0;

    // The last drawn picture; transparent where the key has a cut-out.
    const QImage& Picture() const { return picture_; }

protected:
    void FillBackground(QPainter& canvas);
    void DrawTallKey();
    void DrawWideKey();
    void DrawSquareKey();
    void DrawEnterKey();
    bool IsTall() const;
    bool IsWide() const;

    void paintEvent(QPaintEvent* event) override;

private:
    // Draws one style onto a cleared picture of the widget's size with the background filled;
    // the style returns the visible part of the widget (empty: all of it).
    using Style = std::function<QRegion(QPainter& canvas, const QRect& client)>;
    void Paint(const Style& style);
    // Shows the finished picture; a non-empty region is the only visible part of the widget.
    void EndPicture(const QRegion& visible = QRegion());
    // Draws the short name at the bottom of area and returns the rectangle it took.
    QRect DrawShortName(QPainter& canvas, const QRect& area);
    // Draws the short name into area and, when there is one, the icon in the rectangle that
    // placeIcon gives for the icon's own size and the short name's rectangle.
    using IconPlacement = std::function<QRect(const QSize& icon, const QRect& shortName)>;
    void DrawAction(QPainter& canvas, const QRect& area, const IconPlacement& placeIcon);
    // The short name at the bottom of area and the icon centred directly above it.
    void DrawActionAbove(QPainter& canvas, const QRect& area);
    void DrawKeyName(QPainter& canvas, const QRect& area);

    QImage picture_;
};

class TKeyImage : public TCustomKeyImage
{
public:
    using TCustomKeyImage::TCustomKeyImage;
    void DrawKey(const CActionDescription* description, bool pressed) override;

private:
    // The accessible name is the key's name and the short name on it ("S: Save"), the
    // accessible description the shortcut's description.
    void DescribeForAssistiveTechnology();
};
