// Tests of the soundtrack generator: the grid arithmetic, the map file, the
// oscillators' aliasing, the rendered audio (length, beat placement, headroom,
// repeatability) and the encoded MP3 the build ships (length, spectrum, tonal
// balance, loudness, true peak, the drops' lift and width, the final hit).
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/music/Master.h"
#include "tools/music/MusicTime.h"
#include "tools/music/Song.h"

namespace {

constexpr double kSamplesPerBeat = 61250.0 / 3.0;

struct Pcm {
    int rate = 0, channels = 0;
    std::vector<int16_t> samples; // interleaved
    int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

uint32_t le32(const std::string& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

Pcm parseWav(const std::string& bytes) {
    Pcm pcm;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") || bytes.compare(8, 8, "WAVEfmt ") ||
        bytes.compare(36, 4, "data"))
        return pcm;
    const uint32_t format = le32(bytes, 20);
    pcm.channels = int(format >> 16);
    pcm.rate = int(le32(bytes, 24));
    if ((le32(bytes, 32) >> 16) != 16) return Pcm{};
    const uint32_t size = le32(bytes, 40);
    if (bytes.size() < 44 + size_t(size)) return Pcm{};
    pcm.samples.resize(size / 2);
    for (size_t i = 0; i < pcm.samples.size(); ++i)
        pcm.samples[i] = int16_t(uint16_t(uint8_t(bytes[44 + 2 * i])) |
                                 uint16_t(uint8_t(bytes[45 + 2 * i])) << 8);
    return pcm;
}

// Runs the generator on bars [first, end) and returns the WAV file's bytes.
std::string generate(int first, int end, const char* name) {
    const std::string wav = std::string(MUSIC_SCRATCH_DIR) + "/" + name + ".wav";
    const std::string command = std::string(MUSIC_GENERATOR) + " --wav " + wav + " --bars " +
                                std::to_string(first) + " " + std::to_string(end);
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readFile(wav);
}

Pcm decodeMp3(const char* path) {
    Pcm pcm;
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (!handle) return pcm;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(handle, path) == MPG123_OK &&
        mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK &&
        encoding == MPG123_ENC_SIGNED_16) {
        pcm.rate = int(rate);
        pcm.channels = channels;
        unsigned char buffer[16384];
        size_t done = 0;
        int status;
        while ((status = mpg123_read(handle, buffer, sizeof buffer, &done)) == MPG123_OK ||
               (status == MPG123_DONE && done > 0)) {
            const int16_t* s = reinterpret_cast<const int16_t*>(buffer);
            pcm.samples.insert(pcm.samples.end(), s, s + done / 2);
            if (status == MPG123_DONE) break;
        }
    }
    mpg123_close(handle);
    mpg123_delete(handle);
    return pcm;
}

// Sample positions where the low band (four poles at 200 Hz) rises through
// 40 % of its loudest level. A detected onset must be followed by a quarter
// second and a fall under 20 % before the next one counts: a kick's decay and
// the bass under it must not register twice.
std::vector<int64_t> lowBandOnsets(const Pcm& pcm) {
    const int64_t frames = pcm.frames();
    const float smoothing = 1.0f - std::exp(-2.0f * 3.14159265f * 200.0f / float(pcm.rate));
    const float fall = std::exp(-1.0f / (0.04f * float(pcm.rate)));
    std::vector<float> envelope(static_cast<size_t>(frames));
    float poles[4] = {}, level = 0, loudest = 0;
    for (int64_t n = 0; n < frames; ++n) {
        const float mono =
            0.5f * (float(pcm.samples[size_t(2 * n)]) + pcm.samples[size_t(2 * n + 1)]);
        float x = mono;
        for (float& pole : poles)
            x = pole += (x - pole) * smoothing;
        level = std::max(std::fabs(x), level * fall);
        envelope[size_t(n)] = level;
        loudest = std::max(loudest, level);
    }
    std::vector<int64_t> onsets;
    const int64_t refractory = pcm.rate / 4;
    bool armed = true;
    for (int64_t n = 0; n < frames; ++n) {
        if (armed && envelope[size_t(n)] > 0.4f * loudest) {
            // Refine to where the envelope rose a fifth of the way from the
            // quietest point of the 30 ms before to this hit's own peak, so
            // that neither the level of the bar nor the bass under it shifts
            // the onset.
            const int64_t end = std::min(frames, n + pcm.rate / 16);
            const int64_t begin = std::max<int64_t>(0, n - pcm.rate * 3 / 100);
            const float* env = envelope.data();
            const float peak = *std::max_element(env + n, env + end);
            const int64_t low = std::min_element(env + begin, env + n + 1) - env;
            const float floor = env[low];
            int64_t rise = low;
            while (rise < n && env[rise] < floor + 0.2f * (peak - floor))
                ++rise;
            onsets.push_back(rise);
            armed = false;
        } else if (!armed && n - onsets.back() > refractory &&
                   envelope[size_t(n)] < 0.2f * loudest) {
            armed = true;
        }
    }
    return onsets;
}

int peakMagnitude(const Pcm& pcm) {
    int peak = 0;
    for (int16_t s : pcm.samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak;
}

const int kMinusOneDbfs = int(32767.0 * std::pow(10.0, -1.0 / 20.0));

Stereo toStereo(const Pcm& pcm) {
    Stereo audio = makeStereo(pcm.frames());
    for (int64_t n = 0; n < pcm.frames(); ++n) {
        audio.left[size_t(n)] = float(pcm.samples[size_t(2 * n)]) / 32768.0f;
        audio.right[size_t(n)] = float(pcm.samples[size_t(2 * n + 1)]) / 32768.0f;
    }
    return audio;
}

} // namespace

TEST(MusicGrid, BeatsLandOnWholeRowsWithoutDrift) {
    for (int64_t beat = 0; beat <= kSongBars * kBeatsPerBar; ++beat) {
        const int64_t sample = sampleAtRow(beat * kRowsPerBeat);
        ASSERT_EQ(sampleAtTick(beat * kTicksPerBeat), sample) << "beat " << beat;
        ASSERT_LE(std::fabs(double(sample) - double(beat) * kSamplesPerBeat), 0.5)
            << "beat " << beat;
    }
    // Row 3840 at 21.6 rows a second is exactly 177.777... s.
    EXPECT_EQ(sampleAtRow(kEndRow), 7840000);
    const int64_t tail = songFrames(0, kSongBars) - sampleAtRow(kEndRow);
    EXPECT_GT(tail, 0);
    EXPECT_LE(tail, 2 * kSampleRate);
}

TEST(MusicMap, WrittenFileListsTheArrangement) {
    const std::string built = readFile(MUSIC_MAP_FILE);
    FILE* scratch = tmpfile();
    ASSERT_TRUE(scratch);
    ASSERT_TRUE(writeMusicMap(scratch));
    std::string fresh(size_t(ftell(scratch)), '\0');
    rewind(scratch);
    ASSERT_EQ(fread(&fresh[0], 1, fresh.size(), scratch), fresh.size());
    fclose(scratch);
    EXPECT_EQ(built, fresh) << "the build's map is stale";

    std::istringstream lines(built);
    std::string line, sections, drops;
    std::vector<int> fills;
    int end = -1, previousEnd = 0;
    double bpm = 0;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "# rows at 21.6 a second, 10 a beat, 40 a bar");
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "bpm") {
            words >> bpm;
        } else if (key == "section") {
            std::string name;
            int first = -1, last = -1;
            words >> name >> first >> last;
            EXPECT_EQ(first, previousEnd) << line;
            EXPECT_LT(first, last) << line;
            previousEnd = last;
            sections += name + " " + std::to_string(first) + " " + std::to_string(last) + "; ";
        } else if (key == "drop") {
            int row = -1;
            words >> row;
            drops += std::to_string(row) + " ";
        } else if (key == "fill") {
            int row = -1;
            words >> row;
            fills.push_back(row);
        } else if (key == "end") {
            words >> end;
        } else {
            ADD_FAILURE() << "unknown line: " << line;
        }
        EXPECT_TRUE(words && words.eof()) << "malformed line: " << line;
    }
    EXPECT_DOUBLE_EQ(bpm, 129.6);
    EXPECT_EQ(sections, "intro 0 640; build1 640 960; drop1 960 1600; breakdown 1600 2240; "
                        "build2 2240 2560; drop2 2560 3200; outro 3200 3840; ");
    EXPECT_EQ(drops, "960 2560 ");
    EXPECT_EQ(end, 3840);
    ASSERT_FALSE(fills.empty());
    for (size_t i = 0; i < fills.size(); ++i) {
        EXPECT_EQ(fills[i] % kRowsPerBeat, 0) << "fill " << fills[i] << " is off the beat";
        EXPECT_TRUE(i == 0 || fills[i] > fills[i - 1]) << "fills out of order at " << fills[i];
        EXPECT_TRUE(fills[i] > 0 && fills[i] < end) << fills[i];
    }
    // Every drop is announced by a fill in the bar before it.
    for (int drop : {960, 2560})
        EXPECT_NE(std::find_if(fills.begin(), fills.end(),
                               [&](int f) { return f >= drop - kRowsPerBar && f < drop; }),
                  fills.end())
            << "no fill before the drop at " << drop;
}

TEST(MusicDsp, OscillatorsAtTheSongsHighestPitchesFoldLittleBack) {
    // The arpeggio's upper saw on A5 is the highest saw, the lead's detuned A5
    // the next; the squares are the top partials of the hat's and the crash's
    // metallic rings.
    // Each bound sits a quarter of a decibel above what the oscillator folds back (measured,
    // in the comments), so a
    // narrower correction (a naive saw folds back -24 dB, a naive square -14 dB, two-sample
    // edge smoothing -27 dB, half the window before the edge about 1 dB more) fails it.
    struct Case {
        const char* name;
        float hz;
        bool square;
        double foldDb;
    };
    const Case cases[] = {{"arp saw", 1762.6f, false, -36.8},       // -37.06
                          {"lead saw", 890.7f, false, -39.3},       // -39.55
                          {"hat square", 1280.0f, true, -43.65},    // -43.90
                          {"crash square", 1840.0f, true, -40.15}}; // -40.41
    constexpr int kSize = 1 << 16;
    for (const Case& c : cases) {
        Saw saw;
        Square square;
        std::vector<std::complex<double>> spectrum(kSize);
        double windowPower = 0.0;
        for (int i = 0; i < kSize; ++i) {
            // Blackman-Harris: its side lobes sit 92 dB down, under any fold.
            const double t = 2.0 * M_PI * i / kSize;
            const double window = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) -
                                  0.01168 * std::cos(3 * t);
            spectrum[size_t(i)] = window * (c.square ? squareRun(square, c.hz) : sawRun(saw, c.hz));
            windowPower += window * window;
        }
        fft(spectrum);
        const double binHz = double(kSampleRate) / kSize;
        double fundamental = 0.0, folded = 0.0;
        for (int bin = 1; bin < kSize / 2; ++bin) {
            const double harmonic = std::round(bin * binHz / c.hz);
            const bool onHarmonic =
                harmonic >= 1 && std::fabs(bin * binHz - harmonic * c.hz) < 6 * binHz;
            const double power = std::norm(spectrum[size_t(bin)]);
            if (onHarmonic && harmonic == 1)
                fundamental += power;
            else if (!onHarmonic)
                folded += power;
        }
        EXPECT_LT(10.0 * std::log10(folded / fundamental), c.foldDb) << c.name;
        // The smoothing must not eat the note itself: a saw's fundamental has
        // amplitude 2/pi, a square's 4/pi.
        const double amplitude = 2.0 * std::sqrt(fundamental / (kSize * windowPower));
        EXPECT_NEAR(amplitude, (c.square ? 4.0 : 2.0) / M_PI, 0.03) << c.name;
    }
}

TEST(MusicRender, BarRangeIsRepeatableOnTheGridAndUnclipped) {
    // Bars 60-68: the end of the second build (kick stops for two bars) into
    // the second drop.
    const int first = 60, end = 68;
    const std::string once = generate(first, end, "range-a");
    const std::string twice = generate(first, end, "range-b");
    ASSERT_FALSE(once.empty());
    EXPECT_TRUE(once == twice) << "the same source rendered different bytes";

    const Pcm pcm = parseWav(once);
    ASSERT_EQ(pcm.rate, kSampleRate);
    ASSERT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.frames(), sampleAtBar(end) - sampleAtBar(first));
    EXPECT_LE(peakMagnitude(pcm), kMinusOneDbfs);

    std::vector<double> expected;
    for (int bar = first; bar < end; ++bar)
        if (bar != 62 && bar != 63)
            for (int beat = 0; beat < kBeatsPerBar; ++beat)
                expected.push_back(double(bar - first) * kBeatsPerBar * kSamplesPerBeat +
                                   beat * kSamplesPerBeat);
    const std::vector<int64_t> onsets = lowBandOnsets(pcm);
    ASSERT_EQ(onsets.size(), expected.size());
    // The kick sweeps down into the low band over its first milliseconds, so
    // its detected onset trails the beat a little; a wrong tempo or a shifted
    // grid moves whole bars of kicks by tens of milliseconds.
    const double early = 0.002 * kSampleRate, late = 0.012 * kSampleRate;
    double meanLateness = 0.0;
    for (size_t i = 0; i < onsets.size(); ++i) {
        const double lateness = double(onsets[i]) - expected[i];
        meanLateness += lateness / double(onsets.size());
        EXPECT_TRUE(lateness >= -early && lateness <= late)
            << "kick " << i << " at " << onsets[i] << ", beat at " << expected[i];
    }
    EXPECT_LE(meanLateness, 0.008 * kSampleRate);
}

TEST(MusicMaster, LoudnessMatchesTheReferenceTone) {
    // A 997 Hz sine of amplitude 0.5 in both channels reads -6.02 LUFS.
    Stereo tone = makeStereo(6 * kSampleRate);
    for (int64_t n = 0; n < tone.size(); ++n) {
        const float s = 0.5f * std::sin(2.0f * kPi * 997.0f * float(n) / kSampleRate);
        tone.left[size_t(n)] = tone.right[size_t(n)] = s;
    }
    EXPECT_NEAR(integratedLoudness(tone), -6.02, 0.05);
    // Silence after it is gated out: only the blocks straddling the cut pull
    // the figure down a little, where a plain mean would drop by 3 dB.
    for (int64_t n = 3 * kSampleRate; n < tone.size(); ++n)
        tone.left[size_t(n)] = tone.right[size_t(n)] = 0.0f;
    EXPECT_NEAR(integratedLoudness(tone), -6.3, 0.3);
    EXPECT_LE(integratedLoudness(makeStereo(kSampleRate)), -70.0);
}

TEST(MusicMaster, LimiterHoldsTheCeilingAndLeavesQuietPartsAlone) {
    Stereo audio = makeStereo(kSampleRate);
    Rng rng{1};
    for (int64_t n = 0; n < audio.size(); ++n) {
        const bool burst = n > kSampleRate / 2 && n < kSampleRate / 2 + 2000;
        audio.left[size_t(n)] = noise(rng) * (burst ? 2.0f : 0.2f);
        audio.right[size_t(n)] = noise(rng) * 0.2f;
    }
    const Stereo original = audio;
    const float ceiling = 0.5f;
    limitPeaks(audio, truePeaks(audio), ceiling, kSampleRate / 500, 0.05f);
    float highest = 0.0f;
    for (float peak : truePeaks(audio))
        highest = std::max(highest, peak);
    EXPECT_LE(highest, ceiling * 1.02f);
    // Well before the burst nothing is touched, and the burst is turned down,
    // not clipped: the waveform keeps its shape.
    for (int64_t n = 0; n < kSampleRate / 4; ++n)
        ASSERT_EQ(audio.left[size_t(n)], original.left[size_t(n)]) << n;
    const size_t inBurst = size_t(kSampleRate / 2 + 1000);
    for (size_t n = inBurst; n < inBurst + 50; ++n)
        EXPECT_NEAR(audio.left[n] / original.left[n], audio.left[inBurst] / original.left[inBurst],
                    0.02);
}

TEST(MusicMaster, OctaveMeterPutsEachToneInItsOwnBand) {
    // Sines of amplitude 0.5 (mean square 1/8, -9.03 dB) just inside either
    // edge of each band: a band placed half an octave off, or a scale that is
    // wrong, moves the reading.
    for (int band = 0; band < kOctaveBands; ++band) {
        for (float offset : {0.85f, 1.25f}) {
            const float hz = kLowestBandHz * float(1 << band) * offset;
            Stereo tone = makeStereo(kSampleRate / 2);
            for (int64_t n = 0; n < tone.size(); ++n)
                tone.left[size_t(n)] = tone.right[size_t(n)] =
                    0.5f * std::sin(2.0f * kPi * hz * float(n) / kSampleRate);
            // Half a second, and a range exactly as long as the meter's one window (8192).
            for (int64_t end : {tone.size(), int64_t(8192)}) {
                const std::vector<double> levels = octaveBandLevels(tone, 0, end);
                ASSERT_EQ(levels.size(), size_t(kOctaveBands));
                for (int other = 0; other < kOctaveBands; ++other)
                    if (other == band)
                        EXPECT_NEAR(levels[size_t(other)], -9.03, 0.1) << hz << " Hz to " << end;
                    else
                        EXPECT_LT(levels[size_t(other)], -49.0)
                            << hz << " Hz to " << end << " in band " << other;
            }
        }
    }
}

TEST(MusicSoundtrack, EncodedSongFallsAboveOneKilohertzInEverySection) {
    // A master's spectrum falls with frequency and steeply above about 10 kHz;
    // a top octave as loud as the midrange is heard as hiss.
    const Pcm pcm = decodeMp3(MUSIC_MP3_FILE);
    ASSERT_EQ(pcm.frames(), songFrames(0, kSongBars));
    const Stereo audio = toStereo(pcm);
    constexpr int kOneKilohertzBand = 3;
    for (const Section& section : kSections) {
        const std::vector<double> levels =
            octaveBandLevels(audio, sampleAtBar(section.firstBar), sampleAtBar(section.endBar));
        std::ostringstream figures;
        figures << section.name << " octaves from 125 Hz:";
        for (double level : levels)
            figures << " " << std::round(level * 10.0) / 10.0;
        for (int band = kOneKilohertzBand + 1; band < kOctaveBands; ++band)
            EXPECT_LE(levels[size_t(band)], levels[size_t(band - 1)] + 1.0)
                << "band " << band << " rises; " << figures.str();
        EXPECT_LE(levels[kOctaveBands - 1], levels[kOneKilohertzBand] - 12.0)
            << "the top octave hisses; " << figures.str();
    }
}

TEST(MusicSoundtrack, EncodedSongHasItsLengthAndFillsTheEqualiser) {
    const Pcm pcm = decodeMp3(MUSIC_MP3_FILE);
    ASSERT_EQ(pcm.rate, kSampleRate);
    ASSERT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.frames(), songFrames(0, kSongBars));

    // Mean power spectrum of 256-sample Hann-windowed frames over the second
    // drop, in the 128 bins the equaliser draws.
    constexpr int kFft = 256, kBins = 128;
    std::vector<double> power(kBins, 0.0);
    std::vector<std::complex<double>> twiddle(kFft);
    for (int k = 0; k < kFft; ++k)
        twiddle[size_t(k)] = std::polar(1.0, -2.0 * M_PI * k / kFft);
    const int64_t from = sampleAtRow(2560), to = sampleAtRow(3200);
    for (int64_t start = from; start + kFft <= to; start += 4 * kFft) {
        double frame[kFft];
        for (int i = 0; i < kFft; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / kFft);
            frame[i] = window * (pcm.samples[size_t(2 * (start + i))] +
                                 pcm.samples[size_t(2 * (start + i) + 1)]);
        }
        for (int bin = 0; bin < kBins; ++bin) {
            std::complex<double> sum = 0;
            for (int i = 0; i < kFft; ++i)
                sum += frame[i] * twiddle[size_t((bin * i) % kFft)];
            power[size_t(bin)] += std::norm(sum);
        }
    }
    const double strongest = *std::max_element(power.begin(), power.end());
    // The encoder removes the top few bins (above ~19 kHz); everything below
    // must show on the equaliser, within 50 dB of the strongest bin.
    constexpr int kTopAudibleBin = 108;
    for (int bin = 1; bin <= kTopAudibleBin; ++bin)
        EXPECT_GT(10.0 * std::log10(power[size_t(bin)] / strongest), -50.0) << "bin " << bin;
    EXPECT_EQ(std::max_element(power.begin(), power.end()) - power.begin() < 8, true)
        << "the low end should be the strongest";
}

// ffmpeg's loudness meter over the shipped MP3: a line per 100 ms (momentary
// and short-term loudness so far) and a summary; empty when it fails.
std::string loudnessReport() {
    const std::string command = std::string(FFMPEG_EXECUTABLE) + " -nostats -hide_banner -i " +
                                MUSIC_MP3_FILE +
                                " -filter_complex ebur128=peak=true -f null - 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    std::string output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    return pclose(pipe) == 0 ? output : "";
}

// Mean power of frames [first, end) of the mid (L + R) / 2 or the side
// (L - R) / 2 signal, in dB.
double midSideDb(const Stereo& audio, int64_t first, int64_t end, bool side) {
    double sum = 0.0;
    for (int64_t n = first; n < end; ++n) {
        const double l = audio.left[size_t(n)], r = audio.right[size_t(n)];
        const double x = 0.5 * (side ? l - r : l + r);
        sum += x * x;
    }
    return 10.0 * std::log10(sum / double(end - first) + 1e-20);
}

TEST(MusicSoundtrack, EncodedSongIsNormalisedWithHeadroom) {
    const std::string output = loudnessReport();
    const size_t summary = output.rfind("Summary:");
    ASSERT_NE(summary, std::string::npos) << output;
    double integrated = 0, truePeak = 0;
    ASSERT_EQ(sscanf(output.c_str() + output.find("I:", summary), "I: %lf", &integrated), 1);
    ASSERT_EQ(sscanf(output.c_str() + output.find("Peak:", summary), "Peak: %lf", &truePeak), 1);
    EXPECT_NEAR(integrated, -14.0, 0.5);
    EXPECT_LE(truePeak, -1.0);
}

TEST(MusicSoundtrack, DropsStandOutLoudAndWide) {
    // Short-term (3 s) loudness per section, judged from 3 s after its start
    // so that the window holds the section alone.
    const std::string output = loudnessReport();
    ASSERT_NE(output.rfind("Summary:"), std::string::npos) << output;
    constexpr double kWindowSeconds = 3.0;
    std::vector<double> sum(kSectionCount, 0.0), count(kSectionCount, 0.0);
    for (size_t at = output.find("t:"); at != std::string::npos; at = output.find("t:", at + 1)) {
        double t = 0.0, momentary = 0.0, shortTerm = 0.0;
        if (sscanf(output.c_str() + at, "t: %lf TARGET:%*d LUFS M: %lf S: %lf", &t, &momentary,
                   &shortTerm) != 3)
            continue;
        const int64_t sample = int64_t(t * kSampleRate);
        for (int i = 0; i < kSectionCount; ++i) {
            const Section& section = kSections[i];
            if (t >= double(sampleAtBar(section.firstBar)) / kSampleRate + kWindowSeconds &&
                sample < sampleAtBar(section.endBar)) {
                sum[size_t(i)] += shortTerm;
                ++count[size_t(i)];
            }
        }
    }
    auto meanOf = [&](SectionKind kind, int nth) {
        for (int i = 0; i < kSectionCount; ++i)
            if (kSections[i].kind == kind && nth-- == 0)
                return count[size_t(i)] ? sum[size_t(i)] / count[size_t(i)] : 0.0;
        return 0.0;
    };
    const double intro = meanOf(SECTION_INTRO, 0), breakdown = meanOf(SECTION_BREAKDOWN, 0);
    constexpr double kDropLift = 3.0; // LU
    for (int drop = 0; drop < 2; ++drop) {
        const double level = meanOf(SECTION_DROP, drop);
        EXPECT_GE(level - intro, kDropLift)
            << "drop " << drop << " " << level << ", intro " << intro;
        EXPECT_GE(level - breakdown, kDropLift)
            << "drop " << drop << " " << level << ", breakdown " << breakdown;
    }
    const size_t range = output.find("LRA:", output.rfind("Summary:"));
    double loudnessRange = 0.0;
    ASSERT_EQ(sscanf(output.c_str() + range, "LRA: %lf", &loudnessRange), 1);
    EXPECT_GE(loudnessRange, 5.0) << "LU";

    // The pads and effects spread wide round the centred kick and bass.
    const Stereo audio = toStereo(decodeMp3(MUSIC_MP3_FILE));
    constexpr double kMostSideUnderMid = 8.0; // dB
    for (const Section& section : kSections) {
        if (section.kind != SECTION_DROP) continue;
        const int64_t first = sampleAtBar(section.firstBar), end = sampleAtBar(section.endBar);
        const double under =
            midSideDb(audio, first, end, false) - midSideDb(audio, first, end, true);
        EXPECT_LE(under, kMostSideUnderMid) << section.name;
    }
}

TEST(MusicSoundtrack, EncodedSongEndsOnAFinalHitThatDecays) {
    // The last bar holds one hit on its downbeat: each of its beats is
    // quieter than the one before, and the first is as loud as the groove
    // that led to it.
    const Stereo audio = toStereo(decodeMp3(MUSIC_MP3_FILE));
    ASSERT_EQ(int64_t(audio.left.size()), songFrames(0, kSongBars));
    auto levelDb = [&](int64_t first, int64_t end) { return midSideDb(audio, first, end, false); };
    const int lastBar = kSongBars - 1;
    std::vector<double> beats;
    for (int beat = 0; beat < kBeatsPerBar; ++beat)
        beats.push_back(
            levelDb(sampleAtTick(int64_t(lastBar) * kTicksPerBar + beat * kTicksPerBeat),
                    sampleAtTick(int64_t(lastBar) * kTicksPerBar + (beat + 1) * kTicksPerBeat)));
    const double groove = levelDb(sampleAtBar(lastBar - 1), sampleAtBar(lastBar));
    EXPECT_GE(beats[0], groove - 1.0) << "the hit is weaker than the bar before it";
    for (int beat = 1; beat < kBeatsPerBar; ++beat)
        EXPECT_LT(beats[size_t(beat)], beats[size_t(beat - 1)] - 1.0) << "beat " << beat;
}
