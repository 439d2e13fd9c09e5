#pragma once

// The whole show for a GL test suite, reading data/ from the source tree as the program does.

#include "demo/Christmas.h"
#include "demo/ShowCore.h"
#include "demo/ShowFile.h"

#include <memory>
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

// The built-in show from data/show.toml, as every shell plays it; staged
// (pictures decoded on threads, uploaded as frames need them) when asked.
// Null when it can't be read.
inline std::unique_ptr<ShowCore> loadCoreFromSource(int width, int height, bool staged = false)
{
    if (chdir(VORNAK_SOURCE_DIR) != 0)
        return nullptr;
    ShowPlan plan;
    std::string error;
    if (!readShowFile("data/show.toml", plan, error))
        return nullptr;
    auto core = std::make_unique<ShowCore>(plan);
    if (staged)
        core->startDecoding(width, height);
    core->init(width, height);
    return core;
}
