#pragma once

// What the examples share and a program of your own would write once: the command
// line, an SDL window with a current OpenGL 4.1 core context and GLEW initialised,
// the end of the frame loop, and screenshots. None of it is part of the engine.

#include <vornak/Texture.h>

#include <string>
#include <vector>

struct SDL_Window;

// One extra option of an example, a file such as --obj FILE; value holds its default.
// With `flag` set instead, it takes no value and sets the flag, such as --info.
struct ExampleOption {
    const char* name;
    const char* help;
    std::string* value;
    bool* flag = nullptr;
    const char* what = "FILE"; // the value's name in the usage
};

// Reads --frames N, --screenshot FILE, --size WxH, --help and the extras. A bad
// argument prints one line and the usage, and exits with status 2.
struct ExampleOptions {
    ExampleOptions(int argc, char** argv, const std::vector<ExampleOption>& extras = {});

    int frames = 0;          // 0: run until Esc or the window is closed
    std::string screenshot;  // the last frame as a PNG, if set (an absolute path)
    int width = 960;
    int height = 540;
};

class ExampleWindow {
public:
    // Opens the window and makes its context current; on failure prints one line
    // and exits with status 1.
    ExampleWindow(const char* title, const ExampleOptions& options);
    ~ExampleWindow();
    ExampleWindow(const ExampleWindow&) = delete;
    ExampleWindow& operator=(const ExampleWindow&) = delete;

    int width() const { return options.width; }
    int height() const { return options.height; }
    float aspect() const { return static_cast<float>(options.width) / static_cast<float>(options.height); }
    // Seconds since the window opened; with --frames, 60 fixed steps a second so
    // a capture comes out the same on every machine.
    double seconds() const;
    // Shows the frame just drawn. False once Esc or the close button was pressed
    // or the last of --frames was shown (and saved to --screenshot).
    bool present();

private:
    ExampleOptions options;
    SDL_Window* window = nullptr;
    void* context = nullptr;
    int shown = 0;
    unsigned long long startTicks = 0;
};
