#pragma once

#include "keys/Key.h"

#include <memory>
#include <string>

class QWidget;

// Builds the drawn keyboard from a layout file.
class IKeyLoader
{
public:
    virtual ~IKeyLoader() = default;
    // A new keyboard whose key pictures use keyFont for key names and actionFont for short names
    // and lie on parent. Throws Exception when the file cannot be read or a key is malformed.
    virtual std::unique_ptr<CKeys> LoadKeys(const std::string& path, const TFont& keyFont,
                                            const TFont& actionFont, QWidget* parent) = 0;
};

// The data layer's loader of the keyboard layout file (XML).
class CDB : public IKeyLoader
{
public:
    std::unique_ptr<CKeys> LoadKeys(const std::string& path, const TFont& keyFont,
                                    const TFont& actionFont, QWidget* parent) override;
};
