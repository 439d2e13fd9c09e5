#pragma once

// Needs: a current OpenGL 4.1 core context and GLEW initialised with
// glewExperimental = GL_TRUE while a file naming shaders or textures is read, and
// while a registry holding shader programs is destroyed; a music-only file needs none.
//
// A registry of named resources read from a small text file: linked shader programs,
// GL texture names and the music file's name, looked up by name. Entries are made
// only while constructing; it never reloads, and it does not delete texture names.
//
// The file, one entry per line; fields are separated by blanks or tabs, a trailing
// CR is ignored, paths cannot hold blanks:
//   shader NAME VERTEX_PATH FRAGMENT_PATH   compiled and linked at once (GL needed)
//   texture NAME PATH KIND                  KIND jpeg, png, tga or 0, 1, 2 (GL needed)
//   music PATH
//   # comment                               comments and blank lines are ignored
// Lines hold up to 199 characters; a longer one ends the reading there. Unknown or
// malformed lines, unreadable paths and names given twice are reported on standard
// error as "file:line: reason" and skipped. A file without entries, or none at all,
// gives the empty registry.

#include "vornak/ShaderProgram.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace vornak_engine {

class Config {
public:
    explicit Config(const char* path);
    explicit Config(char* path);
    ~Config() = default;

    std::string getMusic();
    // Shares the entry's GL program; the copy keeps it alive after the registry goes.
    // Missing names raise std::out_of_range, as do those of getTexture.
    ShaderProgram getShader(std::string name);
    unsigned getTexture(std::string name);

private:
    void readEntry(const std::vector<std::string>& fields, const std::string& where);

    std::unordered_map<std::string, ShaderProgram> shaders;
    std::unordered_map<std::string, unsigned> textures;
    std::string music;
};

} // namespace vornak_engine
