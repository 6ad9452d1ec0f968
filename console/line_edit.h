// The line being edited and what keys do to it: moves, insertions and
// deletions, the text killed for Ctrl-Y, the lines entered in this run and
// the search back through them. Nothing here touches the terminal.
#pragma once

#include <cstddef>

#include "console/keys.h"

namespace console {

// Bytes that grow as they need to; all zero is empty.
struct Bytes {
    char* data;
    std::size_t size;
    std::size_t capacity;
};

// Puts data[0, n) in the place of the `removed` bytes at `at`. False, with
// nothing changed, where there is no memory for it.
bool splice(Bytes& b, std::size_t at, std::size_t removed, const char* data, std::size_t n);
void release(Bytes& b);

// The lines entered, the oldest dropped first: as many as anyone steps back
// through in a dialogue, and never more than a mebibyte but for the newest,
// so that a long paste leaves little behind.
inline constexpr std::size_t history_lines = 100;
inline constexpr std::size_t history_bytes = std::size_t{1} << 20;

struct History {
    Bytes lines[history_lines]{};  // a ring, the oldest at `first`
    std::size_t first = 0;
    std::size_t count = 0;
    std::size_t bytes = 0;
};

struct Editing {
    Bytes text{};                  // the prompt, then the line
    std::size_t start = 0;         // where the line starts
    std::size_t cursor = 0;        // in `text`, at a glyph's start
    std::size_t changed = 0;       // the text is as last drawn up to here
    const char* prompt = nullptr;  // the dialogue's, while the line is edited
    std::size_t prompt_size = 0;
    Bytes killed{};
    History history{};
    Bytes draft{};             // the line being typed, while another is shown
    std::size_t recalled = 0;  // the entry shown; history.count for the draft
    bool searching = false;    // Ctrl-R
    bool search_failed = false;
    std::size_t before_search = 0;  // the entry shown when it began
    char query[64]{};
    std::size_t query_size = 0;
};

enum class Outcome { editing, entered, ended, redraw };

// Starts an empty line after `prompt`, which stays valid while it is edited.
void begin_line(Editing& e, const char* prompt, std::size_t size);

// What `key`, whose bytes start at `bytes`, does to the line.
Outcome apply(Editing& e, KeyPress key, const char* bytes);

// Keeps the line as it stands as the newest in the history, unless it is
// empty or the same as the newest.
void remember(Editing& e);

void release(Editing& e);

}  // namespace console
