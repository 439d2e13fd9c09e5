#pragma once

// The opening title: the title picture laid over the Christmas picture by its
// alpha, from 0 to 2.6 seconds.

#include "demo/SceneValues.h"
#include "demo/ShowScene.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class SpriteTest : public ShowScene {
public:
    SpriteTest();
    // The title kind: a picture, then the overlay laid over it; doubletex.fs
    // unless the values name a shader.
    explicit SpriteTest(const SceneValues& values);
    void show(double t) override;
    const char* kindName() const override { return "title"; }
    std::vector<vornak_engine::Texture*> pictures() const override { return {picture, title}; }

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* title;
    vornak_engine::Texture* picture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;

private:
    bool ownShader_ = true;
};
