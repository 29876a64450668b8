#include "packs/PackIcons.h"

#include "framework/Exception.h"
#include "keys/ActionDescription.h"
#include "keys/PictureFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QThread>

namespace {

void Append16(Blob& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Append32(Blob& bytes, std::uint32_t value)
{
    Append16(bytes, static_cast<std::uint16_t>(value));
    Append16(bytes, static_cast<std::uint16_t>(value >> 16));
}

// A BMP file with a version 4 header: 32-bit pixels with an alpha mask, which Qt's own BMP
// writer leaves out.
Blob BmpWithAlpha(const QImage& picture)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const std::uint32_t headerSize = 108;
    const std::uint32_t pixelOffset = 14 + headerSize;
    const auto pixelBytes = static_cast<std::uint32_t>(argb.width() * argb.height() * 4);
    Blob bytes;
    bytes.reserve(pixelOffset + pixelBytes);
    bytes.push_back('B');
    bytes.push_back('M');
    Append32(bytes, pixelOffset + pixelBytes);
    Append32(bytes, 0);
    Append32(bytes, pixelOffset);
    Append32(bytes, headerSize);
    Append32(bytes, static_cast<std::uint32_t>(argb.width()));
    Append32(bytes, static_cast<std::uint32_t>(argb.height()));
    Append16(bytes, 1);  // planes
    Append16(bytes, 32); // bits per pixel
    Append32(bytes, 3);  // BI_BITFIELDS
    Append32(bytes, pixelBytes);
    Append32(bytes, static_cast<std::uint32_t>(argb.dotsPerMeterX()));
    Append32(bytes, static_cast<std::uint32_t>(argb.dotsPerMeterY()));
    Append32(bytes, 0); // colours used
    Append32(bytes, 0); // important colours
    for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) {
        Append32(bytes, mask);
    }
    Append32(bytes, 0x73524742); // colour space "sRGB"
    // Colour space end points and gamma: unused for sRGB.
    bytes.insert(bytes.end(), 48, 0);
    // Rows bottom up, each pixel B, G, R, A.
    for (int y = argb.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            Append32(bytes, row[x]);
        }
    }
    return bytes;
}

// The freedesktop icon folders: $XDG_DATA_HOME/icons, then those of $XDG_DATA_DIRS.
QStringList IconFolders()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty()) {
        home = QDir::homePath() + "/.local/share";
    }
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) {
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    }
    QStringList folders{home + "/icons"};
    for (const QString& dir : dirs.split(':', Qt::SkipEmptyParts)) {
        folders.append(dir + "/icons");
    }
    return folders;
}

// Off-screen (a command line without a display) Qt knows no icon theme at all, and a session
// without a desktop leaves it with hicolor, which holds application icons only: the standard
// action icons are then taken from Adwaita or breeze when either is installed.
void UseStandardIconsWithoutADesktopTheme()
{
    const QString bare = QStringLiteral("hicolor");
    if (QIcon::themeName().isEmpty()) {
        QIcon::setThemeSearchPaths(QIcon::themeSearchPaths() + IconFolders());
        QIcon::setThemeName(bare);
    }
    if ((!QIcon::themeName().isEmpty() && QIcon::themeName() != bare) ||
        (!QIcon::fallbackThemeName().isEmpty() && QIcon::fallbackThemeName() != bare)) {
        return;
    }
    for (const QString& theme : {QStringLiteral("Adwaita"), QStringLiteral("breeze")}) {
        for (const QString& folder : QIcon::themeSearchPaths()) {
            if (QFileInfo::exists(QDir(folder).filePath(theme + "/index.theme"))) {
                QIcon::setFallbackThemeName(theme);
                return;
            }
        }
    }
}

QImage ExactSize(const QImage& image, int side)
{
    return image.size() == QSize(side, side)
               ? image
               : image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

Blob IconFieldBytes(const QImage& original)
{
    const QImage picture = FitStoredIcon(original);
    if (picture.hasAlphaChannel()) {
        return BmpWithAlpha(picture);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return Blob(bytes.begin(), bytes.end());
}

QImage ThemeIcon(const std::string& name)
{
    // The icon theme and pixmaps belong to the GUI thread: a pack read in a worker asks it. Should
    // the program end first, the request is dropped and the icon stays null.
    if (QCoreApplication::instance() &&
        QThread::currentThread() != QCoreApplication::instance()->thread()) {
        QImage picture;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&picture, &name] { picture = ThemeIcon(name); },
            Qt::BlockingQueuedConnection);
        return picture;
    }
    UseStandardIconsWithoutADesktopTheme();
    const QIcon icon = QIcon::fromTheme(QString::fromStdString(name));
    if (icon.isNull()) {
        return {};
    }
    return ExactSize(icon.pixmap(QSize(PackIconSide, PackIconSide), 1.0).toImage(), PackIconSide);
}

DecodedPicture PictureFileIcon(const std::string& path)
{
    QByteArray bytes;
    try {
        bytes = ReadPictureBytes(path);
    } catch (const Exception& error) {
        return {{}, error.what()};
    }
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    const QByteArray format =
        suffix == "svg" || suffix == "svgz" ? suffix.toLatin1() : QByteArray();
    return DecodePicture(bytes, format, format.isEmpty() ? MaxPackPictureSide : PackIconSide);
}

QByteArray IconPng(const Blob& field)
{
    const QImage picture = DecodeIcon(field);
    if (picture.isNull()) {
        return {};
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}
