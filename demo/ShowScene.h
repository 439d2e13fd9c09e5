#pragma once

// What every scene of the show answers besides drawing: its name, the
// pictures it draws (so they can be staged), how to stand where a run at a
// frame rate has it, work it leaves for later, and what to do after a reload.
// Each has a do-nothing default; a scene overrides what concerns it.

#include "demo/Caption.h"
#include "demo/SceneValues.h"

#include "vornak/Scene.h"
#include "vornak/Texture.h"

#include <memory>
#include <string>
#include <vector>

class Reload;

class ShowScene : public vornak_engine::Scene {
public:
    // What the preview calls it: the show file's name for it, else its kind's.
    std::string name() const { return label.empty() ? kindName() : label; }
    virtual const char* kindName() const = 0;

    // Every picture show() samples, in the order it binds them.
    virtual std::vector<vornak_engine::Texture*> pictures() const = 0;

    // Puts frame-to-frame state where an uninterrupted run at fps frames a
    // second (frame k at k / fps) has it just before drawing t. Draws nothing.
    virtual void replayTo(double t, double fps) { (void)t, (void)fps; }

    // Does a small part of what the scene left for later; true while some is left.
    virtual bool workLater() { return false; }

    // After the show's shared pictures and programs took a reload: redo what
    // the scene made from them.
    virtual void reloaded(const Reload& reload) { (void)reload; }

    std::string label;
    // The words laid over the scene's picture, or null.
    std::unique_ptr<Caption> caption;

protected:
    // For the constructors: the name and words of the values.
    void takeValues(const SceneValues& values)
    {
        start = values.start;
        end = values.end;
        label = values.name;
        if (!values.text.empty())
            caption = std::make_unique<Caption>(values.text, values.caption);
    }
    // For show(), last: the words over what the scene drew.
    void drawWords()
    {
        if (caption)
            caption->draw();
    }

public:

    // Scenes a show remakes are deleted through this.
    virtual ~ShowScene() = default;
};
