#pragma once

// A picture of any shape made the shape it is drawn into, on the CPU, before
// upload: cut evenly on its long side to fill it (cover) or given black bars
// to show all of it (contain). The scenes' shaders then sample it as they
// sample a picture of the right shape, and every user shader works unchanged.

#include "vornak/ImageDecoder.h"
#include "vornak/SizeLimit.h"

using Fit = vornak_engine::Fit;

struct Framing {
    Fit fit = Fit::Cover;
    // Width over height of what the picture is drawn into (16:9 for the full frame).
    double aspect = 16.0 / 9.0;

    bool operator<(const Framing& other) const
    {
        return fit != other.fit ? fit < other.fit : aspect < other.aspect;
    }
};

// True when the picture is within 1% of the framing's shape: it is then drawn
// as it is, so a picture of the right shape never changes.
bool fitsAlready(int width, int height, double aspect);

// Fills out with the picture cut or padded to the framing's shape. Bars are
// black, transparent where the picture has any transparency. False (out
// untouched) when the picture fits already or is empty, or memory runs out.
bool fitPicture(const vornak_engine::DecodedImage& in, const Framing& framing, vornak_engine::DecodedImage& out);
