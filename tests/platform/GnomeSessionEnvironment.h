#pragma once

#include "ScopedEnvironment.h"

#include <QString>
#include <QTemporaryDir>

#include <string>

// What the Wayland platform reads to take the session for GNOME's without sway, with a
// configuration folder of its own: set while the object lives.
class GnomeSessionEnvironment
{
public:
    explicit GnomeSessionEnvironment(const std::string& desktop = "GNOME")
    {
        environment_.Set("SWAYSOCK", std::nullopt);
        environment_.Set("WAYLAND_DISPLAY", std::nullopt);
        environment_.Set("XDG_CURRENT_DESKTOP", desktop);
        environment_.Set("XDG_CONFIG_HOME", config_.path().toStdString());
    }
    QString ConfigFolder() const { return config_.path(); }

private:
    QTemporaryDir config_;
    ScopedEnvironment environment_;
};
