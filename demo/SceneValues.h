#pragma once

// What a scene kind is made with: its window, its pictures, and what the show
// file may change. The scenes' parameterless constructors fill it with the
// Christmas show's own values.

#include "demo/Caption.h"
#include "demo/PictureFit.h"

#include "vornak/Texture.h"

#include <string>
#include <vector>

struct SceneValues {
    double start = 0;
    double end = 0;
    // Paths, in the order the kind takes them (title: picture, overlay; wipe: from, to).
    std::vector<std::string> pictures;
    // A fragment shader of the show's own, or "" for the kind's.
    std::string shader;
    Fit fit = Fit::Cover;
    // The wipe's: when it completes.
    double complete = 0;
    // What the preview calls the scene; "" for its kind's name.
    std::string name;
    // Words over the picture ("" for none), and how they look.
    std::string text;
    CaptionStyle caption;
    // Pictures read by their content (any photo a phone or browser saves),
    // rather than by their names' kinds, as the built-in scenes read theirs.
    bool byContent = true;
};

// The built-in values: pictures named in the data folder.
SceneValues builtInValues(double start, double end, std::vector<const char*> pictures, const char* name);

// The reader for the values' i-th picture.
vornak_engine::ImgType pictureType(const SceneValues& values, std::size_t i);
// The same for a picture of a plan (ShowPlan.h): its kind by its content, or by its name.
vornak_engine::ImgType pictureType(const std::string& path, bool byContent);
