#pragma once

// Recordings of real pages (tests/data/recordings, written by
// tests/recorder/record.py): one record a line, fields apart by tabs, each
// NAME=VALUE with backslash escapes. See tests/data/README.md.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/dom.h"

namespace tnk::testrec {

// One node of a recording: its kind ("o" an accessible object; "e" an
// element, "t" a text node, "c" a comment), its depth below the top node
// and its fields, values unescaped and in UTF-16.
struct Record {
    std::string kind;
    int depth = 0;
    std::vector<std::pair<std::string, std::u16string>> fields;

    const std::u16string* get(std::string_view name) const;
    std::u16string text(std::string_view name) const;  // empty when missing
};

struct Recording {
    std::string type;  // "acc" or "dom"
    std::u16string name;
    std::u16string url;
    std::u16string title;
    dom::Point viewport;
    dom::Point size;  // of the whole document
    std::vector<Record> nodes;
};

// The recording in `text`, or nothing with the reason in `error`: a line
// that is not a record, a depth that skips a level, a missing header.
std::optional<Recording> parseRecording(std::string_view text, std::string* error = nullptr);
std::optional<Recording> readRecording(const std::string& path, std::string* error = nullptr);

// The numbers of "x,y,w,h" and the like; nothing when one is not a number.
std::optional<std::vector<std::int32_t>> numbersOf(std::u16string_view text);

// A data file's path as this program can open it: a Linux path from the
// build, under Wine, goes through the drive that maps the Linux root.
std::string dataPath(std::string_view built);

}  // namespace tnk::testrec
