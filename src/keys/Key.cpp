#include "keys/Key.h"

#include "keys/Cvswindow.h"
#include "platform/Platform.h"

#include <QPainter>
#include <QRegion>

double ReleaseDelay = 0.3;

namespace {
constexpr const char* DesignScaleProperty = "quorvelDesignScale";
}

double DesignScale(const QWidget* window)
{
    const double scale = window ? window->property(DesignScaleProperty).toDouble() : 0;
    return scale > 0 ? scale : 1;
}

void SetDesignScale(QWidget* window, double scale)
{
    window->setProperty(DesignScaleProperty, scale);
}

namespace {

const QColor pressedColor(166, 202, 240);
const QColor releasedColor(255, 255, 255);

bool HasIcon(const CActionDescription* description)
{
    return description && !description->Icon.isNull();
}

} // namespace

// --- TCustomKeyImage ---------------------------------------------------------------------------

TCustomKeyImage::TCustomKeyImage(QWidget* parent) : IKeyImage(parent) {}

bool TCustomKeyImage::IsTall() const
{
    return height() > 1.6 * width();
}

bool TCustomKeyImage::IsWide() const
{
    return width() > 1.6 * height();
}

void TCustomKeyImage::EndPicture(const QRegion& visible)
{
    if (visible.isEmpty()) {
        clearMask();
    } else {
        setMask(visible);
    }
    update();
}

void TCustomKeyImage::paintEvent(QPaintEvent*)
{
    if (!picture_.isNull()) {
        QPainter(this).drawImage(0, 0, picture_);
    }
}

void TCustomKeyImage::FillBackground(QPainter& canvas)
{
    canvas.fillRect(QRect(0, 0, width(), height()), Pressed ? pressedColor : releasedColor);
}

CCvsWindow TCustomKeyImage::DrawShortName(QPainter& canvas, const CCvsWindow& area)
{
    canvas.setFont(ActionFont.font);
    canvas.setPen(ActionFont.color);
    CCvsWindow text(canvas);
    text.SizeToText(ActionDescription->ShortName);
    if (text.Width() > area.Width()) {
        text.Align(area, alLeft, alBottom);
    } else {
        text.Align(area, alCentre, alBottom);
    }
    text.DrawText(ActionDescription->ShortName);
    return text;
}

void TCustomKeyImage::DrawKeyName(QPainter& canvas, const CCvsWindow& area)
{
    canvas.setFont(KeyFont.font);
    canvas.setPen(KeyFont.color);
    const std::string name = GetKeyName(KeyCode);
    CCvsWindow text(canvas);
    text.SizeToText(name);
    text.Align(area, alLeft, alTop);
    text.DrawText(name);
}

void TCustomKeyImage::DrawAction(QPainter& canvas, const CCvsWindow& area,
                                 const IconPlacement& placeIcon)
{
    if (!ActionDescription) {
        return;
    }
    const CCvsWindow shortName = DrawShortName(canvas, area);
    if (!HasIcon(ActionDescription)) {
        return;
    }
    CCvsWindow picture(canvas);
    picture.SizeToGraphic(ActionDescription->Icon);
    placeIcon(picture, shortName);
    picture.DrawGraphic(ActionDescription->Icon);
}

void TCustomKeyImage::DrawActionAbove(QPainter& canvas, const CCvsWindow& area)
{
    DrawAction(canvas, area, [&area](CCvsWindow& picture, const CCvsWindow& shortName) {
        picture.SetHeight(area.Height() - shortName.Height());
        picture.Align(area, alCentre, alBottom);
        picture.Place(shortName, alTop);
    });
}

void TCustomKeyImage::Paint(const Style& style)
{
    if (width() <= 0 || height() <= 0) {
        picture_ = QImage();
        EndPicture();
        return;
    }
    picture_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    picture_.fill(Qt::transparent);
    QPainter canvas(&picture_);
    FillBackground(canvas);
    CCvsWindow client(canvas);
    client.SetSize(width(), height());
    const QRegion visible = style(canvas, client);
    canvas.end();
    EndPicture(visible);
}

void TCustomKeyImage::DrawTallKey()
{
    Paint([this](QPainter& canvas, const CCvsWindow& client) {
        DrawAction(canvas, client, [&client](CCvsWindow& picture, const CCvsWindow& shortName) {
            picture.SetWidth(client.Width());
            picture.Align(client, alLeft, alBottom);
            picture.Place(shortName, alTop);
        });
        DrawKeyName(canvas, client);
        return QRegion();
    });
}

void TCustomKeyImage::DrawWideKey()
{
    Paint([this](QPainter& canvas, const CCvsWindow& client) {
        CCvsWindow rightHalf(canvas);
        rightHalf.SetSize(client.Width() / 2, client.Height());
        rightHalf.Align(client, alRight, alBottom);
        DrawActionAbove(canvas, rightHalf);
        DrawKeyName(canvas, client);
        return QRegion();
    });
}

void TCustomKeyImage::DrawSquareKey()
{
    Paint([this](QPainter& canvas, const CCvsWindow& client) {
        DrawAction(canvas, client, [&client](CCvsWindow& picture, const CCvsWindow& shortName) {
            picture.SetHeight(client.Height() - shortName.Height());
            picture.Align(client, alRight, alTop);
        });
        DrawKeyName(canvas, client);
        return QRegion();
    });
}

void TCustomKeyImage::DrawEnterKey()
{
    Paint([this](QPainter& canvas, const CCvsWindow& client) {
        // The top left part is cut out: the key shows as an L, full width below.
        CCvsWindow band(canvas);
        band.SetSize(static_cast<int>(client.Width() * 0.4),
                     static_cast<int>(client.Height() * 0.5));
        band.Align(client, alLeft, alTop);
        const QRect cutOut(band.Rect.left, band.Rect.top, band.Width(), band.Height());
        canvas.setCompositionMode(QPainter::CompositionMode_Source);
        canvas.setBrush(Qt::transparent);
        band.Fill();
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
        canvas.setBrush(Qt::NoBrush);

        band.Proportional = false;
        band.SetWidth(client.Width());
        band.Align(client, alLeft, alBottom);
        CCvsWindow bandRight(canvas);
        bandRight.SetSize(band.Width() / 2, band.Height());
        bandRight.Align(client, alRight, alBottom);
        DrawActionAbove(canvas, bandRight);
        DrawKeyName(canvas, band);
        // The cut-out is a hole in the widget: what lies behind it shows through.
        return QRegion(rect()) - QRegion(cutOut);
    });
}

// --- TKeyImage ---------------------------------------------------------------------------------

void TKeyImage::DrawKey(const CActionDescription* description, bool pressed)
{
    ActionDescription = description;
    Pressed = pressed;
    if (KeyCode == 13) {
        DrawEnterKey();
    } else if (IsTall()) {
        DrawTallKey();
    } else if (IsWide()) {
        DrawWideKey();
    } else {
        DrawSquareKey();
    }
}

// --- CKey --------------------------------------------------------------------------------------

CKey::CKey() : releaseTimer_(1000, false)
{
    releaseTimer_.OnTimer = [this] { ReleaseNow(); };
}

CKey::~CKey()
{
    delete keyImage_.data();
}

void CKey::Draw()
{
    if (keyImage_) {
        keyImage_->DrawKey(actionDescription_, pressed_);
    }
}

void CKey::SetPressed(bool value)
{
    if (pressed_ != value) {
        pressed_ = value;
        Draw();
    }
}

void CKey::SetActionDescription(const CActionDescription* description)
{
    if (actionDescription_ != description) {
        actionDescription_ = description;
        Draw();
    }
}

void CKey::SetKeyImage(IKeyImage* image)
{
    if (keyImage_ != image) {
        delete keyImage_.data();
        keyImage_ = image;
        Draw();
    }
}

bool CKey::IsRealPressed() const
{
    return platform::Get().GetKeyState(AdditionalKeyCode ? AdditionalKeyCode : KeyCode) < 0;
}

void CKey::KeyDown(std::uint16_t code)
{
    if (code == KeyCode && IsRealPressed()) {
        StopReleaseTimer();
        SetPressed(true);
    }
}

void CKey::KeyUp(std::uint16_t code)
{
    if (code == KeyCode && !IsRealPressed()) {
        Release();
    }
}

void CKey::Release()
{
    const int delay = static_cast<int>(ReleaseDelay * 1000);
    if (delay <= 0) {
        ReleaseNow();
        return;
    }
    StopReleaseTimer();
    releaseTimer_.SetInterval(delay);
    releaseTimer_.SetEnabled(true);
}

void CKey::ReleaseNow()
{
    StopReleaseTimer();
    SetPressed(false);
    if (OnRelease) {
        OnRelease(KeyCode, AdditionalKeyCode);
    }
}

void CKey::StopReleaseTimer()
{
    releaseTimer_.SetEnabled(false);
}

// --- CKeys -------------------------------------------------------------------------------------

void CKeys::Add(std::unique_ptr<CKey> key)
{
    key->OnRelease = [this](std::uint16_t code, std::uint16_t additionalCode) {
        if (OnKeyRelease) {
            OnKeyRelease(code, additionalCode);
        }
    };
    push_back(std::move(key));
}

void CKeys::KeyDown(std::uint16_t code)
{
    for (const auto& key : *this) {
        key->KeyDown(code);
    }
}

void CKeys::KeyUp(std::uint16_t code)
{
    for (const auto& key : *this) {
        key->KeyUp(code);
    }
}

CKeyCodes CKeys::GetPressedKeyCodes() const
{
    CKeyCodes codes;
    for (const auto& key : *this) {
        if (key->Pressed()) {
            codes.Add(key->KeyCode);
        }
    }
    return codes;
}

CKeyCodes CKeys::GetRealPressedKeyCodes() const
{
    CKeyCodes codes;
    for (const auto& key : *this) {
        if (key->Pressed() && key->IsRealPressed()) {
            codes.Add(key->KeyCode);
        }
    }
    return codes;
}

std::vector<CKey*> CKeys::FindKeys(std::uint16_t code) const
{
    std::vector<CKey*> found;
    for (const auto& key : *this) {
        if (key->KeyCode == code) {
            found.push_back(key.get());
        }
    }
    return found;
}

void CKeys::SetActionDescription(std::uint16_t code, const CActionDescription* description)
{
    for (CKey* key : FindKeys(code)) {
        key->SetActionDescription(description);
    }
}

void CKeys::ClearActionDescriptions()
{
    for (const auto& key : *this) {
        key->SetActionDescription(nullptr);
    }
}

void CKeys::StopReleaseTimers()
{
    for (const auto& key : *this) {
        key->StopReleaseTimer();
    }
}

void CKeys::ReleaseAll()
{
    for (const auto& key : *this) {
        key->SetPressed(false);
    }
}
