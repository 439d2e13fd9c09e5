#include "app/capture/Progress.h"

#include <cstdio>
#include <unistd.h>

Progress::Progress(const std::string& what, long total, bool terminal)
    : total_(total), terminal_(terminal), start_(Clock::now())
{
    if (!terminal_)
        std::fprintf(stderr, "vornak: %s\n", what.c_str());
}

bool Progress::stderrIsTerminal()
{
    return isatty(2) == 1;
}

void Progress::update(long done)
{
    if (!terminal_)
        return;
    const Clock::time_point now = Clock::now();
    if (done < total_ && now - lastShown_ < std::chrono::milliseconds(250))
        return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    const long left = rate > 0 ? static_cast<long>((total_ - done) / rate + 0.5) : 0;
    std::fprintf(stderr, "\r\033[Kvornak: frame %ld/%ld  %3d%%  %.1f fps  %ld:%02ld left", done, total_,
                 total_ > 0 ? static_cast<int>(100 * done / total_) : 100, rate, left / 60, left % 60);
    std::fflush(stderr);
    lineOpen_ = true;
}

void Progress::done(const std::string& summary)
{
    interrupt();
    std::fprintf(stderr, "vornak: %s\n", summary.c_str());
}

void Progress::interrupt()
{
    if (lineOpen_)
        std::fputs("\n", stderr);
    lineOpen_ = false;
}
