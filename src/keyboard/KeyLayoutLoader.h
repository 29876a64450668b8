#pragma once

#include "keyboard/Key.h"
#include "platform/Platform.h"

#include <optional>

#include <string>
#include <vector>

// The overlay's area in design units (120 dpi): the keys and, below them, the description line.
constexpr int KeyboardDesignWidth = 1566;
constexpr int KeyboardDesignHeight = 631;
// More keys than any keyboard has: a layout beyond this is refused.
constexpr std::size_t MaxLayoutKeys = 512;

// Reads a keyboard layout file.
class IKeyLoader
{
public:
    virtual ~IKeyLoader() = default;
    // The keys of the file in file order, their rectangles scaled from design units by scale.
    // Throws Exception when the file cannot be read, a key is malformed or lies outside the
    // design area, or the file holds more than MaxLayoutKeys keys.
    virtual std::vector<KeyGeometry> LoadKeys(const std::string& path, double scale) = 0;
};

// The layout file is XML: <keyimages> holding one element per key with the integer attributes
// KeyCode, Left, Top, Width and Height, and an optional Shape, "ANSI" or "ISO": such a key is read
// only when the keyboard has that shape: the one chosen, else the platform's.
class CKeyLayoutLoader : public IKeyLoader
{
public:
    explicit CKeyLayoutLoader(platform::Platform& platform) : platform_(platform) {}

    std::vector<KeyGeometry> LoadKeys(const std::string& path, double scale) override;
    // The user's choice of shape over the platform's; none: the platform's.
    void SetShape(std::optional<platform::KeyboardShape> shape) { shape_ = shape; }

private:
    platform::Platform& platform_;
    std::optional<platform::KeyboardShape> shape_;
};
