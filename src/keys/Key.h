#pragma once

#include "framework/Timer.h"
#include "keys/Actiondescription.h"
#include "keys/Keycodes.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

class CCvsWindow;
class QPainter;

// A font together with the colour its text is drawn in.
struct TFont
{
    QFont font;
    QColor color = Qt::black;
};

// Seconds a released key stays drawn pressed.
extern double ReleaseDelay;

// The factor by which key pictures placed on a window are scaled from the layout file's design
// units (1 unless the window set another).
double DesignScale(const QWidget* window);
void SetDesignScale(QWidget* window, double scale);

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
    using Style = std::function<QRegion(QPainter& canvas, const CCvsWindow& client)>;
    void Paint(const Style& style);
    // Shows the finished picture; a non-empty region is the only visible part of the widget.
    void EndPicture(const QRegion& visible = QRegion());
    // Draws the short name into area and returns the rectangle it took.
    CCvsWindow DrawShortName(QPainter& canvas, const CCvsWindow& area);
    // Draws the short name into area and, when there is one, the icon where placeIcon puts it
    // (the icon's rectangle comes sized to the picture; the short name's rectangle beside it).
    using IconPlacement = std::function<void(CCvsWindow& picture, const CCvsWindow& shortName)>;
    void DrawAction(QPainter& canvas, const CCvsWindow& area, const IconPlacement& placeIcon);
    // The short name at the bottom of area and the icon centred directly above it.
    void DrawActionAbove(QPainter& canvas, const CCvsWindow& area);
    void DrawKeyName(QPainter& canvas, const CCvsWindow& area);

    QImage picture_;
};

class TKeyImage : public TCustomKeyImage
{
public:
    using TCustomKeyImage::TCustomKeyImage;
    void DrawKey(const CActionDescription* description, bool pressed) override;
};

// One key of the drawn keyboard: its code, its picture, the shortcut shown on it and whether it
// is drawn pressed.
class CKey
{
public:
    CKey();
    virtual ~CKey();
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    virtual void Draw();

    bool Pressed() const { return pressed_; }
    const CActionDescription* ActionDescription() const { return actionDescription_; }
    IKeyImage* KeyImage() const { return keyImage_; }
    // Each setter redraws only when the value changes.
    void SetPressed(bool value);
    void SetActionDescription(const CActionDescription* description);
    // Takes ownership of the image; a replaced image is destroyed.
    void SetKeyImage(IKeyImage* image);

    // Whether the physical key is held now.
    bool IsRealPressed() const;
    void KeyDown(std::uint16_t code);
    void KeyUp(std::uint16_t code);
    // Draws the key released after ReleaseDelay (at once when it is 0).
    void Release();
    void ReleaseNow();
    void StopReleaseTimer();

    // Folded code: 16, 17, 18 or VK_ANYWIN for a modifier of either side.
    std::uint16_t KeyCode = 0;
    // Side-specific code of a modifier key (91, 92, 160-165), otherwise 0.
    std::uint16_t AdditionalKeyCode = 0;
    // Called when the key has been drawn released: (KeyCode, AdditionalKeyCode).
    std::function<void(std::uint16_t, std::uint16_t)> OnRelease;

private:
    Timer releaseTimer_;
    bool pressed_ = false;
    const CActionDescription* actionDescription_ = nullptr;
    // Guarded: the image may already be gone with its Qt parent.
    QPointer<IKeyImage> keyImage_;
};

// The whole drawn keyboard, in layout-file order. Owns its keys, which own their pictures.
class CKeys : public std::list<std::unique_ptr<CKey>>
{
public:
    CKeys() = default;
    CKeys(const CKeys&) = delete;
    CKeys& operator=(const CKeys&) = delete;

    // Appends a key and forwards its release notification to OnKeyRelease.
    void Add(std::unique_ptr<CKey> key);

    void KeyDown(std::uint16_t code);
    void KeyUp(std::uint16_t code);
    CKeyCodes GetPressedKeyCodes() const;
    // Keys drawn pressed whose physical key is still held.
    CKeyCodes GetRealPressedKeyCodes() const;
    std::vector<CKey*> FindKeys(std::uint16_t code) const;
    void SetActionDescription(std::uint16_t code, const CActionDescription* description);
    void ClearActionDescriptions();
    void StopReleaseTimers();
    // Draws every key released without notification.
    void ReleaseAll();

    std::function<void(std::uint16_t, std::uint16_t)> OnKeyRelease;
};
