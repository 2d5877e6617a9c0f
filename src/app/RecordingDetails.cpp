#include "app/RecordingDetails.h"

#include "platform/FormatText.h"
#include "recording/FieldText.h"
#include "recording/VersionTable.h"
#include "recording/Windows1252.h"

namespace kestrum {

namespace {

// A header text field as shown.
template <std::size_t N> std::string shown(const std::array<char, N>& field) {
    return windows1252ToUtf8(fieldText(field));
}

// The lines every layout fills alike from its own fields.
template <class Header> void commonLines(const Header& h, const Options& options, RecordingDetails& lines) {
    lines.identifier = formatText("%s:  %s", options.ridLabel.c_str(), shown(h.rid).c_str());
    lines.firstName = formatText("First Name:  %s", shown(h.firstName).c_str());
    lines.lastName = formatText("Last Name:  %s", shown(h.lastName).c_str());
    lines.stationName = formatText("Station Name:  %s", shown(h.stationName).c_str());
}

void olderLines(const Vrh& h, RecordingDetails& lines) {
    lines.recorded = formatText("Recorded:  %d/%02d/%d   %d:%02d:%02d", h.recMonth, h.recDay, h.recYear,
                                h.recHour, h.recMinute, h.recSecond);
    lines.trunkDestination =
        formatText("Trunk:  %d   Destination ANI:  %s", h.trunk, shown(h.destAni).c_str());
    lines.site = formatText("Recorded By Site Number %0d   System:  %s", static_cast<int>(h.site),
                            shown(h.system).c_str());
}

void olderLines(const Vrh2& h, RecordingDetails& lines) {
    lines.recorded = formatText("Recorded:  %d/%02d/%d   %d:%02d:%02d", h.recMonth, h.recDay, h.recYear,
                                h.recHour, h.recMinute, h.recSecond);
    lines.trunkDestination = formatText("Destination ANI:  %s", shown(h.destAni).c_str());
    lines.site = formatText("Recorded By Site Number %0d   Sta:  %0d   System:  %s", static_cast<int>(h.site),
                            static_cast<int>(h.stationNumber), shown(h.system).c_str());
}

void newestLines(const Vrh3& h, bool viewerMode, RecordingDetails& lines) {
    lines.recorded = formatText("Recorded:  %d/%02d/%d   %02d:%02d:%02d", h.recMonth, h.recDay, h.recYear,
                                h.recHour, h.recMinute, h.recSecond);
    if (h.middleName[0] != '\0')
        lines.firstName += formatText("   Middle Name:  %s", shown(h.middleName).c_str());
    lines.trunkDestination =
        formatText("Trunk:  %d   Destination ANI:  %s", h.trunk, shown(h.destAni).c_str());
    lines.site =
        formatText("Recorded By Site Number %0d,%0d", static_cast<int>(h.site), static_cast<int>(h.lu));
    if (h.stationNumber != 0)
        lines.site += formatText("   Sta:  %0d", static_cast<int>(h.stationNumber));
    lines.site += formatText("   System:  %s", shown(h.system).c_str());
    lines.stationAni = formatText("Station ANI:  %s", shown(h.stationAni).c_str());

    if (h.cost >= 0)
        lines.cost += formatText("Cost:  %0d.%02d   ", h.cost / 100, h.cost % 100);
    if (h.duration >= 0)
        lines.cost += formatText("Duration:  %0d:%02d   ", h.duration / 60, h.duration % 60);
    if (h.compCode >= 0)
        lines.cost += formatText("Completion Code:  %d", h.compCode);

    // Where and by whom a call was archived is not shown on a disc.
    if (viewerMode)
        return;
    if (h.archivedBy[0] != '\0')
        lines.archivedBy = formatText("Archived By:  %s", shown(h.archivedBy).c_str());
    if (h.archivedAt[0] != '\0')
        lines.archivedAt = formatText("Archived At:  %s", shown(h.archivedAt).c_str());
    if (h.arcMonth > 0)
        lines.archivedDate = formatText("Archived:  %d/%d/%d  %d:%02d:%02d", h.arcMonth, h.arcDay, h.arcYear,
                                        h.arcHour, h.arcMinute, h.arcSecond);
}

} // namespace

RecordingDetails recordingDetails(const RecordingState& rec, const Options& options) {
    RecordingDetails lines;
    switch (headerLayoutOf(rec.version())) {
    case HeaderLayout::Vrh3:
        commonLines(rec.vrh3, options, lines);
        newestLines(rec.vrh3, options.viewerMode, lines);
        break;
    case HeaderLayout::Vrh2:
        commonLines(rec.vrh2, options, lines);
        olderLines(rec.vrh2, lines);
        break;
    case HeaderLayout::Vrh:
        commonLines(rec.vrh, options, lines);
        olderLines(rec.vrh, lines);
        break;
    }
    if (!options.recordedDateText.empty() && !options.recordedTimeText.empty())
        lines.recorded = formatText("Recorded:  %s   %s", options.recordedDateText.c_str(),
                                    options.recordedTimeText.c_str());
    return lines;
}

} // namespace kestrum
