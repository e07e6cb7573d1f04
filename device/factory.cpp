// Factory presets of the virtual device: ten voicings varied per slot, every
// value inside its control's range, and a synthetic cabinet impulse for all
// but every ninth slot (those have none and the cabinet switched off).
#include "model.h"

#include "protocol.h"

#include <QtGlobal>
#include <cmath>

namespace vdev {

namespace {

struct Voicing {
    int master, ampOn, ampType, ampVolume, ampSlave;
    int preampOn, preampVolume, low, mid, high;
    int presenceOn, presence, earlyOn, earlyType, early;
    int gateOn, threshold, decay, compOn, sustain, compVolume;
    int hpfOn, hpf, lpfOn, lpf, eqOn, eqPre;
};

// clang-format off
const Voicing kVoicings[] = {
    // mst amp typ vol slv  pre vol low mid hi  prs lvl  er typ lvl  gate thr dec  cmp sus vol  hp  hpf lp  lpf eq pre
    {  72,  1,  0, 45, 40,   1, 35,  2,  0,  3,   1, 40,  1,  0, 25,   0, 20, 30,   1, 35, 55,  1, 10,  0, 90,  1,  0}, // clean
    {  70,  1,  1, 60, 55,   1, 55,  1,  3,  2,   1, 50,  1,  1, 20,   1, 30, 40,   0, 20, 50,  1, 15,  1, 80,  1,  0}, // crunch
    {  68,  1,  2, 70, 65,   1, 75,  0,  5,  1,   1, 60,  1,  2, 30,   1, 45, 35,   1, 50, 60,  1, 20,  1, 75,  1,  1}, // lead
    {  66,  1,  3, 80, 70,   1, 85,  4, -4,  3,   1, 65,  0,  0, 10,   1, 60, 25,   0, 30, 50,  1, 25,  1, 70,  1,  0}, // heavy
    {  75,  1,  0, 55, 50,   1, 45,  6,  1, -3,   0, 30,  0,  1, 10,   1, 25, 50,   1, 60, 65,  0,  5,  1, 60,  1,  1}, // bass
    {  74,  0,  0, 40, 35,   1, 30, -2,  2,  4,   1, 45,  1,  3, 35,   0, 15, 60,   1, 40, 55,  1, 30,  0, 95,  1,  0}, // acoustic
    {  65,  1,  1, 50, 45,   1, 40,  0, -2,  2,   1, 35,  1,  3, 70,   0, 20, 80,   1, 45, 50,  1, 12,  1, 85,  0,  0}, // ambient
    {  71,  1,  2, 65, 60,   1, 60,  3,  4, -2,   0, 30,  1,  1, 20,   0, 35, 45,   0, 25, 50,  1, 18,  1, 65,  1,  1}, // vintage
    {  73,  1,  0, 40, 30,   1, 30,  5, -1, -5,   0, 20,  1,  0, 15,   0, 10, 55,   1, 30, 55,  0,  8,  1, 55,  1,  0}, // jazz
    {  80,  0,  0, 50, 50,   0, 50,  0,  0,  0,   0, 50,  0,  0,  0,   0, 30, 40,   0, 30, 50,  0, 10,  0, 90,  0,  0}, // cabinet only
};
// clang-format on

const char *const kCabinets[] = {"Closed 4x12", "Open 2x12",  "Open 1x12", "Closed 2x12",
                                 "Alnico 4x10", "Bass 8x10",  "Bass 1x15", "Compact 1x10",
                                 "Oval 2x12",   "Studio 4x12"};
const char *const kMics[] = {"Center", "Edge", "Far",   "Blend",  "Dark",
                             "Bright", "Cone", "Tight", "Ribbon", "Room"};

int clampTo(int value, int low, int high)
{
    return qBound(low, value, high);
}

QByteArray factoryStatus(int slot, bool hasImpulse)
{
    Random r(0xfac70000u + static_cast<quint64>(slot));
    const Voicing &v = kVoicings[(slot * 3 + slot / 10) % 10];
    const auto level = [&](int base) { return clampTo(base + r.between(-6, 6), 0, 100); };
    const auto tone = [&](int base) { return clampTo(base + r.between(-2, 2), -12, 12); };

    int s[kStatusBytes] = {};
    for (int band = 0; band < 5; ++band) {
        s[0 + band] = clampTo(50 + r.between(-15, 15), 0, 100); // band level
        s[26 + band] = r.between(-12, 12);                      // band frequency offset
        s[31 + band] = r.between(-6, 6);                        // band Q offset
    }
    s[5] = level(v.early);
    s[6] = v.earlyType;
    s[7] = level(v.master);
    s[8] = hasImpulse ? 1 : 0;
    s[9] = v.eqOn;
    s[10] = v.earlyOn;
    s[11] = v.ampOn;
    s[12] = level(v.ampVolume);
    s[13] = level(v.ampSlave);
    s[14] = v.ampType;
    s[15] = v.preampOn;
    s[16] = level(v.preampVolume);
    s[17] = tone(v.low);
    s[18] = tone(v.mid);
    s[19] = tone(v.high);
    s[20] = v.gateOn;
    s[21] = level(v.threshold);
    s[22] = level(v.decay);
    s[23] = v.compOn;
    s[24] = level(v.sustain);
    s[25] = level(v.compVolume);
    s[36] = level(v.lpf);
    s[37] = level(v.hpf);
    s[38] = v.hpfOn;
    s[39] = v.lpfOn;
    s[40] = v.presenceOn;
    s[41] = level(v.presence);
    s[42] = v.eqPre;

    QByteArray status(kStatusBytes, '\0');
    for (int i = 0; i < kStatusBytes; ++i)
        status[i] =
            static_cast<char>(static_cast<quint8>(s[i] & 0xff)); // signed as two's complement
    return status;
}

// A decaying, slightly resonant burst: 984 to 3384 samples of 24-bit mono.
QByteArray factorySamples(int slot)
{
    Random r(0x1a9e0000u + static_cast<quint64>(slot));
    const int count = 984 + r.between(0, 2400);
    const double decay = r.between(60, 600);
    const double smoothing = 0.15 + r.between(0, 60) / 100.0;
    const double body = 2.0 * M_PI * r.between(80, 400) / 48000.0;
    const double peak = 8388607.0 * (0.7 + r.between(0, 25) / 100.0);

    QByteArray samples;
    samples.reserve(count * 3);
    double smooth = 0.0;
    for (int n = 0; n < count; ++n) {
        const double noise = (r.between(0, 2000) - 1000) / 1000.0;
        smooth += smoothing * (noise - smooth);
        double x =
            n == 0 ? 1.0
                   : std::exp(-n / decay) *
                         (0.6 * smooth + 0.4 * std::sin(body * n) * std::exp(-n / (decay * 0.5)));
        const int value = clampTo(static_cast<int>(std::lround(x * peak)), -8388608, 8388607);
        const auto u = static_cast<quint32>(value);
        samples.append(static_cast<char>(u & 0xff));
        samples.append(static_cast<char>((u >> 8) & 0xff));
        samples.append(static_cast<char>((u >> 16) & 0xff));
    }
    return samples;
}

} // namespace

void DeviceModel::loadFactory()
{
    for (int slot = 0; slot < presets.size(); ++slot) {
        const bool hasImpulse = slot % 9 != 8;
        Preset &p = presets[slot];
        p.status = factoryStatus(slot, hasImpulse);
        p.impulse = Impulse();
        if (hasImpulse) {
            p.impulse.name =
                QByteArray(kCabinets[slot % 10]) + ' ' + QByteArray(kMics[(slot / 10 + slot) % 10]);
            p.impulse.wav = wavImage(factorySamples(slot));
        }
    }
    currentBank = 0;
    currentPreset = 0;
    currentMode = 0;
    revert();
}

} // namespace vdev
