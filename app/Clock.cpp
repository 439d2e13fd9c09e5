#include "app/Clock.h"

#include <SDL.h>

void MusicClock::start()
{
    startTicks_ = SDL_GetTicks();
}

double MusicClock::seconds() const
{
    return (static_cast<double>(SDL_GetTicks()) - static_cast<double>(startTicks_)) / 1000.0;
}
