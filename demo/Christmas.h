#pragma once

// The Christmas show made in code: sets the GL state every scene relies on
// and builds the schedule. The shells play the same show from data/show.toml;
// this class is for programs that build it themselves.

#include "demo/ShowDemo.h"

class Christmas : public ShowDemo {
public:
    // Needs a current GL context: sets the clear colour and the depth test.
    Christmas(int width, int height);

    void init() override;
};
