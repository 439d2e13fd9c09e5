#pragma once

// The church window, from 16.7 to 20.3 seconds; its shader gets "mixrate",
// running from 0 to 1 across the scene. The light through the glass does not
// change with the mix rate, so it is drawn once into a texture of its own and
// each frame only fades it in.

#include "demo/SceneValues.h"
#include "demo/ShowScene.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class ReligionScene : public ShowScene {
public:
    ReligionScene();
    // The reveal kind: one picture; religion.fs unless the values name a shader
    // (which gets the same "light" and "mixrate").
    explicit ReligionScene(const SceneValues& values);
    ~ReligionScene() override;
    void show(double t) override;
    const char* kindName() const override { return "reveal"; }
    std::vector<vornak_engine::Texture*> pictures() const override { return {texture}; }
    // The light, a band at a time.
    bool workLater() override { return !computeLightPart(); }
    // A new picture or light shader means new light.
    void reloaded(const Reload& reload) override;

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
    bool ownShader_ = true;
};
