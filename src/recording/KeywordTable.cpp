#include "recording/KeywordTable.h"

#include "recording/FieldText.h"

#include <strings.h>

namespace kestrum {

std::string trimKeyword(const std::string& typed) {
    std::string word = typed;
    while (!word.empty() && static_cast<unsigned char>(word.back()) <= 32)
        word.pop_back();
    return word;
}

std::string keywordLine(const ScannedWord& entry) {
    std::string word = fieldText(entry.word);
    for (char& c : word)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    const std::size_t start = word.find_first_not_of(' ');
    if (start == std::string::npos)
        return {};
    return word.substr(start, word.find_last_not_of(' ') - start + 1);
}

namespace {

std::string storedKeyword(const std::string& typed) {
    return trimKeyword(typed).substr(0, kMaxKeywordLength);
}

// The first entry whose word matches, whatever the letter case; the count of entries when none does.
std::size_t entryFor(const RecordingState& rec, const std::string& word) {
    const auto total = static_cast<std::size_t>(rec.scannedWordTotal);
    for (std::size_t i = 0; i < total; ++i)
        if (::strcasecmp(fieldText(rec.scannedWords[i].word).c_str(), word.c_str()) == 0)
            return i;
    return total;
}

int timesHeld(const RecordingState& rec, const std::string& word, std::uint32_t position) {
    const std::size_t i = entryFor(rec, word);
    if (i == static_cast<std::size_t>(rec.scannedWordTotal))
        return 0;
    int times = 0;
    for (const std::uint32_t held : rec.scannedWords[i].positions) {
        if (held == 0) // the end of the entry's positions
            break;
        times += held == position ? 1 : 0;
    }
    return times;
}

} // namespace

AddKeywordResult addKeywordPosition(RecordingState& rec, const std::string& typed, std::uint32_t position) {
    const std::string word = storedKeyword(typed);
    if (word.empty())
        return AddKeywordResult::Blank;
    if (const std::size_t i = entryFor(rec, word); i < static_cast<std::size_t>(rec.scannedWordTotal)) {
        ScannedWord& entry = rec.scannedWords[i];
        for (std::size_t slot = 1; slot < entry.positions.size(); ++slot) {
            if (entry.positions[slot] == 0) {
                entry.positions[slot] = position;
                return AddKeywordResult::Added;
            }
        }
        return AddKeywordResult::NoSecondsLocation;
    }
    if (rec.scannedWordTotal >= static_cast<int>(kMaxScannedWords))
        return AddKeywordResult::NoKeywordLocation;
    ScannedWord& entry = rec.scannedWords[static_cast<std::size_t>(rec.scannedWordTotal)];
    entry = ScannedWord{};
    setFieldText(entry.word, word);
    entry.positions[0] = position;
    ++rec.scannedWordTotal;
    return AddKeywordResult::Added;
}

KeywordAddition keywordAddition(const RecordingState& rec, const std::string& typed, std::uint32_t position) {
    const std::string word = storedKeyword(typed);
    return {word, position, timesHeld(rec, word, position)};
}

AddKeywordResult mergeKeywordAddition(RecordingState& rec, const KeywordAddition& addition) {
    if (timesHeld(rec, addition.word, addition.position) > addition.timesHeld)
        return AddKeywordResult::Added;
    return addKeywordPosition(rec, addition.word, addition.position);
}

} // namespace kestrum
