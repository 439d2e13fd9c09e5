#include "support/Screen.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <regex>
#include <unistd.h>

Image Image::fromCommand(const std::string& command)
{
    const std::string ppm = shell(command);
    // "P6", width, height and 255 between blanks and '#' comments (xwd's converter writes one), one blank, pixels.
    static const std::regex header(R"(P6(?:\s|#[^\n]*)+(\d+)(?:\s|#[^\n]*)+(\d+)(?:\s|#[^\n]*)+255\s)");
    std::smatch m;
    if (!std::regex_search(ppm.begin(), ppm.end(), m, header, std::regex_constants::match_continuous))
        return Image{};
    Image image{std::atoi(m.str(1).c_str()), std::atoi(m.str(2).c_str()), ppm.substr(m.length(0))};
    const bool whole = image.width > 0 && image.height > 0 &&
                       image.rgb.size() >= static_cast<std::size_t>(image.width) * image.height * 3;
    return whole ? image : Image{};
}

std::string vornakWindow()
{
    return shell("xdotool search --onlyvisible --name '^Vornak$' 2>/dev/null | head -n 1 | tr -d '\\r\\n'");
}

// Polls until found() or the timeout passes or the process ends.
static bool poll(Process& process, double timeoutSeconds, const std::function<bool()>& found)
{
    const double until = monotonicSeconds() + timeoutSeconds;
    for (; monotonicSeconds() < until && process.running(); usleep(50000))
        if (found())
            return true;
    return false;
}

std::string waitForVornakWindow(Process& process, double timeoutSeconds)
{
    std::string id;
    poll(process, timeoutSeconds, [&] { return !(id = vornakWindow()).empty(); });
    return id;
}

bool waitUntilManaged(Process& process, const std::string& id, double timeoutSeconds)
{
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%08lx", std::strtoul(id.c_str(), nullptr, 10));
    return poll(process, timeoutSeconds, [&] { return shell("wmctrl -l 2>/dev/null").find(hex) != std::string::npos; });
}
