#pragma once

#include <QByteArray>

// Small picture files that declare or inflate to far more than they hold, to prove the limits of
// picture reading.

// A valid PNG whose header declares width x height (the pixel data is that of a 1 x 1 picture).
QByteArray PngDeclaring(int width, int height);
// A JPEG of 16 x 16 pixels whose frame header declares width x height.
QByteArray JpegDeclaring(int width, int height);
// Gzip-compressed SVG that inflates to some 100 MB (a comment of spaces); a few hundred KB.
QByteArray SvgzBomb();
// A square PNG of side x side in one colour, a few kilobytes.
QByteArray PlainPng(int side);
