#include "keyboard/KeyImage.h"

#include "keyboard/KeyAccessible.h"
#include "keys/KeyCodes.h"
#include "keys/KeyText.h"
#include "platform/VirtualKeys.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <optional>

const QColor LiveMarkColour(0, 150, 80);

namespace {

const QColor pressedColor(166, 202, 240);
const QColor releasedColor(255, 255, 255);
const QColor countColor(128, 128, 128);

// A size given a new height; the width follows in proportion (unchanged when the old height gives
// no proportion).
QSize WithHeight(const QSize& size, int height)
{
    if (size.height() == 0) {
        return {size.width(), height};
    }
    const double ratio = static_cast<double>(size.width()) / size.height();
    return {static_cast<int>(height * ratio), height};
}

// A size given a new width; the height follows in proportion.
QSize WithWidth(const QSize& size, int width)
{
    if (size.width() == 0) {
        return {width, size.height()};
    }
    const double ratio = static_cast<double>(size.height()) / size.width();
    return {width, static_cast<int>(width * ratio)};
}

// A rectangle of this size placed inside outer: flush left, right, top or bottom, or centred (the
// odd pixel of the centred remainder goes to the far side).
QRect AlignIn(const QSize& size, const QRect& outer, Qt::Alignment alignment)
{
    int x = outer.x();
    if (alignment & Qt::AlignRight) {
        x = outer.x() + outer.width() - size.width();
    } else if (alignment & Qt::AlignHCenter) {
        x = outer.x() + (outer.width() - size.width()) / 2;
    }
    int y = outer.y();
    if (alignment & Qt::AlignBottom) {
        y = outer.y() + outer.height() - size.height();
    } else if (alignment & Qt::AlignVCenter) {
        y = outer.y() + (outer.height() - size.height()) / 2;
    }
    return {QPoint(x, y), size};
}

// A rectangle of this size directly above other, its left edge kept at x.
QRect Above(const QSize& size, int x, const QRect& other)
{
    return {QPoint(x, other.y() - size.height()), size};
}

// A key shows a handful of texts of one kind; a base that shows it more starts the list afresh.
template <typename Key, typename Value> void MakeRoom(QHash<Key, Value>& cache)
{
    constexpr qsizetype kept = 32;
    if (cache.size() >= kept) {
        cache.clear();
    }
}

// The base font at each size from its own down to minimum, largest first.
template <typename Try>
std::optional<TFittedText> EachSize(const QFont& base, int minimum, Try fits)
{
    QFont font = base;
    const int baseSize = QFontInfo(base).pixelSize();
    for (int size = baseSize; size >= minimum; --size) {
        if (size < baseSize) {
            font.setPixelSize(size);
        }
        if (auto fitted = fits(font)) {
            return fitted;
        }
    }
    return std::nullopt;
}

// Lines in a font: the widest line's width, a line height for each.
TFittedText Lines(const QStringList& lines, const QFont& font)
{
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& line : lines) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return {lines.join('\n'), font, {widest, metrics.height() * static_cast<int>(lines.size())}};
}

// The text on one line in the font, when it fits width.
std::optional<TFittedText> OneLine(const QString& text, const QFont& font, int width)
{
    TFittedText fitted = Lines({text}, font);
    return fitted.size.width() <= width ? std::optional(fitted) : std::nullopt;
}

// The text on two lines broken at the space that makes the longer line shortest, when both fit
// width.
std::optional<TFittedText> TwoLines(const QString& text, const QFont& font, int width)
{
    std::optional<TFittedText> best;
    for (qsizetype space = text.indexOf(' '); space > 0; space = text.indexOf(' ', space + 1)) {
        const QString first = text.left(space).trimmed();
        const QString second = text.mid(space + 1).trimmed();
        if (first.isEmpty() || second.isEmpty()) {
            continue;
        }
        TFittedText fitted = Lines({first, second}, font);
        if (fitted.size.width() <= width && (!best || fitted.size.width() < best->size.width())) {
            best = std::move(fitted);
        }
    }
    return best;
}

// The text on two lines broken inside a word, with a hyphen, as late as the first line allows,
// when the second fits width too.
std::optional<TFittedText> Hyphenated(const QString& text, const QFont& font, int width)
{
    const QFontMetrics metrics(font);
    for (qsizetype split = text.size() - 1; split > 0; --split) {
        const bool insideWord =
            text[split - 1].isLetterOrNumber() && text[split].isLetterOrNumber();
        const QString first = text.left(split).trimmed() + (insideWord ? "-" : "");
        const QString second = text.mid(split).trimmed();
        if (first.isEmpty() || second.isEmpty() || metrics.horizontalAdvance(first) > width) {
            continue;
        }
        if (metrics.horizontalAdvance(second) > width) {
            return std::nullopt;
        }
        return Lines({first, second}, font);
    }
    return std::nullopt;
}

// The text at the font's size on up to lines lines: as many whole words on each as fit, the last
// line cut short with an ellipsis.
TFittedText Elided(const QString& text, const QFont& font, int width, int lines)
{
    const QFontMetrics metrics(font);
    QStringList shown;
    QString rest = text.trimmed();
    while (static_cast<int>(shown.size()) + 1 < lines) {
        qsizetype end = -1;
        for (qsizetype space = rest.indexOf(' '); space > 0; space = rest.indexOf(' ', space + 1)) {
            if (metrics.horizontalAdvance(rest.left(space)) > width) {
                break;
            }
            end = space;
        }
        if (end < 0) {
            break;
        }
        shown << rest.left(end);
        rest = rest.mid(end + 1).trimmed();
    }
    shown << metrics.elidedText(rest, Qt::ElideRight, std::max(0, width));
    return Lines(shown, font);
}

} // namespace

int MinimumLegiblePixelSize(const QFont& base)
{
    const int size = QFontInfo(base).pixelSize();
    return std::min(size, std::max(6, static_cast<int>(std::ceil(size * 0.7))));
}

int ReadableKeyNamePixelSize(const QFont& base)
{
    const int size = QFontInfo(base).pixelSize();
    return std::min(size, std::max(9, static_cast<int>(std::ceil(size * 0.85))));
}

TFittedText FitText(const QString& text, const QString& shortForm, const QFont& base, int minimum,
                    int width)
{
    for (const QString& candidate : {text, shortForm}) {
        if (auto fitted = EachSize(base, minimum, [&](const QFont& font) {
                return OneLine(candidate, font, width);
            })) {
            return *std::move(fitted);
        }
    }
    QFont smallest = base;
    smallest.setPixelSize(minimum);
    return Elided(shortForm, smallest, width, 1);
}

TFittedText FitKeyName(std::uint16_t code, const QFont& base, int width)
{
    return FitText(QString::fromStdString(GetKeyName(code)),
                   QString::fromStdString(GetShortKeyName(code)), base,
                   ReadableKeyNamePixelSize(base), width);
}

TFittedText FitShortName(const QString& text, const QFont& base, int width, int lines)
{
    const int minimum = MinimumLegiblePixelSize(base);
    if (auto fitted = EachSize(base, minimum, [&](const QFont& font) {
            auto one = OneLine(text, font, width);
            return one || lines < 2 ? one : TwoLines(text, font, width);
        })) {
        return *std::move(fitted);
    }
    // A word too long for any line is broken rather than cut short.
    if (lines >= 2) {
        if (auto fitted = EachSize(
                base, minimum, [&](const QFont& font) { return Hyphenated(text, font, width); })) {
            return *std::move(fitted);
        }
    }
    QFont smallest = base;
    smallest.setPixelSize(minimum);
    return Elided(text, smallest, width, std::clamp(lines, 1, 2));
}

void IKeyImage::mouseReleaseEvent(QMouseEvent* event)
{
    // A press moved off the key before its release is no click.
    if (OnClick && rect().contains(event->position().toPoint())) {
        OnClick(event->button(), event->globalPosition().toPoint());
    }
}

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

TCustomKeyImage::Frame TCustomKeyImage::CurrentFrame() const
{
    const auto cap = GetKeyCap(KeyCode);
    return {size(),
            devicePixelRatioF(),
            KeyCode,
            cap ? cap->label : GetKeyName(KeyCode),
            cap ? cap->groupLabel : std::string(),
            cap ? cap->shiftLabel : std::string(),
            KeyFont.font,
            KeyFont.color,
            ActionFont.font,
            ActionFont.color};
}

TCustomKeyImage::Content TCustomKeyImage::CurrentContent() const
{
    Content content;
    content.pressed = Pressed;
    content.count = ShortCutCount;
    if (ActionDescription) {
        content.hasAction = true;
        content.live = !ActionDescription->Origin.empty();
        content.shortName = ActionDescription->ShortName;
        content.icon = ActionDescription->Icon.cacheKey();
        content.iconData = ActionDescription->IconData;
    }
    return content;
}

bool TCustomKeyImage::LookChanged()
{
    if (target_) {
        return true;
    }
    const Frame frame = CurrentFrame();
    Content content = CurrentContent();
    if (frame_ != frame) {
        frame_ = frame;
        measures_ = Measures();
    } else if (content_ == content) {
        return false;
    }
    content_ = std::move(content);
    return true;
}

TCustomKeyImage::PreparedText TCustomKeyImage::Prepare(TFittedText fitted, int width, int lines)
{
    std::vector<QStaticText> layout;
    for (const QString& line : fitted.text.split('\n')) {
        QStaticText& prepared = layout.emplace_back(line);
        prepared.setTextFormat(Qt::PlainText);
        prepared.prepare(QTransform(), fitted.font);
    }
    return {width, lines, std::move(fitted), std::move(layout)};
}

void TCustomKeyImage::DrawPrepared(QPainter& canvas, const QPoint& topLeft,
                                   const PreparedText& text, const QColor& color)
{
    canvas.setFont(text.fitted.font);
    canvas.setPen(color);
    const int lineHeight = QFontMetrics(text.fitted.font).height();
    QPoint line = topLeft;
    for (const QStaticText& layout : text.layout) {
        const int indent = (text.fitted.size.width() - qRound(layout.size().width())) / 2;
        canvas.drawStaticText(line + QPoint(std::max(0, indent), 0), layout);
        line.ry() += lineHeight;
    }
}

const TCustomKeyImage::PreparedText& TCustomKeyImage::PreparedKeyName(int width)
{
    if (!measures_.keyName || measures_.keyName->width != width) {
        measures_.keyName = Prepare(FitKeyName(KeyCode, KeyFont.font, width), width);
    }
    return *measures_.keyName;
}

const TCustomKeyImage::PreparedText& TCustomKeyImage::PreparedGroupName()
{
    if (!measures_.groupName) {
        QFont font = KeyFont.font;
        font.setPixelSize(MinimumLegiblePixelSize(KeyFont.font));
        measures_.groupName = Prepare(Lines({QString::fromStdString(frame_->groupName)}, font), 0);
    }
    return *measures_.groupName;
}

const TCustomKeyImage::PreparedText& TCustomKeyImage::PreparedShiftName()
{
    if (!measures_.shiftName) {
        QFont font = KeyFont.font;
        font.setPixelSize(MinimumLegiblePixelSize(KeyFont.font));
        measures_.shiftName = Prepare(Lines({QString::fromStdString(frame_->shiftName)}, font), 0);
    }
    return *measures_.shiftName;
}

int TCustomKeyImage::ShiftNameHeight()
{
    return frame_ && !frame_->shiftName.empty() ? PreparedShiftName().fitted.size.height() : 0;
}

const TCustomKeyImage::PreparedText& TCustomKeyImage::PreparedShortName(const QString& text,
                                                                        int width, int lines)
{
    auto found = measures_.shortNames.find(text);
    if (found == measures_.shortNames.end() || found->width != width || found->lines != lines) {
        MakeRoom(measures_.shortNames);
        found = measures_.shortNames.insert(
            text, Prepare(FitShortName(text, ActionFont.font, width, lines), width, lines));
    }
    return *found;
}

const TCustomKeyImage::PreparedText& TCustomKeyImage::PreparedCount(int count)
{
    auto found = measures_.counts.find(count);
    if (found == measures_.counts.end()) {
        MakeRoom(measures_.counts);
        QFont font = KeyFont.font;
        font.setPixelSize(MinimumLegiblePixelSize(KeyFont.font));
        found = measures_.counts.insert(count, Prepare(Lines({QString::number(count)}, font), 0));
    }
    return *found;
}

QRect TCustomKeyImage::DrawShortName(QPainter& canvas, const QRect& area)
{
    if (!measures_.actionLineHeight) {
        measures_.actionLineHeight = QFontMetrics(ActionFont.font).height();
    }
    // A second line only where an icon, if there is one, keeps three quarters of a line's height.
    const int line = *measures_.actionLineHeight;
    const int iconRoom = ActionDescription->Picture().isNull() ? 0 : line * 3 / 4;
    const int lines = area.height() >= 2 * line + iconRoom ? 2 : 1;
    const PreparedText& text = PreparedShortName(
        QString::fromStdString(ActionDescription->ShortName), area.width(), lines);
    const QRect rect = AlignIn(text.fitted.size, area, Qt::AlignHCenter | Qt::AlignBottom);
    DrawPrepared(canvas, rect.topLeft(), text, ActionFont.color);
    return rect;
}

void TCustomKeyImage::DrawKeyName(QPainter& canvas, const QRect& area)
{
    // What the key types with Shift, small above what it types without, as key caps print it.
    const int shiftHeight = ShiftNameHeight();
    if (shiftHeight > 0) {
        DrawPrepared(canvas, area.topLeft(), PreparedShiftName(), KeyFont.color);
    }
    const PreparedText& name = PreparedKeyName(area.width() - KeyNameMargin);
    const QRect drawn = AlignIn(name.fitted.size, area.adjusted(0, shiftHeight, 0, 0),
                                Qt::AlignLeft | Qt::AlignTop);
    DrawPrepared(canvas, drawn.topLeft(), name, KeyFont.color);
    // The active group's letter, small, after the Latin one the shortcut is typed with.
    if (frame_ && !frame_->groupName.empty()) {
        const PreparedText& group = PreparedGroupName();
        const int baseline = QFontMetrics(name.fitted.font).ascent();
        const int ascent = QFontMetrics(group.fitted.font).ascent();
        DrawPrepared(canvas, {drawn.right() + 1 + KeyNameMargin, drawn.top() + baseline - ascent},
                     group, countColor);
    }
}

QRect TCustomKeyImage::BelowKeyName(const QRect& area)
{
    if (!measures_.lineHeight) {
        measures_.lineHeight = QFontMetrics(KeyFont.font).height();
    }
    return area.adjusted(0, *measures_.lineHeight + ShiftNameHeight(), 0, 0);
}

void TCustomKeyImage::DrawShortCutCount(QPainter& canvas, const QRect& area)
{
    if (ShortCutCount <= 0) {
        return;
    }
    const PreparedText& count = PreparedCount(ShortCutCount);
    const QRect inside = area.adjusted(0, 0, -KeyNameMargin, 0);
    DrawPrepared(canvas,
                 AlignIn(count.fitted.size, inside, Qt::AlignRight | Qt::AlignTop).topLeft(), count,
                 countColor);
}

void TCustomKeyImage::DrawAction(QPainter& canvas, const QRect& area,
                                 const IconPlacement& placeIcon)
{
    if (!ActionDescription) {
        return;
    }
    const QRect shortName = DrawShortName(canvas, area);
    if (!ActionDescription->Origin.empty()) {
        DrawLiveMark(canvas, area);
    }
    const QImage& icon = ActionDescription->Picture();
    if (icon.isNull()) {
        return;
    }
    const QRect picture = placeIcon(icon.size(), shortName);
    // A key too small for the icon shows none.
    if (picture.width() > 0 && picture.height() > 0) {
        canvas.setRenderHint(QPainter::SmoothPixmapTransform);
        canvas.drawImage(picture, icon);
    }
}

void TCustomKeyImage::DrawLiveMark(QPainter& canvas, const QRect& area)
{
    // A small triangle in the bottom right corner: told by the running program, not the base.
    const int side = std::max(3, area.height() / 8);
    const QPoint corner = area.bottomRight();
    const QPoint points[] = {corner, corner - QPoint(side, 0), corner - QPoint(0, side)};
    canvas.save();
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(LiveMarkColour);
    canvas.drawPolygon(points, 3);
    canvas.restore();
}

void TCustomKeyImage::DrawActionAbove(QPainter& canvas, const QRect& area)
{
    DrawAction(canvas, area, [&area](const QSize& icon, const QRect& shortName) {
        const QSize size = WithHeight(icon, area.height() - shortName.height());
        return Above(size, AlignIn(size, area, Qt::AlignHCenter).x(), shortName);
    });
}

void TCustomKeyImage::PaintOn(QPainter& canvas)
{
    target_ = &canvas;
    DrawKey(ActionDescription, Pressed, ShortCutCount);
    target_ = nullptr;
}

void TCustomKeyImage::Paint(const Style& style, const QRegion& visible)
{
    const QRect client(QPoint(0, 0), size());
    if (target_) {
        target_->save();
        if (!visible.isEmpty()) {
            target_->setClipRegion(visible, Qt::IntersectClip);
        }
        FillBackground(*target_);
        style(*target_, client);
        target_->restore();
        return;
    }
    if (width() <= 0 || height() <= 0) {
        picture_ = QImage();
        EndPicture();
        return;
    }
    // On a screen with more device pixels than logical ones the picture has as many, so that its
    // text and icons are drawn sharp rather than scaled up.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    // The same picture is drawn over, with the painting machinery it keeps.
    if (picture_.size() != pixels || picture_.devicePixelRatio() != ratio) {
        picture_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        picture_.setDevicePixelRatio(ratio);
    }
    picture_.fill(Qt::transparent);
    QPainter canvas(&picture_);
    if (!visible.isEmpty()) {
        canvas.setClipRegion(visible);
    }
    FillBackground(canvas);
    style(canvas, client);
    canvas.end();
    EndPicture(visible);
}

void TCustomKeyImage::DrawTallKey()
{
    Paint([this](QPainter& canvas, const QRect& client) {
        DrawAction(canvas, client, [&client](const QSize& icon, const QRect& shortName) {
            return Above(WithWidth(icon, client.width()), client.x(), shortName);
        });
        DrawKeyName(canvas, client);
        DrawShortCutCount(canvas, client);
    });
}

void TCustomKeyImage::DrawWideKey()
{
    Paint([this](QPainter& canvas, const QRect& client) {
        const QRect area = BelowKeyName(client);
        const QSize half(area.width() / 2, area.height());
        DrawActionAbove(canvas, AlignIn(half, area, Qt::AlignRight | Qt::AlignBottom));
        DrawKeyName(canvas, client);
        DrawShortCutCount(canvas, client);
    });
}

void TCustomKeyImage::DrawSquareKey()
{
    Paint([this](QPainter& canvas, const QRect& client) {
        const QRect area = BelowKeyName(client);
        DrawAction(canvas, area, [&area](const QSize& icon, const QRect& shortName) {
            const QSize size = WithHeight(icon, area.height() - shortName.height());
            return AlignIn(size, area, Qt::AlignRight | Qt::AlignTop);
        });
        DrawKeyName(canvas, client);
        DrawShortCutCount(canvas, client);
    });
}

void TCustomKeyImage::DrawEnterKey()
{
    // The ISO Enter: the bottom left part is cut out for the key left of it, so the key shows as
    // an L, full width above. The cut-out is a hole in the widget: what lies behind it shows
    // through.
    const int top = static_cast<int>(height() * 0.5);
    const QRect cutOut(0, top, static_cast<int>(width() * 0.18), height() - top);
    const auto style = [this, &cutOut](QPainter& canvas, const QRect& client) {
        const QRect below = client.adjusted(cutOut.width(), cutOut.top(), 0, 0);
        DrawActionAbove(canvas, below);
        DrawKeyName(canvas, client);
        DrawShortCutCount(canvas, client);
    };
    Paint(style, QRegion(rect()) - QRegion(cutOut));
}

void TKeyImage::DrawKey(const CActionDescription* description, bool pressed, int shortCutCount)
{
    ActionDescription = description;
    const bool pressedChanged = Pressed != pressed;
    Pressed = pressed;
    ShortCutCount = shortCutCount;
    // What the key says in words may change without a change in its look.
    Describe();
    if (pressedChanged) {
        NotifyKeyPressedChanged(*this);
    }
    if (!LookChanged()) {
        return;
    }
    if (KeyCode == vk::Return && IsTall()) {
        DrawEnterKey();
    } else if (IsTall()) {
        DrawTallKey();
    } else if (IsWide()) {
        DrawWideKey();
    } else {
        DrawSquareKey();
    }
}

void TKeyImage::Describe()
{
    // A key whose cap follows the layout is named by what it shows ("Z", "Ö", "Z Я").
    const auto cap = GetKeyCap(KeyCode);
    QString name =
        QString::fromStdString(!cap                      ? KeyTextName(KeyCode)
                               : cap->groupLabel.empty() ? cap->label
                                                         : cap->label + " " + cap->groupLabel);
    QStringList description;
    QString tip;
    if (ActionDescription) {
        const QString shortName = QString::fromStdString(ActionDescription->ShortName);
        const QString fullName = QString::fromStdString(ActionDescription->Name);
        name += QStringLiteral(": ") + shortName;
        description << fullName;
        if (!ActionDescription->Origin.empty()) {
            description << QString::fromStdString(ActionDescription->Origin);
        }
        tip = fullName.isEmpty() || fullName == shortName ? shortName : shortName + '\n' + fullName;
    }
    if (ShortCutCount > 0) {
        description << QString::fromStdString(
            FormatText(Translate("Сочетаний с этой клавишей: %s"), std::to_string(ShortCutCount)));
    }
    description.removeAll(QString());
    const QString said = description.join('\n');
    if (accessibleName() != name) {
        setAccessibleName(name);
    }
    if (accessibleDescription() != said) {
        setAccessibleDescription(said);
    }
    // The base's texts are shown as they are, never as markup the tooltip would render.
    const QString shownTip = tip.isEmpty() ? tip : Qt::convertFromPlainText(tip);
    if (toolTip() != shownTip) {
        setToolTip(shownTip);
    }
}
