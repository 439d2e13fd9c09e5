#pragma once

// The show rendered offscreen, as fast as it goes, into frames of exactly
// the asked size: frame k at from + k / fps, the candy zoom replayed up to
// `from` first, so the frames equal a live run at exactly that frame rate.
// They go to a video with the music, numbered PNGs or one PNG. Returns the
// exit status; a failure leaves no file that looks complete.

#include "app/Options.h"
#include "demo/ShowPlan.h"

int captureShow(const Options& options, const ShowPlan& plan);
