#include "shell/KeyScanner.h"

namespace {

// The code a raw code is reported with.
std::uint16_t ReportedCode(std::uint16_t raw)
{
    const std::uint16_t generic = GetGenericKeyCode(raw);
    return generic ? generic : raw;
}

} // namespace

CKeyScanner::~CKeyScanner()
{
    if (enabled_) {
        platform_.WatchKeyState({});
    }
}

void CKeyScanner::SetEnabled(bool enabled, CKeyCodes heldBefore)
{
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    down_.fill(false);
    reported_.fill(false);
    earlier_ = std::move(heldBefore);
    // Watching anew, the platform reports the keys down now first.
    if (enabled) {
        platform_.WatchKeyState([this](std::uint16_t code, bool down) { OnKeyChange(code, down); });
    } else {
        platform_.WatchKeyState({});
    }
}

void CKeyScanner::Restart()
{
    for (std::size_t raw = 0; raw < reported_.size(); ++raw) {
        if (reported_[raw]) {
            earlier_.insert(ReportedCode(static_cast<std::uint16_t>(raw)));
        }
    }
    down_.fill(false);
    reported_.fill(false);
}

void CKeyScanner::OnKeyChange(std::uint16_t rawCode, bool down)
{
    if (enabled_ && rawCode < down_.size()) {
        down_[rawCode] = down;
        Report();
    }
}

void CKeyScanner::Report()
{
    for (std::size_t raw = 0; raw < down_.size(); ++raw) {
        const auto rawCode = static_cast<std::uint16_t>(raw);
        const std::uint16_t code = ReportedCode(rawCode);
        if (reported_[raw] && !down_[raw] && OnKeyUp) {
            reported_[raw] = false;
            earlier_.erase(code);
            OnKeyUp(code, rawCode);
        } else if (!reported_[raw] && down_[raw] && OnKeyDown) {
            reported_[raw] = true;
            heldBefore_ = earlier_.count(code) > 0;
            OnKeyDown(code, rawCode);
            heldBefore_ = false;
        }
    }
}
