#pragma once

// The show as every shell plays it: the live show, the preview, the capture
// and the web page each own only their window or canvas, events, clock and
// swap, and call this for the rest. No SDL, no browser: it makes the show
// from its plan, stages its pictures (a frame waits only for its own), knows
// the show's length, draws the frame at t into a drawable of any size, and
// hands out the work left for later.
//
// The order of a shell: construct (no GL), startDecoding() while the window
// comes up, init() with the GL context current, then frame() per frame and
// workLater() between frames.

#include "demo/PlannedShow.h"
#include "demo/Presentation.h"
#include "demo/ShowPlan.h"

#include "vornak/DecodeQueue.h"

#include <memory>
#include <string>
#include <vector>

class ShowCore {
public:
    // The frame rate a held frame's state is replayed at, as a 60 Hz run has it.
    static constexpr double kReplayFps = 60;

    explicit ShowCore(ShowPlan plan, bool stretch = false);
    ~ShowCore();
    ShowCore(const ShowCore&) = delete;
    ShowCore& operator=(const ShowCore&) = delete;

    const ShowPlan& plan() const { return show_ ? show_->plan() : plan_; }

    // No GL: the pictures start decoding on worker threads, in the order the
    // show first draws them, for an output of width x height pixels (0 x 0:
    // the size init() is given). Without it init() reads every picture at once.
    void startDecoding(int width = 0, int height = 0);
    // Needs GL: makes the scenes (shaders compiled; staged pictures not uploaded)
    // for a drawable of width x height.
    void init(int width, int height);

    // The music's length as it decodes, in seconds (0: no music, or none that decodes).
    void setMusicLength(double seconds) { musicLength_ = seconds; }
    // The show's length: the music's, or without music the last scene's end.
    double length() const;
    // One line for each scene that ends after music of this length, which then never shows its end.
    std::vector<std::string> warnings(double musicLength) const;

    // Draws the frame at t into a drawable of width x height pixels: the
    // 16:9 picture between black bars (or stretched), every scene drawing at t
    // in list order, each picture it draws uploaded first. clear: the whole
    // drawable black first; otherwise a frame no scene draws keeps what it had.
    void frame(double t, int width, int height, bool clear = false);

    // Between frames, after the first is on screen: a little of what was left
    // for later (pictures, then the scenes' own). False once nothing is left.
    bool workLater(double t);
    // Scenes with state from frame to frame, to where a run at fps has them before t.
    void replayTo(double t, double fps = kReplayFps);
    // Whether the frame at t can be drawn without waiting for a picture's decode.
    bool readyAt(double t) const { return show_->readyAt(t); }

    // For a shell whose picture files arrive while the show plays (the web
    // page): the files of the staged pictures still to upload, each once, with
    // the start of the first scene that draws it, in the order the show first
    // draws them; those the frame at t draws (frame() uploads them); and the
    // next in the show's order, "" when none is left, which uploadNext() uploads.
    std::vector<std::pair<std::string, double>> picturesToCome() const;
    std::vector<std::string> picturesDueAt(double t) const;
    std::string nextPicture() const;
    void uploadNext();

    // Reloads the named files (every file when none are named).
    void reload(const std::vector<std::string>& changed = {});
    // A new plan for the same show (its file edited): the scenes are remade;
    // pictures and programs both plans use stay as they are.
    void replan(ShowPlan plan);

    // Names, boundaries, the innermost scene at t.
    std::string namesAt(double t) const { return show_->namesAt(t); }
    std::vector<double> boundaries() const { return show_->boundaries(); }
    // The shortest scene drawing at t, or null.
    const ShowScene* innermostAt(double t) const;

    PlannedShow& show() { return *show_; }

private:
    // Keeps a few pictures decoding ahead of those uploaded, and every picture
    // due within a moment of t: more would hold a photo's pixels each and
    // take the processor from the frames.
    void queueAhead(double t);

    ShowPlan plan_;
    // The frame pictures are read for: the output's 16:9 picture, but never
    // less than 1920x1080, so pictures of that size stay as they are.
    void setFrame(int width, int height);
    vornak_engine::SizeLimit limitFor(Fit fit) const { return {frameWidth_, frameHeight_, fit}; }

    std::vector<ShowPlan::Picture> toDecode_; // by first use
    std::size_t queued_ = 0; // of toDecode_
    int frameWidth_ = 0, frameHeight_ = 0;
    Presentation presentation_;
    std::unique_ptr<vornak_engine::DecodeQueue> pictures_;
    std::unique_ptr<PlannedShow> show_;
    double musicLength_ = 0;
};
