#pragma once

// The show's pictures, programs and quad, one of each: a scene asks for a
// picture file, a shader or the quad and gets the object every other scene
// asking for the same gets. Nothing is released before the Resources go.
//
// Staged, pictures are made without their pixels: each is uploaded when a
// frame first draws it (waiting for its decode then) or earlier, between
// frames, once decoded. The decode runs on a DecodeQueue's threads, to which
// the show adds its files before GL is up.

#include "demo/PictureFit.h"

#include "vornak/DecodeQueue.h"
#include "vornak/ShaderProgram.h"
#include "vornak/Sprite.h"
#include "vornak/Texture.h"

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

class Reload;

class Resources {
public:
    Resources();
    ~Resources();
    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    // Needs GL. Unstaged, the picture is read and uploaded now.
    vornak_engine::Texture* picture(const std::string& path, vornak_engine::ImgType type, Framing framing = {});
    // The quad's vertex shader ("sprite.vs" in the data folder) with this fragment shader.
    vornak_engine::ShaderProgram* program(const std::string& fragmentShader);
    vornak_engine::Sprite* quad();
    // One transparent pixel: a title without an overlay picture lays this over its picture.
    vornak_engine::Texture* clear();

    // From now on pictures come from the queue, staged. The queue stays the caller's.
    void stage(vornak_engine::DecodeQueue* queue);
    // Pictures told by their content (IMG_AUTO) asked for from now on are
    // read no larger than they are drawn in a frame of width x height (each
    // within its framing's fit); 0 x 0, the default, reads them whole.
    void limitTo(int width, int height);
    // The limit a picture of this framing is read within.
    vornak_engine::SizeLimit limitFor(const Framing& framing) const;
    // Whether the picture has its pixels (or failed for good).
    bool uploaded(vornak_engine::Texture* texture) const;
    // Uploads a staged picture, waiting for its decode.
    void upload(vornak_engine::Texture* texture);
    // Whether a staged picture's decode is done, so upload() would not wait.
    bool decoded(vornak_engine::Texture* texture) const;
    // The path a picture was asked for by, or "".
    std::string pathOf(vornak_engine::Texture* texture) const;

    // Reads the touched files again; each picture and program is replaced only
    // by one that works, and reaches every scene that shares it.
    void reload(Reload& reload);

    std::size_t pictureCount() const { return pictures_.size(); }
    std::size_t programCount() const { return programs_.size(); }
    // Bytes of texture memory the pictures take (four a pixel, as GL_RGBA).
    std::size_t pictureBytes() const;

    // The Resources scenes made now take their objects from, or null.
    static Resources* current();
    static void setCurrent(Resources* resources);

private:
    struct Picture {
        std::unique_ptr<vornak_engine::Texture> texture;
        std::string path;
        vornak_engine::ImgType type;
        Framing framing;
        vornak_engine::SizeLimit limit;
        bool pending = false;
    };
    using PictureKey = std::tuple<std::string, int, Framing, vornak_engine::SizeLimit>;

    Picture* find(vornak_engine::Texture* texture) const;
    void fill(Picture& picture, const vornak_engine::DecodedImage& image);

    std::map<PictureKey, Picture> pictures_;
    std::map<std::string, std::unique_ptr<vornak_engine::ShaderProgram>> programs_;
    std::unique_ptr<vornak_engine::Sprite> quad_;
    std::unique_ptr<vornak_engine::Texture> clear_;
    vornak_engine::DecodeQueue* queue_ = nullptr;
    int limitWidth_ = 0, limitHeight_ = 0;
    // Pixels taken from the queue, kept while another picture of the file still waits for them.
    using FileKey = std::tuple<std::string, int, vornak_engine::SizeLimit>;
    std::map<FileKey, std::shared_ptr<const vornak_engine::DecodedImage>> taken_;
};

// What the scenes call: from the current Resources, or made for the caller
// alone when there are none (as a scene made on its own always did).
vornak_engine::Texture* showPicture(const std::string& path, vornak_engine::ImgType type, Framing framing = {});
vornak_engine::ShaderProgram* showProgram(const std::string& fragmentShader);
vornak_engine::Sprite* showQuad();
vornak_engine::Texture* showClear();
