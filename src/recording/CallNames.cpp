#include "recording/CallNames.h"

#include "platform/FormatText.h"
#include "recording/FieldText.h"
#include "recording/Windows1252.h"

namespace kestrum {

namespace {

template <std::size_t N> std::string shown(const std::array<char, N>& field) {
    std::string text = windows1252ToUtf8(fieldText(field));
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

void appendWord(std::string& to, const std::string& word) {
    if (word.empty())
        return;
    if (!to.empty())
        to += ' ';
    to += word;
}

} // namespace

CallNames callNamesOf(const RecordingState& rec) {
    const Vrh3& h = rec.vrh3; // every version's header, converted to the newest layout
    CallNames names;
    names.date = formatText("%04d-%02d-%02d", h.recYear, h.recMonth, h.recDay);
    names.title = shown(h.rid);
    appendWord(names.title,
               formatText("%s %02d:%02d:%02d", names.date.c_str(), h.recHour, h.recMinute, h.recSecond));
    appendWord(names.artist, shown(h.firstName));
    appendWord(names.artist, shown(h.middleName));
    appendWord(names.artist, shown(h.lastName));
    return names;
}

} // namespace kestrum
