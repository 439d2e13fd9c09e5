#pragma once

// The show: sets the GL state every scene relies on and builds the schedule.

#include "vornak/Demo.h"

class Reload;

class Christmas : public vornak_engine::Demo {
public:
    // Needs a current GL context: sets the clear colour and the depth test.
    Christmas(int width, int height);

    void init() override;

    // Gives every scene that can reload the files of this reload. Needs the
    // GL context; a file that fails leaves its scenes drawing what they had.
    void reload(Reload& reload);

    // Puts every scene that carries state from frame to frame where an
    // uninterrupted run at fps frames a second (frame k at k / fps) has it
    // just before drawing time t. Draws nothing. Used to start a fixed-step
    // run, or to jump, anywhere in the show.
    void replayTo(double t, double fps);
};
