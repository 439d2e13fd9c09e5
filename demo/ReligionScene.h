#pragma once

// The church window, from 16.7 to 20.3 seconds; its shader gets "mixrate",
// running from 0 to 1 across the scene.

#include "demo/Reloadable.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class ReligionScene : public vornak_engine::Scene, public Reloadable {
public:
    ReligionScene();
    void show(double t) override;
    void reload(Reload& reload) override;

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* texture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;
};
