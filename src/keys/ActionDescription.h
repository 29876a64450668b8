#pragma once

#include <QImage>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The largest picture side a key icon may have: a header that claims more is refused before
// anything is decoded.
constexpr int MaxIconSide = 1024;

// The picture in these bytes (any format Qt reads); a null image when they hold none, or one
// larger than MaxIconSide on a side.
QImage DecodeIcon(const std::vector<std::uint8_t>& bytes);

// What a key shows for a shortcut: its texts and its icon.
class CActionDescription
{
public:
    std::string Name;
    std::string ShortName;
    // The icon as a picture; a null image when it has none, or when it is given as IconData.
    QImage Icon;
    // The icon as the stored bytes of a picture, decoded when it is first drawn: most icons of a
    // large base are never shown, and their pixels would cost more memory than their bytes.
    std::shared_ptr<const std::vector<std::uint8_t>> IconData;
    // Where the running program told this shortcut ("from the menu File › Save"), for a shortcut
    // read from it rather than taken from the user's base; empty for the base's.
    std::string Origin;

    // The icon to draw: Icon, or IconData decoded (kept once decoded); null when there is none.
    const QImage& Picture() const;

private:
    mutable QImage decoded_;
};
