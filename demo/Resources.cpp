#include "demo/Resources.h"

#include "demo/PictureProgram.h"
#include "demo/Reload.h"

#include "vornak/GL.h"
#include "vornak/ImageDecoder.h"

using namespace vornak_engine;

namespace {

Resources* currentResources = nullptr;

} // namespace

Resources::Resources() = default;
Resources::~Resources() = default;

void Resources::limitTo(int width, int height)
{
    limitWidth_ = width;
    limitHeight_ = height;
}

SizeLimit Resources::limitFor(const Framing& framing) const
{
    return SizeLimit{limitWidth_, limitHeight_, framing.fit};
}

Texture* Resources::picture(const std::string& path, ImgType type, Framing framing)
{
    // A picture of a named kind is read as that kind always was, whole.
    const SizeLimit limit = type == IMG_AUTO ? limitFor(framing) : SizeLimit();
    const PictureKey key(path, static_cast<int>(type), framing, limit);
    const auto found = pictures_.find(key);
    if (found != pictures_.end())
        return found->second.texture.get();
    Picture& picture = pictures_[key];
    picture.texture = std::make_unique<Texture>();
    picture.path = path;
    picture.type = type;
    picture.framing = framing;
    picture.limit = limit;
    picture.pending = true;
    if (!queue_)
        upload(picture.texture.get());
    return picture.texture.get();
}

ShaderProgram* Resources::program(const std::string& fragmentShader)
{
    std::unique_ptr<ShaderProgram>& program = programs_[fragmentShader];
    if (!program)
        program.reset(newPictureProgram(fragmentShader.c_str()));
    return program.get();
}

Sprite* Resources::quad()
{
    if (!quad_)
        quad_ = std::make_unique<Sprite>();
    return quad_.get();
}

namespace {

Texture* newClear()
{
    static const std::uint8_t pixel[4] = {0, 0, 0, 0};
    DecodedImage image;
    image.width = image.height = 1;
    image.format = GL_RGBA;
    image.pixels = pixel;
    image.size = sizeof pixel;
    auto* texture = new Texture();
    texture->replace("(clear)", image);
    return texture;
}

} // namespace

Texture* Resources::clear()
{
    if (!clear_)
        clear_.reset(newClear());
    return clear_.get();
}

void Resources::stage(DecodeQueue* queue)
{
    queue_ = queue;
}

Resources::Picture* Resources::find(Texture* texture) const
{
    for (const auto& [key, picture] : pictures_) {
        if (picture.texture.get() == texture)
            return const_cast<Picture*>(&picture);
    }
    return nullptr;
}

bool Resources::uploaded(Texture* texture) const
{
    const Picture* picture = find(texture);
    return !picture || !picture->pending;
}

bool Resources::decoded(Texture* texture) const
{
    const Picture* picture = find(texture);
    if (!picture || !picture->pending || !queue_)
        return true;
    return taken_.count({picture->path, picture->type, picture->limit}) ||
           queue_->decoded(picture->path, picture->type, picture->limit);
}

std::string Resources::pathOf(Texture* texture) const
{
    const Picture* picture = find(texture);
    return picture ? picture->path : std::string();
}

void Resources::upload(Texture* texture)
{
    Picture* picture = find(texture);
    if (!picture || !picture->pending)
        return;
    picture->pending = false;
    const FileKey file(picture->path, picture->type, picture->limit);
    std::shared_ptr<const DecodedImage> image;
    if (const auto kept = taken_.find(file); kept != taken_.end())
        image = kept->second;
    else if (!queue_ || !queue_->take(picture->path.c_str(), picture->type, picture->limit, image)) {
        // Not queued: read here (a failure has said so in its line).
        auto own = std::make_shared<DecodedImage>();
        if (Texture::decode(picture->path.c_str(), picture->type, picture->limit, *own))
            image = std::move(own);
    }
    if (image)
        fill(*picture, *image);
    // Kept only while another picture of the same file still waits.
    bool waiting = false;
    for (const auto& [key, other] : pictures_)
        waiting = waiting || (other.pending && other.path == picture->path && other.type == picture->type &&
                              other.limit == picture->limit);
    if (waiting && image)
        taken_[file] = image;
    else
        taken_.erase(file);
}

void Resources::fill(Picture& picture, const DecodedImage& image)
{
    DecodedImage fitted;
    if (fitPicture(image, picture.framing, fitted))
        picture.texture->replace(picture.path.c_str(), fitted);
    else
        picture.texture->replace(picture.path.c_str(), image);
}

void Resources::reload(Reload& reload)
{
    // A staged upload after the reload would bring back the old pixels.
    for (auto& [key, picture] : pictures_)
        upload(picture.texture.get());
    for (auto& [key, picture] : pictures_) {
        if (const DecodedImage* image = reload.picture(picture.path.c_str(), picture.type, picture.limit)) {
            fill(picture, *image);
            reload.replaced(picture.texture.get());
        }
    }
    for (auto& [fragment, program] : programs_)
        reload.program(program.get(), fragment.c_str());
}

std::size_t Resources::pictureBytes() const
{
    std::size_t bytes = 0;
    for (const auto& [key, picture] : pictures_)
        bytes += static_cast<std::size_t>(picture.texture->getWidth()) * picture.texture->getHeight() * 4;
    return bytes;
}

Resources* Resources::current()
{
    return currentResources;
}

void Resources::setCurrent(Resources* resources)
{
    currentResources = resources;
}

Texture* showPicture(const std::string& path, ImgType type, Framing framing)
{
    if (Resources* resources = Resources::current())
        return resources->picture(path, type, framing);
    return new Texture(path.c_str(), type);
}

ShaderProgram* showProgram(const std::string& fragmentShader)
{
    if (Resources* resources = Resources::current())
        return resources->program(fragmentShader);
    return newPictureProgram(fragmentShader.c_str());
}

Texture* showClear()
{
    if (Resources* resources = Resources::current())
        return resources->clear();
    return newClear();
}

Sprite* showQuad()
{
    if (Resources* resources = Resources::current())
        return resources->quad();
    return new Sprite;
}
