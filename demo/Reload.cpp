#include "demo/Reload.h"

#include "demo/PictureProgram.h"

#include "vornak/ImageDecoder.h"

#include <filesystem>
#include <system_error>

using namespace vornak_engine;

namespace {

// The same file however it is spelled ("data/x.fs", "./data/x.fs", an absolute
// path); a deleted file still has a name to compare.
std::string sameFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::path(path).lexically_normal().string() : full.string();
}

} // namespace

Reload::Reload(const std::vector<std::string>& changed) : everything_(changed.empty())
{
    for (const std::string& path : changed)
        changed_.push_back(sameFile(path));
}

Reload::~Reload() = default;

bool Reload::touches(const char* path) const
{
    if (everything_)
        return true;
    const std::string name = sameFile(path);
    for (const std::string& changed : changed_) {
        if (changed == name)
            return true;
    }
    return false;
}

bool Reload::program(ShaderProgram* program, const char* fragmentShader)
{
    if (!touches(spriteShader().c_str()) && !touches(fragmentShader))
        return false;
    auto found = programs_.find(fragmentShader);
    if (found == programs_.end()) {
        auto fresh = std::make_unique<ShaderProgram>(buildPictureProgram(fragmentShader));
        // The shader has said what failed and where; the scenes just keep what they had.
        if (!fresh->isLinked())
            fresh.reset();
        found = programs_.emplace(fragmentShader, std::move(fresh)).first;
    }
    if (!found->second)
        return false;
    // Copies share the GL program; the old one goes with its last user.
    *program = *found->second;
    replaced(program);
    return true;
}

const DecodedImage* Reload::picture(const char* path, ImgType type, const SizeLimit& limit)
{
    if (!touches(path))
        return nullptr;
    const auto key = std::make_pair(std::string(path), limit);
    auto found = pictures_.find(key);
    if (found == pictures_.end()) {
        auto image = std::make_unique<DecodedImage>();
        if (!Texture::decode(path, type, limit, *image))
            image.reset();
        found = pictures_.emplace(key, std::move(image)).first;
    }
    return found->second.get();
}

bool Reload::picture(Texture* texture, const char* path, ImgType type)
{
    const DecodedImage* image = picture(path, type);
    if (!image || !texture->replace(path, *image))
        return false;
    replaced(texture);
    return true;
}

bool Reload::wasReplaced(const void* object) const
{
    for (const void* done : replaced_) {
        if (done == object)
            return true;
    }
    return false;
}
