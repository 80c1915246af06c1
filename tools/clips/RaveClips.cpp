#include "RaveClips.h"

#include "ClipShapes.h"

#include <algorithm>
#include <cmath>

namespace {

// Where a frame stands in the music: see the timing block in RaveClips.h.
struct ClipTime {
    int frame;
    int beatIndex; // beats since frame 0
    float beat;    // 0..1 within the beat, 0 on it
    float bar;     // 0..1 within the bar
    float loop;    // 0..1 over the whole clip
};

ClipTime timeAt(int frame, int frameCount) {
    return {frame, frame / kFramesPerBeat, float(frame % kFramesPerBeat) / kFramesPerBeat,
            float(frame % kFramesPerBar) / kFramesPerBar, float(frame) / float(frameCount)};
}

const float kKickDecay = 5.0f;

// 1 on the beat, dying away before the next one.
float kick(float beatPhase) {
    return std::exp(-kKickDecay * beatPhase);
}
// 1 on the beat, 0 half-way to the next, smooth throughout.
float bounce(float beatPhase) {
    return 0.5f + 0.5f * std::cos(kTwoPi * beatPhase);
}
float wave(float phase) {
    return std::sin(kTwoPi * phase);
}
float fract(float v) {
    return v - std::floor(v);
}
float mix(float a, float b, float t) {
    return a + (b - a) * t;
}
float smooth01(float v) {
    const float t = std::clamp(v, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// Knees bent just enough that both feet stand on floorY, `stance` spreading them.
void plantLegs(FigurePose& pose, float floorY, float stance) {
    const float legLength = 0.48f * pose.size;
    const float reach = (pose.hip.y - floorY) / (legLength * std::cos(stance));
    const float bend = std::acos(std::clamp(reach, 0.0f, 1.0f));
    pose.thigh[0] = -(bend + stance);
    pose.shin[0] = bend - stance;
    pose.thigh[1] = bend + stance;
    pose.shin[1] = -(bend - stance);
}

// Arm angles for the figure's side 1 (screen right); side 0 mirrors them.
void setArm(FigurePose& pose, int side, float upper, float fore) {
    const float mirror = side == 0 ? -1.0f : 1.0f;
    pose.upperArm[side] = upper * mirror;
    pose.forearm[side] = fore * mirror;
}

// raise: 0 relaxed at the side, 1 straight up; pump bends the forearm.
void raiseArm(FigurePose& pose, int side, float raise, float pump) {
    setArm(pose, side, mix(0.25f, kPi - 0.35f, raise), mix(0.55f, kPi - 0.1f - 0.5f * pump, raise));
}

// The elbow of a two-part arm reaching from shoulder to hand, bent to `bendSide` (+1 or -1).
Vec2 elbowFor(Vec2 shoulder, Vec2 hand, float upper, float fore, float bendSide) {
    Vec2 along = hand - shoulder;
    float d = std::sqrt(along.x * along.x + along.y * along.y);
    const float reach = (upper + fore) * 0.999f;
    if (d > reach) {
        along = along * (reach / d);
        d = reach;
    }
    const float cosA = (upper * upper + d * d - fore * fore) / (2.0f * upper * d);
    const float a = std::acos(std::clamp(cosA, -1.0f, 1.0f)) * bendSide;
    return shoulder + rotate(along * (1.0f / d), a) * upper;
}

// A band between two radii over the angles a0..a1 in `segments` quads.
void arc(ClipFrame& f, Vec2 centre, float inner, float outer, float a0, float a1, int segments,
         float intensity) {
    for (int i = 0; i < segments; ++i) {
        const Vec2 d0 = polar(mix(a0, a1, float(i) / segments));
        const Vec2 d1 = polar(mix(a0, a1, float(i + 1) / segments));
        quad(f, centre + d0 * inner, centre + d0 * outer, centre + d1 * outer, centre + d1 * inner,
             intensity);
    }
}

// A ring squashed vertically by `squash`, as a flat disc seen from above the table.
void ellipseRing(ClipFrame& f, Vec2 centre, float inner, float outer, float squash, int segments,
                 float rotation, float intensity, float alternate) {
    for (int i = 0; i < segments; ++i) {
        const Vec2 d0 = polar(rotation + kTwoPi * i / segments);
        const Vec2 d1 = polar(rotation + kTwoPi * (i + 1) / segments);
        const Vec2 s0 = {d0.x, d0.y * squash}, s1 = {d1.x, d1.y * squash};
        quad(f, centre + s0 * inner, centre + s0 * outer, centre + s1 * outer, centre + s1 * inner,
             i % 2 ? intensity * alternate : intensity);
    }
}

// A beam from `from` along `angle` (limbDirection) to the screen edge, `width`
// wide at its end, bright at the source and fading out in three pieces.
void beam(ClipFrame& f, Vec2 from, float angle, float width, float intensity) {
    const Vec2 d = limbDirection(angle);
    const float length = std::max(distanceToScreenEdge(from, d), 0.1f);
    const Vec2 side = {-d.y, d.x};
    const Vec2 p1 = from + d * (0.2f * length), p2 = from + d * (0.55f * length);
    const Vec2 p3 = from + d * length;
    const float w1 = width * 0.1f, w2 = width * 0.275f, w3 = width * 0.5f;
    tri(f, from, p1 - side * w1, p1 + side * w1, intensity);
    quad(f, p1 - side * w1, p2 - side * w2, p2 + side * w2, p1 + side * w1, intensity * 0.6f);
    quad(f, p2 - side * w2, p3 - side * w3, p3 + side * w3, p2 + side * w2, intensity * 0.3f);
}

// --- The clips ---------------------------------------------------------------

// One dancer under a spotlight: a bounce on every beat, the hips swaying over
// two beats, the right fist pumping in the first bar, the left in the second.
void soloDancer(ClipFrame& f, const ClipTime& t) {
    const float k = kick(t.beat);
    tri(f, {0.0f, 1.0f}, {-0.8f, -0.8f}, {0.8f, -0.8f}, 0.1f + 0.12f * k);
    quad(f, {-1.7f, -0.86f}, {1.7f, -0.86f}, {1.7f, -0.8f}, {-1.7f, -0.8f}, 0.3f);
    for (int i = 0; i < 8; ++i) {
        const Vec2 c = Vec2{0.0f, 0.1f} + polar(kTwoPi * (i / 8.0f + t.loop)) * 0.95f;
        const float twinkle = kick(fract(t.beat + i * 0.125f));
        disc(f, c, 0.03f + 0.03f * twinkle, 3, kTwoPi * t.loop * 2.0f, 0.2f + 0.8f * twinkle);
    }
    FigurePose p{};
    const float b = bounce(t.beat);
    const float sway = wave(t.loop * 4.0f);
    p.size = 1.25f;
    p.hip = {0.12f * sway, -0.12f - 0.07f * b};
    p.lean = 0.1f * sway;
    p.nod = 0.15f * b - 0.05f;
    const float rightUp = 0.5f + 0.5f * std::cos(kTwoPi * t.loop);
    raiseArm(p, 1, rightUp, b);
    raiseArm(p, 0, 1.0f - rightUp, b);
    plantLegs(p, -0.8f, 0.12f + 0.05f * sway);
    figure(f, p, 0.7f + 0.3f * k);
}

// Five dancers in a line; a wave of raised arms runs along them once a bar and
// each steps side to side over two beats.
void dancerLine(ClipFrame& f, const ClipTime& t) {
    const int kDancers = 5;
    const float b = bounce(t.beat);
    quad(f, {-1.75f, -0.8f}, {1.75f, -0.8f}, {1.75f, -0.76f}, {-1.75f, -0.76f}, 0.3f);
    for (int i = 0; i < kDancers; ++i) {
        const float x = (i - 2) * 0.68f;
        const float raise = 0.5f - 0.5f * std::cos(kTwoPi * (t.bar - i * 0.15f));
        tri(f, {x, 1.0f}, {x - 0.28f, -0.76f}, {x + 0.28f, -0.76f}, 0.05f + 0.2f * raise);
        FigurePose p{};
        const float step = wave(t.loop * 8.0f + i * 0.25f);
        p.size = 0.75f;
        p.hip = {x + 0.07f * step, -0.3f - 0.05f * b};
        p.lean = -0.12f * step;
        p.nod = 0.2f * b - 0.1f;
        raiseArm(p, 0, raise, b);
        raiseArm(p, 1, raise, 1.0f - b);
        plantLegs(p, -0.76f, 0.1f + 0.06f * step);
        figure(f, p, 0.45f + 0.55f * raise);
    }
}

// Three rows of the crowd, both hands up, pumping on the beat each with its
// own small delay and swaying twice over the clip.
void crowdHands(ClipFrame& f, const ClipTime& t) {
    const int kRows = 3;
    const int perRow[kRows] = {9, 8, 7};
    const float k = kick(t.beat);
    for (int row = 0; row < kRows; ++row) {
        const float scale = 0.9f + 0.3f * row;
        const float level = 0.35f + 0.25f * row;
        const float headY = -0.2f - 0.27f * row;
        for (int i = 0; i < perRow[row]; ++i) {
            const uint32_t id = uint32_t(row * 16 + i);
            const float x =
                (i - (perRow[row] - 1) * 0.5f) * (3.5f / perRow[row]) + 0.12f * (hash01(id) - 0.5f);
            const float delay = 0.2f * hash01(id + 100);
            const float pump = bounce(fract(t.beat - delay));
            const float sway = 0.25f * wave(t.loop * 2.0f + hash01(id + 200));
            const Vec2 head = {x, headY + 0.03f * pump * scale};
            const float shoulderY = head.y - 0.17f * scale;
            quad(f, {x - 0.2f * scale, -1.0f}, {x + 0.2f * scale, -1.0f},
                 {x + 0.16f * scale, shoulderY}, {x - 0.16f * scale, shoulderY}, 0.15f * level);
            disc(f, head, 0.09f * scale, 10, 0.0f, 0.3f * level);
            for (int side = 0; side < 2; ++side) {
                const float out = side == 0 ? -1.0f : 1.0f;
                const float spread = 0.08f + 0.17f * hash01(id + 300 + side);
                const Vec2 shoulder = {x + out * 0.15f * scale, shoulderY};
                const float upper = kPi - out * (spread + 0.1f * pump) + sway;
                const Vec2 elbow = shoulder + limbDirection(upper) * (0.22f * scale);
                const float fore = upper + out * (0.15f + 0.35f * (1.0f - pump));
                const Vec2 wrist = elbow + limbDirection(fore) * (0.2f * scale);
                const float arm = level * (0.55f + 0.35f * k);
                limb(f, shoulder, elbow, 0.06f * scale, 0.05f * scale, arm * 0.8f);
                limb(f, elbow, wrist, 0.05f * scale, 0.045f * scale, arm);
                const Vec2 along = limbDirection(fore), across = {-along.y, along.x};
                const Vec2 palm = wrist + along * (0.06f * scale);
                limb(f, wrist, palm, 0.06f * scale, 0.07f * scale, arm);
                for (int finger = 0; finger < 4; ++finger) {
                    const float fan = (finger - 1.5f) * 0.18f;
                    const Vec2 base = palm + across * ((finger - 1.5f) * 0.017f * scale);
                    limb(f, base, base + limbDirection(fore + fan) * (0.055f * scale),
                         0.016f * scale, 0.012f * scale, arm);
                }
                const Vec2 thumbBase = wrist + across * (-out * 0.03f * scale);
                limb(f, thumbBase, thumbBase + limbDirection(fore - out * 0.9f) * (0.05f * scale),
                     0.018f * scale, 0.012f * scale, arm);
            }
        }
    }
}

// The DJ behind the decks: head nodding on the beat, left hand scratching the
// left record twice a beat, right hand riding the crossfader and punching the
// air at the end of every second bar; the LED wall behind chases.
void djDecks(ClipFrame& f, const ClipTime& t) {
    const int kWallColumns = 12, kWallRows = 4;
    const float k = kick(t.beat);
    for (int row = 0; row < kWallRows; ++row) {
        for (int col = 0; col < kWallColumns; ++col) {
            const float x = (col - 5.5f) * 0.29f, y = 0.45f + row * 0.17f;
            const float chase = kick(fract(t.beat * 1.0f - col / 12.0f + row * 0.25f));
            const float level = 0.08f + 0.35f * chase * (t.beatIndex % 2 == col % 2 ? 1.0f : 0.4f);
            quad(f, {x - 0.12f, y - 0.07f}, {x + 0.12f, y - 0.07f}, {x + 0.12f, y + 0.07f},
                 {x - 0.12f, y + 0.07f}, level);
        }
    }

    // The DJ's upper body; the table hides the rest.
    const float b = bounce(t.beat);
    const Vec2 neck = {0.04f * wave(t.loop * 8.0f), 0.12f - 0.03f * b};
    const Vec2 shoulders[2] = {neck + Vec2{-0.19f, -0.04f}, neck + Vec2{0.19f, -0.04f}};
    quad(f, {-0.16f, -0.25f}, {0.16f, -0.25f}, shoulders[1], shoulders[0], 0.45f);
    const float nod = 0.18f * b - 0.06f;
    const Vec2 head = neck + rotate(Vec2{0.0f, 0.16f}, -nod);
    disc(f, head, 0.12f, 12, 0.0f, 0.6f + 0.2f * k);
    limb(f, head + Vec2{-0.13f, 0.0f}, head + Vec2{0.0f, 0.15f}, 0.03f, 0.03f, 0.5f);
    limb(f, head + Vec2{0.0f, 0.15f}, head + Vec2{0.13f, 0.0f}, 0.03f, 0.03f, 0.5f);
    disc(f, head + Vec2{-0.13f, -0.01f}, 0.05f, 6, 0.0f, 0.8f);
    disc(f, head + Vec2{0.13f, -0.01f}, 0.05f, 6, 0.0f, 0.8f);

    // Table, decks and mixer.
    quad(f, {-1.5f, -0.38f}, {1.5f, -0.38f}, {1.35f, -0.25f}, {-1.35f, -0.25f}, 0.3f);
    quad(f, {-1.5f, -1.0f}, {1.5f, -1.0f}, {1.5f, -0.38f}, {-1.5f, -0.38f}, 0.1f);
    const float spin = -kTwoPi * t.loop * 4.0f; // one turn a bar, clockwise
    for (int deck = 0; deck < 2; ++deck) {
        const Vec2 c = {deck == 0 ? -0.8f : 0.8f, -0.315f};
        ellipseRing(f, c, 0.08f, 0.4f, 0.16f, 16, spin + deck * 0.3f, 0.55f, 0.3f);
        ellipseRing(f, c, 0.0f, 0.08f, 0.16f, 6, spin, 0.9f, 0.6f);
    }
    quad(f, {-0.22f, -0.36f}, {0.22f, -0.36f}, {0.2f, -0.27f}, {-0.2f, -0.27f}, 0.4f);
    const float fader = 0.12f * wave(t.loop * 4.0f);
    for (int i = 0; i < 3; ++i) {
        const float x = (i - 1) * 0.1f + (i == 1 ? fader : 0.0f);
        const float level = i == 1 ? 0.9f : 0.3f + 0.6f * kick(fract(t.beat + i * 0.5f));
        quad(f, {x - 0.025f, -0.33f}, {x + 0.025f, -0.33f}, {x + 0.025f, -0.3f},
             {x - 0.025f, -0.3f}, level);
    }

    // Arms: the scratching hand and the fader hand, which goes up at the end
    // of every second bar.
    const Vec2 scratch = {-0.62f + 0.07f * wave(t.beat * 2.0f), -0.3f};
    const float twoBar = fract(t.loop * 2.0f);
    const float punch =
        smooth01((twoBar - 0.8f) / 0.08f) * (1.0f - smooth01((twoBar - 0.94f) / 0.06f));
    const Vec2 faderHand = {fader, -0.29f};
    const Vec2 raised = shoulders[1] + Vec2{0.2f, 0.42f + 0.05f * b};
    const Vec2 hands[2] = {scratch, faderHand + (raised - faderHand) * punch};
    for (int side = 0; side < 2; ++side) {
        const float out = side == 0 ? -1.0f : 1.0f;
        const Vec2 elbow =
            elbowFor(shoulders[side], hands[side], 0.28f, 0.3f, side == 0 ? 1.0f : -1.0f);
        limb(f, shoulders[side], elbow, 0.08f, 0.07f, 0.45f);
        limb(f, elbow, hands[side], 0.07f, 0.055f, 0.4f);
        disc(f, hands[side], 0.045f, 6, out, 0.7f);
    }
}

// Two stacks of three cabinets; the woofers' cones pump on every beat, the
// tweeters flash on the off-beat, and pressure waves roll towards the middle.
void speakerStacks(ClipFrame& f, const ClipTime& t) {
    const float k = kick(t.beat);
    const float offBeat = kick(fract(t.beat + 0.5f));
    for (int stack = 0; stack < 2; ++stack) {
        const float x = stack == 0 ? -1.25f : 1.25f;
        for (int cab = 0; cab < 3; ++cab) {
            const Vec2 c = {x, -0.66f + cab * 0.62f};
            const float w = 0.3f, h = 0.3f, e = 0.025f;
            quad(f, {c.x - w, c.y - h}, {c.x + w, c.y - h}, {c.x + w, c.y - h + e},
                 {c.x - w, c.y - h + e}, 0.3f);
            quad(f, {c.x - w, c.y + h - e}, {c.x + w, c.y + h - e}, {c.x + w, c.y + h},
                 {c.x - w, c.y + h}, 0.3f);
            quad(f, {c.x - w, c.y - h}, {c.x - w + e, c.y - h}, {c.x - w + e, c.y + h},
                 {c.x - w, c.y + h}, 0.3f);
            quad(f, {c.x + w - e, c.y - h}, {c.x + w, c.y - h}, {c.x + w, c.y + h},
                 {c.x + w - e, c.y + h}, 0.3f);
            if (cab == 2) {
                // Horn on the top cabinet.
                quad(f, {c.x - 0.22f, c.y - 0.1f}, {c.x + 0.22f, c.y - 0.1f},
                     {c.x + 0.08f, c.y + 0.02f}, {c.x - 0.08f, c.y + 0.02f}, 0.35f);
                disc(f, c + Vec2{0.0f, 0.14f}, 0.06f + 0.03f * offBeat, 8, 0.0f,
                     0.3f + 0.7f * offBeat);
                continue;
            }
            const float r = 0.24f;
            const float pump = 1.0f + 0.14f * k;
            ring(f, c, r * 0.84f, r, 16, 0.0f, 0.45f, 0.8f);
            ring(f, c, r * 0.3f * pump, r * 0.8f * pump, 16, 0.0f, 0.35f + 0.4f * k, 0.75f);
            disc(f, c, r * 0.26f * pump, 10, 0.0f, 0.5f + 0.5f * k);
        }
        // Pressure waves: one leaves each stack per beat and lives two beats.
        const float facing = stack == 0 ? 0.0f : kPi;
        for (int w = 0; w < 2; ++w) {
            const float age = fract(t.loop * 4.0f + w * 0.5f);
            const float radius = 0.35f + 1.1f * age;
            arc(f, {x, -0.05f}, radius, radius + 0.05f, facing - 0.6f, facing + 0.6f, 8,
                0.6f * (1.0f - age));
        }
    }
}

// Eight moving heads on a truss sweep their beams in pairs; odd and even
// beams flash on alternate beats.
void movingHeads(ClipFrame& f, const ClipTime& t) {
    const int kHeads = 8;
    quad(f, {-1.7f, 0.86f}, {1.7f, 0.86f}, {1.7f, 0.9f}, {-1.7f, 0.9f}, 0.35f);
    quad(f, {-1.7f, 0.96f}, {1.7f, 0.96f}, {1.7f, 1.0f}, {-1.7f, 1.0f}, 0.35f);
    for (int i = 0; i < 12; ++i) {
        const float x = -1.7f + i * (3.4f / 12.0f);
        tri(f, {x, 0.9f}, {x + 0.145f, 0.96f}, {x + 0.04f, 0.96f}, 0.2f);
    }
    const float k = kick(t.beat);
    for (int i = 0; i < kHeads; ++i) {
        const Vec2 p = {(i - 3.5f) * 0.45f, 0.8f};
        const float dir = i % 2 ? 1.0f : -1.0f;
        const float angle = dir * (0.15f + 0.55f * wave(t.loop * 2.0f + (i / 2) * 0.125f));
        const float flash = (t.beatIndex + i) % 2 == 0 ? k : 0.0f;
        beam(f, p, angle, 0.4f, 0.4f + 0.6f * flash);
        disc(f, p, 0.06f, 6, angle, 0.6f + 0.4f * flash);
    }
}

// Fans of beams from the bottom corners and the middle that sweep and cross;
// one fan at a time flashes, in the order left, middle, right, middle. A
// horizontal sheet scans up and down once a bar.
void crossfire(ClipFrame& f, const ClipTime& t) {
    const int kFans = 3, kBeams = 7;
    const Vec2 sources[kFans] = {{-1.78f, -1.0f}, {0.0f, -1.0f}, {1.78f, -1.0f}};
    const float aims[kFans] = {kPi - 0.75f, kPi, kPi + 0.75f};
    const int flashOrder[4] = {0, 1, 2, 1};
    const int lit = flashOrder[t.beatIndex % 4];
    const float k = kick(t.beat);
    for (int fan = 0; fan < kFans; ++fan) {
        const float sweep = 0.35f * wave(t.loop * 2.0f + fan * 0.3f);
        const float level = fan == lit ? 0.35f + 0.65f * k : 0.3f;
        for (int i = 0; i < kBeams; ++i) {
            const float angle = aims[fan] + sweep + (i - 3) * 0.16f;
            beam(f, sources[fan], angle, 0.07f, level);
        }
    }
    const float y = -0.1f + 0.55f * wave(t.bar);
    quad(f, {-1.78f, y - 0.012f}, {1.78f, y - 0.012f}, {1.78f, y + 0.012f}, {-1.78f, y + 0.012f},
         0.5f + 0.5f * k);
}

// Square frames fly out of a bending tunnel, two a beat, turning once over
// the clip; the end of the tunnel glows on the beat.
void squareTunnel(ClipFrame& f, const ClipTime& t) {
    const int kRings = 16;
    const float k = kick(t.beat);
    const float zFar = 9.0f, zNear = 0.6f;
    disc(f, {0.3f * wave(t.loop), 0.15f * wave(t.loop * 2.0f + 0.25f)}, 0.05f + 0.05f * k, 8, 0.0f,
         0.5f + 0.5f * k);
    for (int slot = 0; slot < kRings; ++slot) {
        const float u = fract(float(slot) / kRings + t.loop);
        const float z = mix(zFar, zNear, u * u);
        const float bendPhase = t.loop + (1.0f - u) * 0.35f;
        const Vec2 c =
            Vec2{0.3f * wave(bendPhase), 0.15f * wave(bendPhase * 2.0f + 0.25f)} * (1.0f - u);
        const float half = 1.1f / z, inner = half * 0.86f;
        const float turn = kTwoPi * t.loop + 0.7f * u;
        const float fog = smooth01(u * 2.5f) * (1.0f - smooth01((u - 0.85f) / 0.15f));
        const float level = fog * (slot % 2 == 0 ? 0.7f + 0.3f * k : 0.45f);
        for (int side = 0; side < 4; ++side) {
            const float a0 = turn + side * kPi * 0.5f + kPi * 0.25f;
            const float a1 = a0 + kPi * 0.5f;
            const float corner = std::sqrt(2.0f);
            const Vec2 o0 = c + polar(a0) * (half * corner), o1 = c + polar(a1) * (half * corner);
            const Vec2 i0 = c + polar(a0) * (inner * corner), i1 = c + polar(a1) * (inner * corner);
            quad(f, i0, o0, o1, i1, level * (side % 2 ? 0.75f : 1.0f));
        }
    }
}

// A round tunnel of chequered rings, one arriving per beat, its far end
// wandering along a Lissajous path; a bright band runs towards the viewer on
// every beat.
void roundTunnel(ClipFrame& f, const ClipTime& t) {
    const int kRings = 16, kSegments = 16;
    const float zFar = 10.0f, zNear = 0.45f;
    for (int slot = 0; slot < kRings; ++slot) {
        const float u = fract(float(slot) / kRings + t.loop * 2.0f);
        const float z = mix(zFar, zNear, u);
        const float far = 1.0f - u;
        const Vec2 c = Vec2{0.45f * wave(t.loop * 2.0f + far * 0.5f),
                            0.25f * wave(t.loop * 3.0f + far * 0.4f + 0.25f)} *
                       (far * far);
        const float radius = 1.0f / z;
        const float fog = smooth01(u * 3.0f) * (1.0f - smooth01((u - 0.9f) / 0.1f));
        const float band = kick(fract(u * 2.0f - t.beat));
        const float level = fog * (0.35f + 0.65f * band);
        const float turn = kTwoPi * t.loop + (slot % 2) * (kPi / kSegments);
        ring(f, c, radius * 0.86f, radius, kSegments, turn, level, 0.35f);
    }
}

// Rings born at the centre on every beat spread to the edges of the screen,
// alternate ones turning either way, around a core that kicks on the beat.
void pulseRings(ClipFrame& f, const ClipTime& t) {
    const int kRings = 8, kSpokes = 8;
    const float k = kick(t.beat);
    for (int i = 0; i < kSpokes; ++i) {
        const float a = kTwoPi * (float(i) / kSpokes + t.loop);
        const Vec2 tip = polar(a) * 2.1f, side = polar(a + kPi * 0.5f) * 0.06f;
        tri(f, {0.0f, 0.0f}, tip - side, tip + side, 0.12f);
    }
    for (int slot = 0; slot < kRings; ++slot) {
        const float u = fract(float(slot) / kRings + t.loop);
        const float radius = 0.12f + 1.95f * u;
        const float width = 0.03f + 0.12f * (1.0f - u);
        const float spin = (slot % 2 ? 1.0f : -1.0f) * kTwoPi * t.loop;
        ring(f, {0.0f, 0.0f}, radius, radius + width, 24, spin, 0.95f * (1.0f - u), 0.55f);
    }
    disc(f, {0.0f, 0.0f}, 0.1f + 0.08f * k, 16, 0.0f, 0.5f + 0.5f * k);
}

// Three nested stars turning against each other, each springing out on its
// own quarter of the beat, with shards orbiting around them.
void kaleidoscope(ClipFrame& f, const ClipTime& t) {
    const int kStars = 3, kShards = 24;
    const int points[kStars] = {6, 8, 12};
    const float radii[kStars] = {0.95f, 0.65f, 0.38f};
    const float levels[kStars] = {0.3f, 0.5f, 0.8f};
    for (int s = 0; s < kStars; ++s) {
        const int n = points[s];
        const float spring = kick(fract(t.beat - s * 0.25f));
        const float tip = radii[s] * (1.0f + 0.22f * spring), valley = radii[s] * 0.45f;
        const float turn = (s % 2 ? -1.0f : 1.0f) * kTwoPi * t.loop * float(s + 1);
        for (int j = 0; j < n; ++j) {
            const float a = turn + kTwoPi * j / n;
            const float step = kTwoPi / n;
            const Vec2 v0 = polar(a - step * 0.5f) * valley, v1 = polar(a + step * 0.5f) * valley;
            const Vec2 p = polar(a) * tip;
            const float level = levels[s] * (0.6f + 0.4f * spring);
            tri(f, {0.0f, 0.0f}, v0, p, level);
            tri(f, {0.0f, 0.0f}, p, v1, level * 0.55f);
        }
    }
    for (int i = 0; i < kShards; ++i) {
        const float a = kTwoPi * (float(i) / kShards - t.loop);
        const float r = 1.25f + 0.2f * wave(t.loop * 4.0f + i * 0.25f);
        const Vec2 c = polar(a) * r, out = polar(a) * 0.12f, side = polar(a + kPi * 0.5f) * 0.05f;
        const float twinkle = kick(fract(t.beat + hash01(uint32_t(i))));
        tri(f, c + out, c - side, c + side, 0.2f + 0.7f * twinkle);
    }
}

// A field of diamonds over the whole screen; a ripple leaves the centre on
// every beat and swells the diamonds it passes, and the field turns once.
void rippleGrid(ClipFrame& f, const ClipTime& t) {
    const int kColumns = 24, kRows = 14;
    const float k = kick(t.beat);
    const float cellW = 2.0f * kScreenHalfWidth / kColumns, cellH = 2.0f / kRows;
    for (int row = 0; row < kRows; ++row) {
        for (int col = 0; col < kColumns; ++col) {
            const Vec2 c = {-kScreenHalfWidth + (col + 0.5f) * cellW, -1.0f + (row + 0.5f) * cellH};
            const float d = std::sqrt(c.x * c.x + c.y * c.y);
            const float swell = 0.5f + 0.5f * std::cos(kTwoPi * (d * 0.8f - t.beat));
            const float half = 0.5f * std::min(cellW, cellH) * (0.25f + 0.85f * swell);
            const float turn = kTwoPi * t.loop + d;
            const Vec2 a = c + polar(turn) * half, b = c + polar(turn + kPi * 0.5f) * half;
            const Vec2 e = c + polar(turn + kPi) * half, g = c + polar(turn + kPi * 1.5f) * half;
            const float level = (0.15f + 0.85f * swell * swell) * (0.75f + 0.25f * k);
            tri(f, a, b, e, level);
            tri(f, a, e, g, level * 0.6f);
        }
    }
}

// Five columns of chevrons, one new chevron per column per beat: the middle
// and outer columns climb, the two between them fall; a flash chases across.
void chevrons(ClipFrame& f, const ClipTime& t) {
    const int kColumns = 5, kPerColumn = 8;
    for (int col = 0; col < kColumns; ++col) {
        const float x = (col - 2) * 0.7f;
        const float upward = col % 2 == 0 ? 1.0f : -1.0f;
        const float chase = kick(fract(t.beat - col * 0.1f));
        for (int slot = 0; slot < kPerColumn; ++slot) {
            const float u = fract(float(slot) / kPerColumn + t.loop + (col % 2) * 0.0625f);
            const float y = upward * (-1.25f + 2.5f * u);
            const float fade = std::sin(kPi * u);
            const float level = fade * (0.3f + 0.7f * (slot % 2 ? chase : 1.0f - chase));
            const Vec2 tip = {x, y}, left = {x - 0.25f, y - upward * 0.2f};
            const Vec2 right = {x + 0.25f, y - upward * 0.2f};
            const Vec2 dip = {0.0f, -upward * 0.1f};
            quad(f, left, tip, tip + dip, left + dip, level);
            quad(f, tip, right, right + dip, tip + dip, level * 0.7f);
        }
    }
}

// A glowing floor grid rushing towards the viewer, one line per beat, under
// a striped sun that pulses on the beat and a dim mountain range.
void gridFloor(ClipFrame& f, const ClipTime& t) {
    const int kLines = 16, kRays = 17, kStripes = 10, kPeaks = 7;
    const float horizon = 0.0f, eyeHeight = 0.5f, zFar = 16.0f, zNear = 0.5f;
    const float k = kick(t.beat);
    const Vec2 sun = {0.0f, 0.3f};
    const float sunRadius = 0.5f;
    for (int i = 0; i < kStripes; ++i) {
        const float y0 = horizon + 0.02f + i * 0.08f, y1 = y0 + 0.06f - 0.004f * (kStripes - i);
        const float h0 = std::fabs(y0 - sun.y), h1 = std::fabs(y1 - sun.y);
        const float w0 = std::sqrt(std::max(sunRadius * sunRadius - h0 * h0, 0.0f));
        const float w1 = std::sqrt(std::max(sunRadius * sunRadius - h1 * h1, 0.0f));
        quad(f, {-w0, y0}, {w0, y0}, {w1, y1}, {-w1, y1}, (0.4f + 0.05f * i) * (0.7f + 0.3f * k));
    }
    for (int i = 0; i < kPeaks; ++i) {
        const float x = -1.78f + i * 0.59f;
        const float height = 0.08f + 0.18f * hash01(uint32_t(i + 40));
        tri(f, {x - 0.35f, horizon}, {x + 0.35f, horizon},
            {x + 0.1f * (hash01(i) - 0.5f), horizon + height}, 0.18f);
    }
    quad(f, {-1.78f, horizon - 0.01f}, {1.78f, horizon - 0.01f}, {1.78f, horizon + 0.01f},
         {-1.78f, horizon + 0.01f}, 0.8f);
    for (int i = 0; i < kRays; ++i) {
        const Vec2 vanish = {0.0f, horizon};
        const Vec2 ground = {(i - (kRays - 1) * 0.5f) * 0.45f, -1.0f};
        Vec2 d = ground - vanish;
        const float len = std::sqrt(d.x * d.x + d.y * d.y);
        d = d * (1.0f / len);
        const Vec2 end = vanish + d * std::min(len, distanceToScreenEdge(vanish, d));
        tri(f, vanish, end + Vec2{-0.012f, 0.0f}, end + Vec2{0.012f, 0.0f}, 0.45f);
    }
    for (int slot = 0; slot < kLines; ++slot) {
        const float u = fract(float(slot) / kLines + t.loop * 1.0f);
        const float z = mix(zFar, zNear, u);
        const float y = horizon - eyeHeight / z;
        const float half = 0.004f + 0.025f / z;
        const float level = u * u * (0.5f + 0.5f * k);
        quad(f, {-1.78f, y - half}, {1.78f, y - half}, {1.78f, y + half}, {-1.78f, y + half},
             level);
    }
}

// Six spiral arms of arrowheads turning twice over the clip, a pulse running
// out along them on every beat, over six faint arms turning the other way.
void spiral(ClipFrame& f, const ClipTime& t) {
    const int kArms = 6, kSteps = 48;
    for (int layer = 0; layer < 2; ++layer) {
        const float direction = layer == 0 ? -1.0f : 1.0f;
        const float turn = direction * kTwoPi * t.loop * 2.0f;
        const float twist = 3.2f * direction;
        for (int arm = 0; arm < kArms; ++arm) {
            for (int step = 0; step < kSteps; ++step) {
                const float s = float(step) / kSteps;
                const float r = 0.05f + 1.9f * std::pow(s, 1.3f);
                const float a = turn + kTwoPi * arm / kArms + twist * s;
                const Vec2 c = polar(a) * r;
                const float size = 0.02f + 0.11f * s;
                const Vec2 out = polar(a) * size, along = polar(a + kPi * 0.5f) * (size * 0.6f);
                const float pulse = kick(fract(t.beat - s));
                const float level = layer == 0 ? 0.25f + 0.75f * pulse : 0.15f + 0.1f * pulse;
                tri(f, c + out, c - out - along, c - out + along, level);
            }
        }
    }
    disc(f, {0.0f, 0.0f}, 0.08f, 12, 0.0f, 0.6f + 0.4f * kick(t.beat));
}

// Dark silhouettes of the crowd, each waving a glow stick round in circles
// once a bar (alternately clockwise and anticlockwise), with fading trails.
void glowSticks(ClipFrame& f, const ClipTime& t) {
    const int kPeople = 10, kTrail = 5;
    const float k = kick(t.beat);
    for (int i = 0; i < kPeople; ++i) {
        const float x = (i - 4.5f) * 0.36f;
        const float scale = 0.85f + 0.3f * hash01(uint32_t(i + 7));
        const Vec2 head = {x, -0.55f + 0.04f * bounce(fract(t.beat - 0.15f * hash01(uint32_t(i))))};
        const float shoulderY = head.y - 0.17f * scale;
        quad(f, {x - 0.2f * scale, -1.0f}, {x + 0.2f * scale, -1.0f},
             {x + 0.15f * scale, shoulderY}, {x - 0.15f * scale, shoulderY}, 0.1f);
        disc(f, head, 0.09f * scale, 10, 0.0f, 0.14f);
        const float way = i % 2 ? 1.0f : -1.0f;
        const float phase0 = hash01(uint32_t(i + 20));
        const Vec2 pivot = {x + 0.05f * way, 0.05f + 0.25f * hash01(uint32_t(i + 30))};
        for (int ghost = 0; ghost < kTrail; ++ghost) {
            const float phase = kTwoPi * (way * t.loop * 4.0f + phase0) - way * ghost * 0.22f;
            const Vec2 hand = pivot + Vec2{0.14f * std::cos(phase), 0.1f * std::sin(phase)};
            if (ghost == 0) {
                const Vec2 shoulder = {x + 0.12f * way * scale, shoulderY};
                const Vec2 elbow = elbowFor(shoulder, hand, 0.3f, 0.3f, way);
                limb(f, shoulder, elbow, 0.06f, 0.05f, 0.1f);
                limb(f, elbow, hand, 0.05f, 0.04f, 0.1f);
            }
            const Vec2 stick = polar(phase * 0.5f + kPi * 0.5f) * 0.13f;
            const float level = (ghost == 0 ? 0.85f + 0.15f * k : 0.55f) / float(1 + ghost);
            limb(f, hand - stick, hand + stick, 0.035f, 0.035f, level);
        }
    }
}

// --- The table ---------------------------------------------------------------

struct RaveClipRecipe {
    RaveClipInfo info;
    void (*draw)(ClipFrame& frame, const ClipTime& time);
};

const RaveClipRecipe kRecipes[kRaveClipCount] = {
    {{"solo dancer under a spotlight", 64}, soloDancer},
    {{"line of five dancers, arm wave", 128}, dancerLine},
    {{"crowd with raised hands", 128}, crowdHands},
    {{"DJ at the decks, LED wall", 128}, djDecks},
    {{"pumping speaker stacks", 64}, speakerStacks},
    {{"moving-head light beams", 128}, movingHeads},
    {{"crossing beam fans", 128}, crossfire},
    {{"square tunnel", 64}, squareTunnel},
    {{"round chequered tunnel", 256}, roundTunnel},
    {{"rings pulsing out from the centre", 64}, pulseRings},
    {{"kaleidoscope stars", 128}, kaleidoscope},
    {{"rippling diamond grid", 64}, rippleGrid},
    {{"climbing and falling chevrons", 64}, chevrons},
    {{"grid floor under a striped sun", 128}, gridFloor},
    {{"spiral arms", 256}, spiral},
    {{"crowd waving glow sticks", 128}, glowSticks},
};

} // namespace

RaveClipInfo raveClipInfo(int number) {
    return kRecipes[number - 1].info;
}

Clip buildRaveClip(int number) {
    const RaveClipRecipe& recipe = kRecipes[number - 1];
    Clip clip;
    clip.frames.resize(size_t(recipe.info.frameCount));
    for (int frame = 0; frame < recipe.info.frameCount; ++frame)
        recipe.draw(clip.frames[size_t(frame)], timeAt(frame, recipe.info.frameCount));
    return clip;
}
