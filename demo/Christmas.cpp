#include "demo/Christmas.h"

#include "vornak/DecodeQueue.h"

#include "demo/CandyScene.h"
#include "demo/DataFolder.h"
#include "demo/CircleTrans.h"
#include "demo/Reload.h"
#include "demo/Reloadable.h"
#include "demo/ReligionScene.h"
#include "demo/SkipAdOverlay.h"
#include "demo/SpriteTest.h"
#include "demo/ToyScene.h"

#include "vornak/GL.h"

#include <algorithm>

Christmas::Christmas(int width, int height) : Demo(width, height)
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // With the depth test on, the overlay (z 0.09) stays in front of the pictures (z 0.1).
    glEnable(GL_DEPTH_TEST);
}

void Christmas::init()
{
    // List order is drawing order: the overlay must come last, after every clearing scene.
    add(new CircleTrans(2.6, 10, 5));
    add(new CandyScene);
    add(new SpriteTest);
    add(new ToyScene);
    add(new CircleTrans(20.3, 22, 22));
    add(new ReligionScene);
    add(new SkipAdOverlay);
    std::stable_sort(stages_.begin(), stages_.end(),
                     [](const Stage& a, const Stage& b) { return a.scene->start < b.scene->start; });
}

void Christmas::add(vornak_engine::Scene* scene)
{
    scenes.push_back(scene);
    // Pictures a deferring queue parked while the scene was made are its own.
    if (vornak_engine::DecodeQueue* queue = vornak_engine::DecodeQueue::current()) {
        auto parked = queue->takeParked();
        if (!parked.empty())
            stages_.push_back({scene, std::move(parked)});
    }
}

void Christmas::initStaged(std::unique_ptr<vornak_engine::DecodeQueue> pictures)
{
    pictures->setDeferring(true);
    vornak_engine::DecodeQueue::setCurrent(pictures.get());
    init();
    vornak_engine::DecodeQueue::setCurrent(nullptr);
    pictures->setDeferring(false);
    pictures_ = std::move(pictures);
}

void Christmas::show(double t)
{
    for (auto stage = stages_.begin(); stage != stages_.end();) {
        if (t > stage->scene->start && t < stage->scene->end) {
            for (const auto& picture : stage->pictures)
                pictures_->upload(picture);
            stage = stages_.erase(stage);
        } else {
            ++stage;
        }
    }
    Demo::show(t);
}

std::size_t Christmas::picturesWaiting() const
{
    std::size_t n = 0;
    for (const Stage& stage : stages_)
        n += stage.pictures.size();
    return n;
}

std::vector<Christmas::PictureDue> Christmas::picturesToCome() const
{
    std::vector<PictureDue> files;
    for (const Stage& stage : stages_) {
        for (const auto& picture : stage.pictures) {
            if (std::none_of(files.begin(), files.end(), [&](const PictureDue& f) { return f.path == picture.path; }))
                files.push_back({picture.path, stage.scene->start});
        }
    }
    return files;
}

std::vector<std::string> Christmas::picturesDueAt(double t) const
{
    std::vector<std::string> files;
    for (const Stage& stage : stages_) {
        // The same window as show()'s, which uploads them.
        if (t > stage.scene->start && t < stage.scene->end) {
            for (const auto& picture : stage.pictures)
                files.push_back(picture.path);
        }
    }
    return files;
}

const std::string* Christmas::nextPicture() const
{
    return stages_.empty() ? nullptr : &stages_.front().pictures.front().path;
}

bool Christmas::uploadNextPicture()
{
    if (stages_.empty())
        return false;
    Stage& next = stages_.front();
    pictures_->upload(next.pictures.front());
    next.pictures.erase(next.pictures.begin());
    if (next.pictures.empty())
        stages_.erase(stages_.begin());
    return true;
}

void Christmas::uploadAll()
{
    for (const Stage& stage : stages_) {
        for (const auto& picture : stage.pictures)
            pictures_->upload(picture);
    }
    stages_.clear();
    pictures_.reset();
}

void Christmas::reload(Reload& reload)
{
    // A staged upload after the reload would bring back the old pixels.
    uploadAll();
    for (vornak_engine::Scene* scene : scenes) {
        if (auto* reloadable = dynamic_cast<Reloadable*>(scene))
            reloadable->reload(reload);
    }
}

void Christmas::replayTo(double t, double fps)
{
    // Only the candy zoom remembers earlier frames.
    for (vornak_engine::Scene* scene : scenes) {
        if (auto* candy = dynamic_cast<CandyScene*>(scene))
            candy->replayTo(t, fps);
    }
}

void Christmas::queuePictures(vornak_engine::DecodeQueue& queue)
{
    using vornak_engine::IMG_JPEG;
    using vornak_engine::IMG_PNG;
    // The schedule's order: title, wipe, overlay, toys, candy, church, wipe.
    const std::pair<const char*, vornak_engine::ImgType> pictures[] = {
        {"christmas.jpg", IMG_JPEG}, {"title.png", IMG_PNG},   {"christmas.jpg", IMG_JPEG},
        {"easter.jpg", IMG_JPEG},    {"skipad.jpg", IMG_JPEG}, {"toys.jpg", IMG_JPEG},
        {"candy.jpg", IMG_JPEG},     {"religion.jpg", IMG_JPEG}, {"christmas.jpg", IMG_JPEG},
        {"easter.jpg", IMG_JPEG},
    };
    for (const auto& [name, type] : pictures)
        queue.add(dataFile(name).c_str(), type);
}

bool Christmas::prepareAhead(double t)
{
    // How long before its scene a picture is waited for rather than left to its decode.
    constexpr double kNear = 1.0;
    if (!stages_.empty()) {
        const Stage& next = stages_.front();
        const auto& picture = next.pictures.front();
        if (next.scene->start - t < kNear || pictures_->decoded(picture.path, picture.type))
            uploadNextPicture();
        if (!stages_.empty())
            return true;
        pictures_.reset(); // every picture is in: the decoding threads can go
    }
    bool left = false;
    for (vornak_engine::Scene* scene : scenes) {
        if (auto* church = dynamic_cast<ReligionScene*>(scene))
            left = !church->computeLightPart() || left;
    }
    return left;
}
