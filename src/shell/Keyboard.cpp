#include "shell/Keyboard.h"

#include "database/Zintdb.h"
#include "framework/Exception.h"
#include "shell/Activewindow.h"
#include "shell/Gettext.h"
#include "util/Mylib.h"

#include <QLabel>
#include <QWidget>

namespace {

// Keyboard codes as the key model knows them: either Windows key is one key.
std::uint16_t ModelCode(std::uint16_t code)
{
    return code == 91 || code == 92 ? VK_ANYWIN : code;
}

} // namespace

CKeyboard::CKeyboard()
{
    keyFont_.font.setPointSize(8);
    keyFont_.color = QColor(0, 0, 255);
    actionFont_.font.setPointSize(8);
    // A key released on the real keyboard is drawn released at once.
    ReleaseDelay = 0;
    CActiveWindow::Instance().OnChange = [this] {
        if (Parent && Parent->isVisible()) {
            HideParent();
        }
    };
}

CKeyboard::~CKeyboard()
{
    // The tracker outlives this controller; it must not call back into it.
    CActiveWindow::Instance().OnChange = nullptr;
    keys_.reset();
    if (shortCuts_) {
        shortCuts_->Clear();
    }
}

std::string CKeyboard::GetPath(int type)
{
    if (type != 0) {
        throw Exception(Translate("Неправильный тип пути в CKeyboard::GetPath"));
    }
    return GetExeFolder() + "keyimages.xml";
}

void CKeyboard::Reload()
{
    if (shortCuts_) {
        shortCuts_->Clear();
        shortCuts_.reset();
    }
    keys_.reset();
    RefreshLoadedPrograms(loadedPrograms_);
    shortCuts_ = ShortCutLoader->LoadShortCuts(&loadedPrograms_);
    keys_ = KeyLoader->LoadKeys(GetPath(0), keyFont_, actionFont_, Parent);
}

void CKeyboard::Refresh()
{
    if (!keys_ || !shortCuts_) {
        return;
    }
    keys_->ClearActionDescriptions();
    const CKeyCodes held = keys_->GetPressedKeyCodes();
    for (const auto& [code, shortCut] : shortCuts_->GetNextKeys(held)) {
        keys_->SetActionDescription(static_cast<std::uint16_t>(code),
                                    shortCut->ActionDescription.get());
    }
    if (!Label) {
        return;
    }
    std::string line;
    if (const CShortCut* exact = shortCuts_->FindShortCut(held)) {
        const CActionDescription& action = *exact->ActionDescription;
        line = FormatText("%s  (%s)", action.Name.empty() ? action.ShortName : action.Name,
                          exact->KeyCodes.GetText());
    }
    Label->setText(QString::fromStdString(line));
}

void CKeyboard::OnKeyDown(std::uint16_t code)
{
    if (code == 27) {
        HideParent();
        return;
    }
    if (keys_) {
        keys_->KeyDown(ModelCode(code));
    }
    for (const auto& tracker : trackers_) {
        tracker->KeyDown(code);
    }
    TrackCombinations();
    Refresh();
}

void CKeyboard::OnKeyUp(std::uint16_t code)
{
    if (keys_) {
        keys_->KeyUp(ModelCode(code));
    }
    for (const auto& tracker : trackers_) {
        tracker->KeyUp(code);
    }
    TrackCombinations();
    Refresh();
}

void CKeyboard::TrackCombinations()
{
    if (keys_ && shortCuts_) {
        const CKeyCodes held = keys_->GetPressedKeyCodes();
        if (shortCuts_->FindShortCut(held)) {
            auto tracker = std::make_unique<CCompleteKeyCombination>();
            tracker->Combination = held;
            tracker->OnComplete = [this](CKeyCodes codes) { Execute(codes); };
            tracker->Reset(true);
            trackers_.push_back(std::move(tracker));
        }
    }
    std::erase_if(trackers_, [](const auto& tracker) { return !tracker->Active; });
}

void CKeyboard::Execute(const CKeyCodes& codes)
{
    if (!Parent || !Parent->isVisible()) {
        return;
    }
    HideParent();
    CActiveWindow::Instance().Restore();
    codes.Emulate();
}

void CKeyboard::HideParent()
{
    if (Parent) {
        Parent->hide();
    }
}
