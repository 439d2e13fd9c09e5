// The generator's pictures, each painted from fixed seeds so every run gives
// the same pixels. Full-screen pictures are 1920x1080; the skip button is 480x194.
#pragma once

#include "Canvas.h"

Canvas paintChristmas();
Canvas paintTitle(); // transparent, laid over the Christmas picture
Canvas paintEaster();
Canvas paintToys();
Canvas paintCandy();
Canvas paintReligion();
Canvas paintSkipAd();
