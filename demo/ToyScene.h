#pragma once

// A still: the toys picture, full screen, from 10 to 13 seconds.

#include "demo/Reloadable.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class ToyScene : public vornak_engine::Scene, public Reloadable {
public:
    ToyScene();
    void show(double t) override;
    void reload(Reload& reload) override;

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* texture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;
};
