#include "windows/Window.h"

#include "util/Text.h"
#include "desktop/DesktopEntries.h"
#include "util/Utf8.h"

#include <QFileInfo>
#include <QIcon>
#include <QPainter>

namespace {

constexpr int IconSize = 16;
constexpr std::size_t MaxTitleCharacters = 99;

QImage ImageOf(const platform::Platform::Picture& picture)
{
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width; ++x) {
            line[x] = picture.argb[static_cast<std::size_t>(y * picture.width + x)];
        }
    }
    return image;
}

// The icon of the desktop entry of the window's class, through the icon theme.
QImage ClassIcon(platform::Platform& platform, platform::WindowId window,
                 const std::vector<DesktopEntry>& entries)
{
    const std::string windowClass = platform.GetWindowClass(window);
    if (windowClass.empty()) {
        return {};
    }
    const DesktopEntry* entry = FindEntryOfWindowClass(entries, windowClass);
    if (!entry || entry->icon.empty()) {
        return {};
    }
    const QString name = QString::fromStdString(entry->icon);
    const QIcon icon = QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
    return icon.pixmap(IconSize, IconSize).toImage();
}

} // namespace

std::vector<platform::WindowId> EnumerateWindows(platform::Platform& platform,
                                                 platform::WindowId parent, bool directOnly)
{
    if (parent == 0) {
        const auto topLevel = platform.GetTopLevelWindows();
        if (directOnly) {
            return topLevel;
        }
        std::vector<platform::WindowId> all;
        for (const platform::WindowId window : topLevel) {
            all.push_back(window);
            const auto below = platform.GetChildWindows(window, true);
            all.insert(all.end(), below.begin(), below.end());
        }
        return all;
    }
    return platform.GetChildWindows(parent, !directOnly);
}

CWindow& CWindow::operator=(const CWindow& other)
{
    Handle = other.Handle;
    platform_ = other.platform_;
    bitmap_ = QImage();
    return *this;
}

std::uint32_t CWindow::GetProcessId() const
{
    return Handle ? platform_->GetWindowProcessId(Handle) : 0;
}

std::string CWindow::GetText() const
{
    return TruncateUtf8(platform_->GetWindowTitle(Handle), MaxTitleCharacters);
}

bool CWindow::IsVisible() const
{
    return platform_->IsWindowVisible(Handle);
}

CWindow CWindow::GetOwner() const
{
    return CWindow(*platform_, platform_->GetWindowOwner(Handle));
}

const QImage& CWindow::GetIcon(const std::vector<DesktopEntry>& entries)
{
    const auto own = platform_->GetWindowIcon(Handle, IconSize);
    QImage icon = own.argb.empty() ? ClassIcon(*platform_, Handle, entries) : ImageOf(own);
    if (icon.isNull()) {
        return bitmap_;
    }
    bitmap_ = QImage(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
    bitmap_.fill(Qt::transparent);
    QPainter painter(&bitmap_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, IconSize, IconSize), icon);
    return bitmap_;
}

std::vector<CWindow> CWindow::GetTopLevelWindows(platform::Platform& platform)
{
    std::vector<CWindow> windows;
    for (const platform::WindowId handle : EnumerateWindows(platform, 0, true)) {
        windows.emplace_back(platform, handle);
    }
    return windows;
}
