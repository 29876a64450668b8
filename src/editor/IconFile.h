#pragma once

#include "framework/DataSet.h"

#include <QImage>

#include <stdexcept>
#include <string>

// The file holds no picture this program can read (unknown format, damaged data).
class InvalidPicture : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads a picture file within the limits of keys/PictureFile.h: JPEG (by its extension, any case)
// through libjpeg, every other format through Qt's readers, chosen by the extension. Throws
// InvalidPicture, or Exception naming the file and the reason when the file is refused.
QImage ReadPictureFile(const std::string& path);
// Decodes JPEG bytes, scaled down while decoding as far as a stored icon allows; a declared size
// beyond PictureAllocationLimitMb and every libjpeg error become InvalidPicture.
QImage DecodeJpeg(const std::vector<unsigned char>& bytes);
// Puts the field's data set into edit state and stores the picture in it as the "Icon" field keeps
// pictures (packs/PackIcons.h: a BMP file, with the alpha channel when the picture has one).
void StoreBitmap(const QImage& picture, Field field);
// ReadPictureFile, then StoreBitmap; the field keeps its value when the file is no picture.
void LoadIconFromFile(const std::string& path, Field field);
