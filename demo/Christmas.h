#pragma once

// The show: sets the GL state every scene relies on and builds the schedule.

#include "vornak/Demo.h"

class Christmas : public vornak_engine::Demo {
public:
    // Needs a current GL context: sets the clear colour and the depth test.
    Christmas(int width, int height);

    void init() override;
};
