#include "shell/OverlaySurface.h"

#include "platform/VirtualKeys.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTextDocument>
#include <QToolTip>
#include <QWidget>
#include <QtMath>

#include <algorithm>

namespace {

// How far the description lies from the place clicked, as a tooltip lies from the pointer.
const QPoint DescriptionOffset(12, 16);

Qt::MouseButton ButtonOf(std::uint16_t code)
{
    switch (code) {
    case vk::LButton:
        return Qt::LeftButton;
    case vk::RButton:
        return Qt::RightButton;
    case vk::MButton:
        return Qt::MiddleButton;
    default:
        return Qt::NoButton;
    }
}

} // namespace

COverlaySurface::COverlaySurface(platform::Platform& platform, QWidget& overlay)
    : platform_(platform), overlay_(overlay)
{
    overlay_.setAttribute(Qt::WA_DontShowOnScreen);
    overlay_.installEventFilter(this);
    hoverWait_.setSingleShot(true);
    hoverWait_.setInterval(overlay_.style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay));
    connect(&hoverWait_, &QTimer::timeout, this, [this] { ShowHoveredTip(); });
    platform_.WatchOverlaySurface(
        [this](const platform::Platform::OverlayPointer& pointer) { Forward(pointer); },
        // The surface lost the keyboard to another, or the compositor took it away.
        [this] { overlay_.hide(); });
}

COverlaySurface::~COverlaySurface()
{
    platform_.WatchOverlaySurface(nullptr, nullptr);
}

bool COverlaySurface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &overlay_) {
        return false;
    }
    // The toolkit asks for a repaint after each change: the surface gets the new picture.
    if (event->type() == QEvent::UpdateRequest && overlay_.isVisible()) {
        Present();
    } else if (event->type() == QEvent::Hide) {
        pressed_ = nullptr;
        Hover(nullptr, {});
        platform_.HideOverlaySurface();
    }
    return false;
}

void COverlaySurface::Present()
{
    const int scale = std::max(1, qCeil(overlay_.devicePixelRatioF()));
    // Drawn again after each key: the picture's memory is kept while its size stays.
    if (picture_.size() != overlay_.size() * scale) {
        picture_ = QImage(overlay_.size() * scale, QImage::Format_ARGB32_Premultiplied);
    }
    picture_.setDevicePixelRatio(scale);
    picture_.fill(Qt::transparent);
    overlay_.render(&picture_);
    platform_.PresentOverlay({reinterpret_cast<const std::uint32_t*>(picture_.constBits()),
                              picture_.width(), picture_.height(),
                              static_cast<int>(picture_.bytesPerLine()), scale});
}

void COverlaySurface::Forward(const platform::Platform::OverlayPointer& pointer)
{
    using Kind = platform::Platform::OverlayPointer::Kind;
    const QPoint place(pointer.x, pointer.y);
    if (pointer.kind == Kind::Move || pointer.kind == Kind::Leave) {
        Hover(pointer.kind == Kind::Move ? overlay_.childAt(place) : nullptr, place);
        return;
    }
    if (pointer.kind == Kind::Press) {
        // A press anywhere puts a description away.
        hoverWait_.stop();
        HideDescription();
        QWidget* target = overlay_.childAt(place);
        pressed_ = target && target != description_ ? target : &overlay_;
    } else if (!pressed_) {
        return;
    }
    QWidget* target = pressed_;
    const Qt::MouseButton button = ButtonOf(pointer.button);
    const bool press = pointer.kind == Kind::Press;
    QMouseEvent event(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease,
                      target->mapFrom(&overlay_, QPointF(place)),
                      overlay_.mapToGlobal(QPointF(place)), button,
                      press ? Qt::MouseButtons(button) : Qt::NoButton, Qt::NoModifier);
    if (!press) {
        pressed_ = nullptr;
    }
    QCoreApplication::sendEvent(target, &event);
}

void COverlaySurface::Hover(QWidget* widget, const QPoint& place)
{
    hoverPlace_ = place;
    // The description itself lies over the keys: resting on it keeps it.
    if (widget && widget == description_) {
        return;
    }
    if (widget == hovered_) {
        return;
    }
    hovered_ = widget;
    HideDescription();
    hoverWait_.stop();
    if (widget && !widget->toolTip().isEmpty()) {
        hoverWait_.start();
    }
}

void COverlaySurface::ShowHoveredTip()
{
    if (!hovered_ || !overlay_.isVisible()) {
        return;
    }
    // A tooltip may be markup (a key's is its text made markup): shown here as its text.
    QString tip = hovered_->toolTip();
    if (Qt::mightBeRichText(tip)) {
        QTextDocument document;
        document.setHtml(tip);
        tip = document.toPlainText();
    }
    ShowDescription(overlay_.mapToGlobal(hoverPlace_), tip);
}

void COverlaySurface::HideDescription()
{
    if (description_) {
        description_->hide();
    }
}

void COverlaySurface::ShowDescription(const QPoint& globalPos, const QString& text)
{
    if (!description_) {
        description_ = new QLabel(&overlay_);
        description_->setObjectName(QStringLiteral("Description"));
        // Base texts are shown as they are, never as markup.
        description_->setTextFormat(Qt::PlainText);
        description_->setWordWrap(true);
        description_->setPalette(QToolTip::palette());
        description_->setBackgroundRole(QPalette::ToolTipBase);
        description_->setForegroundRole(QPalette::ToolTipText);
        description_->setFont(QToolTip::font());
        description_->setAutoFillBackground(true);
        description_->setFrameShape(QFrame::Box);
        description_->setMargin(4);
    }
    description_->setText(text);
    description_->setMaximumWidth(overlay_.width() / 2);
    description_->adjustSize();
    // Beside the place clicked, kept inside the overlay.
    const QPoint wanted = overlay_.mapFromGlobal(globalPos) + DescriptionOffset;
    const QPoint furthest(overlay_.width() - description_->width(),
                          overlay_.height() - description_->height());
    description_->move(std::clamp(wanted.x(), 0, std::max(0, furthest.x())),
                       std::clamp(wanted.y(), 0, std::max(0, furthest.y())));
    description_->show();
    description_->raise();
}
