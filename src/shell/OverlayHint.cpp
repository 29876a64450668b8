#include "shell/OverlayHint.h"

#include "services/Translation.h"

#include <QPalette>

#include <algorithm>
#include <utility>

#include <vector>

namespace {

// Design units of the overlay: the keys end at 567, the description line begins at 591.
constexpr int HintTop = 569;
constexpr int HintHeight = 21;
constexpr int HintFontPixels = 16;

} // namespace

std::string OverlayHintText(std::uint32_t done)
{
    const std::vector<std::pair<OverlayHintStep, const char*>> steps = {
        {OverlayHintStep::HoldModifier,
         "удерживайте Ctrl, Alt, Shift или Win, чтобы увидеть больше"},
        {OverlayHintStep::ClickKey, "щёлкните клавишу, чтобы выполнить её сочетание"},
        {OverlayHintStep::RightClickKey, "щёлкните правой кнопкой, чтобы узнать подробности"},
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
}

void TOverlayHint::Place(double scale, int width)
{
    QFont hintFont = font();
    hintFont.setPixelSize(std::max(1, qRound(HintFontPixels * scale)));
    setFont(hintFont);
    setGeometry(0, qRound(HintTop * scale), width, qRound(HintHeight * scale));
}
