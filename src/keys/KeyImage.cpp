#include "keys/KeyImage.h"

#include "keys/KeyCodes.h"
#include "keys/KeyText.h"
#include "platform/VirtualKeys.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

const QColor pressedColor(166, 202, 240);
const QColor releasedColor(255, 255, 255);

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

QSize TextSize(const QPainter& canvas, const QString& text)
{
    const QFontMetrics metrics(canvas.font());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

// Text from the top left corner of rect, clipped to it.
void DrawText(QPainter& canvas, const QRect& rect, const QString& text)
{
    canvas.save();
    canvas.setClipRect(rect);
    canvas.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    canvas.restore();
}

} // namespace

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

QRect TCustomKeyImage::DrawShortName(QPainter& canvas, const QRect& area)
{
    canvas.setFont(ActionFont.font);
    canvas.setPen(ActionFont.color);
    const QString text = QString::fromStdString(ActionDescription->ShortName);
    const QSize size = TextSize(canvas, text);
    // A name wider than the area starts at its left edge rather than spilling out on both sides.
    const Qt::Alignment horizontal = size.width() > area.width() ? Qt::AlignLeft : Qt::AlignHCenter;
    const QRect rect = AlignIn(size, area, horizontal | Qt::AlignBottom);
    DrawText(canvas, rect, text);
    return rect;
}

void TCustomKeyImage::DrawKeyName(QPainter& canvas, const QRect& area)
{
    canvas.setFont(KeyFont.font);
    canvas.setPen(KeyFont.color);
    const QString name = QString::fromStdString(GetKeyName(KeyCode));
    DrawText(canvas, AlignIn(TextSize(canvas, name), area, Qt::AlignLeft | Qt::AlignTop), name);
}

void TCustomKeyImage::DrawAction(QPainter& canvas, const QRect& area,
                                 const IconPlacement& placeIcon)
{
    if (!ActionDescription) {
        return;
    }
    const QRect shortName = DrawShortName(canvas, area);
    const QImage& icon = ActionDescription->Picture();
    if (icon.isNull()) {
        return;
    }
    const QRect picture = placeIcon(icon.size(), shortName);
    // A key too small for the icon shows none.
    if (picture.width() > 0 && picture.height() > 0) {
        canvas.drawImage(picture, icon);
    }
}

void TCustomKeyImage::DrawActionAbove(QPainter& canvas, const QRect& area)
{
    DrawAction(canvas, area, [&area](const QSize& icon, const QRect& shortName) {
        const QSize size = WithHeight(icon, area.height() - shortName.height());
        return Above(size, AlignIn(size, area, Qt::AlignHCenter).x(), shortName);
    });
}

void TCustomKeyImage::Paint(const Style& style)
{
    if (width() <= 0 || height() <= 0) {
        picture_ = QImage();
        EndPicture();
        return;
    }
    picture_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    picture_.fill(Qt::transparent);
    QPainter canvas(&picture_);
    FillBackground(canvas);
    const QRegion visible = style(canvas, QRect(QPoint(0, 0), size()));
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
        return QRegion();
    });
}

void TCustomKeyImage::DrawWideKey()
{
    Paint([this](QPainter& canvas, const QRect& client) {
        const QSize half(client.width() / 2, client.height());
        DrawActionAbove(canvas, AlignIn(half, client, Qt::AlignRight | Qt::AlignBottom));
        DrawKeyName(canvas, client);
        return QRegion();
    });
}

void TCustomKeyImage::DrawSquareKey()
{
    Paint([this](QPainter& canvas, const QRect& client) {
        DrawAction(canvas, client, [&client](const QSize& icon, const QRect& shortName) {
            const QSize size = WithHeight(icon, client.height() - shortName.height());
            return AlignIn(size, client, Qt::AlignRight | Qt::AlignTop);
        });
        DrawKeyName(canvas, client);
        return QRegion();
    });
}

void TCustomKeyImage::DrawEnterKey()
{
    Paint([this](QPainter& canvas, const QRect& client) {
        // The top left part is cut out: the key shows as an L, full width below.
        const QRect cutOut(0, 0, static_cast<int>(client.width() * 0.4),
                           static_cast<int>(client.height() * 0.5));
        canvas.setCompositionMode(QPainter::CompositionMode_Source);
        canvas.fillRect(cutOut, Qt::transparent);
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);

        const QSize bandSize(client.width(), cutOut.height());
        const QRect band = AlignIn(bandSize, client, Qt::AlignLeft | Qt::AlignBottom);
        const QSize halfBand(bandSize.width() / 2, bandSize.height());
        DrawActionAbove(canvas, AlignIn(halfBand, client, Qt::AlignRight | Qt::AlignBottom));
        DrawKeyName(canvas, band);
        // The cut-out is a hole in the widget: what lies behind it shows through.
        return QRegion(rect()) - QRegion(cutOut);
    });
}

void TKeyImage::DrawKey(const CActionDescription* description, bool pressed)
{
    ActionDescription = description;
    Pressed = pressed;
    DescribeForAssistiveTechnology();
    if (KeyCode == vk::Return) {
        DrawEnterKey();
    } else if (IsTall()) {
        DrawTallKey();
    } else if (IsWide()) {
        DrawWideKey();
    } else {
        DrawSquareKey();
    }
}

void TKeyImage::DescribeForAssistiveTechnology()
{
    QString name = QString::fromStdString(KeyTextName(KeyCode));
    QString description;
    if (ActionDescription) {
        name += QStringLiteral(": ") + QString::fromStdString(ActionDescription->ShortName);
        description = QString::fromStdString(ActionDescription->Name);
    }
    if (accessibleName() != name) {
        setAccessibleName(name);
    }
    if (accessibleDescription() != description) {
        setAccessibleDescription(description);
    }
}
