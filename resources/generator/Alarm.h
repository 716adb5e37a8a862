#pragma once
// The alarm sound: synthesised here, stored as PCM WAV.
#include <cstdint>
#include <span>
#include <vector>

namespace vardex::assets {

constexpr int kAlarmSampleRate = 22050;

std::vector<std::int16_t> SynthesizeAlarm();

// Mono, 16-bit PCM.
std::vector<std::uint8_t> EncodeWav(std::span<const std::int16_t> samples, int sampleRate);

}  // namespace vardex::assets
