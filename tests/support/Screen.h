#pragma once

// The X screen as the end-to-end tests see it: the show's window and screenshots.

#include "support/Process.h"

#include <string>

// An 8-bit RGB image read from ImageMagick's binary PPM output.
struct Image {
    int width = 0, height = 0;
    std::string rgb;

    // From a command that writes a binary PPM.
    static Image fromCommand(const std::string& command);

    int at(int x, int y, int c) const { return static_cast<unsigned char>(rgb[(std::size_t(y) * width + x) * 3 + c]); }
};

// The X window id of the visible window titled "Vornak", or "".
std::string vornakWindow();

// Waits until the window is mapped; "" after the timeout or when the process ends.
std::string waitForVornakWindow(Process& process, double timeoutSeconds);

// Waits until the window manager lists the window: only then do close requests and activation
// reach it. False after the timeout or when the process ends.
bool waitUntilManaged(Process& process, const std::string& id, double timeoutSeconds);
