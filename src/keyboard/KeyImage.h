#pragma once

#include "keys/ActionDescription.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QStaticText>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMouseEvent;
class QPainter;

// The mark of a shortcut read from the running program, wherever one is drawn.
extern const QColor LiveMarkColour;

// A font together with the colour its text is drawn in.
struct TFont
{
    QFont font;
    QColor color = Qt::black;
};

// Text and the font it is drawn in so that it fits a width.
struct TFittedText
{
    // One line, or two separated by '\n'.
    QString text;
    QFont font;
    // The widest line's width and the height of all lines.
    QSize size;
};
// The smallest legible size for a base font: 70 % of it, never under 6 pixels.
int MinimumLegiblePixelSize(const QFont& base);
// The smallest size a key's name is drawn in: 85 % of the base font, never under 9 pixels (nor
// over the base), so that a long name gives way to its short form before it turns tiny.
int ReadableKeyNamePixelSize(const QFont& base);
// The text on one line in the base font, else in a smaller size of that font down to minimum,
// else its short form the same way, else the short form at minimum cut short with an ellipsis.
// Text is never clipped.
TFittedText FitText(const QString& text, const QString& shortForm, const QFont& base, int minimum,
                    int width);
// A key's name fitted on one line, with its standard short form, never under the readable size.
TFittedText FitKeyName(std::uint16_t code, const QFont& base, int width);
// A shortcut's name in the largest size, from the base font down to the minimum legible size, in
// which it fits on one line or, where lines allows two, on two lines broken between words, else
// (two lines allowed) broken inside a word with a hyphen; else on as many lines at the minimum
// size, the last one cut short with an ellipsis.
TFittedText FitShortName(const QString& text, const QFont& base, int width, int lines);
// Pixels kept free right of a key name.
constexpr int KeyNameMargin = 2;

// The picture of one key on the keyboard window.
class IKeyImage : public QWidget
{
public:
    using QWidget::QWidget;
    // Called when a mouse button is pressed and released on the key: the button and where the
    // pointer is on the screen.
    std::function<void(Qt::MouseButton button, const QPoint& globalPos)> OnClick;
    // Redraws the key for this description (null: no shortcut), pressed state and count of the
    // shortcuts that holding the key leads to (0: none shown).
    virtual void DrawKey(const CActionDescription* description, bool pressed,
                         int shortCutCount = 0) = 0;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
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
    int ShortCutCount = 0;
    // The folded code whose name is drawn.
    std::uint16_t KeyCode = 0;

    // The last drawn picture, at the screen's device pixel ratio; transparent where the key has a
    // cut-out.
    const QImage& Picture() const { return picture_; }
    // Draws the key as it is now onto canvas, its top left corner at the canvas's origin, leaving
    // the picture as it was: on a vector device (a PDF page) text stays text.
    void PaintOn(QPainter& canvas);

protected:
    void FillBackground(QPainter& canvas);
    void DrawTallKey();
    void DrawWideKey();
    void DrawSquareKey();
    void DrawEnterKey();
    bool IsTall() const;
    bool IsWide() const;

    void paintEvent(QPaintEvent* event) override;
    // Whether the picture shows something else than the key's state now, or is for another size,
    // code or font: false when drawing again would give the same picture.
    bool LookChanged();

private:
    // Draws one style, only within visible (empty: all of the widget), onto a cleared picture of
    // the widget's size, or onto target_ when it is set, with the background filled.
    using Style = std::function<void(QPainter& canvas, const QRect& client)>;
    void Paint(const Style& style, const QRegion& visible = QRegion());
    // Shows the finished picture; a non-empty region is the only visible part of the widget.
    void EndPicture(const QRegion& visible = QRegion());
    // Draws the short name, fitted (on two lines where area leaves room for the icon besides),
    // centred at the bottom of area and returns the rectangle it took.
    QRect DrawShortName(QPainter& canvas, const QRect& area);
    // Draws the short name into area and, when there is one, the icon in the rectangle that
    // placeIcon gives for the icon's own size and the short name's rectangle.
    using IconPlacement = std::function<QRect(const QSize& icon, const QRect& shortName)>;
    void DrawAction(QPainter& canvas, const QRect& area, const IconPlacement& placeIcon);
    void DrawLiveMark(QPainter& canvas, const QRect& area);
    // The short name at the bottom of area and the icon centred directly above it.
    void DrawActionAbove(QPainter& canvas, const QRect& area);
    void DrawKeyName(QPainter& canvas, const QRect& area);
    // The part of area below the line the key name and the shortcut count take, where an icon
    // covers neither.
    QRect BelowKeyName(const QRect& area);
    // The shortcut count, small and grey, in the top right corner of area.
    void DrawShortCutCount(QPainter& canvas, const QRect& area);

    // What a key's picture is drawn from, in two parts: the frame (size, code and fonts) and what
    // is shown in it.
    struct Frame
    {
        QSize size;
        qreal ratio = 1;
        std::uint16_t keyCode = 0;
        // The key's name, while a non-Latin group is active that group's letter, and what the
        // key types with Shift where its cap prints that too.
        std::string keyName;
        std::string groupName;
        std::string shiftName;
        QFont keyFont;
        QColor keyColor;
        QFont actionFont;
        QColor actionColor;
        bool operator==(const Frame&) const = default;
    };
    struct Content
    {
        bool pressed = false;
        int count = 0;
        bool hasAction = false;
        // The shortcut was read from the running program (drawn with a mark).
        bool live = false;
        std::string shortName;
        qint64 icon = 0;
        // Held, so that other bytes cannot take their address.
        std::shared_ptr<const std::vector<std::uint8_t>> iconData;
        bool operator==(const Content&) const = default;
    };
    Frame CurrentFrame() const;
    Content CurrentContent() const;
    // A text fitted to a width (and a number of lines) and laid out once, to be drawn again and
    // again.
    struct PreparedText
    {
        int width = 0;
        int lines = 1;
        TFittedText fitted;
        std::vector<QStaticText> layout;
    };
    // Texts fitted and laid out and fonts measured for one frame: measuring and laying out text
    // is the dearest part of drawing a key, and a key shows few different texts. Dropped when the
    // frame changes.
    struct Measures
    {
        std::optional<PreparedText> keyName;
        std::optional<PreparedText> groupName;
        std::optional<PreparedText> shiftName;
        std::optional<int> lineHeight;
        std::optional<int> actionLineHeight;
        // By text: the short names and the counts the key has shown.
        QHash<QString, PreparedText> shortNames;
        QHash<int, PreparedText> counts;
    };
    static PreparedText Prepare(TFittedText fitted, int width, int lines = 1);
    const PreparedText& PreparedKeyName(int width);
    const PreparedText& PreparedGroupName();
    const PreparedText& PreparedShiftName();
    // The height the character typed with Shift takes above the key name; 0 without one.
    int ShiftNameHeight();
    const PreparedText& PreparedShortName(const QString& text, int width, int lines);
    const PreparedText& PreparedCount(int count);
    // Draws text with its top left corner at topLeft, each line centred on the widest.
    static void DrawPrepared(QPainter& canvas, const QPoint& topLeft, const PreparedText& text,
                             const QColor& color);

    std::optional<Frame> frame_;
    std::optional<Content> content_;
    Measures measures_;
    QImage picture_;
    // Where PaintOn draws; null while the key draws its own picture.
    QPainter* target_ = nullptr;
};

class TKeyImage : public TCustomKeyImage
{
public:
    using TCustomKeyImage::TCustomKeyImage;
    void DrawKey(const CActionDescription* description, bool pressed,
                 int shortCutCount = 0) override;

private:
    // The accessible name is the key's name and the short name on it ("S: Save"); the accessible
    // description has a line for the shortcut's description, where the running program told it,
    // and how many shortcuts holding the key leads to. The tooltip holds the short name in full
    // and the description.
    void Describe();
};
