#pragma once

// Needs: a current GL context (on desktop, GLEW initialised) for every call.
//
// What differs between desktop OpenGL 4.1 core and OpenGL ES 3.0 (WebGL2), in one
// place, so the rest of the engine is written once for both (Platform.h's
// VORNAK_GLES is tested nowhere else but GL.h). ES has no program uniforms, no
// texture swizzles, no BGR uploads and fewer unpack settings, and compiles GLSL ES
// 3.00; each call below does what the engine wants in the platform's own terms.

#include <string>
#include <vector>

namespace vornak_engine {

struct DecodedImage;

namespace gl {

// Pixels in client memory, rows back to back: for the life of this object the
// unpack state says exactly that (alignment 1, every other setting 0, no unpack
// buffer), and the caller's comes back after.
class TightRows {
public:
    TightRows();
    ~TightRows();
    TightRows(const TightRows&) = delete;
    TightRows& operator=(const TightRows&) = delete;

private:
    static constexpr int kMaxSettings = 8;
    int buffer = 0;
    int saved[kMaxSettings] = {};
};

// Uploads level 0 of the bound GL_TEXTURE_2D as GL_RGBA so that it samples as the
// picture: on desktop GL as the decoder gave it, with its swizzle (or none); on ES
// expanded to RGBA on the CPU first. False, after one line naming `path`, when the
// expansion fails; nothing is uploaded then.
bool uploadPicture(const DecodedImage& image, const char* path);

// Uniforms of `program` whether it is current or not; the current program stays
// as it was (ES: the program is made current for the call and the caller's put back).
void setProgramUniform(unsigned program, int location, float x);
void setProgramUniform(unsigned program, int location, int x);
void setProgramUniform(unsigned program, int location, float x, float y);
void setProgramUniform(unsigned program, int location, float x, float y, float z);
void setProgramUniform(unsigned program, int location, float x, float y, float z, float w);
void setProgramUniformMatrix(unsigned program, int location, const float* columnMajor4x4);

// The shader text as this GL's compiler takes it: on ES, the desktop file in its
// GLSL ES form (GlslEs.h). A file the rule refuses is left as it is, so it fails
// in the compiler as well, after one line naming the file and the reason (when
// `report`: an unreadable file has had its line already).
void sourceForCompiler(const char* path, unsigned stage, bool report, std::vector<char>& source);

} // namespace gl

} // namespace vornak_engine
