#include "vornak/GL.h"

#include <cstring>

namespace vornak_engine {

namespace {

#ifdef VORNAK_GLES
bool hasExtension(const char* name)
{
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const char* found = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        // WebGL names its extensions without the "GL_" that ES gives them.
        if (found && (std::strcmp(found, name) == 0 || std::strcmp(found, name + 3) == 0))
            return true;
    }
    return false;
}
#endif

} // namespace

bool halfFloatTargets()
{
#ifdef VORNAK_GLES
    static const bool supported =
        hasExtension("GL_EXT_color_buffer_float") || hasExtension("GL_EXT_color_buffer_half_float");
    return supported;
#else
    return true;
#endif
}

} // namespace vornak_engine
