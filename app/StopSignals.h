#pragma once

// SIGINT and SIGTERM ask the program to end cleanly: the loops poll
// stopRequested() and shut down as Esc does. SDL's own handlers are kept out
// (they turn both into the quit event that the full-screen show ignores).

// Before SDL_Init.
void installStopSignals();
bool stopRequested();
