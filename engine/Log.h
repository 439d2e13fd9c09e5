#pragma once

// Where the engine's messages go. Every line the engine has to say passes
// through one callback, as a level and a text without its newline. The
// default writes what the engine always wrote: Info lines (the shader and
// program diagnostics "Shader error", "Link error", "Validate error" and the
// logs after them) on standard output, warnings and errors on standard error.
// Lines may come from the decoding threads: a callback must be thread-safe.

namespace vornak_engine {

enum class LogLevel { Info, Warning, Error };

using LogCallback = void (*)(LogLevel level, const char* message, void* user);

// Null restores the default. Takes effect for lines logged after it returns.
void setLogCallback(LogCallback callback, void* user = nullptr);

void logMessage(LogLevel level, const char* message);
// printf-style; the line is cut at 4 KB.
void logFormat(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// An error about a file: "NAME: reason" ("(memory)" for a null name), one whole
// line, so lines from several decoding threads never interleave.
void logFileError(const char* name, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace vornak_engine
