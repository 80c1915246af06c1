// halcyon-tone: writes a deterministic test signal as a 44100 Hz, 16-bit PCM WAV file.
//
//   halcyon-tone OUT.wav --seconds S [--sine HZ] [--amp A] [--silence] [--mono]
//
// The signal is a sine (default 440 Hz at amplitude 0.5 of full scale) starting at phase 0,
// or silence; stereo carries the same signal on both channels. The length is S seconds rounded
// to whole sample frames. The same arguments always give the same bytes, so tests can compare
// decoded audio against the formula.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const uint32_t kSampleRate = 44100;
const uint32_t kBitsPerSample = 16;
const double kFullScale = 32767.0;
const double kMaxSeconds = 3600.0;

struct ToneArgs {
    const char* outPath;
    double seconds;
    double frequency;
    double amplitude;
    bool silence;
    bool mono;
};

[[noreturn]] void usage(const char* why) {
    fprintf(stderr,
            "halcyon-tone: %s\n"
            "usage: halcyon-tone OUT.wav --seconds S [--sine HZ] [--amp A] [--silence] [--mono]\n",
            why);
    exit(1);
}

double numberArg(int argc, char** argv, int& i) {
    if (i + 1 >= argc) usage("missing number");
    char* end = nullptr;
    errno = 0;
    double value = strtod(argv[i + 1], &end);
    if (errno != 0 || end == argv[i + 1] || *end != '\0' || !std::isfinite(value))
        usage("bad number");
    ++i;
    return value;
}

ToneArgs parseArgs(int argc, char** argv) {
    ToneArgs args = {nullptr, -1.0, 440.0, 0.5, false, false};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--seconds") == 0) {
            args.seconds = numberArg(argc, argv, i);
        } else if (strcmp(arg, "--sine") == 0) {
            args.frequency = numberArg(argc, argv, i);
        } else if (strcmp(arg, "--amp") == 0) {
            args.amplitude = numberArg(argc, argv, i);
        } else if (strcmp(arg, "--silence") == 0) {
            args.silence = true;
        } else if (strcmp(arg, "--mono") == 0) {
            args.mono = true;
        } else if (arg[0] == '-' || args.outPath) {
            usage("unknown argument");
        } else {
            args.outPath = arg;
        }
    }
    if (!args.outPath) usage("no output file");
    if (args.seconds < 0.0) usage("no --seconds");
    if (args.seconds > kMaxSeconds) usage("--seconds out of range");
    if (args.amplitude < 0.0 || args.amplitude > 1.0) usage("--amp must lie in 0..1");
    if (args.frequency < 0.0 || args.frequency > kSampleRate / 2.0) usage("--sine out of range");
    return args;
}

void put16(unsigned char* at, uint32_t value) {
    at[0] = value & 0xff;
    at[1] = (value >> 8) & 0xff;
}

void put32(unsigned char* at, uint32_t value) {
    put16(at, value & 0xffff);
    put16(at + 2, value >> 16);
}

} // namespace

int main(int argc, char** argv) {
    ToneArgs args = parseArgs(argc, argv);
    const uint32_t channels = args.mono ? 1 : 2;
    const uint32_t frames = (uint32_t)std::lround(args.seconds * kSampleRate);
    const uint32_t blockAlign = channels * kBitsPerSample / 8;
    const uint32_t dataBytes = frames * blockAlign;

    unsigned char header[44];
    memcpy(header, "RIFF", 4);
    put32(header + 4, 36 + dataBytes);
    memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);
    put16(header + 20, 1); // integer PCM
    put16(header + 22, channels);
    put32(header + 24, kSampleRate);
    put32(header + 28, kSampleRate * blockAlign);
    put16(header + 32, blockAlign);
    put16(header + 34, kBitsPerSample);
    memcpy(header + 36, "data", 4);
    put32(header + 40, dataBytes);

    FILE* out = fopen(args.outPath, "wb");
    if (!out) {
        fprintf(stderr, "halcyon-tone: cannot write %s: %s\n", args.outPath, strerror(errno));
        return 1;
    }
    bool ok = fwrite(header, sizeof header, 1, out) == 1;
    const double step = 2.0 * M_PI * args.frequency / kSampleRate;
    for (uint32_t n = 0; n < frames && ok; ++n) {
        double value = args.silence ? 0.0 : args.amplitude * kFullScale * std::sin(step * n);
        unsigned char sample[4];
        uint32_t bits = (uint16_t)(int16_t)std::lround(value);
        put16(sample, bits);
        put16(sample + 2, bits);
        ok = fwrite(sample, blockAlign, 1, out) == 1;
    }
    if (fclose(out) != 0) ok = false;
    if (!ok) {
        fprintf(stderr, "halcyon-tone: cannot write %s\n", args.outPath);
        return 1;
    }
    return 0;
}
