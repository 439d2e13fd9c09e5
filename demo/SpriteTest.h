#pragma once

// The opening title: the title picture laid over the Christmas picture by its
// alpha, from 0 to 2.6 seconds.

#include "demo/Reloadable.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class SpriteTest : public vornak_engine::Scene, public Reloadable {
public:
    SpriteTest();
    void show(double t) override;
    void reload(Reload& reload) override;

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* title;
    vornak_engine::Texture* picture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;
};
