#pragma once

#include "catalogue/FileStamp.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// Whether a stamped copy (a recording with an export header) still holds what was exported: its
// three checksums (header, comments, audio) and its audio count against its export header.
enum class ChecksumState {
    NotStamped, // no export header: nothing to check
    Unchecked,  // stamped, not checked yet
    Intact,
    Damaged,
};

// The catalogue's word for a state, as stored and printed: "none", "unchecked", "intact", "damaged".
const char* checksumStateName(ChecksumState state);
std::optional<ChecksumState> checksumStateNamed(std::string_view name);

// The keywords as the catalogue's column holds them, one a line, and back.
std::string joinedKeywords(const std::vector<std::string>& keywords);
std::vector<std::string> splitKeywords(const std::string& text);

// What the catalogue knows of one recording: where it is, the file as it was when read, and the
// call's details, its text decoded from the recording's Windows-1252 into UTF-8.
struct CatalogueEntry {
    std::int64_t id = 0; // its row, once stored
    std::string path;
    FileStamp file; // the file as it was when read
    // The reader's message when the file did not read; the fields below are then empty.
    std::string problem;

    int version = 0;
    bool exported = false; // the file starts with an export header
    std::string recorded;  // "YYYY-MM-DD HH:MM:SS"
    std::string rid;
    std::string firstName, middleName, lastName;
    std::string dialledNumber;
    std::string stationName, stationAni;
    std::int64_t stationNumber = 0; // 0: none
    std::int64_t site = 0, secondSite = 0;
    std::string system;
    std::optional<int> durationSeconds;
    std::string comments;              // the whole comment section, lines ending in CR LF
    std::vector<std::string> keywords; // in the file's order
    ChecksumState checksums = ChecksumState::NotStamped;
    std::string checksumProblem; // what does not match, or why the copy could not be checked

    bool readable() const { return problem.empty(); }
    // The first comment line that is not blank, without its line end.
    std::string firstCommentLine() const;
};

} // namespace kestrum
