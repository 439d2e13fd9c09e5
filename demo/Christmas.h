#pragma once

// The show: sets the GL state every scene relies on and builds the schedule.

#include "vornak/Demo.h"

class Reload;

namespace vornak_engine {
class DecodeQueue;
}

class Christmas : public vornak_engine::Demo {
public:
    // Needs a current GL context: sets the clear colour and the depth test.
    Christmas(int width, int height);

    void init() override;

    // Queues the show's pictures, one entry per Texture init() will make, in
    // the order it makes them. Needs no GL: start it before the window opens
    // and make the queue current for init(), which then only uploads.
    static void queuePictures(vornak_engine::DecodeQueue& queue);

    // Work init() leaves for later, so the first frame comes sooner: the
    // church window's light. Call once per frame after the first frame is on
    // screen; each call does a small part, and it returns false once nothing
    // is left. A scene shown before that finishes its part on its first frame.
    bool prepareAhead();

    // Gives every scene that can reload the files of this reload. Needs the
    // GL context; a file that fails leaves its scenes drawing what they had.
    void reload(Reload& reload);

    // Puts every scene that carries state from frame to frame where an
    // uninterrupted run at fps frames a second (frame k at k / fps) has it
    // just before drawing time t. Draws nothing. Used to start a fixed-step
    // run, or to jump, anywhere in the show.
    void replayTo(double t, double fps);
};
