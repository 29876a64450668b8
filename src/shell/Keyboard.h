#pragma once

#include "database/Shortcut.h"
#include "keys/Completekeycombination.h"
#include "keys/Key.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IKeyLoader;
class IShortCutLoader;
class QLabel;
class QWidget;

// The overlay's controller: owns the drawn keyboard and the shortcuts that apply now, lays on
// every key the shortcut one more key would complete, describes the held combination, and
// carries a shortcut out when one of its held keys is released and pressed again in time.
class CKeyboard
{
public:
    CKeyboard();
    ~CKeyboard();
    CKeyboard(const CKeyboard&) = delete;
    CKeyboard& operator=(const CKeyboard&) = delete;

    // Rebuilds the running-process list, the shortcut set and the keyboard. After a failure
    // there is no keyboard or no shortcut set until the next successful Reload.
    void Reload();
    // Lays the actions on the keys and writes the description line.
    void Refresh();
    void OnKeyDown(std::uint16_t code);
    void OnKeyUp(std::uint16_t code);

    // Full name of a data file beside the executable: 0 is the keyboard layout.
    static std::string GetPath(int type);

    IShortCutLoader* ShortCutLoader = nullptr;
    IKeyLoader* KeyLoader = nullptr;
    QWidget* Parent = nullptr;
    QLabel* Label = nullptr;

    CKeys* Keys() const { return keys_.get(); }
    IShortCuts* ShortCuts() const { return shortCuts_.get(); }
    std::size_t TrackerCount() const { return trackers_.size(); }

private:
    void TrackCombinations();
    void Execute(const CKeyCodes& codes);
    void HideParent();

    std::vector<std::unique_ptr<CCompleteKeyCombination>> trackers_;
    CLoadedPrograms loadedPrograms_;
    std::unique_ptr<CKeys> keys_;
    std::unique_ptr<IShortCuts> shortCuts_;
    TFont keyFont_;
    TFont actionFont_;
};
