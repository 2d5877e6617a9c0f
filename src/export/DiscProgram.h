#pragma once

#include "platform/ProgramLocations.h"

#include <string>

namespace kestrum {

// The parameter texts of the disc-writing program: the disc-writer number first when there is
// one ("^W%d "), then the export list ("^K1 ^F<dir>") or the CD-audio file ("^F<file>").
std::string discWriterPart(int diskWriterValue);
std::string exportListParameters(int diskWriterValue, const std::string& listDirectory);
std::string cdAudioParameters(int diskWriterValue, const std::string& audioFile);

// Starts `program` (from the working directory when it is there, else from the install's helper
// directory, else found on PATH) with the parameter text as its one argument, in the working
// directory. False when it could not start.
bool startProgram(const std::string& program, const std::string& parameters, const HelperPlaces& places,
                  int& processId);

// Waits, without a time limit, for a started program to end.
void waitForProgram(int processId);

} // namespace kestrum
