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

    // Every file name the show file gives, in the file's order, with where
    // its value stands (quotes included; lines and columns counted in
    // characters from 1, the end one past the value), so a copy of the file
    // can name a file anew (the web build gives a HEIC to the page as a JPEG).
    struct FileName {
        std::string given; // as written
        std::string path;  // as found: in the show's folder or the built-in data folder
        int line = 0, column = 0, endLine = 0, endColumn = 0;
    };
    std::vector<FileName> fileNames;

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

// The files of the built-in data folder a scene reads whatever its show
// names: the vertex shader and its kind's fragment shaders (but those its own
// shader takes the place of): what each kind's constructor reads, for a shell
// that ships only the files a show needs.
std::vector<std::string> builtInFilesOf(const ScenePlan& scene);
