#pragma once

// The whole show for a GL test suite, reading data/ from the source tree as the program does.

#include "demo/Christmas.h"

#include <unistd.h>

// Null when the source tree can't be reached.
inline Christmas* loadShowFromSource(int width, int height)
{
    if (chdir(VORNAK_SOURCE_DIR) != 0)
        return nullptr;
    auto* demo = new Christmas(width, height);
    demo->init();
    return demo;
}
