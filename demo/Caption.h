#pragma once

// Words a scene lays over its picture: UTF-8 text in a font, centred, at the
// top, middle or bottom of the show's 16:9 frame. Sizes are shares of the
// frame, so the words keep their place and size at every resolution; the
// glyphs are rasterised at the frame's own pixel size, so they are crisp at
// each, and laid out again only when that size changes.
//
// Draws into the current viewport (the frame's rectangle, Presentation.h), at
// the depth kCaptionDepth: in front of the pictures (0.1), behind the corner
// overlay (0.09), under the depth test the show keeps on. It writes no depth
// and leaves blending as it found it (Text.h says what else it leaves).

#include "vornak/Font.h"
#include "vornak/Text.h"

#include <memory>
#include <string>

constexpr float kCaptionDepth = 0.095f;

enum class CaptionPosition { Top, Middle, Bottom };

struct CaptionStyle {
    // A TrueType or OpenType file; empty for the shipped font (captionFont()).
    std::string font;
    // The line height as a share of the frame's height: 0.1 is ten lines a
    // frame, 36 pixels in a 640x360 window and big enough to read at a glance
    // on a phone held either way.
    double size = 0.1;
    float colour[3] = {1, 1, 1};
    CaptionPosition position = CaptionPosition::Bottom;
};

// The shipped font: "DejaVuSans-Bold.ttf" in the data folder.
std::string captionFont();

// "#rrggbb" (either case) into 0-1 channels; false, rgb untouched, otherwise.
bool parseCaptionColour(const std::string& text, float rgb[3]);
// "top", "middle" or "bottom".
bool parseCaptionPosition(const std::string& text, CaptionPosition& position);

// Where the words' box goes in a frame: pixels from its top-left.
struct CaptionBox {
    int x = 0, y = 0, width = 0, height = 0;
};

class Caption {
public:
    // Reads the font file now (no GL needed); a missing or damaged one gives
    // one line naming it and a caption that draws nothing.
    explicit Caption(std::string text, CaptionStyle style = CaptionStyle());
    // Once drawn it owns GL objects: destroy it while the context is current.
    ~Caption();
    Caption(const Caption&) = delete;
    Caption& operator=(const Caption&) = delete;

    // Needs a current GL context. Lays the words out for a frame of this size
    // and uploads them, unless that size is the one they have already.
    void prepare(int frameWidth, int frameHeight);
    // Needs a current GL context. Draws into the current viewport, preparing
    // first when its size has changed.
    void draw();

    // After prepare(): the words' box in the frame.
    const CaptionBox& box() const { return box_; }
    const std::string& text() const { return text_; }
    const CaptionStyle& style() const { return style_; }

private:
    std::string text_;
    CaptionStyle style_;
    vornak_engine::Font font_;
    std::unique_ptr<vornak_engine::Text> drawn_;
    int frameWidth_ = 0, frameHeight_ = 0;
    CaptionBox box_;
};
