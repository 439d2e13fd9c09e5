#pragma once

// Reads a show file (TOML) into a ShowPlan. Every value is checked: an
// unknown kind or key, a missing key, a wrong type, a time out of order and a
// file that cannot be found are errors, each one line
// "FILE:LINE:COLUMN: what is wrong" (FILE as given). Names are relative to the
// show file's folder; a name the folder lacks is taken from the built-in
// data folder (dataFolder()). No GL, no audio: safe before any window opens.

#include "demo/ShowPlan.h"

#include <string>

// The show file a --show argument names: the path itself, or show.toml inside it when it is a folder.
std::string showFileIn(const std::string& path);

// Reads and checks the file; false with error set (one line) when it cannot
// be used. Without requireFiles, as for the built-in show, a file that is not
// found is no error: the plan names it in the show's folder, where reading it
// fails with its own line and the show plays on without it; and pictures are
// read by their names' kinds, as the built-in show always read them.
bool readShowFile(const std::string& path, ShowPlan& plan, std::string& error, bool requireFiles = true);

// The same for text already read; `name` stands for the file in messages and
// gives the folder names are found in.
bool parseShow(const std::string& text, const std::string& name, ShowPlan& plan, std::string& error,
               bool requireFiles = true);

// Files larger than this are refused before they are read.
constexpr std::size_t kMaxShowFileBytes = 1 << 20;
