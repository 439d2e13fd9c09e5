#pragma once

// A still: the toys picture, full screen, from 10 to 13 seconds.

#include "engine/Matrix.h"
#include "engine/Scene.h"
#include "engine/ShaderProgram.h"
#include "engine/Sprite.h"
#include "engine/Texture.h"

class ToyScene : public vornak_engine::Scene {
public:
    ToyScene();
    void show(double t) override;

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* texture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;
};
