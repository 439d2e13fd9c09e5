#include "support/Screen.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

Image Image::fromCommand(const std::string& command)
{
    const std::string ppm = shell(command);
    // Header: "P6", width, height, maximum value, separated by white space and
    // '#' comments (xwd's converter writes one), then one byte before the pixels.
    std::size_t pos = 0;
    const auto token = [&]() {
        for (;;) {
            while (pos < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[pos])))
                ++pos;
            if (pos < ppm.size() && ppm[pos] == '#') {
                while (pos < ppm.size() && ppm[pos] != '\n')
                    ++pos;
                continue;
            }
            break;
        }
        const std::size_t from = pos;
        while (pos < ppm.size() && !std::isspace(static_cast<unsigned char>(ppm[pos])))
            ++pos;
        return ppm.substr(from, pos - from);
    };
    Image image;
    if (token() != "P6")
        return Image{};
    image.width = std::atoi(token().c_str());
    image.height = std::atoi(token().c_str());
    if (std::atoi(token().c_str()) != 255 || image.width <= 0 || image.height <= 0)
        return Image{};
    image.rgb = ppm.substr(pos + 1);
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

bool waitUntilManaged(Process& process, const std::string& id, double timeoutSeconds)
{
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%08lx", std::strtoul(id.c_str(), nullptr, 10));
    const double until = monotonicSeconds() + timeoutSeconds;
    while (monotonicSeconds() < until && process.running()) {
        if (shell("wmctrl -l 2>/dev/null").find(hex) != std::string::npos)
            return true;
        usleep(50000);
    }
    return false;
}
