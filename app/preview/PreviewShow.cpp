#include "app/preview/PreviewShow.h"

#include "app/preview/FileWatcher.h"
#include "app/FramePacer.h"
#include "app/Audio.h"
#include "app/preview/Preview.h"
#include "app/ShowStage.h"
#include "app/StopSignals.h"
#include "demo/DataFolder.h"
#include "demo/ShowFile.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace {

double wallSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

// Frames a second over the last half second or so, for the title.
class FrameRate {
public:
    void frameDone(double now)
    {
        ++frames_;
        if (now - since_ >= 0.5) {
            rate_ = frames_ / (now - since_);
            frames_ = 0;
            since_ = now;
        }
    }
    double rate() const { return rate_; }

private:
    double since_ = 0;
    int frames_ = 0;
    double rate_ = 0;
};

// Esc, the close button, SIGINT and SIGTERM end the preview; keys go to it.
// Returns false to end; `any` tells whether anything at all happened.
bool handleEvents(Preview& preview, bool& any)
{
    SDL_Event event;
    bool keepGoing = true;
    any = false;
    while (SDL_PollEvent(&event)) {
        any = true;
        if (event.type == SDL_QUIT)
            keepGoing = false;
        else if (event.type == SDL_KEYDOWN && !preview.key(event.key.keysym.sym, event.key.keysym.mod, wallSeconds()))
            keepGoing = false;
    }
    return keepGoing && !stopRequested();
}

std::string sameFile(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::path(path).lexically_normal().string() : full.string();
}

// The show's files and the built-in ones it may take, watched as one.
class ShowWatcher {
public:
    ShowWatcher(const std::string& showFile)
    {
        const std::string folder = std::filesystem::path(showFile).parent_path().string();
        const std::string own = folder.empty() ? "." : folder;
        watchers_.emplace_back(own);
        if (sameFile(own) != sameFile(dataFolder()))
            watchers_.emplace_back(dataFolder());
    }
    std::vector<std::string> poll(double now)
    {
        std::vector<std::string> changed;
        for (FileWatcher& watcher : watchers_) {
            for (std::string& path : watcher.poll(now))
                changed.push_back(std::move(path));
        }
        return changed;
    }

private:
    std::vector<FileWatcher> watchers_;
};

// A changed show file makes the show anew; one that can't be used says why and the last good one stays.
void reloadShow(const std::vector<std::string>& changed, const std::string& showFile, ShowCore& core,
                Preview& preview)
{
    const std::string show = sameFile(showFile);
    std::vector<std::string> files;
    bool showChanged = false;
    for (const std::string& path : changed) {
        if (sameFile(path) == show)
            showChanged = true;
        else
            files.push_back(path);
    }
    if (!files.empty())
        preview.reload(files);
    if (!showChanged)
        return;
    ShowPlan plan;
    std::string error;
    if (!readShowFile(showFile, plan, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return;
    }
    core.replan(std::move(plan));
    preview.showChanged();
    std::fprintf(stderr, "%s: reloaded\n", showFile.c_str());
}

} // namespace

int playPreview(const Options& options, const ShowPlan& plan)
{
    ShowStage stage(plan, options.stretch, options.windowed ? WindowKind::Resizable : WindowKind::FullScreen,
                    options.window);
    if (!stage.ok())
        return 1;
    ShowWindow& window = stage.window();
    ShowCore& core = stage.core();
    if (stage.ownMusic()) {
        core.setMusicLength(decodedLength(plan.music));
        if (!options.show.empty()) {
            for (const std::string& line : core.warnings(core.length()))
                std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
    FramePacer pacer(window.window());
    // Nothing is watched, and nothing polled, unless asked for.
    std::unique_ptr<ShowWatcher> watcher;
    if (options.watch)
        watcher = std::make_unique<ShowWatcher>(plan.file);

    Preview preview(core, stage.ownMusic() ? stage.music() : nullptr, options.at.value_or(0), wallSeconds(),
                    options.audioOffset);
    FrameRate rate;
    std::string title;
    double titleDue = 0;
    int width = 0;
    int height = 0;
    bool any = true;
    bool drawn = false;
    bool preparing = true;
    while (handleEvents(preview, any)) {
        const double now = wallSeconds();
        bool reloaded = false;
        if (watcher) {
            const std::vector<std::string> changed = watcher->poll(now);
            reloaded = !changed.empty();
            if (reloaded)
                reloadShow(changed, plan.file, core, preview);
        }
        // Paused with nothing new, the frame on screen is still right: wait
        // for an event (or the next look at the files) instead of redrawing.
        if (drawn && preview.clock().paused() && !any && !reloaded) {
            SDL_WaitEventTimeout(nullptr, 50);
        } else {
            window.drawableSize(width, height);
            preview.frame(now, width, height);
            window.swap();
            // What the show stages for later comes in between frames, as live.
            if (preparing)
                preparing = core.workLater(preview.clock().time());
            pacer.frameDone();
            rate.frameDone(now);
            drawn = true;
        }
        // A few title changes a second: each is a round trip to the window system.
        if (now >= titleDue) {
            char fps[32];
            std::snprintf(fps, sizeof fps, " | %.0f fps", rate.rate());
            const std::string next = "Vornak preview | " + preview.status() + fps;
            if (next != title) {
                title = next;
                SDL_SetWindowTitle(window.window(), title.c_str());
            }
            titleDue = now + 0.2;
        }
    }
    return 0;
}
