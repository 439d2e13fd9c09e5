#pragma once

// A show as data: its music and its scenes, each a kind with the values to
// make it with. Read from a show file (ShowFile) or written in code; made
// into scenes by PlannedShow. Paths are as found: the show's own folder
// first, else the built-in data folder.

#include "demo/SceneValues.h"

#include <string>
#include <vector>

enum class SceneKind { Title, Wipe, Still, Zoom, Reveal, Overlay };

struct ScenePlan {
    SceneKind kind = SceneKind::Still;
    SceneValues values;
    int line = 0; // where the scene's table starts in its file, for messages
};

struct ShowPlan {
    std::string file;  // the show file it came from, or ""
    std::string music; // "" for a silent show
    std::vector<ScenePlan> scenes; // in drawing order

    // Every picture once, in the order the show first draws them (by start, then list order).
    std::vector<std::string> picturesInOrder() const;
    // Each picture once for each fit it is drawn with, with the start of the
    // first scene that draws it so, in the order the show first draws them.
    struct Picture {
        std::string path;
        Fit fit;
        double firstUse;
        bool byContent;
    };
    std::vector<Picture> picturesByFirstUse() const;
};

// The kinds' names in the show file.
const char* kindName(SceneKind kind);
