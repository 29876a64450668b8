#include "PictureBombs.h"

#include <QBuffer>
#include <QImage>

#include <zlib.h>

namespace {

QByteArray Encoded(const QImage& picture, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

void PutBigEndian(QByteArray& bytes, qsizetype at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * (size - 1 - i)));
    }
}

} // namespace

QByteArray PngDeclaring(int width, int height)
{
    QImage picture(1, 1, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray png = Encoded(picture, "PNG");
    // The signature (8), the IHDR length (4) and type (4), then width and height; its CRC
    // covers the type and the 13 bytes of data.
    PutBigEndian(png, 16, static_cast<std::uint32_t>(width), 4);
    PutBigEndian(png, 20, static_cast<std::uint32_t>(height), 4);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17);
    PutBigEndian(png, 29, static_cast<std::uint32_t>(crc), 4);
    return png;
}

QByteArray JpegDeclaring(int width, int height)
{
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QByteArray jpeg = Encoded(picture, "JPEG");
    // The baseline frame header: marker, length (2), precision (1), height (2), width (2).
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    PutBigEndian(jpeg, frame + 5, static_cast<std::uint32_t>(height), 2);
    PutBigEndian(jpeg, frame + 7, static_cast<std::uint32_t>(width), 2);
    return jpeg;
}

QByteArray SvgzBomb()
{
    const QByteArray head =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\"><!--";
    const QByteArray tail = "--><rect width=\"16\" height=\"16\" fill=\"red\"/></svg>";
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    QByteArray compressed(1024 * 1024, Qt::Uninitialized);
    stream.next_out = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_out = static_cast<uInt>(compressed.size());
    const auto feed = [&stream](const QByteArray& bytes, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
        stream.avail_in = static_cast<uInt>(bytes.size());
        deflate(&stream, flush);
    };
    feed(head, Z_NO_FLUSH);
    const QByteArray spaces(1024 * 1024, ' ');
    for (int i = 0; i < 100; ++i) {
        feed(spaces, Z_NO_FLUSH);
    }
    feed(tail, Z_FINISH);
    compressed.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return compressed;
}

QByteArray PlainPng(int side)
{
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(QColor(30, 160, 30));
    return Encoded(picture, "PNG");
}
