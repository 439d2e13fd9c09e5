#include "demo/ShowCore.h"

#include "vornak/GL.h"

#include <algorithm>
#include <cstdio>

ShowCore::ShowCore(ShowPlan plan, bool stretch) : plan_(std::move(plan)), presentation_(stretch) {}

ShowCore::~ShowCore() = default;

void ShowCore::setFrame(int width, int height)
{
    const Viewport shown = fitShow(width, height, presentation_.stretched());
    frameWidth_ = std::max(shown.width, 1920);
    frameHeight_ = std::max(shown.height, 1080);
}

void ShowCore::startDecoding(int width, int height)
{
    if (width > 0 && height > 0)
        setFrame(width, height);
    pictures_ = std::make_unique<vornak_engine::DecodeQueue>();
    toDecode_ = plan_.picturesByFirstUse();
    queued_ = 0;
    queueAhead(0);
}

void ShowCore::queueAhead(double t)
{
    constexpr std::size_t kAhead = 3;
    constexpr double kDue = 2.0;
    std::size_t waiting = queued_;
    if (show_) {
        // Those queued and not yet uploaded.
        waiting = 0;
        for (vornak_engine::Texture* picture : show_->picturesWaiting()) {
            const std::string path = show_->resources().pathOf(picture);
            for (std::size_t i = 0; i < queued_; ++i)
                waiting += toDecode_[i].path == path;
        }
    }
    while (queued_ < toDecode_.size() && (waiting < kAhead || toDecode_[queued_].firstUse - t < kDue)) {
        const ShowPlan::Picture& picture = toDecode_[queued_++];
        const vornak_engine::ImgType type = pictureType(picture.path, picture.byContent);
        pictures_->add(picture.path.c_str(), type,
                       type == vornak_engine::IMG_AUTO ? limitFor(picture.fit) : vornak_engine::SizeLimit());
        ++waiting;
    }
}

void ShowCore::init(int width, int height)
{
    show_ = std::make_unique<PlannedShow>(width, height, plan_);
    // Pictures queued before the frame's size was known are read whole, and so the rest.
    if (frameWidth_ == 0 && !pictures_)
        setFrame(width, height);
    show_->resources().limitTo(frameWidth_, frameHeight_);
    if (pictures_)
        show_->stage(pictures_.get());
    show_->init();
}

double ShowCore::length() const
{
    if (musicLength_ > 0)
        return musicLength_;
    if (show_)
        return show_->lastEnd();
    // Before init() there are no scenes yet, but the plan has their ends: a
    // silent show's capture asks for its length before any GL exists.
    double last = 0;
    for (const ScenePlan& scene : plan_.scenes)
        last = std::max(last, scene.values.end);
    return last;
}

std::vector<std::string> ShowCore::warnings(double musicLength) const
{
    std::vector<std::string> lines;
    if (musicLength <= 0)
        return lines;
    int index = 0;
    for (const ScenePlan& scene : plan().scenes) {
        ++index;
        if (scene.values.end > musicLength) {
            char text[160];
            std::snprintf(text, sizeof text, ":%d: scene %d ends at %g s, after the music's end at %.2f s", scene.line,
                          index, scene.values.end, musicLength);
            lines.push_back(plan().file + text);
        }
    }
    return lines;
}

void ShowCore::frame(double t, int width, int height, bool clear)
{
    if (clear) {
        GLfloat colour[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(colour[0], colour[1], colour[2], colour[3]);
    }
    presentation_.begin(width, height);
    show_->show(t);
}

bool ShowCore::workLater(double t)
{
    if (pictures_)
        queueAhead(t);
    const bool left = show_->workLater(t);
    // Every picture is in: the decoding threads can go.
    if (pictures_ && show_->picturesWaiting().empty()) {
        show_->stage(nullptr);
        pictures_.reset();
    }
    return left;
}

std::vector<std::pair<std::string, double>> ShowCore::picturesToCome() const
{
    std::vector<std::pair<std::string, double>> files;
    for (vornak_engine::Texture* picture : show_->picturesWaiting()) {
        const std::string path = show_->resources().pathOf(picture);
        if (std::any_of(files.begin(), files.end(), [&](const auto& file) { return file.first == path; }))
            continue;
        double first = show_->lastEnd();
        for (const ShowScene* scene : show_->showScenes()) {
            const auto pictures = scene->pictures();
            if (std::find(pictures.begin(), pictures.end(), picture) != pictures.end())
                first = std::min(first, scene->start);
        }
        files.emplace_back(path, first);
    }
    return files;
}

std::vector<std::string> ShowCore::picturesDueAt(double t) const
{
    std::vector<std::string> files;
    for (const ShowScene* scene : show_->showScenes()) {
        if (!ShowDemo::drawsAt(*scene, t))
            continue;
        for (vornak_engine::Texture* picture : scene->pictures()) {
            if (!show_->resources().uploaded(picture))
                files.push_back(show_->resources().pathOf(picture));
        }
    }
    return files;
}

std::string ShowCore::nextPicture() const
{
    const std::vector<vornak_engine::Texture*> waiting = show_->picturesWaiting();
    return waiting.empty() ? std::string() : show_->resources().pathOf(waiting.front());
}

void ShowCore::uploadNext()
{
    const std::vector<vornak_engine::Texture*> waiting = show_->picturesWaiting();
    if (!waiting.empty())
        show_->resources().upload(waiting.front());
}

void ShowCore::replayTo(double t, double fps)
{
    show_->replayTo(t, fps);
}

void ShowCore::reload(const std::vector<std::string>& changed)
{
    show_->reload(changed);
}

void ShowCore::replan(ShowPlan plan)
{
    show_->remake(std::move(plan));
}

const ShowScene* ShowCore::innermostAt(double t) const
{
    const ShowScene* best = nullptr;
    for (const ShowScene* scene : show_->showScenes()) {
        if (ShowDemo::drawsAt(*scene, t) && (!best || scene->end - scene->start < best->end - best->start))
            best = scene;
    }
    return best;
}
