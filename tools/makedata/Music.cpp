#include "Music.h"

#include "Random.h"

#include <lame/lame.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const int rate = 44100;
const double length = 24.0;
const double pi = 3.14159265358979323846;

// ---- Time: beats to seconds. ----
// About 210 beats a minute; the tempo is nudged by under 1 % between the
// picture cuts so that each cut falls exactly on an eighth note.
struct Anchor {
    double sec, beat;
};
const Anchor anchors[] = {{2.6, 9}, {10.0, 35}, {13.0, 45.5}, {16.7, 58.5}, {20.3, 71}, {22.0, 77}};
const int anchorCount = int(sizeof anchors / sizeof anchors[0]);

double beatToSec(double beat)
{
    int i = 0;
    while (i + 2 < anchorCount && beat > anchors[i + 1].beat)
        ++i;
    const Anchor& a = anchors[i];
    const Anchor& b = anchors[i + 1];
    return a.sec + (beat - a.beat) * (b.sec - a.sec) / (b.beat - a.beat);
}

double midiHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// ---- The score. Beats count from the first bar line at beat 1: bars start
// at 1, 5, 9, ...; the chorus starts at beat 9 (2.6 s) and ends at 73. ----

struct Note {
    double beat, len;
    int midi;
    float vel;
};

enum { G4 = 67, A4 = 69, B4 = 71, C5 = 72, D5 = 74, G5 = 79 };

// "Jingle bells" chorus, 16 bars of 4/4, relative to its first beat.
std::vector<Note> chorusMelody()
{
    struct Step {
        int midi;
        double len;
    };
    const std::vector<std::vector<Step>> bars = {
        {{B4, 1}, {B4, 1}, {B4, 2}},                             // Jin-gle bells,
        {{B4, 1}, {B4, 1}, {B4, 2}},                             // jin-gle bells,
        {{B4, 1}, {D5, 1}, {G4, 1.5}, {A4, 0.5}},                // jin-gle all the
        {{B4, 4}},                                               // way,
        {{C5, 1}, {C5, 1}, {C5, 1.5}, {C5, 0.5}},                // oh what fun it
        {{C5, 1}, {B4, 1}, {B4, 1}, {B4, 0.5}, {B4, 0.5}},       // is to ride in a
        {{B4, 1}, {A4, 1}, {A4, 1}, {B4, 1}},                    // one-horse o-pen
        {{A4, 2}, {D5, 2}},                                      // sleigh, hey!
        {{B4, 1}, {B4, 1}, {B4, 2}},                             // Jin-gle bells,
        {{B4, 1}, {B4, 1}, {B4, 2}},                             // jin-gle bells,
        {{B4, 1}, {D5, 1}, {G4, 1.5}, {A4, 0.5}},                // jin-gle all the
        {{B4, 4}},                                               // way,
        {{C5, 1}, {C5, 1}, {C5, 1.5}, {C5, 0.5}},                // oh what fun it
        {{C5, 1}, {B4, 1}, {B4, 1}, {B4, 0.5}, {B4, 0.5}},       // is to ride in a
        {{D5, 1}, {D5, 1}, {C5, 1}, {A4, 1}},                    // one-horse o-pen
        {{G4, 4}},                                               // sleigh.
    };
    std::vector<Note> out;
    double beat = 0;
    for (const auto& bar : bars) {
        double inBar = 0;
        for (const Step& s : bar) {
            // Downbeats a little stronger than the rest.
            float vel = inBar == 0 ? 1.0f : (inBar == 2 ? 0.9f : 0.8f);
            out.push_back({beat + inBar, s.len, s.midi, vel});
            inBar += s.len;
        }
        beat += 4;
    }
    return out;
}

// One chord per bar: bass root, bass fifth and the chord tones.
struct Chord {
    int root, fifth;
    std::vector<int> tones;
};
const Chord chG{43, 50, {55, 59, 62}};
const Chord chC{48, 43, {55, 60, 64}};
const Chord chA7{45, 52, {57, 61, 64, 67}};
const Chord chD7{50, 45, {57, 60, 62, 66}};

// Bars from beat 1: two bars of introduction, the 16-bar chorus, one bar of tag.
const Chord* const barChords[] = {&chG, &chD7, // intro
                                  &chG, &chG, &chG, &chG, &chC, &chG, &chA7, &chD7,
                                  &chG, &chG, &chG, &chG, &chC, &chG, &chD7, &chG,
                                  &chD7}; // tag, landing on G at beat 77
const int barCount = int(sizeof barChords / sizeof barChords[0]);
const double chorusStart = 9, finalBeat = 77;

// ---- Synthesis into a stereo buffer. ----

struct Stereo {
    std::vector<float> l, r;
    explicit Stereo(size_t n) : l(n, 0.f), r(n, 0.f) {}
    size_t size() const { return l.size(); }
    void add(size_t i, float v, float pan) // pan -1 (left) .. 1 (right), equal power
    {
        if (i >= l.size())
            return;
        double a = (pan + 1) * pi / 4;
        l[i] += v * float(std::cos(a));
        r[i] += v * float(std::sin(a));
    }
};

size_t sampleAt(double sec) { return sec <= 0 ? 0 : size_t(std::llround(sec * rate)); }

// Short fade in and out so no voice clicks.
double gate(double t, double dur, double attack, double release)
{
    if (t < attack)
        return t / attack;
    if (t > dur)
        return std::max(0.0, 1 - (t - dur) / release);
    return 1;
}

// Bell: phase modulation with a harmonic and an inharmonic modulator; the
// inharmonic one dies fast so the strike rings and the pitch stays clear.
void bell(Stereo& out, double start, double dur, int midi, float vel, float pan, double decay = 0.9)
{
    const double f = midiHz(midi);
    // Each note stops soon after its length so the tune stays clear.
    const double ring = dur + 0.05;
    const size_t s0 = sampleAt(start), n = size_t((ring + 0.09) * rate);
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double env = gate(t, ring, 0.002, 0.09) * std::exp(-t / decay);
        double i1 = 1.3 * std::exp(-t / 0.35) + 0.25;
        double i2 = 1.6 * std::exp(-t / 0.06);
        double w = 2 * pi * f * t;
        double v = std::sin(w + i1 * std::sin(w) + i2 * std::sin(3.5 * w));
        // A glockenspiel partial an octave and a fifth up for sparkle.
        v += 0.18 * std::sin(3 * w) * std::exp(-t / 0.25);
        out.add(s0 + i, float(0.26 * vel * env * v), pan);
    }
}

// Bass: a round sine with some warmth from soft saturation.
void bass(Stereo& out, double start, double dur, int midi, float vel)
{
    const double f = midiHz(midi);
    const size_t s0 = sampleAt(start), n = size_t((dur + 0.1) * rate);
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double env = gate(t, dur, 0.004, 0.08) * (0.55 + 0.45 * std::exp(-t / 0.18));
        double w = 2 * pi * f * t;
        double v = std::tanh(1.8 * std::sin(w) + 0.3 * std::sin(2 * w)) * 0.75;
        out.add(s0 + i, float(0.22 * vel * env * v), 0.f);
    }
}

// A band-limited saw (additive), for pads and stabs.
double saw(double phase, int harmonics)
{
    double v = 0;
    for (int k = 1; k <= harmonics; ++k)
        v += std::sin(phase * k) / k;
    return v * 0.6;
}

// Pad: soft detuned saws, slow attack, two voices spread left and right.
void pad(Stereo& out, double start, double dur, int midi, float vel)
{
    const double f = midiHz(midi);
    const int harm = std::max(2, std::min(10, int(3000 / f)));
    const size_t s0 = sampleAt(start), n = size_t((dur + 0.4) * rate);
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double env = gate(t, dur, 0.12, 0.35);
        double vl = saw(2 * pi * f * 1.003 * t, harm), vr = saw(2 * pi * f * 0.997 * t + 1.0, harm);
        float a = float(0.045 * vel * env);
        out.add(s0 + i, a * float(vl), -0.7f);
        out.add(s0 + i, a * float(vr), 0.7f);
    }
}

// Off-beat chord: a short electric-piano-like pluck.
void comp(Stereo& out, double start, double dur, int midi, float vel, float pan)
{
    const double f = midiHz(midi);
    const size_t s0 = sampleAt(start), n = size_t((dur + 0.1) * rate);
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double env = gate(t, dur, 0.003, 0.08) * std::exp(-t / 0.2);
        double w = 2 * pi * f * t;
        double v = std::sin(w + 0.9 * std::exp(-t / 0.1) * std::sin(w));
        out.add(s0 + i, float(0.07 * vel * env * v), pan);
    }
}

// Chord hit: a bright brass-like stab for the accents.
void stab(Stereo& out, double start, int midi, float vel, float pan)
{
    const double f = midiHz(midi);
    const double dur = 0.55;
    const size_t s0 = sampleAt(start), n = size_t(dur * rate);
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double env = std::min(1.0, t / 0.008) * std::exp(-t / 0.16) * std::max(0.0, 1 - t / dur);
        int harm = std::max(1, std::min(14, int((2500 + 4000 * std::exp(-t / 0.08)) / f)));
        double v = saw(2 * pi * f * t, harm);
        out.add(s0 + i, float(0.09 * vel * env * v), pan);
    }
}

// Filters for the noise instruments.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, z1 = 0, z2 = 0;
    static Biquad bandpass(double f, double q)
    {
        Biquad b;
        double w = 2 * pi * f / rate, al = std::sin(w) / (2 * q), a0 = 1 + al;
        b.b0 = al / a0;
        b.b1 = 0;
        b.b2 = -al / a0;
        b.a1 = -2 * std::cos(w) / a0;
        b.a2 = (1 - al) / a0;
        return b;
    }
    static Biquad highpass(double f, double q)
    {
        Biquad b;
        double w = 2 * pi * f / rate, al = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + al;
        b.b0 = (1 + c) / 2 / a0;
        b.b1 = -(1 + c) / a0;
        b.b2 = (1 + c) / 2 / a0;
        b.a1 = -2 * c / a0;
        b.a2 = (1 - al) / a0;
        return b;
    }
    double run(double x)
    {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

double noise(Rng& rng) { return double(rng.uni()) * 2 - 1; }

// Sleigh bells: a few quick jingles of resonant high noise.
void sleigh(Stereo& out, double start, float vel, uint64_t seed)
{
    Rng rng(seed);
    Biquad b1 = Biquad::bandpass(5200, 9), b2 = Biquad::bandpass(7300, 10), b3 = Biquad::bandpass(9800, 8);
    const size_t s0 = sampleAt(start), n = size_t(0.16 * rate);
    const double taps[] = {0, 0.011 + 0.004 * rng.uni(), 0.024 + 0.006 * rng.uni(), 0.041 + 0.008 * rng.uni()};
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate, env = 0;
        for (int k = 0; k < 4; ++k)
            if (t >= taps[k])
                env += std::exp(-(t - taps[k]) / 0.018) * (k == 0 ? 1.0 : 0.6);
        double x = noise(rng) * env;
        double v = b1.run(x) + 0.9 * b2.run(x) + 0.7 * b3.run(x);
        out.add(s0 + i, float(0.55 * vel * v), 0.35f);
    }
}

void kick(Stereo& out, double start, float vel)
{
    const size_t s0 = sampleAt(start), n = size_t(0.35 * rate);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double f = 48 + 110 * std::exp(-t / 0.03);
        phase += 2 * pi * f / rate;
        double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.16);
        out.add(s0 + i, float(0.45 * vel * env * std::sin(phase)), 0.f);
    }
}

void snare(Stereo& out, double start, float vel, uint64_t seed, float pan = -0.1f)
{
    Rng rng(seed);
    Biquad bp = Biquad::bandpass(2200, 0.8);
    const size_t s0 = sampleAt(start), n = size_t(0.22 * rate);
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double tone = std::sin(2 * pi * 190 * t) * std::exp(-t / 0.05);
        double nz = bp.run(noise(rng)) * std::exp(-t / 0.07);
        out.add(s0 + i, float(0.35 * vel * (0.5 * tone + 1.2 * nz) * std::min(1.0, t / 0.001)), pan);
    }
}

void tom(Stereo& out, double start, double hz, float vel, float pan)
{
    const size_t s0 = sampleAt(start), n = size_t(0.4 * rate);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double f = hz * (1 + 0.5 * std::exp(-t / 0.04));
        phase += 2 * pi * f / rate;
        double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.18);
        out.add(s0 + i, float(0.4 * vel * env * std::sin(phase)), pan);
    }
}

// Crash: independent noise per side for width, with a metallic ring; `swell`
// instead rises into `start` (a reversed cymbal).
void crash(Stereo& out, double start, float vel, uint64_t seed, double decay = 1.3)
{
    Rng rng(seed);
    Biquad hl = Biquad::highpass(4500, 0.7), hr = Biquad::highpass(4500, 0.7);
    const double metal[] = {540.3, 802.1, 1130.7, 1561.4, 2219.9, 3019.2};
    const size_t s0 = sampleAt(start), n = size_t((decay * 3.2) * rate);
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        double env = std::min(1.0, t / 0.003) * (0.7 * std::exp(-t / decay) + 0.3 * std::exp(-t / 0.12));
        double ring = 0;
        for (double m : metal)
            ring += std::sin(2 * pi * m * t + m) > 0 ? 1 : -1;
        double l = hl.run(noise(rng) + 0.12 * ring), r = hr.run(noise(rng) + 0.12 * ring);
        if (s0 + i < out.size()) {
            out.l[s0 + i] += float(0.28 * vel * env * l);
            out.r[s0 + i] += float(0.28 * vel * env * r);
        }
    }
}

void swell(Stereo& out, double end, double dur, float vel, uint64_t seed)
{
    Rng rng(seed);
    Biquad hl = Biquad::highpass(3000, 0.7), hr = Biquad::highpass(3000, 0.7);
    const size_t s0 = sampleAt(end - dur), n = sampleAt(end) - s0;
    for (size_t i = 0; i < n; ++i) {
        double u = double(i) / double(n);
        double env = u * u * u;
        double l = hl.run(noise(rng)), r = hr.run(noise(rng));
        out.l[s0 + i] += float(0.2 * vel * env * l);
        out.r[s0 + i] += float(0.2 * vel * env * r);
    }
}

// Plate-like reverb: parallel damped combs into allpasses, per side.
void reverb(const Stereo& in, Stereo& out, float wet)
{
    const int combs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const int alls[] = {556, 441, 341, 225};
    for (int side = 0; side < 2; ++side) {
        const std::vector<float>& x = side ? in.r : in.l;
        std::vector<float>& y = side ? out.r : out.l;
        const int spread = side ? 23 : 0;
        std::vector<std::vector<float>> cb;
        std::vector<size_t> ci(8, 0);
        std::vector<float> filt(8, 0.f);
        for (int c : combs)
            cb.emplace_back(size_t(c + spread), 0.f);
        std::vector<std::vector<float>> ab;
        std::vector<size_t> ai(4, 0);
        for (int a : alls)
            ab.emplace_back(size_t(a + spread), 0.f);
        for (size_t i = 0; i < x.size(); ++i) {
            float input = x[i] * 0.015f, acc = 0;
            for (int k = 0; k < 8; ++k) {
                float o = cb[size_t(k)][ci[size_t(k)]];
                filt[size_t(k)] = o * 0.7f + filt[size_t(k)] * 0.3f;
                cb[size_t(k)][ci[size_t(k)]] = input + filt[size_t(k)] * 0.84f;
                ci[size_t(k)] = (ci[size_t(k)] + 1) % cb[size_t(k)].size();
                acc += o;
            }
            for (int k = 0; k < 4; ++k) {
                float b = ab[size_t(k)][ai[size_t(k)]];
                ab[size_t(k)][ai[size_t(k)]] = acc + b * 0.5f;
                ai[size_t(k)] = (ai[size_t(k)] + 1) % ab[size_t(k)].size();
                acc = b - acc;
            }
            y[i] += acc * wet;
        }
    }
}

// Peak limiter with 3 ms look-ahead so no sample goes past `ceiling`.
void limit(Stereo& s, float ceiling)
{
    const size_t look = size_t(0.003 * rate);
    const size_t n = s.size();
    std::vector<float> need(n, 1.f);
    for (size_t i = 0; i < n; ++i) {
        float p = std::max(std::fabs(s.l[i]), std::fabs(s.r[i]));
        if (p > ceiling) {
            float g = ceiling / p;
            // Ramp down over the look-ahead so the gain change is smooth.
            size_t from = i >= look ? i - look : 0;
            for (size_t j = from; j <= i; ++j) {
                float u = float(j - from + 1) / float(i - from + 1);
                need[j] = std::min(need[j], 1 - (1 - g) * u);
            }
        }
    }
    const float release = 1.f - 1.f / (0.08f * rate);
    float g = 1;
    for (size_t i = 0; i < n; ++i) {
        g = std::min(need[i], 1 - (1 - g) * release);
        s.l[i] *= g;
        s.r[i] *= g;
    }
}

} // namespace

std::vector<float> renderMusic()
{
    const size_t n = size_t(length * rate);
    Stereo dry(n), send(n);
    uint64_t seed = 1;
    auto sec = [](double beat) { return beatToSec(beat); };
    auto span = [](double beat, double len) { return beatToSec(beat + len) - beatToSec(beat); };

    // Melody on the bell, doubled softly an octave up in the chorus repeat.
    for (const Note& m : chorusMelody()) {
        double b = chorusStart + m.beat;
        bell(send, sec(b), span(b, m.len) * 0.92, m.midi, m.vel, -0.15f);
        if (m.beat >= 32)
            bell(send, sec(b) + 0.004, span(b, m.len) * 0.9, m.midi + 12, m.vel * 0.22f, 0.45f, 0.5);
    }
    // Intro pickup: a rising arpeggio into the chorus.
    const int run[] = {55, 59, 62, 67, 71, 74};
    for (int k = 0; k < 6; ++k)
        bell(send, sec(6 + 0.5 * k), span(6, 0.5), run[k], 0.55f + 0.08f * float(k), 0.3f, 0.5);
    // Tag: the same run up to the final G.
    const int tag[] = {67, 71, 74, 79};
    for (int k = 0; k < 4; ++k)
        bell(send, sec(75 + 0.5 * k), span(75, 0.5), tag[k], 0.6f + 0.1f * float(k), 0.2f, 0.5);

    // Band: bass on 1 and 3, comp on 2 and 4, pad through the bar.
    for (int bar = 0; bar < barCount; ++bar) {
        const Chord& c = *barChords[bar];
        double b0 = 1 + 4.0 * bar;
        bool intro = b0 < chorusStart;
        bass(dry, sec(b0), span(b0, 1.6), c.root, 1.f);
        bass(dry, sec(b0 + 2), span(b0 + 2, 1.6), c.fifth, 0.85f);
        for (int tone : c.tones) {
            pad(send, sec(b0), span(b0, 4) - 0.05, tone, intro ? 0.8f : 1.f);
            if (!intro) {
                comp(send, sec(b0 + 1), span(b0 + 1, 0.5), tone + 12, 0.9f, 0.35f);
                comp(send, sec(b0 + 3), span(b0 + 3, 0.5), tone + 12, 0.9f, 0.35f);
            }
        }
    }
    // The final chord, long.
    bass(dry, sec(finalBeat), 1.9, 31, 1.f);
    bass(dry, sec(finalBeat), 1.9, 43, 0.8f);
    for (int tone : chG.tones) {
        pad(send, sec(finalBeat), 1.5, tone, 1.3f);
        pad(send, sec(finalBeat), 1.5, tone + 12, 0.8f);
    }
    bell(send, sec(finalBeat), 1.6, G5, 1.f, 0.f, 1.1);
    bell(send, sec(finalBeat), 1.6, G4, 0.8f, -0.3f, 1.1);

    // Drums: sleigh bells on eighths (from the intro), kick on 1 and 3, snare on 2 and 4.
    for (double b = 1; b < finalBeat; b += 0.5) {
        bool onBeat = std::fmod(b - 1, 1.0) == 0;
        sleigh(dry, sec(b), onBeat ? 0.9f : 0.55f, 100 + seed++);
    }
    for (double b = chorusStart; b < finalBeat - 4; b += 1) {
        int inBar = int(std::fmod(b - 1, 4.0));
        if (inBar == 0 || inBar == 2)
            kick(dry, sec(b), inBar == 0 ? 1.f : 0.8f);
        else
            snare(send, sec(b), 0.5f, 500 + seed++);
    }
    kick(dry, sec(5), 0.7f);
    kick(dry, sec(7), 0.6f);

    // Accents on the picture cuts.
    // 2.6 s: into the chorus.
    crash(dry, 2.6, 1.f, 9001);
    kick(dry, 2.6, 1.f);
    // 10 s: a snare fill lands on a crash and an A7 hit.
    for (double b = 33; b < 35; b += 0.5)
        snare(send, sec(b), 0.45f + 0.1f * float(b - 33), 600 + seed++);
    crash(dry, 10.0, 0.9f, 9002);
    kick(dry, 10.0, 0.9f);
    for (int tone : chA7.tones)
        stab(send, 10.0, tone, 1.f, 0.f);
    // 13 s: a cymbal swell into a syncopated crash and G hit.
    swell(dry, 13.0, 1.2, 0.9f, 9003);
    crash(dry, 13.0, 0.9f, 9004);
    for (int tone : chG.tones)
        stab(send, 13.0, tone + 12, 0.9f, 0.f);
    // 16.7 s: toms down into a C hit with shimmer.
    tom(send, sec(57.5), 220, 0.8f, 0.4f);
    tom(send, sec(58.0), 160, 0.9f, -0.4f);
    crash(dry, 16.7, 0.85f, 9005);
    kick(dry, 16.7, 0.9f);
    for (int tone : chC.tones)
        stab(send, 16.7, tone + 12, 1.f, 0.f);
    // 20.3 s: crash and G hit in the last bar of the chorus.
    crash(dry, 20.3, 0.85f, 9006);
    kick(dry, 20.3, 0.9f);
    for (int tone : chG.tones)
        stab(send, 20.3, tone, 1.f, 0.f);
    // 22 s: the tag's drum fill lands on the final chord.
    const double fill[] = {73, 73.5, 74, 74.5, 75, 75.5, 76, 76.25, 76.5, 76.75};
    const double fillHz[] = {240, 240, 200, 200, 170, 170, 140, 140, 120, 120};
    for (int k = 0; k < 10; ++k) {
        if (k % 2)
            snare(send, sec(fill[k]), 0.5f + 0.04f * float(k), 700 + seed++);
        tom(send, sec(fill[k]), fillHz[k], 0.7f, k % 2 ? 0.4f : -0.4f);
    }
    crash(dry, 22.0, 1.f, 9007, 1.4);
    kick(dry, 22.0, 1.2f);
    tom(dry, 22.0, 55, 1.f, 0.f);
    for (int tone : chG.tones)
        stab(send, 22.0, tone, 1.1f, 0.f);

    // Mix: the send bus plays dry too and feeds the reverb.
    Stereo mixed(n);
    for (size_t i = 0; i < n; ++i) {
        mixed.l[i] = dry.l[i] + send.l[i];
        mixed.r[i] = dry.r[i] + send.r[i];
    }
    reverb(send, mixed, 1.f);

    // Level, then fade out the ring of the last chord to silence at the end.
    const float gain = 0.88f;
    for (size_t i = 0; i < n; ++i) {
        double t = double(i) / rate;
        float fade = float(t < 22.9 ? 1.0 : std::max(0.0, std::cos((t - 22.9) / (length - 22.9) * pi / 2)));
        mixed.l[i] *= gain * fade;
        mixed.r[i] *= gain * fade;
    }
    limit(mixed, 0.80f); // about -1.9 dBFS, leaving room for the MP3 coder

    std::vector<float> out(2 * n);
    for (size_t i = 0; i < n; ++i) {
        out[2 * i] = mixed.l[i];
        out[2 * i + 1] = mixed.r[i];
    }
    return out;
}

bool writeMusic(const std::string& path)
{
    const std::vector<float> pcm = renderMusic();
    lame_global_flags* lame = lame_init();
    if (!lame) {
        std::fprintf(stderr, "%s: cannot start LAME\n", path.c_str());
        return false;
    }
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 2);
    // No Xing/LAME tag: players then all start at the same sample (see below).
    lame_set_bWriteVbrTag(lame, 0);
    if (lame_init_params(lame) < 0) {
        std::fprintf(stderr, "%s: LAME rejected the settings\n", path.c_str());
        lame_close(lame);
        return false;
    }
    // The coder and a decoder delay the sound by this many samples; start the
    // input that much later in the music so a cut's accent plays on time.
    const size_t delay = size_t(lame_get_encoder_delay(lame)) + 529;
    const size_t frames = pcm.size() / 2;
    std::vector<float> l, r;
    for (size_t i = delay; i < frames; ++i) {
        l.push_back(pcm[2 * i]);
        r.push_back(pcm[2 * i + 1]);
    }
    for (size_t i = 0; i < delay; ++i) { // silence to keep the length
        l.push_back(0.f);
        r.push_back(0.f);
    }
    std::vector<unsigned char> mp3(size_t(1.25 * double(l.size()) + 7200) + 7200);
    std::vector<unsigned char> file;
    const int chunk = 4096;
    for (size_t i = 0; i < l.size(); i += chunk) {
        int count = int(std::min<size_t>(chunk, l.size() - i));
        int bytes = lame_encode_buffer_ieee_float(lame, &l[i], &r[i], count, mp3.data(), int(mp3.size()));
        if (bytes < 0) {
            std::fprintf(stderr, "%s: LAME failed to encode (%d)\n", path.c_str(), bytes);
            lame_close(lame);
            return false;
        }
        file.insert(file.end(), mp3.begin(), mp3.begin() + bytes);
    }
    int bytes = lame_encode_flush(lame, mp3.data(), int(mp3.size()));
    if (bytes > 0)
        file.insert(file.end(), mp3.begin(), mp3.begin() + bytes);
    lame_close(lame);

    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f || std::fwrite(file.data(), 1, file.size(), f.get()) != file.size()) {
        std::fprintf(stderr, "%s: cannot write: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}
