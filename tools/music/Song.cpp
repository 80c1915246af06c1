#include "tools/music/Song.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr float kTwoPi = 2.0f * kPi;

// A minor, i - VI - III - VII, two bars a chord; an eight-bar cycle lines up
// with every section start.
struct Chord {
    int bassNote;
    int notes[3];
};
const Chord kChords[4] = {
    {33, {57, 60, 64}}, // A minor
    {29, {57, 60, 65}}, // F major (A C F)
    {36, {55, 60, 64}}, // C major (G C E)
    {31, {55, 59, 62}}, // G major
};
constexpr int kBarsPerChord = 2;
constexpr int kStepsPerBar = 16;

// The lead's melody: sixteenth-note start and length within one chord's two
// bars, and the MIDI note.
struct MelodyNote {
    int step, length, note;
};
constexpr int kMelodyNotesPerChord = 7;
const MelodyNote kMelody[4][kMelodyNotesPerChord] = {
    {{0, 6, 76}, {6, 2, 74}, {8, 4, 72}, {12, 4, 76}, {16, 8, 81}, {24, 4, 79}, {28, 4, 76}},
    {{0, 6, 77}, {6, 2, 76}, {8, 4, 72}, {12, 4, 69}, {16, 8, 72}, {24, 4, 74}, {28, 4, 76}},
    {{0, 6, 76}, {6, 2, 79}, {8, 4, 76}, {12, 4, 72}, {16, 8, 67}, {24, 4, 72}, {28, 4, 74}},
    {{0, 6, 74}, {6, 2, 71}, {8, 4, 67}, {12, 4, 71}, {16, 12, 74}, {28, 2, 71}, {30, 2, 72}},
};

// Arpeggio order over the chord's three notes and the root an octave up.
const int kArpOrder[8] = {0, 1, 2, 1, 3, 2, 1, 2};
// Closed-hat accents on the sixteenths of a beat.
const float kHatAccent[4] = {0.55f, 0.3f, 0.8f, 0.35f};

// The mix buses a render writes into; `origin` is the absolute sample of
// frame 0.
struct Render {
    int64_t origin;
    int64_t frames;
    Stereo drums;  // never ducked
    Stereo music;  // bass and pads, ducked by the kick
    Stereo echoes; // arpeggio and lead, ducked, and fed to the ping-pong echo
    Stereo fx;     // risers and crashes
    Stereo send;   // the reverb's input
    std::vector<int64_t> kicks;
    std::vector<float> kickDepth;
    Rng rng;
    unsigned voices;
};

bool plays(const Render& r, Voice voice) {
    return (r.voices & voice) != 0;
}

// Frames of a voice that starts at absolute sample `at` and lasts `seconds`,
// cut to the render; `first` is the voice's first frame in the buffers.
struct Span {
    int64_t first;
    int64_t count;
};

Span spanOf(const Render& r, int64_t at, float seconds) {
    const int64_t first = at - r.origin;
    const int64_t wanted = int64_t(seconds * kSampleRate);
    return Span{first, std::max<int64_t>(0, std::min(wanted, r.frames - first))};
}

void addFrame(Stereo& bus, int64_t frame, float left, float right) {
    bus.left[size_t(frame)] += left;
    bus.right[size_t(frame)] += right;
}

int64_t tickSample(int bar, int tick) {
    return sampleAtTick(int64_t(bar) * kTicksPerBar + tick);
}

// Filter brightness that the pads and arpeggio follow: closed in the intro,
// opening over the builds and the breakdown, closing again in the outro.
float sweepCutoff(int64_t sample) {
    const double bar = double(sample) / (double(sampleAtBar(kSongBars)) / kSongBars);
    const Section& section = sectionAtBar(std::min(int(bar), kSongBars - 1));
    const float u = float((bar - section.firstBar) / (section.endBar - section.firstBar));
    switch (section.kind) {
    case SECTION_INTRO:
        return 500.0f + 1200.0f * u;
    case SECTION_BUILD:
        return 1200.0f * std::pow(6.0f, u);
    case SECTION_DROP:
        return 6000.0f;
    case SECTION_BREAKDOWN:
        return 900.0f + 3000.0f * u;
    case SECTION_OUTRO:
        return 4500.0f * std::pow(0.12f, std::min(u, 1.0f));
    }
    return 1000.0f;
}

// ---- drums ----------------------------------------------------------------

void kick(Render& r, int64_t at, float gain, float duckDepth) {
    r.kicks.push_back(at);
    r.kickDepth.push_back(duckDepth);
    if (!plays(r, VOICE_KICK)) return;
    constexpr float kLength = 0.42f;
    constexpr float kFadeStart = 0.32f;
    const Span span = spanOf(r, at, kLength);
    float phase = 0.0f;
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        const float hz = 46.0f + 140.0f * std::exp(-t / 0.03f) + 400.0f * std::exp(-t / 0.003f);
        phase += hz * kSampleTime;
        if (phase >= 1.0f) phase -= 1.0f;
        float amp = std::exp(-t / 0.2f);
        if (t > kFadeStart) amp *= 1.0f - (t - kFadeStart) / (kLength - kFadeStart);
        const float click = noise(r.rng) * std::exp(-t / 0.0012f) * 0.5f;
        const float x = std::tanh(1.8f * (std::sin(kTwoPi * phase) * amp + click)) * gain;
        addFrame(r.drums, span.first + n, x, x);
    }
}

void clap(Render& r, int64_t at, float gain) {
    if (!plays(r, VOICE_CLAP)) return;
    const float kBursts[3] = {0.0f, 0.009f, 0.018f};
    constexpr float kBodyStart = 0.027f;
    const Span span = spanOf(r, at, 0.4f);
    Svf left, right;
    svfTune(left, 1250.0f, 1.4f);
    svfTune(right, 1350.0f, 1.4f);
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        float env = t >= kBodyStart ? std::exp(-(t - kBodyStart) / 0.085f) : 0.0f;
        for (float burst : kBursts)
            if (t >= burst && t < kBodyStart) env = std::max(env, std::exp(-(t - burst) / 0.003f));
        const float l = svfRun(left, noise(r.rng)).band * env * gain;
        const float rr = svfRun(right, noise(r.rng)).band * env * gain;
        addFrame(r.drums, span.first + n, l, rr);
        addFrame(r.send, span.first + n, l * 0.5f, rr * 0.5f);
    }
}

// A snare, or a tom when `pitch` is low: a decaying tone under noise that is
// band-passed to the snare wires' rattle.
constexpr float kSnareHissLowHz = 1800.0f;
constexpr float kSnareHissHighHz = 8500.0f;

void snare(Render& r, int64_t at, float gain, float pitch, float pan) {
    if (!plays(r, VOICE_SNARE)) return;
    const Span span = spanOf(r, at, 0.3f);
    Svf hp, lp;
    svfTune(hp, kSnareHissLowHz, 0.7f);
    svfTune(lp, kSnareHissHighHz, 0.7f);
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        const float tone = std::sin(kTwoPi * 180.0f * pitch * t) * std::exp(-t / 0.06f) * 0.7f +
                           std::sin(kTwoPi * 330.0f * pitch * t) * std::exp(-t / 0.03f) * 0.3f;
        const float hiss =
            svfRun(lp, svfRun(hp, noise(r.rng)).high).low * std::exp(-t / 0.07f) * 0.8f;
        const float x = (tone + hiss) * gain;
        addFrame(r.drums, span.first + n, x * (1.0f - pan), x * (1.0f + pan));
        addFrame(r.send, span.first + n, x * 0.3f, x * 0.3f);
    }
}

// Metallic hat: six square waves at inharmonic ratios plus noise, high-passed.
// No low-pass: it would dig a hole just under Nyquist, where the equaliser
// still draws bars; the master's shelf lays the whole air band back instead.
const float kMetalHz[6] = {205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f};
constexpr float kHatHighPassHz = 7000.0f;

void hat(Render& r, int64_t at, float gain, float decay, float pan) {
    if (!plays(r, VOICE_HAT)) return;
    const Span span = spanOf(r, at, decay * 6.0f);
    Svf hp;
    svfTune(hp, kHatHighPassHz, 0.8f);
    Square metal[6];
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        float ring = 0.0f;
        for (int i = 0; i < 6; ++i)
            ring += squareRun(metal[i], kMetalHz[i] * 1.6f);
        const float source = ring * 0.12f + noise(r.rng) * 0.7f;
        const float x = svfRun(hp, source).high * std::exp(-t / decay) * gain;
        addFrame(r.drums, span.first + n, x * (1.0f - pan), x * (1.0f + pan));
    }
}

// ---- effects --------------------------------------------------------------

// A cymbal: noise and a metallic ring between a high-pass and a low-pass, so
// that it washes over the top of the mix without reaching into the air band.
constexpr float kCrashLowPassHz = 12000.0f;

void crash(Render& r, int64_t at, float gain, bool impact) {
    if (!plays(r, VOICE_CRASH)) return;
    const Span span = spanOf(r, at, 2.6f);
    Svf left, right, leftTop, rightTop;
    svfTune(left, 4500.0f, 0.7f);
    svfTune(right, 4700.0f, 0.7f);
    svfTune(leftTop, kCrashLowPassHz, 0.7f);
    svfTune(rightTop, kCrashLowPassHz * 1.04f, 0.7f);
    Square metal[6];
    float boomPhase = 0.0f;
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        float ring = 0.0f;
        for (int i = 0; i < 6; ++i)
            ring += squareRun(metal[i], kMetalHz[i] * 2.3f);
        const float env =
            std::exp(-t / 0.8f) * std::min(1.0f, t / 0.002f) * std::min(1.0f, (2.6f - t) / 0.3f);
        const float l =
            svfRun(leftTop, svfRun(left, noise(r.rng) + ring * 0.08f).high).low * env * gain;
        const float rr =
            svfRun(rightTop, svfRun(right, noise(r.rng) + ring * 0.08f).high).low * env * gain;
        float boom = 0.0f;
        if (impact) {
            boomPhase += (38.0f + 30.0f * std::exp(-t / 0.1f)) * kSampleTime;
            if (boomPhase >= 1.0f) boomPhase -= 1.0f;
            boom = std::sin(kTwoPi * boomPhase) * std::exp(-t / 0.45f) * 0.3f *
                   std::min(1.0f, (2.6f - t) / 0.3f);
        }
        addFrame(r.fx, span.first + n, l + boom, rr + boom);
        addFrame(r.send, span.first + n, l * 0.4f, rr * 0.4f);
    }
}

// Noise through a band-pass that sweeps up over [from, to), louder as it rises;
// it stops at 8 kHz, where it still sounds like rising rather than hissing.
constexpr float kRiserLowHz = 250.0f;
constexpr float kRiserSweep = 32.0f;

void riser(Render& r, int64_t from, int64_t to, float gain) {
    if (!plays(r, VOICE_RISER)) return;
    const Span span = spanOf(r, from, float(to - from) * kSampleTime);
    Svf left, right;
    const float total = float(to - from);
    for (int64_t n = 0; n < span.count; ++n) {
        const float u = float(n) / total;
        if (n % 16 == 0) {
            const float cutoff = kRiserLowHz * std::pow(kRiserSweep, u);
            svfTune(left, cutoff, 2.5f);
            svfTune(right, cutoff * 1.06f, 2.5f);
        }
        const float level = gain * u * u;
        const float l = svfRun(left, noise(r.rng)).band * level;
        const float rr = svfRun(right, noise(r.rng)).band * level;
        addFrame(r.fx, span.first + n, l, rr);
        addFrame(r.send, span.first + n, l * 0.3f, rr * 0.3f);
    }
}

// ---- tonal instruments ----------------------------------------------------

// Saw plus a sine an octave below through a resonant low-pass whose cutoff
// falls from `cutoff * (1 + envelope)` to `cutoff`.
void bassNote(Render& r, int64_t at, float seconds, int note, float cutoff, float envelope,
              float gain) {
    if (!plays(r, VOICE_BASS)) return;
    constexpr float kRelease = 0.015f;
    const Span span = spanOf(r, at, seconds + kRelease * 5.0f);
    const float hz = midiToHz(float(note));
    Saw saw;
    Svf lp;
    float subPhase = 0.0f;
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        if (n % 8 == 0) svfTune(lp, cutoff * (1.0f + envelope * std::exp(-t / 0.07f)), 3.0f);
        subPhase += hz * kSampleTime;
        if (subPhase >= 1.0f) subPhase -= 1.0f;
        const float body = svfRun(lp, sawRun(saw, hz)).low * 0.7f;
        const float sub = std::sin(kTwoPi * subPhase) * 0.6f;
        const float x = (body + sub) * holdEnvelope(t, 0.003f, seconds, kRelease) * gain;
        addFrame(r.music, span.first + n, x, x);
    }
}

// A plain sine for the breakdown's soft low end.
void subNote(Render& r, int64_t at, float seconds, int note, float gain) {
    if (!plays(r, VOICE_SUB)) return;
    const Span span = spanOf(r, at, seconds + 1.5f);
    const float hz = midiToHz(float(note));
    float phase = 0.0f;
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        phase += hz * kSampleTime;
        if (phase >= 1.0f) phase -= 1.0f;
        const float x = std::sin(kTwoPi * phase) * holdEnvelope(t, 0.4f, seconds, 0.3f) * gain;
        addFrame(r.music, span.first + n, x, x);
    }
}

// Five detuned saws a note, spread across the stereo field, through the
// slowly moving sweep filter.
void padChord(Render& r, int64_t at, float seconds, const Chord& chord, float gain) {
    if (!plays(r, VOICE_PAD)) return;
    const float kDetuneCents[5] = {-14.0f, -6.0f, 0.0f, 7.0f, 13.0f};
    const float kPans[5] = {-0.8f, -0.35f, 0.0f, 0.4f, 0.85f};
    constexpr float kRelease = 0.45f;
    const Span span = spanOf(r, at, seconds + kRelease * 5.0f);
    for (int note : chord.notes) {
        Saw saws[5];
        float hz[5];
        for (int i = 0; i < 5; ++i) {
            saws[i].phase = float(nextBits(r.rng) >> 40) / 16777216.0f;
            hz[i] = midiToHz(float(note) + kDetuneCents[i] / 100.0f);
        }
        Svf left, right;
        for (int64_t n = 0; n < span.count; ++n) {
            const float t = float(n) * kSampleTime;
            if (n % 32 == 0) {
                const float cutoff = sweepCutoff(r.origin + span.first + n);
                svfTune(left, cutoff, 1.1f);
                svfTune(right, cutoff * 1.03f, 1.1f);
            }
            float l = 0.0f, rr = 0.0f;
            for (int i = 0; i < 5; ++i) {
                const float s = sawRun(saws[i], hz[i]);
                l += s * (1.0f - kPans[i]);
                rr += s * (1.0f + kPans[i]);
            }
            const float env = holdEnvelope(t, 0.3f, seconds, kRelease) * gain;
            const float ol = svfRun(left, l).low * env;
            const float orr = svfRun(right, rr).low * env;
            addFrame(r.music, span.first + n, ol, orr);
            addFrame(r.send, span.first + n, ol * 0.4f, orr * 0.4f);
        }
    }
}

void arpNote(Render& r, int64_t at, int note, float gain, float pan) {
    if (!plays(r, VOICE_ARP)) return;
    const Span span = spanOf(r, at, 0.35f);
    const float hz = midiToHz(float(note));
    Saw a, b;
    Svf lp;
    const float base = std::min(sweepCutoff(at) * 0.7f, 5000.0f);
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        if (n % 8 == 0) svfTune(lp, base * (1.0f + 3.0f * std::exp(-t / 0.05f)), 2.0f);
        const float s = sawRun(a, hz) * 0.6f + sawRun(b, hz * 2.003f) * 0.4f;
        const float x = svfRun(lp, s).low * std::exp(-t / 0.09f) * std::min(1.0f, t / 0.002f) *
                        std::min(1.0f, (0.35f - t) / 0.02f) * gain;
        addFrame(r.echoes, span.first + n, x * (1.0f - pan), x * (1.0f + pan));
        addFrame(r.send, span.first + n, x * 0.2f, x * 0.2f);
    }
}

// Seven detuned saws with a delayed vibrato.
void leadNote(Render& r, int64_t at, float seconds, int note, float gain) {
    if (!plays(r, VOICE_LEAD)) return;
    const float kDetuneCents[7] = {-22.0f, -13.0f, -5.0f, 0.0f, 6.0f, 14.0f, 21.0f};
    const float kPans[7] = {-0.9f, -0.6f, -0.25f, 0.0f, 0.3f, 0.6f, 0.9f};
    constexpr float kRelease = 0.12f;
    const Span span = spanOf(r, at, seconds + kRelease * 5.0f);
    Saw saws[7];
    for (Saw& saw : saws)
        saw.phase = float(nextBits(r.rng) >> 40) / 16777216.0f;
    Svf left, right;
    svfTune(left, 5200.0f, 0.9f);
    svfTune(right, 5400.0f, 0.9f);
    const float hz = midiToHz(float(note));
    for (int64_t n = 0; n < span.count; ++n) {
        const float t = float(n) * kSampleTime;
        const float vibrato =
            t > 0.25f ? std::sin(kTwoPi * 5.5f * t) * std::min(1.0f, (t - 0.25f) * 4.0f) * 0.12f
                      : 0.0f;
        float l = 0.0f, rr = 0.0f;
        for (int i = 0; i < 7; ++i) {
            const float s =
                sawRun(saws[i], hz * std::pow(2.0f, (kDetuneCents[i] / 100.0f + vibrato) / 12.0f));
            l += s * (1.0f - kPans[i]);
            rr += s * (1.0f + kPans[i]);
        }
        const float env = holdEnvelope(t, 0.01f, seconds, kRelease) * gain;
        const float ol = svfRun(left, l).low * env;
        const float orr = svfRun(right, rr).low * env;
        addFrame(r.echoes, span.first + n, ol, orr);
        addFrame(r.send, span.first + n, ol * 0.5f, orr * 0.5f);
    }
}

// ---- the score -------------------------------------------------------------

float secondsOfSteps(int steps) {
    return float(sampleAtTick(int64_t(steps) * kTicksPerStep)) * kSampleTime;
}

void drumsOfBar(Render& r, int bar, const Section& section, int local) {
    const SectionKind kind = section.kind;
    const bool drop = kind == SECTION_DROP;
    const bool lastBarsOfBuild = kind == SECTION_BUILD && local >= 6;
    for (int beat = 0; beat < kBeatsPerBar; ++beat) {
        const int64_t at = tickSample(bar, beat * kTicksPerBeat);
        const bool inFill = fillCovers(bar, beat);
        if (kind != SECTION_BREAKDOWN && !lastBarsOfBuild) kick(r, at, 0.95f, drop ? 0.75f : 0.45f);
        const bool claps = (kind == SECTION_INTRO && local >= 8) ||
                           (kind == SECTION_BUILD && local < 4) || drop ||
                           (kind == SECTION_OUTRO && local < 12);
        if (claps && (beat % 2) == 1 && !inFill) clap(r, at, 1.1f);
        for (int step = 0; step < 4; ++step) {
            const int64_t stepAt = tickSample(bar, beat * kTicksPerBeat + step * kTicksPerStep);
            const float pan = step % 2 == 0 ? -0.2f : 0.25f;
            const bool closed = (kind == SECTION_INTRO && local >= 4) ||
                                (kind == SECTION_BUILD && local < 6) || drop ||
                                (kind == SECTION_BREAKDOWN && local >= 8) ||
                                (kind == SECTION_OUTRO && local < 14);
            // The drops' hats are the brightest thing in the song; elsewhere
            // they sit back so that the top does not outshine the midrange.
            const float hatGain = kind == SECTION_BREAKDOWN ? 0.22f : drop ? 0.55f : 0.32f;
            if (closed && step != 2) hat(r, stepAt, hatGain * kHatAccent[step], 0.03f, pan);
            const bool open = (kind == SECTION_INTRO && local >= 8) ||
                              (kind == SECTION_BUILD && local < 4) || drop ||
                              (kind == SECTION_OUTRO && local < 10);
            if (step == 2) {
                if (open)
                    hat(r, stepAt, drop ? 0.33f : 0.27f, 0.13f, 0.1f);
                else if (closed)
                    hat(r, stepAt, hatGain * kHatAccent[step], 0.03f, pan);
            }
        }
    }

    if (kind == SECTION_BUILD) {
        // The roll doubles its rate as the build goes on.
        const int perBeat = local < 4 ? 1 : local < 6 ? 2 : local < 7 ? 4 : 8;
        const int hits = perBeat * kBeatsPerBar;
        for (int hit = 0; hit < hits; ++hit) {
            const float u = (float(local) + float(hit) / float(hits)) / 8.0f;
            const int tick = hit * kTicksPerBar / hits;
            snare(r, tickSample(bar, tick), 0.12f + 0.33f * u, 1.0f + 0.5f * u,
                  hit % 2 ? 0.15f : -0.15f);
        }
    } else {
        for (const Fill& fill : kFills) {
            if (fill.bar != bar) continue;
            const int first = fill.beat * 4;
            for (int step = first; step < kStepsPerBar; ++step) {
                const float u = float(step - first) / float(kStepsPerBar - first);
                snare(r, tickSample(bar, step * kTicksPerStep), 0.5f + 0.4f * u, 1.5f - 0.8f * u,
                      0.5f - u);
            }
        }
    }
}

void musicOfBar(Render& r, int bar, const Section& section, int local) {
    const SectionKind kind = section.kind;
    const Chord& chord = kChords[(bar / kBarsPerChord) % 4];
    const int chordBar = bar % kBarsPerChord;

    // Bass.
    for (int step = 0; step < kStepsPerBar; ++step) {
        const int64_t at = tickSample(bar, step * kTicksPerStep);
        const int inBeat = step % 4;
        const bool rolling = kind == SECTION_DROP || (kind == SECTION_OUTRO && local < 8);
        const bool offbeat = (kind == SECTION_INTRO && local >= 8) ||
                             (kind == SECTION_BUILD && local < 6) ||
                             (kind == SECTION_OUTRO && local >= 8 && local < 12);
        if (rolling && inBeat != 0) {
            const int note = chord.bassNote + (inBeat == 3 && (step / 4) % 2 == 1 ? 12 : 0);
            bassNote(r, at, secondsOfSteps(1) * 0.8f, note, 180.0f, 9.0f, 0.33f);
        } else if (offbeat && inBeat == 2) {
            const float cutoff = kind == SECTION_INTRO ? 120.0f + 15.0f * float(local) : 260.0f;
            bassNote(r, at, secondsOfSteps(2) * 0.8f, chord.bassNote, cutoff, 6.0f, 0.33f);
        }
    }
    if (kind == SECTION_BREAKDOWN && chordBar == 0)
        subNote(r, tickSample(bar, 0), secondsOfSteps(2 * kStepsPerBar) * 0.95f, chord.bassNote,
                0.35f);

    // Pads, one chord every two bars.
    const bool pads = (kind == SECTION_INTRO && local >= 8) || kind == SECTION_BUILD ||
                      kind == SECTION_DROP || kind == SECTION_BREAKDOWN ||
                      (kind == SECTION_OUTRO && local < 12);
    if (pads && chordBar == 0) {
        const float gain = kind == SECTION_BREAKDOWN ? 0.08f : kind == SECTION_DROP ? 0.08f : 0.06f;
        padChord(r, tickSample(bar, 0), secondsOfSteps(2 * kStepsPerBar), chord, gain);
    }

    // Arpeggio.
    const bool arp = kind == SECTION_BUILD || kind == SECTION_DROP ||
                     (kind == SECTION_BREAKDOWN && local >= 8) ||
                     (kind == SECTION_OUTRO && local < 8);
    if (arp) {
        for (int step = 0; step < kStepsPerBar; ++step) {
            const int which = kArpOrder[step % 8];
            const int note = which == 3 ? chord.notes[0] + 24 : chord.notes[which] + 12;
            arpNote(r, tickSample(bar, step * kTicksPerStep), note, step % 4 == 0 ? 0.2f : 0.14f,
                    step % 2 ? 0.3f : -0.3f);
        }
    }

    // Lead melody.
    const bool lead = (kind == SECTION_BREAKDOWN && local >= 8) ||
                      (kind == SECTION_DROP && section.firstBar >= 64);
    if (lead) {
        for (const MelodyNote& m : kMelody[(bar / kBarsPerChord) % 4]) {
            const int step = m.step - chordBar * kStepsPerBar;
            if (step < 0 || step >= kStepsPerBar) continue;
            leadNote(r, tickSample(bar, step * kTicksPerStep), secondsOfSteps(m.length) * 0.9f,
                     m.note, 0.045f);
        }
    }

    // Crashes and risers at section edges.
    if (local == 0 && bar > 0)
        crash(r, tickSample(bar, 0), kind == SECTION_DROP ? 0.35f : 0.2f, kind == SECTION_DROP);
    if (kind == SECTION_BUILD && local == 0)
        riser(r, sampleAtBar(section.firstBar), sampleAtBar(section.endBar), 0.3f);
}

// The song's last bar: one final hit on its downbeat, the tonic under a
// crash, and then nothing but its decay and the reverb, so the song ends on
// a landing instead of stopping mid-groove.
constexpr float kFinalHitSeconds = 1.2f;

void finalHit(Render& r, int bar) {
    const int64_t at = tickSample(bar, 0);
    const Chord& tonic = kChords[0];
    kick(r, at, 1.0f, 0.0f);
    clap(r, at, 1.0f);
    crash(r, at, 0.45f, true);
    bassNote(r, at, kFinalHitSeconds, tonic.bassNote, 240.0f, 8.0f, 0.4f);
    padChord(r, at, kFinalHitSeconds * 0.5f, tonic, 0.1f);
    leadNote(r, at, kFinalHitSeconds, tonic.notes[0] + 12, 0.05f);
}

// The arrangement's dynamics: each section sits at its own level so that the
// drops hit harder than what leads into them, the builds climb into them and
// the final hit lands at full level. In dB at a section's start and end.
struct SectionLevel {
    float startDb, endDb;
};
const SectionLevel kSectionLevels[] = {
    {-5.0f, -4.5f}, // SECTION_INTRO
    {-4.5f, -0.5f}, // SECTION_BUILD
    {0.0f, 0.0f},   // SECTION_DROP
    {-6.0f, -5.0f}, // SECTION_BREAKDOWN
    {-2.5f, -3.0f}, // SECTION_OUTRO
};
// Steps between sections are smoothed over this long, so that a drop's
// reverb tail is not cut by the next section's lower level.
constexpr float kLevelSmoothingSeconds = 0.05f;

float sectionLevelDb(int64_t sample) {
    const double barLength = double(sampleAtBar(kSongBars)) / kSongBars;
    const double bar = std::min(double(sample) / barLength, double(kSongBars) - 1e-9);
    if (int(bar) == kSongBars - 1) return 0.0f;
    const Section& section = sectionAtBar(int(bar));
    const float u = float((bar - section.firstBar) / (section.endBar - section.firstBar));
    const SectionLevel& level = kSectionLevels[section.kind];
    return level.startDb + (level.endDb - level.startDb) * u;
}

// How much wider than the voices' own panning the pads, arpeggio, lead and
// their echoes and reverb are spread: their side signal is scaled by this.
// The drums and the mono bass stay in the centre; the risers and crashes,
// whose two channels are already apart, keep their own width.
constexpr float kStereoWidth = 2.0f;

// Sidechain: each kick pulls the ducked buses down and lets them swell back.
std::vector<float> duckCurve(const Render& r) {
    std::vector<float> gain(size_t(r.frames), 1.0f);
    constexpr float kAttack = 0.004f;
    constexpr float kRecover = 0.085f;
    for (size_t k = 0; k < r.kicks.size(); ++k) {
        const Span span = spanOf(r, r.kicks[k], 0.4f);
        for (int64_t n = 0; n < span.count; ++n) {
            const float t = float(n) * kSampleTime;
            const float shape = t < kAttack ? t / kAttack : std::exp(-(t - kAttack) / kRecover);
            float& g = gain[size_t(span.first + n)];
            g = std::min(g, 1.0f - r.kickDepth[k] * shape);
        }
    }
    return gain;
}

} // namespace

int64_t songFrames(int firstBar, int endBar) {
    const int64_t frames = sampleAtBar(endBar) - sampleAtBar(firstBar);
    return endBar == kSongBars ? frames + kTailSamples : frames;
}

unsigned voiceByName(const char* name) {
    static const struct {
        const char* name;
        Voice voice;
    } kNames[] = {
        {"kick", VOICE_KICK},   {"clap", VOICE_CLAP},   {"snare", VOICE_SNARE}, {"hat", VOICE_HAT},
        {"crash", VOICE_CRASH}, {"riser", VOICE_RISER}, {"bass", VOICE_BASS},   {"sub", VOICE_SUB},
        {"pad", VOICE_PAD},     {"arp", VOICE_ARP},     {"lead", VOICE_LEAD},
    };
    for (const auto& entry : kNames)
        if (std::strcmp(entry.name, name) == 0) return entry.voice;
    return 0;
}

Stereo renderSong(int firstBar, int endBar, unsigned voices) {
    Render r;
    r.voices = voices;
    r.origin = sampleAtBar(firstBar);
    r.frames = songFrames(firstBar, endBar);
    r.drums = makeStereo(r.frames);
    r.music = makeStereo(r.frames);
    r.echoes = makeStereo(r.frames);
    r.fx = makeStereo(r.frames);
    r.send = makeStereo(r.frames);
    r.rng = Rng{0x9E3779B97F4A7C15ULL};

    for (int bar = firstBar; bar < endBar; ++bar) {
        if (bar == kSongBars - 1) {
            finalHit(r, bar);
            continue;
        }
        const Section& section = sectionAtBar(bar);
        const int local = bar - section.firstBar;
        drumsOfBar(r, bar, section, local);
        musicOfBar(r, bar, section, local);
    }

    const std::vector<float> duck = duckCurve(r);
    Stereo mix = makeStereo(r.frames);
    constexpr int64_t kEchoDelaySteps = 3;
    pingPong(r.echoes, mix, sampleAtTick(kEchoDelaySteps * kTicksPerStep), 0.35f, 0.35f);
    Reverb reverb;
    reverbInit(reverb, 0.86f, 0.35f);
    reverbRun(reverb, r.send, mix, 1.0f);
    const float smoothing = 1.0f - std::exp(-kSampleTime / kLevelSmoothingSeconds);
    float levelDb = sectionLevelDb(r.origin);
    for (int64_t n = 0; n < r.frames; ++n) {
        const size_t i = size_t(n);
        const float d = duck[i];
        const float wideLeft = mix.left[i] + (r.music.left[i] + r.echoes.left[i]) * d;
        const float wideRight = mix.right[i] + (r.music.right[i] + r.echoes.right[i]) * d;
        const float mid = 0.5f * (wideLeft + wideRight);
        const float side = 0.5f * (wideLeft - wideRight) * kStereoWidth;
        levelDb += (sectionLevelDb(r.origin + n) - levelDb) * smoothing;
        const float level = dbToGain(levelDb);
        mix.left[i] = (r.drums.left[i] + r.fx.left[i] + mid + side) * level;
        mix.right[i] = (r.drums.right[i] + r.fx.right[i] + mid - side) * level;
    }
    return mix;
}
