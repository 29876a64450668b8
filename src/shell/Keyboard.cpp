#include "shell/Keyboard.h"

#include "database/ShortCutSetLoader.h"
#include "keyboard/KeyLayoutLoader.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "services/ActiveWindow.h"
#include "shell/Log.h"
#include "util/Paths.h"
#include "util/Text.h"
#include "windows/Processes.h"

#include <QLabel>
#include <QLoggingCategory>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>

#include <algorithm>
#include <iterator>

// Off unless enabled (QT_LOGGING_RULES): the keys that reach the overlay, which the platform only
// reads while a window of this program is active. Tests use it to prove that no key typed into
// another program is seen.
Q_LOGGING_CATEGORY(lcKeys, "quorvel.shell.keys", QtWarningMsg)

namespace {

// The size of the names on the keys and of the shortcuts' names, and the colour of the keys' own
// names.
constexpr int KeyFontPoints = 8;
const QColor KeyNameColour(0, 0, 255);

// Keyboard codes as the key model knows them: either Windows key is one key.
std::uint16_t ModelCode(std::uint16_t code)
{
    return code == vk::LWin || code == vk::RWin ? vk::AnyWin : code;
}

// "Save  (Ctrl + S)": the action's name, or its short name when it has none, and the keys; for
// a shortcut the running program told, where it told it ("from the menu File › Save").
std::string Describe(const CActionDescription& action, const CKeyCodes& keys)
{
    const std::string text = FormatText(
        "%s  (%s)", action.Name.empty() ? action.ShortName : action.Name, keys.GetText());
    return action.Origin.empty() ? text : FormatText("%s  %s", text, action.Origin);
}

} // namespace

CKeyboard::CKeyboard(platform::Platform& platform, IShortCutLoader& shortCutLoader,
                     IKeyLoader& keyLoader, CActiveWindow& activeWindow, QWidget* parent,
                     QLabel* label, double releaseDelay)
    : platform_(platform), shortCutLoader_(shortCutLoader), keyLoader_(keyLoader),
      activeWindow_(activeWindow), parent_(parent), label_(label), releaseDelay_(releaseDelay)
{
    fonts_.keyFont.font.setPointSize(KeyFontPoints);
    fonts_.keyFont.color = KeyNameColour;
    fonts_.actionFont.font.setPointSize(KeyFontPoints);
    activeWindow_.OnChange = [this] {
        if (parent_ && parent_->isVisible()) {
            HideParent();
        }
    };
}

CKeyboard::~CKeyboard()
{
    // The tracker outlives this controller; it must not call back into it.
    activeWindow_.OnChange = nullptr;
    // The keys point at the set's descriptions.
    keys_.reset();
}

std::string CKeyboard::GetPath(PathType type)
{
    switch (type) {
    case PathType::KeyLayout:
        break;
    }
    return GetExeFolder() + "keyimages.xml";
}

void CKeyboard::Reload(double scale)
{
    trackers_.clear();
    RefreshLoadedPrograms(platform_, loadedPrograms_);
    ReloadShortCuts();
    ReloadKeys(scale);
}

void CKeyboard::ReloadShortCuts()
{
    if (shortCuts_ && shortCutLoader_.Revision() == shortCutsRevision_) {
        shortCuts_->SetRunningPrograms(loadedPrograms_, GetActiveProgram(platform_, activeWindow_));
        return;
    }
    // The keys keep the descriptions of the set that goes until Refresh lays the new set's on
    // them, so that only the keys whose look changes are drawn again. No key may keep pointing at
    // a description of a set that is gone: one still retired (no Refresh since) is taken off
    // the keys first.
    if (retiredShortCuts_ && keys_) {
        keys_->ClearActionDescriptions();
    }
    retiredShortCuts_ = std::move(shortCuts_);
    shortCuts_ = shortCutLoader_.LoadShortCuts();
    // Read after the load, which posts an edit in progress.
    shortCutsRevision_ = shortCutLoader_.Revision();
    shortCuts_->SetRunningPrograms(loadedPrograms_, GetActiveProgram(platform_, activeWindow_));
}

void CKeyboard::ReloadKeys(double scale)
{
    std::vector<KeyGeometry> layout;
    try {
        layout = keyLoader_.LoadKeys(GetPath(PathType::KeyLayout), scale);
    } catch (...) {
        keys_.reset();
        layout_.clear();
        throw;
    }
    // Keys follow the keyboard layout: a new one gives new keys.
    const std::uint64_t layoutRevision = platform_.GetKeyboardLayoutRevision();
    if (keys_ && layout == layout_ && layoutRevision == layoutRevision_) {
        // The same keys: drawn released, as new ones would be.
        keys_->StopReleaseTimers();
        keys_->ReleaseAll();
        return;
    }
    keys_.reset();
    keys_ = MakeKeys(platform_, layout, fonts_, parent_, releaseDelay_);
    keys_->OnKeyClick = [this](CKey& key, Qt::MouseButton button, const QPoint& globalPos) {
        OnKeyClick(key, button, globalPos);
    };
    layout_ = std::move(layout);
    layoutRevision_ = layoutRevision;
}

void CKeyboard::Refresh()
{
    if (!keys_) {
        retiredShortCuts_.reset();
        return;
    }
    if (!shortCuts_) {
        return;
    }
    const CKeyCodes held = keys_->GetPressedKeyCodes();
    const CNextKeys next = shortCuts_->GetNextKeysAndCounts(held);
    // Each key is set once, so only the keys whose action or count changes are drawn again. A
    // held key counts the shortcuts left to complete.
    const int left = static_cast<int>(next.shortCuts.size());
    for (const auto& key : *keys_) {
        const auto found = next.shortCuts.find(key->KeyCode);
        const CActionDescription* action =
            found == next.shortCuts.end() ? nullptr : found->second->ActionDescription.get();
        int count = 0;
        if (held.contains(key->KeyCode)) {
            count = left;
        } else if (const auto behind = next.counts.find(key->KeyCode);
                   behind != next.counts.end()) {
            count = behind->second;
        }
        key->SetAction(action, count);
    }
    retiredShortCuts_.reset();
    if (!label_) {
        return;
    }
    std::string line;
    if (const CShortCut* exact = shortCuts_->FindShortCut(held)) {
        line = Describe(*exact->ActionDescription, exact->KeyCodes);
    }
    label_->setText(QString::fromStdString(line));
}

void CKeyboard::OnKeyDown(std::uint16_t code, std::uint16_t rawCode)
{
    qCDebug(lcKeys) << "down" << code;
    held_.Set(rawCode, true);
    if (code == vk::Escape) {
        HideParent();
        return;
    }
    if (keys_) {
        keys_->KeyDown(ModelCode(code), held_);
    }
    // A completed gesture carries its shortcut out, which hides the overlay and drops the
    // trackers: each is looked up afresh.
    for (std::size_t i = 0; i < trackers_.size(); ++i) {
        trackers_[i]->KeyDown(code);
    }
    TrackCombinations();
    Refresh();
}

void CKeyboard::OnKeyUp(std::uint16_t code, std::uint16_t rawCode)
{
    qCDebug(lcKeys) << "up" << code;
    held_.Set(rawCode, false);
    if (keys_) {
        keys_->KeyUp(ModelCode(code), held_);
    }
    for (const auto& tracker : trackers_) {
        tracker->KeyUp(code);
    }
    TrackCombinations();
    Refresh();
}

void CKeyboard::OnKeyStateRefused()
{
    held_.Clear();
    trackers_.clear();
    if (keys_ && !keys_->GetPressedKeyCodes().empty()) {
        keys_->StopReleaseTimers();
        keys_->ReleaseAll();
        Refresh();
    }
}

void CKeyboard::OnKeyClick(CKey& key, Qt::MouseButton button, const QPoint& globalPos)
{
    if (!keys_) {
        return;
    }
    if (button == Qt::LeftButton && GetGenericKeyCode(key.AdditionalKeyCode) != 0) {
        key.SetPressed(!key.Pressed());
        Refresh();
        return;
    }
    const CActionDescription* action = key.ActionDescription();
    if (!action) {
        return;
    }
    CKeyCodes combination = keys_->GetPressedKeyCodes();
    combination.Add(key.KeyCode);
    // Without synthetic input a left click describes the shortcut as a right click does.
    const bool carriesOut = platform_.CanSendInput();
    if (button == Qt::LeftButton && carriesOut) {
        HintStepDone(OverlayHintStep::ClickKey);
        Execute(combination);
    } else if (button == Qt::RightButton || button == Qt::LeftButton) {
        HintStepDone(OverlayHintStep::RightClickKey);
        const QString description = QString::fromStdString(Describe(*action, combination));
        if (ShowDescription) {
            ShowDescription(globalPos, description);
            return;
        }
        // Base texts are shown as they are, never as markup.
        QToolTip::showText(globalPos, Qt::convertFromPlainText(description), key.KeyImage());
    }
}

void CKeyboard::HintStepDone(OverlayHintStep step)
{
    if (OnHintStepDone) {
        OnHintStepDone(step);
    }
}

void CKeyboard::OnParentHidden()
{
    // Shown again, the keys still held are reported afresh.
    held_.Clear();
    if (keys_) {
        keys_->StopReleaseTimers();
        keys_->ReleaseAll();
    }
}

void CKeyboard::TrackCombinations()
{
    // The gesture carries a shortcut out by synthetic keys: not watched without them.
    if (keys_ && shortCuts_ && platform_.CanSendInput()) {
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
    if (!parent_ || !parent_->isVisible()) {
        return;
    }
    // The keys still held, as reported while the overlay had the keyboard: never asked once the
    // application below has it again.
    CKeyCodes held;
    std::copy_if(codes.begin(), codes.end(), std::inserter(held, held.end()),
                 [this](std::uint16_t code) { return held_.IsDown(code); });
    HideParent();
    // Sent once the application has the focus: sent before, they would reach nobody or the
    // wrong window.
    if (activeWindow_.Restore()) {
        codes.Emulate(platform_, held);
    } else {
        qCWarning(lcShell) << "the application did not take the focus back: the shortcut was "
                              "not carried out";
    }
}

void CKeyboard::HideParent()
{
    if (parent_) {
        parent_->hide();
    }
}
