#pragma once

// vornak --new-show DIR: a starter show to edit, a commented show.toml that
// plays the built-in Christmas show from the built-in pictures and music.
// Returns the exit status.

#include <string>

int writeNewShow(const std::string& folder);

// The starter show file's text.
const char* starterShow();
