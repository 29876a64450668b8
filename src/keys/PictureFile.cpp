#include "keys/PictureFile.h"

#include "framework/Exception.h"
#include "services/Translation.h"
#include "util/Text.h"

#include <QBuffer>
#include <QImageReader>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& reason)
{
    throw Exception(FormatText(Translate("Файл %s не принят: %s"), path, reason));
}

bool IsGzip(const QByteArray& bytes)
{
    return bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
           static_cast<unsigned char>(bytes[1]) == 0x8b;
}

// The inflated bytes of gzip data; empty when they are damaged or more than MaxInflatedSvgBytes.
QByteArray InflateCapped(const QByteArray& bytes)
{
    z_stream stream{};
    // 16 + MAX_WBITS: gzip framing.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        return {};
    }
    QByteArray inflated(MaxInflatedSvgBytes + 1, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(inflated.data());
    stream.avail_out = static_cast<uInt>(inflated.size());
    const int result = inflate(&stream, Z_FINISH);
    const auto size = static_cast<qsizetype>(stream.total_out);
    inflateEnd(&stream);
    if (result != Z_STREAM_END || size > MaxInflatedSvgBytes) {
        return {};
    }
    inflated.truncate(size);
    return inflated;
}

} // namespace

std::string PictureSizeText(qint64 width, qint64 height)
{
    return std::to_string(width) + " × " + std::to_string(height);
}

QByteArray ReadPictureBytes(const std::string& path)
{
    // Non-blocking: opening a pipe must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Refuse(path, std::strerror(errno));
    }
    struct stat info
    {
    };
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (!regular || info.st_size > MaxPictureFileBytes) {
        ::close(fd);
        Refuse(path,
               regular ? Translate("картинка больше 8 МБ") : Translate("это не обычный файл"));
    }
    // Read up to the limit whatever the size said: the file may grow meanwhile.
    QByteArray bytes(MaxPictureFileBytes + 1, Qt::Uninitialized);
    qsizetype total = 0;
    while (total < bytes.size()) {
        const ssize_t count = ::read(fd, bytes.data() + total, bytes.size() - total);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            if (count < 0) {
                const std::string error = std::strerror(errno);
                ::close(fd);
                Refuse(path, error);
            }
            break;
        }
        total += count;
    }
    ::close(fd);
    if (total > MaxPictureFileBytes) {
        Refuse(path, Translate("картинка больше 8 МБ"));
    }
    bytes.truncate(total);
    return bytes;
}

DecodedPicture DecodePicture(const QByteArray& bytes, const QByteArray& format, int side)
{
    QByteArray data = bytes;
    QByteArray readerFormat = format;
    if (format == "svgz" || ((format.isEmpty() || format == "svg") && IsGzip(bytes))) {
        data = InflateCapped(bytes);
        if (data.isEmpty()) {
            return {{}, Translate("сжатый SVG повреждён или больше 4 МБ после распаковки"), true};
        }
        readerFormat = "svg";
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, readerFormat);
    reader.setAllocationLimit(PictureAllocationLimitMb);
    const QSize size = reader.size();
    if (reader.format() == "svg") {
        // Drawn at the size asked for, whatever it declares.
        reader.setScaledSize(QSize(side, side));
    } else if (!size.isValid() || size.isEmpty()) {
        return {{}, Translate("не удается прочитать картинку")};
    } else if (static_cast<qint64>(size.width()) * size.height() * 4 >
               static_cast<qint64>(PictureAllocationLimitMb) * 1024 * 1024) {
        return {{},
                FormatText(Translate("картинка размером %s слишком велика"),
                           PictureSizeText(size.width(), size.height())),
                true};
    } else if (size.width() > side || size.height() > side) {
        reader.setScaledSize(size.scaled(side, side, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {{}, Translate("не удается прочитать картинку")};
    }
    return {image, {}};
}

QImage FitStoredIcon(const QImage& picture)
{
    if (picture.width() <= StoredIconSide && picture.height() <= StoredIconSide) {
        return picture;
    }
    return picture.scaled(StoredIconSide, StoredIconSide, Qt::KeepAspectRatio,
                          Qt::SmoothTransformation);
}
