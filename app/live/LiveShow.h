#pragma once

// The show as a viewer sees it: full-screen or in a window, with its music,
// drawn at the display's pace until Esc, the music's end, SIGINT or SIGTERM
// (or, in a window, its close button). Returns the exit status.

#include "app/Options.h"
#include "demo/ShowPlan.h"

int playShow(const Options& options, const ShowPlan& plan);
