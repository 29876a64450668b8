#pragma once

#include "database/ShortCut.h"
#include "keys/CompleteKeyCombination.h"
#include "keys/HeldKeys.h"
#include "keyboard/Key.h"
#include "shell/OverlayHint.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CActiveWindow;
class IKeyLoader;
class IShortCutLoader;
class QLabel;
class QPoint;
class QWidget;

// The data files beside the executable.
enum class PathType
{
    KeyLayout,
};

// The overlay's controller: owns the drawn keyboard and the shortcuts that apply now, lays on
// every key the shortcut one more key would complete, describes the held combination, and
// carries a shortcut out when one of its held keys is released and pressed again in time.
class CKeyboard
{
public:
    // The keys are drawn on parent, the held combination described on label; a released key
    // stays drawn pressed for releaseDelay seconds. The overlay hides when activeWindow reports
    // another application.
    CKeyboard(platform::Platform& platform, IShortCutLoader& shortCutLoader, IKeyLoader& keyLoader,
              CActiveWindow& activeWindow, QWidget* parent, QLabel* label, double releaseDelay);
    ~CKeyboard();
    CKeyboard(const CKeyboard&) = delete;
    CKeyboard& operator=(const CKeyboard&) = delete;

    // Reads the running processes and the layout file, and brings the keyboard (at this scale of
    // the design units) and the shortcut set up to date: each is rebuilt only when it changed.
    // After a failure there is no keyboard or no shortcut set until the next successful Reload.
    void Reload(double scale);
    // Lays the actions on the keys and writes the description line.
    void Refresh();
    // A key went down or up on the keyboard: code as the scanner reports it (modifiers folded),
    // rawCode the key itself.
    void OnKeyDown(std::uint16_t code, std::uint16_t rawCode);
    void OnKeyUp(std::uint16_t code, std::uint16_t rawCode);
    // The key state could not be read (another program has the keyboard): every key is drawn
    // released and a half-done carry-out gesture is dropped.
    void OnKeyStateRefused();
    // A left click on a modifier key latches it as held, drawn pressed, and a second click
    // releases it; a left click on a key that carries a shortcut carries out the held keys and
    // that key as the gesture does; a right click on it describes the shortcut in a tooltip, and
    // so does a left click where the platform cannot send input. Other clicks do nothing.
    void OnKeyClick(CKey& key, Qt::MouseButton button, const QPoint& globalPos);
    // The overlay was hidden: latched keys are released, and nothing counts as held.
    void OnParentHidden();

    static std::string GetPath(PathType type);

    // Called when a click carries a shortcut out or a right click describes one.
    std::function<void(OverlayHintStep)> OnHintStepDone;
    // Shows a shortcut's description (plain text) at a place of the screen, beside the key's
    // picture; without it, in a tooltip.
    std::function<void(const QPoint& globalPos, const QString& text)> ShowDescription;

    CKeys* Keys() const { return keys_.get(); }
    IShortCuts* ShortCuts() const { return shortCuts_.get(); }
    std::size_t TrackerCount() const { return trackers_.size(); }

private:
    void ReloadShortCuts();
    void ReloadKeys(double scale);
    void TrackCombinations();
    void Execute(const CKeyCodes& codes);
    void HideParent();
    void HintStepDone(OverlayHintStep step);

    platform::Platform& platform_;
    IShortCutLoader& shortCutLoader_;
    IKeyLoader& keyLoader_;
    CActiveWindow& activeWindow_;
    QWidget* parent_;
    QLabel* label_;
    double releaseDelay_;
    KeyFonts fonts_;

    std::vector<std::unique_ptr<CCompleteKeyCombination>> trackers_;
    // The keys held on the keyboard, as reported.
    CHeldKeys held_;
    CLoadedPrograms loadedPrograms_;
    std::unique_ptr<CKeys> keys_;
    // The geometry the keys were built with.
    std::vector<KeyGeometry> layout_;
    std::uint64_t layoutRevision_ = 0;
    std::unique_ptr<IShortCuts> shortCuts_;
    // The set before shortCuts_, whose descriptions the keys show until the next Refresh.
    std::unique_ptr<IShortCuts> retiredShortCuts_;
    // The loader's revision the shortcut set was built at.
    std::uint64_t shortCutsRevision_ = 0;
};
