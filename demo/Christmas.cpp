#include "demo/Christmas.h"

#include <GL/glew.h>

Christmas::Christmas(int width, int height) : Demo(width, height)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // With the depth test on, the overlay (z 0.09) stays in front of the pictures (z 0.1).
    glEnable(GL_DEPTH_TEST);
}

void Christmas::init()
{
}
