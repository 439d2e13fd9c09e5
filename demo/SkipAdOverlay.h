#pragma once

// A small "Skip Ad" picture in the lower right corner from 8 to 22 seconds,
// drawn over the frame's picture without clearing it.

#include "demo/Reloadable.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class SkipAdOverlay : public vornak_engine::Scene, public Reloadable {
public:
    SkipAdOverlay();
    void show(double t) override;
    void reload(Reload& reload) override;

    vornak_engine::Texture* texture;
    vornak_engine::Sprite* sprite;
    vornak_engine::Matrix matrix;
    vornak_engine::ShaderProgram* program;
};
