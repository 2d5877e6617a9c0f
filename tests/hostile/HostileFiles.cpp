#include "hostile/HostileFiles.h"

#include "recording/FieldText.h"
#include "support/RecordingBuilder.h"

#include <set>

namespace kestrum::test {

namespace {

constexpr std::size_t kTrueSpeechBlock = 32;
constexpr long kSamplesPerBlock = 240;

HostileFile named(std::string name, std::vector<std::uint8_t> bytes) {
    HostileFile file;
    file.name = std::move(name);
    file.bytes = std::move(bytes);
    return file;
}

// A file the reader refuses (zoqtool info and decode alike); the player before any window.
HostileFile refusedByReader(std::string name, std::vector<std::uint8_t> bytes, const std::string& message) {
    HostileFile file = named(std::move(name), std::move(bytes));
    file.infoFailure = message;
    file.playerExitCode = 1;
    file.playerMessage = message;
    return file;
}

// A file whose headers read but whose comments or keywords do not: the player has opened it, so
// it ends through its shutdown with exit code 0 after saying so.
HostileFile refusedWhileLoading(std::string name, std::vector<std::uint8_t> bytes,
                                const std::string& message) {
    HostileFile file = refusedByReader(std::move(name), std::move(bytes), message);
    file.playerExitCode = 0;
    return file;
}

// A file that reads but whose audio cannot be decoded: zoqtool info has nothing to say.
HostileFile refusedWhileDecoding(std::string name, std::vector<std::uint8_t> bytes,
                                 const std::string& message) {
    HostileFile file = named(std::move(name), std::move(bytes));
    file.decodeFailure = message;
    file.playerMessage = message;
    return file;
}

// A file whose audio fails part way, after a first stretch of `samples`: zoqtool decode fails with
// the message, and the player plays what decoded before it, saying so.
HostileFile failingPartWay(std::string name, std::vector<std::uint8_t> bytes, const std::string& message,
                           long samples) {
    HostileFile file = refusedWhileDecoding(std::move(name), std::move(bytes), message);
    file.decodedSamples = samples;
    file.plays = true;
    return file;
}

// A file that reads and decodes to `samples` and plays.
HostileFile playable(std::string name, std::vector<std::uint8_t> bytes, long samples) {
    HostileFile file = named(std::move(name), std::move(bytes));
    file.decodedSamples = samples;
    file.plays = true;
    return file;
}

void lengthsAndCountsPastTheEnd(std::vector<HostileFile>& files) {
    RecordingBuilder v9(9);
    v9.setCounts = false;
    v9.vrh3.textLength = 1000;
    v9.audio = makeAudio(20);
    files.push_back(refusedWhileLoading("v9 comment length past the end", v9.bytes(),
                                        "readTextComments failed read 20 of 1000"));

    RecordingBuilder v10(10);
    v10.setCounts = false;
    v10.vrh3.textLength = 0xFFFFFFFF;
    v10.audio = makeAudio(64);
    files.push_back(refusedWhileLoading("v10 comment length of 4 GiB", v10.bytes(),
                                        "readTextComments failed read 64 of 4294967295"));

    RecordingBuilder v5(5);
    v5.setCounts = false;
    v5.vrh.textLength = 5000;
    v5.audio = makeAudio(100);
    files.push_back(refusedWhileLoading("v5 comment length past the end", v5.bytes(),
                                        "readTextComments failed read 100 of 5000"));

    RecordingBuilder words9(9);
    words9.setCounts = false;
    words9.comments = "x\r\n";
    words9.vrh3.textLength = 3;
    words9.vrh3.scannedWordCount = 255;
    words9.audio = makeAudio(100);
    files.push_back(refusedWhileLoading("v9 keyword count past the end", words9.bytes(),
                                        "readScannedWords 1 failed read 40 of 60"));

    RecordingBuilder words7(7);
    words7.setCounts = false;
    words7.vrh2.scannedWordCount = 200;
    words7.audio = makeAudio(96);
    files.push_back(refusedWhileLoading("v7 keyword count past the end", words7.bytes(),
                                        "readScannedWords 1 failed read 36 of 60"));

    RecordingBuilder words8(8);
    words8.setCounts = false;
    words8.vrh2.scannedWordCount = 3;
    words8.audio = makeAudio(10);
    files.push_back(refusedWhileLoading("v8 keyword count past the end", words8.bytes(),
                                        "readScannedWords 0 failed read 10 of 60"));

    // Keywords that fill their field without a terminator and point far past the audio still read.
    RecordingBuilder wild(11);
    ScannedWord word = makeWord("", {0xFFFFFFFF, 0x80000000, 1});
    word.word.fill('K');
    wild.words = {word, makeWord("late", {0xFFFFFFF0})};
    wild.audio = makeAudio(4000);
    files.push_back(playable("v11 keywords unterminated and past the audio", wild.bytes(), 4000));
}

void unknownVersionsAndMagic(std::vector<HostileFile>& files) {
    for (const int version : {0, 12, 255}) {
        RecordingBuilder builder(version);
        builder.audio = makeAudio(400);
        files.push_back(refusedByReader("version " + std::to_string(version), builder.bytes(),
                                        "File is not version 1 thru 11\n%s"));
    }

    std::vector<std::uint8_t> expOnly;
    const auto edh = layout::encode(makeExportHeader(100));
    expOnly.assign(edh.begin(), edh.end());
    files.push_back(refusedByReader("EXP and nothing after it", expOnly, "File Vrh read failed 216"));

    std::vector<std::uint8_t> expZeros = expOnly;
    expZeros.resize(expOnly.size() + 216 + 100, 0);
    files.push_back(refusedByReader("EXP then zeros", expZeros, "File is not ZOQ type\n%s"));

    RecordingBuilder renamed(9);
    renamed.exportHeader = makeExportHeader(100);
    setFieldText(renamed.vrh3.name, "XYZ");
    renamed.audio = makeAudio(100);
    files.push_back(
        refusedByReader("EXP then a header not named ZOQ", renamed.bytes(), "File is not ZOQ type\n%s"));
}

void audioCountsPastTheEnd(std::vector<HostileFile>& files) {
    const std::size_t blocks = 40;
    for (const std::uint32_t count :
         {std::uint32_t{blocks * kTrueSpeechBlock * 10}, std::uint32_t{0xFFFFFFFF}}) {
        RecordingBuilder builder(10);
        builder.exportHeader = makeExportHeader(count);
        builder.audio = makeAudio(blocks * kTrueSpeechBlock);
        files.push_back(failingPartWay("v10 export audio count " + std::to_string(count), builder.bytes(),
                                       "audioDecompress failed read ...", blocks * kSamplesPerBlock));
    }

    RecordingBuilder raw(11);
    raw.exportHeader = makeExportHeader(0xFFFFFFFF);
    raw.audio = makeAudio(4000);
    // Off a disc (viewer mode) the export header's count is the audio's length...
    HostileFile viewer = named("v11 export audio count 4 GiB, viewer mode", raw.bytes());
    viewer.decodedSamples = 4000; // zoqtool reads as the player does outside viewer mode
    viewer.playerPrefix = "^O1^F";
    viewer.playerMessage = "readSoundFileSound failed read 4000 of 4294967295";
    files.push_back(viewer);
    // ...elsewhere the file's own length is.
    files.push_back(playable("v11 export audio count 4 GiB", raw.bytes(), 4000));

    RecordingBuilder none(10);
    none.exportHeader = makeExportHeader(0);
    none.audio = makeAudio(blocks * kTrueSpeechBlock);
    files.push_back(playable("v10 export audio count 0", none.bytes(), 0));
}

void zeroRatesAndBlockSizes(std::vector<HostileFile>& files) {
    struct Change {
        int version;
        const char* what;
        WaveFormat format;
        const char* refusal; // nullptr: it plays
    };
    const Change changes[] = {
        {11,
         "no sample rate",
         {1, 1, 0, 8000, 1, 8, 0},
         "openRecording audio format not playable, 0 samples per second, 8000 bytes per second, 8 bits\n%s"},
        {11,
         "no byte rate",
         {1, 1, 8000, 0, 1, 8, 0},
         "openRecording audio format not playable, 8000 samples per second, 0 bytes per second, 8 bits\n%s"},
        {8,
         "no sample rate",
         {1, 1, 0, 8000, 1, 8, 0},
         "openRecording audio format not playable, 0 samples per second, 8000 bytes per second, 8 bits\n%s"},
        {1,
         "an all-zero format",
         {},
         "openRecording audio format not playable, 0 samples per second, 0 bytes per second, 0 bits\n%s"},
        {5,
         "no byte rate",
         {1, 1, 8000, 0, 1, 8, 0},
         "openRecording audio format not playable, 8000 samples per second, 0 bytes per second, 8 bits\n%s"},
        {11, "no block size", {1, 1, 8000, 8000, 0, 8, 0}, nullptr},
        {9, "an all-zero stored format (played as 8000 Hz PCM)", {}, nullptr},
    };
    for (const Change& change : changes) {
        RecordingBuilder builder(change.version);
        builder.vrh.audioFormat = builder.vrh2.audioFormat = builder.vrh3.audioFormat = change.format;
        builder.audio = makeAudio(4000);
        const std::string name = "v" + std::to_string(change.version) + " " + change.what;
        files.push_back(change.refusal ? refusedByReader(name, builder.bytes(), change.refusal)
                                       : playable(name, builder.bytes(), 4000));
    }

    // Compressed audio is played as 8000 Hz PCM whatever its stored format says of rates.
    const std::size_t blocks = 40;
    const long samples = static_cast<long>(blocks) * kSamplesPerBlock;
    const WaveFormat trueSpeech{34, 1, 8000, 1067, 32, 1, 32};
    WaveFormat noRate = trueSpeech, noByteRate = trueSpeech, noBlock = trueSpeech;
    noRate.samplesPerSec = 0;
    noByteRate.avgBytesPerSec = 0;
    noBlock.blockAlign = 0;
    // Without a sample rate the decoded audio cannot be converted to the playback rate.
    RecordingBuilder rateless(10);
    rateless.vrh3.audioFormat = noRate;
    rateless.audio = makeAudio(blocks * kTrueSpeechBlock);
    files.push_back(refusedWhileDecoding("v10 TrueSpeech without a sample rate", rateless.bytes(),
                                         "audioDecompress acmStreamConvert to PCM failed -22"));
    const std::pair<const char*, WaveFormat> compressed[] = {
        {"v10 TrueSpeech without a byte rate", noByteRate},
        {"v10 TrueSpeech without a block size", noBlock},
    };
    for (const auto& [name, format] : compressed) {
        RecordingBuilder builder(10);
        builder.vrh3.audioFormat = format;
        builder.audio = makeAudio(blocks * kTrueSpeechBlock);
        files.push_back(playable(name, builder.bytes(), samples));
    }
    RecordingBuilder unknown(4);
    unknown.vrh.audioFormat = {};
    unknown.audio = makeAudio(blocks * kTrueSpeechBlock);
    files.push_back(
        refusedWhileDecoding("v4 an all-zero stored format", unknown.bytes(),
                             "Error, getAudioCompressionDriverId decomp failed, 0x00 pid=0 mfid=0"));
}

void noAudio(std::vector<HostileFile>& files) {
    for (int version = 1; version <= 11; ++version) {
        RecordingBuilder builder(version);
        if (version >= 4 && version != 6)
            builder.comments = "no audio follows\r\n";
        if (version >= 5 && version != 6)
            builder.words = {makeWord("nothing", {8000})};
        HostileFile file = playable("v" + std::to_string(version) + " without audio", builder.bytes(), 0);
        // In the player: raw audio, and a refused version; "v10 export audio count 0" is the
        // compressed call without audio.
        file.inPlayer = version == 1 || version == 2;
        if (version == 2 || version == 3) {
            // Versions whose audio the player refuses end silently, before any window.
            file.plays = false;
            file.playerExitCode = 1;
        }
        files.push_back(file);
    }
}

} // namespace

std::vector<HostileFile> hostileFiles() {
    std::vector<HostileFile> files;
    lengthsAndCountsPastTheEnd(files);
    unknownVersionsAndMagic(files);
    audioCountsPastTheEnd(files);
    zeroRatesAndBlockSizes(files);
    noAudio(files);
    // The player reads with the same reader as zoqtool: of the files the reader refuses for the
    // same step, one each is enough to see the player end through that step.
    const std::set<std::string> samePathInThePlayer = {"v9 comment length past the end",
                                                       "v5 comment length past the end",
                                                       "v9 keyword count past the end",
                                                       "v8 keyword count past the end",
                                                       "version 0",
                                                       "version 12",
                                                       "EXP then a header not named ZOQ",
                                                       "v11 no byte rate",
                                                       "v8 no sample rate",
                                                       "v5 no byte rate",
                                                       "v1 an all-zero format"};
    for (HostileFile& file : files)
        if (samePathInThePlayer.count(file.name) != 0)
            file.inPlayer = false;
    return files;
}

std::string withPath(const std::string& message, const std::string& path) {
    const std::size_t at = message.find("%s");
    return at == std::string::npos ? message : message.substr(0, at) + path + message.substr(at + 2);
}

bool endsWithMessage(const std::string& printed, const std::string& expected) {
    if (expected.ends_with("...")) {
        const std::string start = expected.substr(0, expected.size() - 3);
        return printed.starts_with(start) || printed.find("\n" + start) != std::string::npos;
    }
    const std::string lines = expected + "\n";
    return printed == lines || printed.ends_with("\n" + lines);
}

bool messageMatches(const std::string& text, const std::string& expected) {
    if (expected.ends_with("..."))
        return text.starts_with(expected.substr(0, expected.size() - 3));
    return text == expected;
}

} // namespace kestrum::test
