#include "Alarm.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "ByteWriter.h"

namespace vardex::assets {

std::vector<std::int16_t> SynthesizeAlarm()
{
    // Eight beeps alternating between two tones, 1.2 s in all. Each beep fades in and out so
    // that no edge clicks, and carries a little third harmonic so it cuts through room noise.
    constexpr std::array<double, 2> kTones{988.0, 784.0};
    constexpr int kBeeps = 8;
    constexpr double kBeepSeconds = 0.15;
    constexpr double kFadeSeconds = 0.008;
    constexpr double kLevel = 0.8;  // of full scale, for the fundamental; peaks reach about 0.7
    constexpr double kThirdHarmonic = 0.25;

    const auto beepLength = static_cast<std::size_t>(kBeepSeconds * kAlarmSampleRate);
    const double fadeLength = kFadeSeconds * kAlarmSampleRate;
    std::vector<std::int16_t> samples;
    samples.reserve(beepLength * kBeeps);
    for (int beep = 0; beep < kBeeps; ++beep) {
        const double frequency = kTones[static_cast<std::size_t>(beep) % kTones.size()];
        for (std::size_t i = 0; i < beepLength; ++i) {
            const double t = static_cast<double>(i) / kAlarmSampleRate;
            const double phase = 2.0 * std::numbers::pi * frequency * t;
            const double edge = std::min(static_cast<double>(i), static_cast<double>(beepLength - 1 - i));
            const double envelope = std::min(1.0, edge / fadeLength);
            const double value = kLevel * envelope * (std::sin(phase) + kThirdHarmonic * std::sin(3.0 * phase));
            samples.push_back(static_cast<std::int16_t>(std::lround(value * 32767.0)));
        }
    }
    return samples;
}

std::vector<std::uint8_t> EncodeWav(std::span<const std::int16_t> samples, int sampleRate)
{
    constexpr std::uint16_t kChannels = 1;
    constexpr std::uint16_t kBitsPerSample = 16;
    constexpr std::uint16_t kBlockAlign = kChannels * kBitsPerSample / 8;
    const std::size_t dataBytes = samples.size() * kBlockAlign;
    if (sampleRate <= 0 || dataBytes > 0xFFFF'FF00u) {
        throw std::runtime_error("sound does not fit a WAV file");
    }

    ByteWriter out;
    out.Tag("RIFF");
    out.U32(static_cast<std::uint32_t>(36 + dataBytes));
    out.Tag("WAVE");
    out.Tag("fmt ");
    out.U32(16);
    out.U16(1);  // PCM
    out.U16(kChannels);
    out.U32(static_cast<std::uint32_t>(sampleRate));
    out.U32(static_cast<std::uint32_t>(sampleRate) * kBlockAlign);
    out.U16(kBlockAlign);
    out.U16(kBitsPerSample);
    out.Tag("data");
    out.U32(static_cast<std::uint32_t>(dataBytes));
    for (std::int16_t sample : samples) {
        out.I16(sample);
    }
    return out.Take();
}

}  // namespace vardex::assets
