#include "Pictures.h"
#include "Music.h"
Canvas paintEaster() { return Canvas(1920, 1080, Color{0,0,0,1}); }
Canvas paintToys() { return Canvas(1920, 1080, Color{0,0,0,1}); }
Canvas paintCandy() { return Canvas(1920, 1080, Color{0,0,0,1}); }
Canvas paintReligion() { return Canvas(1920, 1080, Color{0,0,0,1}); }
