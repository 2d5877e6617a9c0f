#pragma once

#include "platform/ProgramLocations.h"
#include "platform/Reporter.h"

#include <string>

namespace kestrum {

// The parameter texts of the disc-writing program: the disc-writer number first when there is
// one ("^W%d "), then the export list ("^K1 ^F<dir>") or the CD-audio file ("^F<file>").
std::string discWriterPart(int diskWriterValue);
std::string exportListParameters(int diskWriterValue, const std::string& listDirectory);
std::string cdAudioParameters(int diskWriterValue, const std::string& audioFile);

// Starts `program` with the parameter text as its one argument, in the working directory: the
// program found by findHelperProgram (the working directory, the install's helper directory, then
// PATH, each only where the trust rule allows), run through the descriptor it was checked on, so
// a file put in its place meanwhile is not what runs. A program passed over because of where it
// is, is reported (logged only, when another one starts). False when none could start.
bool startProgram(const std::string& program, const std::string& parameters, const HelperPlaces& places,
                  Reporter& reporter, int& processId);

// Waits, without a time limit, for a started program to end.
void waitForProgram(int processId);

} // namespace kestrum
