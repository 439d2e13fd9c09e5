#include "app/StopSignals.h"

#include <SDL.h>

#include <csignal>

namespace {

volatile std::sig_atomic_t stop = 0;

extern "C" void onStopSignal(int)
{
    stop = 1;
}

} // namespace

void installStopSignals()
{
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopRequested()
{
    return stop != 0;
}
