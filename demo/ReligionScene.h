#pragma once

// The church window, from 16.7 to 20.3 seconds; its shader gets "mixrate",
// running from 0 to 1 across the scene. The light through the glass does not
// change with the mix rate, so it is drawn once into a texture of its own and
// each frame only fades it in.

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

    // Draws the light through the window into `light` from the picture, with
    // "religion-light.fs". Runs on first show unless done before; call it
    // again after the picture or that shader changed. Leaves the frame buffer
    // binding, viewport and scissor as it found them.
    void computeLight();
    // The same spread over calls: draws the next band of rows and returns
    // true once the light is complete (then does nothing).
    bool computeLightPart();

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* texture;
    vornak_engine::ShaderProgram* program;
    vornak_engine::Matrix matrix;
    vornak_engine::ShaderProgram* lightProgram;
    unsigned int light = 0; // GL texture, the picture's size, half floats
    bool lightReady = false;

private:
    static constexpr int kLightBands = 12;
    void drawLight(int bands);
    int lightBandsDone = 0;
};
