#pragma once

#include <QByteArray>
#include <QImage>

#include <string>

// Pictures read and decoded within limits, so that no file or embedded picture can make the
// program wait for ever or allocate without bound.

// Icons are stored at most this size on a side: the size keys draw them at the largest scale.
constexpr int StoredIconSide = 64;
// A larger picture file is refused before anything is read.
constexpr qint64 MaxPictureFileBytes = 8 * 1024 * 1024;
// The most a decoder may allocate for one picture, in megabytes (4,096 x 4,096 pixels of 4 bytes).
constexpr int PictureAllocationLimitMb = 64;
// Compressed SVG is inflated up to this many bytes, and refused when it holds more.
constexpr qsizetype MaxInflatedSvgBytes = 4 * 1024 * 1024;

// The bytes of a picture file. Throws Exception naming the file and the reason when it is not a
// regular file (a pipe, a device; never waited for), is larger than MaxPictureFileBytes or cannot
// be read.
QByteArray ReadPictureBytes(const std::string& path);

struct DecodedPicture
{
    QImage image;
    // Why image is null, in words for the user.
    std::string problem;
    // Whether a limit refused it (rather than bytes that hold no picture).
    bool refused = false;
};

// Decodes a picture in format (empty: recognised by its content; "svgz" or gzip-compressed SVG is
// inflated first) no larger than side x side, scaled down while decoding where the format allows;
// a picture that would need more than PictureAllocationLimitMb is refused before it is decoded.
DecodedPicture DecodePicture(const QByteArray& bytes, const QByteArray& format, int side);

// "640 × 480".
std::string PictureSizeText(qint64 width, qint64 height);

// The picture scaled down, keeping its proportions, to fit StoredIconSide; as it is when it fits.
QImage FitStoredIcon(const QImage& picture);
