#include "shell/OverlayHint.h"

#include "services/Translation.h"

#include <QFontMetrics>
#include <QPalette>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Design units of the overlay: the keys end at 567, the description line begins at 591.
constexpr int HintTop = 569;
constexpr int HintHeight = 21;
constexpr int HintFontPixels = 16;
// Screen pixels.
constexpr int MinFontPixels = 9;
constexpr int Margin = 8;

} // namespace

std::string OverlayHintText(std::uint32_t done)
{
    const std::vector<std::pair<OverlayHintStep, const char*>> steps = {
        {OverlayHintStep::HoldModifier, "удерживайте Ctrl, Alt, Shift или Win — увидите больше"},
        {OverlayHintStep::ClickKey, "щелчок по клавише выполняет её сочетание"},
        {OverlayHintStep::RightClickKey, "правый щелчок — подробности"},
    };
    QString line;
    for (const auto& [step, text] : steps) {
        if ((done & static_cast<std::uint32_t>(step)) == 0) {
            line += (line.isEmpty() ? QString() : QStringLiteral(" · ")) +
                    QString::fromStdString(Translate(text));
        }
    }
    if (!line.isEmpty()) {
        line[0] = line[0].toUpper();
    }
    return line.toStdString();
}

TOverlayHint::TOverlayHint(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("Hint"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    QPalette grey = palette();
    grey.setColor(QPalette::WindowText, QColor(0x30, 0x30, 0x30));
    setPalette(grey);
}

void TOverlayHint::SetDone(std::uint32_t done)
{
    const std::string text = OverlayHintText(done);
    setText(QString::fromStdString(text));
    setVisible(!text.empty());
    FitFont();
}

void TOverlayHint::Place(double scale, int width)
{
    scale_ = scale;
    setGeometry(0, qRound(HintTop * scale), width, qRound(HintHeight * scale));
    FitFont();
}

void TOverlayHint::FitFont()
{
    // A long translation on a small screen is drawn smaller rather than cut.
    QFont hintFont = font();
    int pixels = std::max(MinFontPixels, qRound(HintFontPixels * scale_));
    hintFont.setPixelSize(pixels);
    while (pixels > MinFontPixels &&
           QFontMetrics(hintFont).horizontalAdvance(text()) > width() - 2 * Margin) {
        hintFont.setPixelSize(--pixels);
    }
    setFont(hintFont);
}
