#pragma once

// The opening title: the title picture laid over the Christmas picture by its
// alpha, from 0 to 2.6 seconds.

#include "engine/Matrix.h"
#include "engine/Scene.h"
#include "engine/ShaderProgram.h"
#include "engine/Sprite.h"
#include "engine/Texture.h"

class SpriteTest : public vornak_engine::Scene {
public:
    SpriteTest();
    void show(double t) override;

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* title;
    vornak_engine::Texture* picture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;
};
