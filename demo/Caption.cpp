#include "demo/Caption.h"

#include "demo/DataFolder.h"

#include "vornak/GL.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

using namespace vornak_engine;

namespace {

// From the frame's top or bottom edge to the words, and the widest a line may
// be: a title-safe margin, as on a television.
constexpr double kMargin = 0.06;
constexpr double kLineWidth = 0.9;

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

} // namespace

std::string captionFont()
{
    return dataFile("DejaVuSans-Bold.ttf");
}

bool parseCaptionColour(const std::string& text, float rgb[3])
{
    if (text.size() != 7 || text[0] != '#')
        return false;
    int channels[3];
    for (int i = 0; i < 3; ++i) {
        const int high = hexDigit(text[1 + 2 * i]), low = hexDigit(text[2 + 2 * i]);
        if (high < 0 || low < 0)
            return false;
        channels[i] = high * 16 + low;
    }
    for (int i = 0; i < 3; ++i)
        rgb[i] = static_cast<float>(channels[i]) / 255.0f;
    return true;
}

bool parseCaptionPosition(const std::string& text, CaptionPosition& position)
{
    const std::pair<const char*, CaptionPosition> names[] = {
        {"top", CaptionPosition::Top}, {"middle", CaptionPosition::Middle}, {"bottom", CaptionPosition::Bottom}};
    for (const auto& [name, value] : names) {
        if (text == name) {
            position = value;
            return true;
        }
    }
    return false;
}

Caption::Caption(std::string text, CaptionStyle style)
    : text_(std::move(text)), style_(std::move(style)),
      font_((style_.font.empty() ? captionFont() : style_.font).c_str(), 32)
{
}

Caption::~Caption() = default;

void Caption::prepare(int frameWidth, int frameHeight)
{
    if (drawn_ && frameWidth == frameWidth_ && frameHeight == frameHeight_)
        return;
    frameWidth_ = frameWidth;
    frameHeight_ = frameHeight;
    if (!drawn_)
        drawn_ = std::make_unique<Text>();
    box_ = CaptionBox();
    if (!font_.isLoaded() || frameWidth <= 0 || frameHeight <= 0) {
        drawn_->set(TextLayout());
        return;
    }
    const double size = std::clamp(style_.size, 0.01, 1.0);
    font_.setPixelSize(font_.pixelSizeForLineHeight(size * frameHeight));
    const TextLayout layout =
        font_.layout(text_, static_cast<int>(std::lround(kLineWidth * frameWidth)));
    drawn_->set(layout);

    const int margin = static_cast<int>(std::lround(kMargin * frameHeight));
    box_.width = layout.width;
    box_.height = layout.height;
    box_.x = (frameWidth - layout.width) / 2;
    switch (style_.position) {
    case CaptionPosition::Top:
        box_.y = margin;
        break;
    case CaptionPosition::Middle:
        box_.y = (frameHeight - layout.height) / 2;
        break;
    case CaptionPosition::Bottom:
        box_.y = frameHeight - margin - layout.height;
        break;
    }
}

void Caption::draw()
{
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    prepare(viewport[2], viewport[3]);
    if (drawn_->empty())
        return;
    TextStyle style(style_.colour[0], style_.colour[1], style_.colour[2]);
    style.depth = kCaptionDepth;
    drawn_->draw(static_cast<float>(box_.x), static_cast<float>(box_.y), style);
}
