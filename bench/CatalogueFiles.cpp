// kestrum_catalogue_files: makes many small recordings for the catalogue's benchmarks, every
// version 1 to 11, with and without an export header, comments and keywords, with names, numbers,
// stations and dates drawn from fixed lists; or prints searches for words of those lists.
//
//   kestrum_catalogue_files DIR COUNT [--flat]   COUNT recordings in DIR, 1000 to a subfolder
//                                                (all in DIR with --flat)
//   kestrum_catalogue_files --queries N          N searches, one a line, as zoqtool search's arguments

#include "recording/FieldText.h"
#include "recording/VersionTable.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

namespace {

using kestrum::setFieldText;
using kestrum::test::RecordingBuilder;

constexpr std::array kFirstNames{"James",   "Mary",  "Robert", "Patricia",  "John",    "Jennifer",
                                 "Michael", "Linda", "David",  "Elizabeth", "William", "Barbara",
                                 "Richard", "Susan", "Joseph", "Jessica",   "Thomas",  "Sarah",
                                 "Charles", "Karen", "Daniel", "Nancy",     "Matthew", "Lisa"};
constexpr std::array kLastNames{"Smith",
                                "Johnson",
                                "Williams",
                                "Brown",
                                "Jones",
                                "Garcia",
                                "Miller",
                                "Davis",
                                "Rodriguez",
                                "Martinez",
                                "Wilson",
                                "Anderson",
                                "Taylor",
                                "Thomas",
                                "Moore",
                                "Jackson",
                                "Martin",
                                "Lee",
                                "Thompson",
                                "White",
                                "Harris",
                                "Clark",
                                "Lewis",
                                "Robinson",
                                "Walker",
                                "Young",
                                "Allen",
                                "King",
                                "Wright",
                                "Scott",
                                "Green",
                                "Baker",
                                "Adams",
                                "Nelson",
                                "Hill",
                                "Campbell",
                                "Mitchell",
                                "Roberts",
                                "Carter",
                                "Phillips",
                                "Evans",
                                "Turner",
                                "Torres",
                                "Parker",
                                "Collins",
                                "Edwards",
                                "Stewart",
                                "Morris",
                                "Murphy",
                                "Cook",
                                "Rogers",
                                "Morgan",
                                "Peterson",
                                "Cooper",
                                "Reed",
                                "Bailey",
                                "Bell",
                                "Gomez",
                                "Kelly",
                                "Howard",
                                "Ward",
                                "Cox",
                                "Diaz",
                                "Richardson",
                                "Wood",
                                "Watson",
                                "Brooks",
                                "Bennett",
                                "Gray",
                                "James",
                                "Reyes",
                                "Cruz",
                                "Hughes",
                                "Price",
                                "Myers",
                                "Long",
                                "Foster",
                                "Sanders",
                                "Ross",
                                "Morales",
                                "Powell",
                                "Sullivan",
                                "Russell",
                                "Ortiz",
                                "Jenkins",
                                "Gutierrez",
                                "Perry",
                                "Butler",
                                "Barnes",
                                "Fisher",
                                "Henderson",
                                "Coleman",
                                "Simmons",
                                "Patterson",
                                "Jordan",
                                "Reynolds",
                                "Hamilton",
                                "Graham",
                                "Kim",
                                "M\xFCller",
                                "Sch\xF6n",
                                "Garc\xED"
                                "a"};
constexpr std::array kStations{"Block A", "Block B", "Block C",    "Intake",    "Medical",
                               "Library", "Gym",     "Visiting",   "Kitchen",   "Laundry",
                               "Chapel",  "Yard",    "North Wing", "South Wing"};
constexpr std::array kSystems{"SYS1", "SYS2", "EastSite", "WestSite"};
constexpr std::array kKeywords{"gun",      "knife",  "escape", "drugs", "money",   "lawyer",
                               "transfer", "threat", "family", "court", "parole",  "visit",
                               "phone",    "letter", "doctor", "fight", "guard",   "cell",
                               "release",  "appeal", "bail",   "judge", "witness", "contraband"};
constexpr std::array kCommentWords{"caller",    "asked",    "about",    "the",         "hearing", "date",
                                   "mentioned", "a",        "package",  "was",         "upset",   "regarding",
                                   "visit",     "schedule", "reviewed", "by",          "officer", "flagged",
                                   "for",       "follow",   "up",       "translation", "needed",  "spanish"};

template <class Pool> const char* pick(const Pool& pool, std::mt19937& random) {
    return pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
}

std::string digits(int count, std::mt19937& random) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(random));
    return text;
}

// The header fields every layout has, set alike in all three copies.
template <class Header> void fill(Header& h, int index, std::mt19937& random) {
    setFieldText(h.rid, "R" + std::to_string(index));
    setFieldText(h.firstName, pick(kFirstNames, random));
    setFieldText(h.lastName, pick(kLastNames, random));
    setFieldText(h.destAni, digits(3, random) + "-" + digits(7, random));
    setFieldText(h.system, pick(kSystems, random));
    setFieldText(h.stationName, pick(kStations, random));
    h.site = static_cast<std::uint32_t>(std::uniform_int_distribution<int>(1, 40)(random));
    h.recYear = static_cast<std::int16_t>(std::uniform_int_distribution<int>(2000, 2024)(random));
    h.recMonth = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, 12)(random));
    h.recDay = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, 28)(random));
    h.recHour = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 23)(random));
    h.recMinute = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 59)(random));
}

RecordingBuilder recording(int index, std::mt19937& random) {
    const int version = index % 11 + 1;
    const kestrum::VersionInfo& info = kestrum::versionInfo(version);
    RecordingBuilder builder(version);
    std::mt19937 same = random; // every layout's copy gets the same values
    fill(builder.vrh, index, same);
    same = random;
    fill(builder.vrh2, index, same);
    fill(builder.vrh3, index, random);
    builder.vrh3.duration = static_cast<std::int16_t>(std::uniform_int_distribution<int>(5, 1800)(random));
    const bool compressed = info.audio == kestrum::AudioStorage::Compressed;
    builder.audio = kestrum::test::makeAudio(compressed ? 32 * 10 : 800);
    if ((index / 11) % 2 == 1)
        builder.exportHeader =
            kestrum::test::makeExportHeader(static_cast<std::uint32_t>(builder.audio.size()));
    if (info.carriesText && (index / 22) % 2 == 0) {
        std::string comment = "1/02/2020 10:00:00 clerk @ DESK1\r\n";
        for (int word = 0; word < 8; ++word)
            comment += std::string(pick(kCommentWords, random)) + (word < 7 ? " " : "\r\n");
        builder.comments = comment;
    }
    if (info.carriesScannedWords && (index / 44) % 2 == 0)
        for (int word = 0; word < 3; ++word)
            builder.words.push_back(kestrum::test::makeWord(pick(kKeywords, random), {100u * (word + 1)}));
    return builder;
}

// Searches a user might type: names, prefixes, numbers, keywords, comment words, rids, dates.
std::string query(int index, std::mt19937& random) {
    std::string last = pick(kLastNames, random);
    if (static_cast<unsigned char>(last[1]) >= 0x80)
        last = "Smith"; // the command line is UTF-8; keep the queries ASCII
    switch (index % 8) {
    case 0:
        return last;
    case 1:
        return last.substr(0, 3);
    case 2:
        return std::string(pick(kFirstNames, random)) + " " + last;
    case 3:
        return pick(kKeywords, random);
    case 4:
        return std::string(pick(kCommentWords, random)) + " " + pick(kStations, random);
    case 5:
        return digits(3, random);
    case 6: {
        const int year = std::uniform_int_distribution<int>(2000, 2022)(random);
        return "--from " + std::to_string(year) + "-01-01 --to " + std::to_string(year + 2) + "-12-31 " +
               last;
    }
    default:
        return "R" + std::to_string(std::uniform_int_distribution<int>(0, 99999)(random));
    }
}

} // namespace

int main(int argc, char** argv) {
    std::mt19937 random(20240611);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 2 && arguments[0] == "--queries") {
        const int count = std::stoi(arguments[1]);
        for (int i = 0; i < count; ++i)
            std::printf("%s\n", query(i, random).c_str());
        return 0;
    }
    if (arguments.size() < 2 || arguments.size() > 3 || (arguments.size() == 3 && arguments[2] != "--flat")) {
        std::fprintf(stderr, "usage: kestrum_catalogue_files DIR COUNT [--flat]\n"
                             "       kestrum_catalogue_files --queries N\n");
        return 2;
    }
    const std::filesystem::path folder = arguments[0];
    const int count = std::stoi(arguments[1]);
    const bool flat = arguments.size() == 3;
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path sub = flat ? folder : folder / ("batch" + std::to_string(i / 1000));
        if (!flat && i % 1000 == 0)
            std::filesystem::create_directories(sub);
        char name[32];
        std::snprintf(name, sizeof name, "%06d.ZOQ", i);
        recording(i, random).writeTo((sub / name).string());
    }
    return 0;
}
