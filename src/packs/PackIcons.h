#pragma once

#include "framework/DataSet.h"
#include "keys/PictureFile.h"

#include <QByteArray>
#include <QImage>

#include <string>

// Key icons as the base keeps them and as shortcut packs carry them.

// Icons from the icon theme and SVG pictures are drawn at this size.
constexpr int PackIconSide = 16;
// Larger pictures in a pack's folder are scaled down to fit a square of this side.
constexpr int MaxPackPictureSide = StoredIconSide;
// The most bytes a picture of a pack may have, in a file or embedded.
constexpr qsizetype MaxPackPictureBytes = 1024 * 1024;

// The picture as the "Icon" field keeps it: scaled down to fit StoredIconSide, a whole BMP file,
// of 32 bits with the alpha channel when the picture has one.
Blob IconFieldBytes(const QImage& picture);

// The desktop icon theme's icon of this name at PackIconSide; null when the theme has none. Called
// in another thread, it is looked up in the GUI thread, which must not be waiting for the caller.
QImage ThemeIcon(const std::string& name);

// The picture in a file as a key icon, read within the limits of keys/PictureFile.h: SVG drawn
// at PackIconSide, other pictures scaled down to fit MaxPackPictureSide; null, with the reason,
// when the file is refused or holds no picture Qt can read.
DecodedPicture PictureFileIcon(const std::string& path);

// The picture of a stored icon as PNG; empty when the stored bytes hold no picture.
QByteArray IconPng(const Blob& field);
