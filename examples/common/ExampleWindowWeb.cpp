// ExampleWindow for web browsers (Emscripten): the page's canvas with a WebGL2
// context, through Emscripten's HTML5 API. The examples' own code is the same
// as on the desktop; only this file differs. present() hands the frame to the
// browser and waits for the next one (Asyncify), so an example's frame loop
// runs unchanged. There is no command line: the defaults apply.

#include "common/ExampleWindow.h"

#include <vornak/GL.h>

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstdlib>

ExampleOptions::ExampleOptions(int, char**, const std::vector<ExampleOption>&) {}

ExampleWindow::ExampleWindow(const char* title, const ExampleOptions& options) : options(options)
{
    emscripten_set_window_title(title);
    emscripten_set_canvas_element_size("#canvas", options.width, options.height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.alpha = EM_FALSE;
    attributes.antialias = EM_FALSE;
    // Screenshots and tests read the canvas between frames.
    attributes.preserveDrawingBuffer = EM_TRUE;
    attributes.enableExtensionsByDefault = EM_TRUE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl = emscripten_webgl_create_context("#canvas", &attributes);
    if (webgl <= 0 || emscripten_webgl_make_context_current(webgl) != EMSCRIPTEN_RESULT_SUCCESS) {
        std::fprintf(stderr, "%s: this browser gives no WebGL2 context\n", title);
        std::exit(1);
    }
    window = nullptr; // no SDL window: the page's canvas
    context = reinterpret_cast<void*>(static_cast<long>(webgl));
    glViewport(0, 0, options.width, options.height);
    startTicks = static_cast<unsigned long long>(emscripten_get_now());
}

ExampleWindow::~ExampleWindow()
{
    emscripten_webgl_destroy_context(static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<long>(context)));
}

double ExampleWindow::seconds() const
{
    if (options.frames > 0)
        return shown / 60.0;
    return (emscripten_get_now() - static_cast<double>(startTicks)) / 1000.0;
}

bool ExampleWindow::present()
{
    ++shown;
    // The browser shows the frame when we give it back control.
    emscripten_sleep(16);
    return options.frames == 0 || shown < options.frames;
}
