#pragma once
// What onvif-cli talk sends: a WAV file's PCM samples, brought to 8 kHz mono and encoded
// as G.711 (mu-law or A-law), one byte per sample.
#include <cstdint>
#include <string>
#include <vector>

namespace OnvifCli {

// 16-bit linear PCM (format 1), any rate and channel count, into 8 kHz mono samples.
// False with error for anything else.
bool readWavAs8kMono(const std::string& path, std::vector<int16_t>& samples, std::string& error);

uint8_t linearToMuLaw(int16_t sample);
uint8_t linearToALaw(int16_t sample);

} // namespace OnvifCli
