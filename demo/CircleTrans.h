#pragma once

// A clock-hand wipe from the Christmas picture to the Easter picture. The
// angle grows from start to transitionEnd and is then held just short of a
// full turn until end.

#include "demo/SceneValues.h"
#include "demo/ShowScene.h"

#include "vornak/Matrix.h"
#include "vornak/Scene.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

class CircleTrans : public ShowScene {
public:
    CircleTrans(double start, double end, double transitionEnd);
    // The wipe kind: from the first picture to the second, complete at
    // values.complete; circle.fs unless the values name a shader.
    explicit CircleTrans(const SceneValues& values);
    void show(double t) override;
    const char* kindName() const override { return "wipe"; }
    std::vector<vornak_engine::Texture*> pictures() const override { return {christmasPicture, easterPicture}; }

    // The "degree" uniform (in radians) sent at demo time t.
    float angle(double t) const;
    // True once the angle is held at its ceiling and only the Easter picture shows.
    bool finished(double t) const;

    vornak_engine::Sprite* sprite;
    vornak_engine::Texture* christmasPicture;
    vornak_engine::Texture* easterPicture;
    vornak_engine::ShaderProgram* program;
    double transitionEnd;
    // Draws one picture as it is: the finished wipe, and the parts of a
    // moving one that the edge does not reach.
    vornak_engine::ShaderProgram* finishedProgram;

private:
    void drawInParts(float degree, vornak_engine::Matrix& identity);
    // Only the show's own shader is known well enough to draw in parts.
    bool ownShader_ = true;
};
