#include "app/Options.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace {

bool endsWith(const std::string& s, const char* suffix)
{
    const std::string end(suffix);
    return s.size() > end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Help lines show an option's value name only; which options go together is
// said in the descriptions and enforced when parsing.
class PlainFormatter : public CLI::Formatter {
public:
    std::string make_option_opts(const CLI::Option* opt) const override
    {
        return opt->get_type_name().empty() || opt->get_expected_max() == 0 ? "" : " " + opt->get_type_name();
    }
};

std::string nonNegative(const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    // Not a number at all: the conversion that follows says so.
    if (end == text.c_str() || *end != '\0')
        return "";
    return value >= 0 ? "" : "'" + text + "' is before the start of the show";
}

std::string sizeCheck(const std::string& text)
{
    return parseFrameSize(text) ? "" : "'" + text + "' is not a size WxH with both numbers above zero";
}

std::string captureCheck(const std::string& out)
{
    if (captureKindOf(out) != CaptureKind::None)
        return "";
    return "'" + out + "' is neither a video (.mp4, .mkv), a numbered PNG sequence (frames/%05d.png) nor a .png";
}

void finish(CLI::App& app, const Options& options)
{
    if (options.capture == CaptureKind::None) {
        if (options.at && !options.preview)
            throw CLI::ValidationError("--at", "needs --preview or a single .png capture");
        return;
    }
    const bool video = options.capture == CaptureKind::Video;
    if (options.capture == CaptureKind::SinglePng && !options.at)
        throw CLI::ValidationError("--capture", "a single .png needs --at T");
    if (options.capture != CaptureKind::SinglePng && options.at)
        throw CLI::ValidationError("--at", "only a single .png capture takes one time");
    if (video && (options.captureSize.width % 2 != 0 || options.captureSize.height % 2 != 0))
        throw CLI::ValidationError("--size", "a video's width and height must be even (yuv420p)");
    if (options.to && *options.to <= options.from)
        throw CLI::ValidationError("--to", "must lie after --from");
    (void)app;
}

} // namespace

std::optional<FrameSize> parseFrameSize(const std::string& text)
{
    static const std::regex pattern("([0-9]{1,6})[xX]([0-9]{1,6})");
    std::smatch m;
    if (!std::regex_match(text, m, pattern))
        return std::nullopt;
    FrameSize size{std::stoi(m[1]), std::stoi(m[2])};
    if (size.width <= 0 || size.height <= 0)
        return std::nullopt;
    return size;
}

CaptureKind captureKindOf(const std::string& out)
{
    // One integer conversion, "%d" with optional zero flag and width; "%%" is a plain percent.
    static const std::regex numbered("([^%]|%%)*%0?[0-9]{0,2}d([^%]|%%)*\\.png");
    if (std::regex_match(out, numbered))
        return CaptureKind::PngSequence;
    if (out.find('%') != std::string::npos)
        return CaptureKind::None;
    if (endsWith(out, ".mp4") || endsWith(out, ".mkv"))
        return CaptureKind::Video;
    if (endsWith(out, ".png"))
        return CaptureKind::SinglePng;
    return CaptureKind::None;
}

std::optional<int> parseOptions(int argc, const char* const* argv, Options& options)
{
    CLI::App app("Vornak: a Christmas demo. Without options it plays full-screen until Esc or the music's end.",
                 "vornak");
    app.set_version_flag("--version", "vornak " VORNAK_VERSION);
    app.formatter(std::make_shared<PlainFormatter>());
    app.get_formatter()->column_width(18);

    std::string window;
    auto* windowOpt = app.add_option("--window", window, "Play in a resizable window (default 1280x720)")
                          ->type_name("[WxH]")
                          ->expected(0, 1)
                          ->check(CLI::Validator(sizeCheck, ""));
    auto* fullscreenOpt = app.add_flag("--fullscreen", "Play full-screen on the desktop (the default)");
    windowOpt->excludes(fullscreenOpt);
    app.add_flag("--stretch", options.stretch, "Fill the screen instead of keeping the 16:9 shape between black bars");
    app.add_option("--data", options.dataFolder, "The folder holding the show's files (default: data/ here, else "
                                                 "beside the program)")
        ->type_name("DIR");

    app.add_option("--show", options.show,
                   "Play, preview or capture the show of this show file, or of the show.toml in this folder "
                   "(see docs/shows.md)")
        ->type_name("PATH");
    auto* newShowOpt = app.add_option("--new-show", options.newShow,
                                      "Write a starter show into DIR (a commented show.toml to edit) and end")
                           ->type_name("DIR");

    std::string size;
    auto* captureOpt = app.add_option("--capture", options.captureOut,
                                      "Render the show offscreen to OUT: a .mp4/.mkv video with its music, "
                                      "numbered PNGs (frames/%05d.png) or one .png (with --at)")
                           ->type_name("OUT")
                           ->check(CLI::Validator(captureCheck, ""));
    app.add_option("--size", size, "Capture frame size (default 1920x1080)")
        ->type_name("WxH")
        ->check(CLI::Validator(sizeCheck, ""))
        ->needs(captureOpt);
    app.add_option("--fps", options.fps, "Capture frames a second (default 60)")
        ->type_name("N")
        ->check(CLI::Range(1.0, 1000.0).description(""))
        ->needs(captureOpt);
    app.add_option("--from", options.from, "Capture from this time in seconds (default 0)")
        ->type_name("T")
        ->check(CLI::Validator(nonNegative, ""))
        ->needs(captureOpt);
    app.add_option("--to", options.to, "Capture up to this time (default: the music's end)")
        ->type_name("T")
        ->check(CLI::Validator(nonNegative, ""))
        ->needs(captureOpt);
    app.add_option("--at", options.at, "The time of the frame a single .png capture shows, or where the preview starts")
        ->type_name("T")
        ->check(CLI::Validator(nonNegative, ""));
    windowOpt->excludes(captureOpt);
    auto* previewOpt = app.add_flag("--preview", options.preview,
                                    "Preview in a window (unless --fullscreen): pause, seek, loop, reload; "
                                    "keys in docs/preview.md");
    previewOpt->excludes(captureOpt);
    app.add_flag("--watch", options.watch,
                 "With --preview: reload the show file, its pictures and shaders as they change")
        ->needs(previewOpt);
    app.add_flag("--timings", options.timings, "Print how long each start-up step took");

    // The sound's own delay, which the program cannot see.
    double audioOffsetMs = 0;
    auto* audioOffsetOpt =
        app.add_option("--audio-offset", audioOffsetMs,
                       "Milliseconds the sound is heard later (negative: earlier) than the pictures expect; "
                       "set it when the cuts come before (positive) or after their beats, e.g. with Bluetooth "
                       "headphones or a sound server with a long buffer (default 0)")
            ->type_name("MS")
            ->check(CLI::Range(-2000.0, 2000.0).description(""));
    audioOffsetOpt->excludes(captureOpt);
    for (CLI::Option* other : {captureOpt, previewOpt, windowOpt, fullscreenOpt})
        newShowOpt->excludes(other);

    try {
        app.parse(argc, argv);
        // The preview is for working on the show beside an editor: a window unless asked otherwise.
        if (windowOpt->count() > 0 || (options.preview && fullscreenOpt->count() == 0)) {
            options.windowed = true;
            if (!window.empty())
                options.window = *parseFrameSize(window);
        }
        if (!size.empty())
            options.captureSize = *parseFrameSize(size);
        options.audioOffset = audioOffsetMs / 1000.0;
        options.capture = options.captureOut.empty() ? CaptureKind::None : captureKindOf(options.captureOut);
        finish(app, options);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "vornak: %s (see vornak --help)\n", e.what());
        return 2;
    }
    return std::nullopt;
}
