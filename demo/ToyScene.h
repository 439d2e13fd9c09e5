#pragma once

// A still: the toys picture, full screen, from 10 to 13 seconds.

#include "demo/SceneValues.h"
#include "demo/ShowScene.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class ToyScene : public ShowScene {
public:
    ToyScene();
    // The still kind: one picture; default.fs unless the values name a shader.
    explicit ToyScene(const SceneValues& values);
    void show(double t) override;
    const char* kindName() const override { return "still"; }
    std::vector<vornak_engine::Texture*> pictures() const override { return {texture}; }

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* texture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;

private:
    bool ownShader_ = true;
};
