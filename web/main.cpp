// The show in a web browser: the canvas, its WebGL2 context and the frame loop,
// through Emscripten's HTML5 API. The page (page.js) owns loading, the sound
// and the prompts; this side asks it for the show's time on every frame.
//
// Three ways a frame is timed: playing, the page's sound clock; before the
// first Play, held at the first frame; with ?at=T, or after the music's end,
// held at that time. A held frame is drawn once (the canvas keeps it) and
// again only when the canvas changes size.
//
// The pictures arrive while the show plays: main() tells the page which files
// the show draws and from when, and the page writes each into the file system
// as it comes. A frame is drawn only when every picture its scenes draw is
// there; until then the last frame stays and the page's clock waits.

#include "demo/DataFolder.h"
#include "demo/ShowCore.h"
#include "demo/ShowFile.h"
#include "vornak/GL.h"
#include "vornak/Log.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

// The page's side (page.js, whose top describes each): plain numbers but the
// picture files' names.
EM_JS(double, pageHeldTime, (), { return Module.vornakPage.heldTime(); });
EM_JS(double, pagePlayingTime, (), { return Module.vornakPage.playingTime(); });
EM_JS(void, pageFrameDrawn, (double t), { Module.vornakPage.frameDrawn(t); });
EM_JS(void, pageStart, (), { Module.vornakPage.start(); });
EM_JS(void, pageFailed, (), { Module.vornakPage.failed(); });
EM_JS(void, pageNeed, (const char* json, double end), { Module.vornakPage.need(JSON.parse(UTF8ToString(json)), end); });
EM_JS(bool, pageArrived, (const char* file), { return Module.vornakPage.arrived(UTF8ToString(file)); });
EM_JS(void, pageWaiting, (bool waiting), { Module.vornakPage.waiting(waiting); });
EM_JS(void, pageMessage, (int level, const char* text), { Module.vornakPage.message(level, UTF8ToString(text)); });

namespace {

// The rate the candy zoom is replayed at for a held frame, as `vornak --capture --at`.
constexpr double kReplayFps = ShowCore::kReplayFps;
const char* const kCanvas = "#canvas";

struct Shell {
    ShowCore* show = nullptr;
    int width = 0;
    int height = 0;
    bool playing = false;
    double held = -1;        // the time of the held frame on the canvas, or -1
    double lastScene = 0;    // the end of the latest scene
    double lastPlayed = 0;   // the time of the last frame drawn while playing
    // The frame held when the page names none: the first with a picture, then the last played.
    double rest = 1 / kReplayFps;
    bool drawnOnce = false;   // no picture is uploaded ahead before the first frame
    bool waiting = false;     // the frame at the clock's time lacks a picture
    bool preparing = true;    // the show's work for later is not done
};

Shell shell;

// The canvas's drawing buffer follows its CSS size and the device pixel ratio.
bool followCanvasSize()
{
    double cssWidth = 0, cssHeight = 0;
    emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight);
    const double ratio = emscripten_get_device_pixel_ratio();
    const int width = std::max(1, static_cast<int>(std::lround(cssWidth * ratio)));
    const int height = std::max(1, static_cast<int>(std::lround(cssHeight * ratio)));
    if (width == shell.width && height == shell.height)
        return false;
    emscripten_set_canvas_element_size(kCanvas, width, height);
    shell.width = width;
    shell.height = height;
    return true;
}

// Scenes clear only what they draw; between them the last picture stays, as on
// the desktop. Only a new (resized) canvas is cleared whole first.
void draw(double t, bool clear)
{
    shell.show->frame(t, shell.width, shell.height, clear);
    shell.drawnOnce = true;
    pageFrameDrawn(t);
}

// [{"file": "data/toys.jpg", "at": 10}, ...]: the pictures in the order the show first draws them.
std::string picturesJson()
{
    std::string json = "[";
    for (const auto& [path, at] : shell.show->picturesToCome()) {
        if (json.size() > 1)
            json += ',';
        json += "{\"file\":\"";
        for (const char c : path) {
            if (c == '"' || c == '\\')
                json += '\\';
            json += c;
        }
        char first[32];
        std::snprintf(first, sizeof first, "\",\"at\":%.17g}", at);
        json += first;
    }
    return json + "]";
}

// True when every picture the frame at t draws is in the file system, or
// will never come (the decode then names it, and the scene draws without it).
bool picturesThere(double t)
{
    for (const std::string& file : shell.show->picturesDueAt(t)) {
        if (!pageArrived(file.c_str()))
            return false;
    }
    return true;
}

void setWaiting(bool waiting)
{
    if (waiting != shell.waiting)
        pageWaiting(waiting);
    shell.waiting = waiting;
}

// Between frames, one picture that has arrived goes up ahead of its scene,
// in the show's order; then the rest of what init() left for later. A picture
// is never read before the page has it.
void prepareAhead(double t)
{
    if (!shell.drawnOnce)
        return;
    const std::string next = shell.show->nextPicture();
    if (!next.empty()) {
        if (pageArrived(next.c_str()))
            shell.show->uploadNext();
    } else if (shell.preparing) {
        shell.preparing = shell.show->workLater(t);
    }
}

// The engine's lines go to the page, which shows the problems at its foot.
void toPage(vornak_engine::LogLevel level, const char* message, void*)
{
    pageMessage(static_cast<int>(level), message);
}

EM_BOOL frame(double, void*)
{
    const bool resized = followCanvasSize();
    const double playingTime = pagePlayingTime();
    if (playingTime >= 0) {
        if (!shell.playing) {
            // A new run, from the first frame or after the end: the zoom starts over.
            shell.show->replayTo(0, kReplayFps);
            shell.playing = true;
            shell.held = -1;
        }
        // A scene whose picture is late waits for it, with the last frame on the canvas.
        const bool there = picturesThere(playingTime);
        setWaiting(!there);
        if (there) {
            draw(playingTime, resized);
            shell.lastPlayed = playingTime;
        } else if (resized) {
            // A new canvas starts black: the last frame again, whose pictures are in.
            shell.show->replayTo(shell.lastPlayed, kReplayFps);
            draw(shell.lastPlayed, true);
        }
        prepareAhead(playingTime);
        return EM_TRUE;
    }
    setWaiting(false);
    if (shell.playing) {
        // The music ended: the last picture stays (a time after every scene would draw nothing).
        shell.playing = false;
        shell.rest = std::min(shell.lastPlayed, shell.lastScene - 1 / kReplayFps);
    }
    const double asked = pageHeldTime();
    const double held = asked >= 0 ? asked : shell.rest;
    if ((held != shell.held || resized) && picturesThere(held)) {
        shell.show->replayTo(held, kReplayFps);
        draw(held, true);
        shell.held = held;
    }
    prepareAhead(held);
    return EM_TRUE;
}

// A click, a tap or a key starts the show (the browser allows sound only then).
// Esc is left to the browser, which leaves full-screen with it.
EM_BOOL onKey(int, const EmscriptenKeyboardEvent* event, void*)
{
    if (std::strcmp(event->key, "Escape") == 0)
        return EM_FALSE;
    pageStart();
    return EM_FALSE;
}

EM_BOOL onClick(int, const EmscriptenMouseEvent*, void*)
{
    pageStart();
    return EM_FALSE;
}

EM_BOOL onTouch(int, const EmscriptenTouchEvent*, void*)
{
    pageStart();
    return EM_FALSE;
}

} // namespace

// For the browser benchmark (tests/web/bench.mjs): draws the frame at t after
// one unmeasured frame, `frames` times, each read back (so finished) before
// the next, and gives the mean milliseconds a frame. The page shows it after.
extern "C" EMSCRIPTEN_KEEPALIVE double vornakFrameMilliseconds(double t, int frames)
{
    std::uint8_t pixel[4];
    shell.show->replayTo(t, kReplayFps);
    draw(t, true);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    const double begin = emscripten_get_now();
    for (int i = 0; i < frames; ++i) {
        draw(t, false);
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    }
    return (emscripten_get_now() - begin) / std::max(frames, 1);
}

// The page passes the show file's path when the show is not the built-in one (files.json's "show").
int main(int argc, char** argv)
{
    vornak_engine::setLogCallback(toPage);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.antialias = EM_FALSE;
    // A held frame stays on the canvas without being drawn again.
    attributes.preserveDrawingBuffer = EM_TRUE;
    attributes.enableExtensionsByDefault = EM_TRUE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(kCanvas, &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        vornak_engine::logMessage(vornak_engine::LogLevel::Error,
                                  "this browser gives no WebGL2 context, which the show needs");
        pageFailed();
        return 1;
    }

    followCanvasSize();
    setDataFolder("data");
    ShowPlan plan;
    std::string error;
    // A file the show lacks is named by its reader and the show plays on, as on the desktop.
    if (!readShowFile(argc > 1 ? argv[1] : "data/show.toml", plan, error, false)) {
        vornak_engine::logMessage(vornak_engine::LogLevel::Error, error.c_str());
        pageFailed();
        return 1;
    }
    // Never deleted: the page lives as long as the show. Staged, without
    // threads: each picture is read when it goes up, never before the page has it.
    shell.show = new ShowCore(plan);
    shell.show->startDecoding(shell.width, shell.height);
    shell.show->init(shell.width, shell.height);
    shell.lastScene = shell.show->show().lastEnd();
    pageNeed(picturesJson().c_str(), shell.lastScene);

    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKey);
    emscripten_set_click_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onClick);
    emscripten_set_touchend_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onTouch);
    emscripten_request_animation_frame_loop(frame, nullptr);
    return 0;
}
