#pragma once

#include <QLabel>

#include <cstdint>
#include <string>

// What the line under the overlay's keyboard teaches, one bit each.
enum class OverlayHintStep : std::uint32_t
{
    HoldModifier = 1,
    ClickKey = 2,
    RightClickKey = 4,
};

// The hint for the steps not yet done (done holds their bits), translated, on one line; empty
// once the user has done each.
std::string OverlayHintText(std::uint32_t done);

// The hint line on the overlay, under the keyboard.
class TOverlayHint : public QLabel
{
public:
    explicit TOverlayHint(QWidget* parent);

    // Shows the hint for the steps not yet done; hidden once all are.
    void SetDone(std::uint32_t done);
    // Places the line between the keyboard and the description line, at this scale of the
    // overlay's design units.
    void Place(double scale, int width);

private:
    void FitFont();

    double scale_ = 1.0;
};
