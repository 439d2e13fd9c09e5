#include "vornak/internal/GlDialect.h"

#include "vornak/GL.h"
#include "vornak/GlslEs.h"
#include "vornak/ImageDecoder.h"
#include "vornak/Log.h"

#include <cstddef>
#include <cstring>

namespace vornak_engine {

namespace {

#ifdef VORNAK_GLES
// ES has no byte swapping or bit order to unpack.
constexpr GLenum kUnpackSettings[] = {GL_UNPACK_ALIGNMENT, GL_UNPACK_ROW_LENGTH,   GL_UNPACK_SKIP_PIXELS,
                                      GL_UNPACK_SKIP_ROWS, GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_IMAGES};

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

// WebGL2 has no program uniforms: the program is made current for the call and
// the caller's current one is put back, so both builds leave the same state.
class UsingProgram {
public:
    explicit UsingProgram(unsigned int id)
    {
        glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
        if (static_cast<GLuint>(previous) != id)
            glUseProgram(id);
        else
            previous = -1;
    }
    ~UsingProgram()
    {
        if (previous >= 0)
            glUseProgram(static_cast<GLuint>(previous));
    }
    UsingProgram(const UsingProgram&) = delete;
    UsingProgram& operator=(const UsingProgram&) = delete;

private:
    GLint previous = -1;
};

#define VORNAK_PROGRAM_UNIFORM(program, call, ...)                                                                 \
    do {                                                                                                           \
        const UsingProgram using_(program);                                                                        \
        glUniform##call(__VA_ARGS__);                                                                              \
    } while (0)
#else
constexpr GLenum kUnpackSettings[] = {GL_UNPACK_ALIGNMENT,  GL_UNPACK_ROW_LENGTH,   GL_UNPACK_SKIP_PIXELS,
                                      GL_UNPACK_SKIP_ROWS,  GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_IMAGES,
                                      GL_UNPACK_SWAP_BYTES, GL_UNPACK_LSB_FIRST};

// Program uniforms (core since 4.1) leave the caller's current program alone.
#define VORNAK_PROGRAM_UNIFORM(program, call, ...) glProgramUniform##call(program, __VA_ARGS__)
#endif

constexpr std::size_t kUnpackCount = sizeof kUnpackSettings / sizeof kUnpackSettings[0];

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

namespace gl {

static_assert(kUnpackCount <= 8, "TightRows keeps room for 8 settings");

TightRows::TightRows()
{
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &buffer);
    for (std::size_t i = 0; i < kUnpackCount; ++i)
        glGetIntegerv(kUnpackSettings[i], &saved[i]);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    for (std::size_t i = 0; i < kUnpackCount; ++i)
        glPixelStorei(kUnpackSettings[i], kUnpackSettings[i] == GL_UNPACK_ALIGNMENT ? 1 : 0);
}

TightRows::~TightRows()
{
    for (std::size_t i = 0; i < kUnpackCount; ++i)
        glPixelStorei(kUnpackSettings[i], saved[i]);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(buffer));
}

bool uploadPicture(const DecodedImage& image, const char* path)
{
#ifdef VORNAK_GLES
    // WebGL2 has no swizzles and takes no BGR, and ES wants the source format
    // to match GL_RGBA: anything else is expanded on the CPU to what the
    // desktop texture samples.
    DecodedImage expanded;
    const bool asIs = image.format == GL_RGBA && !image.swizzled;
    if (!asIs && !expandToRgba(image, path, expanded))
        return false;
    const DecodedImage& pixels = asIs ? image : expanded;
#else
    (void)path;
    // A name reloaded after a grey picture must not keep showing red as grey.
    static const GLint kNoSwizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, image.swizzled ? image.swizzle : kNoSwizzle);
    const DecodedImage& pixels = image;
#endif
    const TightRows tight;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pixels.width, pixels.height, 0, pixels.format, GL_UNSIGNED_BYTE,
                 pixels.pixels);
    return true;
}

void setProgramUniform(unsigned program, int location, float x)
{
    VORNAK_PROGRAM_UNIFORM(program, 1f, location, x);
}

void setProgramUniform(unsigned program, int location, int x)
{
    VORNAK_PROGRAM_UNIFORM(program, 1i, location, x);
}

void setProgramUniform(unsigned program, int location, float x, float y)
{
    VORNAK_PROGRAM_UNIFORM(program, 2f, location, x, y);
}

void setProgramUniform(unsigned program, int location, float x, float y, float z)
{
    VORNAK_PROGRAM_UNIFORM(program, 3f, location, x, y, z);
}

void setProgramUniform(unsigned program, int location, float x, float y, float z, float w)
{
    VORNAK_PROGRAM_UNIFORM(program, 4f, location, x, y, z, w);
}

void setProgramUniformMatrix(unsigned program, int location, const float* columnMajor4x4)
{
    VORNAK_PROGRAM_UNIFORM(program, Matrix4fv, location, 1, GL_FALSE, columnMajor4x4);
}

void sourceForCompiler(const char* path, unsigned stage, bool report, std::vector<char>& source)
{
#ifdef VORNAK_GLES
    // One set of files for both: the ES text comes from the desktop one.
    std::string es, why;
    if (toGlslEs(path, std::string(source.data(), source.size() - 1), stage, es, why)) {
        source.assign(es.begin(), es.end());
        source.push_back('\0');
    } else if (report) {
        logMessage(LogLevel::Error, why.c_str());
    }
#else
    (void)path;
    (void)stage;
    (void)report;
    (void)source;
#endif
}

} // namespace gl

} // namespace vornak_engine
