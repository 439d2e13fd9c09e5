#include "support/Screen.h"

#include <cstdio>
#include <unistd.h>

Image Image::fromCommand(const std::string& command)
{
    Image image;
    const std::string ppm = shell(command);
    int maxValue = 0, consumed = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &image.width, &image.height, &maxValue, &consumed) != 3)
        return Image{};
    image.rgb = ppm.substr(static_cast<std::size_t>(consumed) + 1);
    if (image.rgb.size() < static_cast<std::size_t>(image.width) * image.height * 3)
        return Image{};
    return image;
}

Image Image::screen(int width, int height)
{
    std::string resize;
    if (width > 0 && height > 0)
        resize = " -resize " + std::to_string(width) + "x" + std::to_string(height) + "!";
    // xwd grabs the screen at once; the slower conversion happens afterwards.
    return fromCommand("xwd -root -silent | convert xwd:-" + resize + " ppm:- 2>/dev/null");
}

std::string vornakWindow()
{
    std::string id = shell("xdotool search --onlyvisible --name '^Vornak$' 2>/dev/null | head -n 1");
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r'))
        id.pop_back();
    return id;
}

std::string waitForVornakWindow(Process& process, double timeoutSeconds)
{
    const double until = monotonicSeconds() + timeoutSeconds;
    while (monotonicSeconds() < until && process.running()) {
        const std::string id = vornakWindow();
        if (!id.empty())
            return id;
        usleep(50000);
    }
    return "";
}

double waitForFirstPicture(Process& process, double timeoutSeconds)
{
    const double until = monotonicSeconds() + timeoutSeconds;
    while (monotonicSeconds() < until && process.running()) {
        const double takenAt = process.elapsed();
        const Image tiny = Image::screen(16, 9);
        int lit = 0;
        for (int y = 0; y < tiny.height; ++y)
            for (int x = 0; x < tiny.width; ++x)
                lit += tiny.at(x, y, 0) + tiny.at(x, y, 1) + tiny.at(x, y, 2) > 40;
        if (lit > 10)
            return takenAt;
        usleep(50000);
    }
    return -1;
}
