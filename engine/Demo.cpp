#include "vornak/Demo.h"

namespace vornak_engine {

Demo::Demo(int width, int height) : width(width), height(height) {}

void Demo::show(double t)
{
    prepare(t);
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        Scene* scene = scenes.at(i);
        // Strict on both sides: at a shared boundary neither neighbour draws.
        if (t > scene->start && t < scene->end)
            scene->show(t);
    }
}

} // namespace vornak_engine
