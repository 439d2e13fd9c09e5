#pragma once

// The candy picture with a slow zoom into its centre, from 13 to 16.7 seconds.
// The zoom accumulates frame by frame, so its total depends on the frame rate.

#include "demo/SceneValues.h"
#include "demo/ShowScene.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class CandyScene : public ShowScene {
public:
    CandyScene();
    // The zoom kind: one picture; default.fs unless the values name a shader.
    explicit CandyScene(const SceneValues& values);
    void show(double t) override;
    const char* kindName() const override { return "zoom"; }
    std::vector<vornak_engine::Texture*> pictures() const override { return {texture}; }

    // Brings the zoom to where an uninterrupted run at fps frames a second
    // (frame k drawn at k / fps) has it when it is about to draw time t:
    // every earlier frame's step is applied, nothing is drawn.
    void replayTo(double t, double fps) override;

    vornak_engine::Texture* texture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;
    vornak_engine::Sprite* sprite;

private:
    void grow(double t);
};
