#include "recording/HeaderUpgrade.h"

#include "recording/FieldText.h"
#include "recording/VersionTable.h"

namespace kestrum {

namespace {

// The fields the two older layouts share with vrh3 under the same names.
template <class Old> void copyCommonFields(const Old& from, Vrh3& to) {
    to.name = from.name;
    to.scannedWordCount = from.scannedWordCount;
    copyFieldText(to.rid, from.rid);
    to.recDay = from.recDay;
    to.recMonth = from.recMonth;
    to.recYear = from.recYear;
    to.recSecond = from.recSecond;
    to.recMinute = from.recMinute;
    to.recHour = from.recHour;
    copyFieldText(to.lastName, from.lastName);
    copyFieldText(to.firstName, from.firstName);
    copyFieldText(to.destAni, from.destAni);
    copyFieldText(to.system, from.system);
    to.extra1 = from.extra1;
    to.site = from.site;
    to.extra3 = from.extra3;
    to.extra4 = from.extra4;
    to.extra5 = from.extra5;
    to.audioFormat = from.audioFormat;
    to.sourceDataRate = 8000;
    // The conversion has always added 135 for both older layouts; files exported since rely on it.
    to.sourceFileSize = from.sourceFileSize + 135;
    to.textLength = from.textLength;
    copyFieldText(to.stationName, from.stationName);
}

} // namespace

void applyHeaderOverrides(Vrh3& vrh3, const HeaderOverrides& values) {
    if (values.day > 0)
        vrh3.recDay = static_cast<std::uint8_t>(values.day);
    if (values.month > 0)
        vrh3.recMonth = static_cast<std::uint8_t>(values.month);
    if (values.year > 0)
        vrh3.recYear = static_cast<std::int16_t>(values.year);
    if (values.second >= 0)
        vrh3.recSecond = static_cast<std::uint8_t>(values.second);
    if (values.minute >= 0)
        vrh3.recMinute = static_cast<std::uint8_t>(values.minute);
    if (values.hour >= 0)
        vrh3.recHour = static_cast<std::uint8_t>(values.hour);
    if (values.cost >= 0)
        vrh3.cost = values.cost;
    if (values.duration >= 0)
        vrh3.duration = static_cast<std::int16_t>(values.duration);
    if (values.compCode >= 0)
        vrh3.compCode = static_cast<std::int16_t>(values.compCode);
    if (values.route >= 0)
        vrh3.route = static_cast<std::int16_t>(values.route);
    if (values.extra2 != 0)
        vrh3.extra2 = static_cast<std::uint32_t>(values.extra2);
}

int upgradeHeader(const Vrh* vrh, const Vrh2* vrh2, Vrh3* vrh3, const HeaderOverrides& values) {
    if (vrh == nullptr || vrh2 == nullptr || vrh3 == nullptr)
        return 1;
    const int version = vrh->version;
    const HeaderLayout layout = headerLayoutOf(version);
    if (layout == HeaderLayout::Vrh && version >= 1) {
        *vrh3 = Vrh3{};
        copyCommonFields(*vrh, *vrh3);
        vrh3->version = version == 4 ? 10 : 11;
        vrh3->trunk = vrh->trunk; // sign-extended from 8 bits
    } else if (layout == HeaderLayout::Vrh2) {
        *vrh3 = Vrh3{};
        copyCommonFields(*vrh2, *vrh3);
        vrh3->version = version == 7 ? 10 : 11;
        vrh3->stationNumber = vrh2->stationNumber;
    }
    applyHeaderOverrides(*vrh3, values);
    return 0;
}

} // namespace kestrum
