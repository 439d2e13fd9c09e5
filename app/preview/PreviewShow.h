#pragma once

// vornak --preview: the show in a window (full-screen on request) under the
// preview's keys, its title telling time, scenes, state and frame rate; with
// --watch, edits to the show file and to the files of its folder and the
// data folder are reloaded as they are saved.
// Returns the exit status.

#include "app/Options.h"
#include "demo/ShowPlan.h"

int playPreview(const Options& options, const ShowPlan& plan);
