#pragma once

#include "live/LiveReader.h"
#include "live/LiveShortCutLoader.h"

class CActiveWindow;

// Live shortcuts as the overlay uses them: when another program comes to the foreground its
// shortcuts are read in the background, and the shortcut set the overlay shows has them under the
// user's own as soon as the cache holds them. Showing the overlay never waits for a read.
class CLiveController
{
public:
    CLiveController(platform::Platform& platform, CShortCutSetLoader& base,
                    CActiveWindow& activeWindow);

    // The loader the overlay builds its shortcut set with.
    IShortCutLoader& Loader() { return loader_; }
    // Reads the program of the active window; called when it changes.
    void OnActiveWindowChange();

private:
    platform::Platform& platform_;
    CActiveWindow& activeWindow_;
    CLiveShortCutLoader loader_;
    live::LiveReader reader_;
};
