#include "support/Screen.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

Image Image::fromCommand(const std::string& command)
{
    const std::string ppm = shell(command);
    // "P6", width, height, maximum value, between white space and '#' comments (xwd's converter
    // writes one), then one byte before the pixels.
    std::size_t pos = 0;
    const auto token = [&] {
        while (pos < ppm.size() && (std::isspace(static_cast<unsigned char>(ppm[pos])) || ppm[pos] == '#'))
            pos = ppm[pos] == '#' ? std::min(ppm.find('\n', pos), ppm.size()) : pos + 1;
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
    if (std::atoi(token().c_str()) != 255 || image.width <= 0 || image.height <= 0 || pos >= ppm.size())
        return Image{};
    image.rgb = ppm.substr(pos + 1);
    return image.rgb.size() < static_cast<std::size_t>(image.width) * image.height * 3 ? Image{} : image;
}

Image Image::screen(int width, int height)
{
    const std::string resize =
        width > 0 && height > 0 ? " -resize " + std::to_string(width) + "x" + std::to_string(height) + "!" : "";
    // xwd grabs the screen at once; the slower conversion happens afterwards.
    return fromCommand("xwd -root -silent | convert xwd:-" + resize + " ppm:- 2>/dev/null");
}

std::string vornakWindow()
{
    return shell("xdotool search --onlyvisible --name '^Vornak$' 2>/dev/null | head -n 1 | tr -d '\\r\\n'");
}

std::string waitForVornakWindow(Process& process, double timeoutSeconds)
{
    for (const double until = monotonicSeconds() + timeoutSeconds; monotonicSeconds() < until && process.running();
         usleep(50000)) {
        if (const std::string id = vornakWindow(); !id.empty())
            return id;
    }
    return "";
}

bool waitUntilManaged(Process& process, const std::string& id, double timeoutSeconds)
{
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%08lx", std::strtoul(id.c_str(), nullptr, 10));
    for (const double until = monotonicSeconds() + timeoutSeconds; monotonicSeconds() < until && process.running();
         usleep(50000)) {
        if (shell("wmctrl -l 2>/dev/null").find(hex) != std::string::npos)
            return true;
    }
    return false;
}
