#pragma once

// The engine's one platform switch. Desktop builds use OpenGL 4.1 core through
// GLEW and decode pictures on worker threads; Emscripten builds (WebGL2 in a
// browser) use OpenGL ES 3.0 and no threads: a page without COOP/COEP headers,
// as plain static hosts serve it, has no SharedArrayBuffer and so no pthreads.
// The browser build reads only JPEG, PNG and TGA: HEIC and WebP decoders stay
// on the desktop, where phones' photos arrive (the page gets them as JPEGs).
// Everything that differs between platforms is written against the names below;
// no other engine file tests the compiler's own platform names.

#if defined(__EMSCRIPTEN__)
#define VORNAK_GLES 1
#define VORNAK_NO_THREADS 1
#else
#define VORNAK_PHOTO_CODECS 1
#endif

// Linux takes advice to back big lists with 2 MB pages (madvise, MADV_HUGEPAGE).
#if defined(__linux__)
#define VORNAK_LARGE_PAGES 1
#endif
