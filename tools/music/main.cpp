// halcyon-music: synthesises the soundtrack and writes it as a 16-bit stereo
// WAV, and optionally the section and beat map the track sources read.
//
//   halcyon-music --wav OUT.wav [--map OUT.txt] [--bars FIRST END] [--voice NAME]...
//
// --bars renders only bars [FIRST, END) (for tests); the default is the whole
// song with its tail. --voice renders only the named instruments, unmastered,
// so that the levels of voices rendered one by one compare with each other.
// The output depends on nothing but the source.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/music/Master.h"
#include "tools/music/MusicTime.h"
#include "tools/music/Song.h"

namespace {

[[noreturn]] __attribute__((format(printf, 1, 2))) void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fprintf(stderr, "halcyon-music: ");
    vfprintf(stderr, format, args);
    fprintf(stderr, "\n");
    va_end(args);
    exit(1);
}

int parseBar(const char* text) {
    char* end = nullptr;
    const long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > kSongBars)
        fail("bar '%s' is not a whole number from 0 to %d", text, kSongBars);
    return int(value);
}

// The fade keeps the end of the tail from stopping on a cut.
constexpr int64_t kTailFadeFrames = kSampleRate / 2;

} // namespace

int main(int argc, char** argv) {
    const char* wavPath = nullptr;
    const char* mapPath = nullptr;
    int firstBar = 0, endBar = kSongBars;
    unsigned voices = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--wav") == 0 && i + 1 < argc) {
            wavPath = argv[++i];
        } else if (strcmp(argv[i], "--map") == 0 && i + 1 < argc) {
            mapPath = argv[++i];
        } else if (strcmp(argv[i], "--bars") == 0 && i + 2 < argc) {
            firstBar = parseBar(argv[i + 1]);
            endBar = parseBar(argv[i + 2]);
            i += 2;
        } else if (strcmp(argv[i], "--voice") == 0 && i + 1 < argc) {
            const unsigned voice = voiceByName(argv[++i]);
            if (!voice) fail("no voice named '%s'", argv[i]);
            voices |= voice;
        } else {
            fail("usage: halcyon-music --wav OUT.wav [--map OUT.txt] [--bars FIRST END] "
                 "[--voice NAME]...");
        }
    }
    if (!wavPath) fail("no --wav output given");
    if (firstBar >= endBar) fail("empty bar range %d to %d", firstBar, endBar);

    if (mapPath) {
        FILE* map = fopen(mapPath, "w");
        if (!map) fail("cannot write %s", mapPath);
        const bool written = writeMusicMap(map);
        if (fclose(map) != 0 || !written) fail("cannot write %s", mapPath);
    }

    Stereo audio = renderSong(firstBar, endBar, voices ? voices : kAllVoices);
    if (!voices) master(audio, endBar == kSongBars ? kTailFadeFrames : 0);
    FILE* wav = fopen(wavPath, "wb");
    if (!wav) fail("cannot write %s", wavPath);
    const bool written = writeWav(wav, audio);
    if (fclose(wav) != 0 || !written) fail("cannot write %s", wavPath);
    return 0;
}
