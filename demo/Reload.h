#pragma once

// One reload of the show's files while it runs: which files changed (all of
// them when none are named) and the two safe swaps the scenes make. Nothing is
// replaced by something broken: a program that fails to link and a picture that
// fails to read leave the old one drawing. Each file is read, and each failure
// reported, once per reload however many scenes use it.

#include "vornak/ShaderProgram.h"
#include "vornak/Texture.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vornak_engine {
struct DecodedImage;
}

class Reload {
public:
    // An empty list reloads everything.
    explicit Reload(const std::vector<std::string>& changed = {});
    ~Reload();
    Reload(const Reload&) = delete;
    Reload& operator=(const Reload&) = delete;

    // Whether the file is one of those to reload (paths compare as the same file).
    bool touches(const char* path) const;

    // Rebuilds a picture scene's program (the quad's vertex shader plus this
    // fragment shader) when either file is touched; it replaces *program only
    // if it links. True when it replaced it.
    bool program(vornak_engine::ShaderProgram* program, const char* fragmentShader);
    // Reads the picture again when touched; only a picture that reads replaces
    // the old one. True when it replaced it.
    bool picture(vornak_engine::Texture* texture, const char* path, vornak_engine::ImgType type);
    // The picture read again when touched, once per reload; null when it is
    // not touched or does not read.
    const vornak_engine::DecodedImage* picture(const char* path, vornak_engine::ImgType type,
                                               const vornak_engine::SizeLimit& limit = {});

    // What was replaced, for scenes that made something of it (by address).
    void replaced(const void* object) { replaced_.push_back(object); }
    bool wasReplaced(const void* object) const;

private:
    bool everything_;
    std::vector<std::string> changed_;
    // By fragment shader: the rebuilt program, or nothing when it failed.
    std::map<std::string, std::unique_ptr<vornak_engine::ShaderProgram>> programs_;
    // By path: the decoded picture, or nothing when it failed.
    std::map<std::pair<std::string, vornak_engine::SizeLimit>, std::unique_ptr<vornak_engine::DecodedImage>> pictures_;
    std::vector<const void*> replaced_;
};
