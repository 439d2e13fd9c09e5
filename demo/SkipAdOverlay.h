#pragma once

// A small "Skip Ad" picture in the lower right corner from 8 to 22 seconds,
// drawn over the frame's picture without clearing it.

#include "demo/SceneValues.h"
#include "demo/ShowScene.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class SkipAdOverlay : public ShowScene {
public:
    SkipAdOverlay();
    // The overlay kind: one picture in the corner; default.fs unless the values name a shader.
    explicit SkipAdOverlay(const SceneValues& values);
    void show(double t) override;
    const char* kindName() const override { return "overlay"; }
    std::vector<vornak_engine::Texture*> pictures() const override { return {texture}; }

    // Width over height of the corner rectangle, which its picture is fitted to.
    static double cornerAspect();

    vornak_engine::Texture* texture;
    vornak_engine::Sprite* sprite;
    vornak_engine::Matrix matrix;
    vornak_engine::ShaderProgram* program;
};
