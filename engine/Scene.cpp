#include "vornak/Scene.h"

namespace vornak_engine {

Scene::Scene() = default;

} // namespace vornak_engine
