#include "keyboard/Key.h"

#include "platform/Platform.h"

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
        keyImage_->DrawKey(actionDescription_, pressed_, shortCutCount_);
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

void CKey::SetAction(const CActionDescription* description, int shortCutCount)
{
    if (actionDescription_ != description || shortCutCount_ != shortCutCount) {
        actionDescription_ = description;
        shortCutCount_ = shortCutCount;
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

bool CKey::IsRealPressed(const CHeldKeys& held) const
{
    return held.IsDown(AdditionalKeyCode ? AdditionalKeyCode : KeyCode);
}

void CKey::KeyDown(std::uint16_t code, const CHeldKeys& held)
{
    if (code == KeyCode && IsRealPressed(held)) {
        StopReleaseTimer();
        SetPressed(true);
    }
}

void CKey::KeyUp(std::uint16_t code, const CHeldKeys& held)
{
    if (code == KeyCode && !IsRealPressed(held)) {
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
    if (IKeyImage* image = key->KeyImage()) {
        image->OnClick = [this, clicked = key.get()](Qt::MouseButton button,
                                                     const QPoint& globalPos) {
            if (OnKeyClick) {
                OnKeyClick(*clicked, button, globalPos);
            }
        };
    }
    push_back(std::move(key));
}

void CKeys::KeyDown(std::uint16_t code, const CHeldKeys& held)
{
    for (const auto& key : *this) {
        key->KeyDown(code, held);
    }
}

void CKeys::KeyUp(std::uint16_t code, const CHeldKeys& held)
{
    for (const auto& key : *this) {
        key->KeyUp(code, held);
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

CKeyCodes CKeys::GetRealPressedKeyCodes(const CHeldKeys& held) const
{
    CKeyCodes codes;
    for (const auto& key : *this) {
        if (key->Pressed() && key->IsRealPressed(held)) {
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
        key->SetAction(nullptr, 0);
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

std::unique_ptr<CKeys> MakeKeys(platform::Platform& platform,
                                const std::vector<KeyGeometry>& layout, const KeyFonts& fonts,
                                QWidget* parent, double releaseDelay)
{
    auto keys = std::make_unique<CKeys>();
    for (const KeyGeometry& geometry : layout) {
        // The layout file places keys by their US codes; the user's layout may give the key
        // there another one.
        const std::uint16_t code = platform.GetKeyAtPosition(geometry.code);
        if (code == 0) {
            continue;
        }
        auto image = std::make_unique<TKeyImage>();
        image->setGeometry(geometry.rect);
        image->KeyFont = fonts.keyFont;
        image->ActionFont = fonts.actionFont;
        if (parent) {
            image->setParent(parent);
            image->setVisible(true);
        }
        auto key = std::make_unique<CKey>();
        const std::uint16_t generic = GetGenericKeyCode(code);
        key->KeyCode = generic ? generic : code;
        key->AdditionalKeyCode = generic ? code : 0;
        key->ReleaseDelay = releaseDelay;
        image->KeyCode = key->KeyCode;
        key->SetKeyImage(image.release());
        keys->Add(std::move(key));
    }
    return keys;
}
