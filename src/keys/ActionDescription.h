#pragma once

#include <QImage>

#include <string>

// What a key shows for a shortcut: its texts and its icon (a null image when it has none).
class CActionDescription
{
public:
    std::string Name;
    std::string ShortName;
    QImage Icon;
};
