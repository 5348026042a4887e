#include "TalkAudio.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace OnvifCli {

namespace {
uint32_t le32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
const size_t kMaxWavBytes = 64u * 1024u * 1024u;
} // namespace

bool readWavAs8kMono(const std::string& path, std::vector<int16_t>& samples, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ".";
        return false;
    }
    std::vector<unsigned char> data;
    data.reserve(1 << 16);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        data.insert(data.end(), buffer, buffer + in.gcount());
        if (data.size() > kMaxWavBytes) {
            error = path + " is larger than 64 MiB.";
            return false;
        }
    }
    if (data.size() < 12 || std::memcmp(data.data(), "RIFF", 4) != 0 || std::memcmp(data.data() + 8, "WAVE", 4) != 0) {
        error = path + " is not a WAV file.";
        return false;
    }
    // Chunks: "fmt " says what the samples are, "data" holds them; others are skipped.
    int format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    const unsigned char* pcm = nullptr;
    size_t pcmBytes = 0;
    for (size_t at = 12; at + 8 <= data.size();) {
        const uint32_t size = le32(&data[at + 4]);
        const size_t body = at + 8;
        if (size > data.size() - body)
            break;
        if (std::memcmp(&data[at], "fmt ", 4) == 0 && size >= 16) {
            format = le16(&data[body]);
            channels = le16(&data[body + 2]);
            rate = le32(&data[body + 4]);
            bits = le16(&data[body + 14]);
        } else if (std::memcmp(&data[at], "data", 4) == 0) {
            pcm = &data[body];
            pcmBytes = size;
        }
        at = body + size + (size & 1);
    }
    if (format != 1 || bits != 16 || channels < 1 || channels > 8 || rate < 8000 || rate > 192000 || !pcm) {
        error = path + " must hold 16-bit linear PCM at 8 kHz or more (format " + std::to_string(format) + ", " +
                std::to_string(bits) + " bits, " + std::to_string(rate) + " Hz).";
        return false;
    }
    // Mix to mono and keep every (rate / 8000)-th frame: crude, but speech stays intelligible
    // and the byte count stays exact, which is what the device's counter checks.
    const size_t frames = pcmBytes / (2u * channels);
    samples.clear();
    for (size_t out = 0;; ++out) {
        const size_t frame = static_cast<size_t>(static_cast<uint64_t>(out) * rate / 8000);
        if (frame >= frames)
            break;
        int sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += static_cast<int16_t>(le16(pcm + 2 * (frame * channels + c)));
        samples.push_back(static_cast<int16_t>(sum / channels));
    }
    return true;
}

// G.711 (ITU-T): segment number from the position of the top set bit, then four mantissa
// bits; mu-law adds a bias of 132 first and inverts every bit, A-law inverts the even bits.
uint8_t linearToMuLaw(int16_t sample)
{
    int value = sample;
    const int sign = value < 0 ? 0x80 : 0;
    if (value < 0)
        value = -value;
    if (value > 32635)
        value = 32635;
    value += 132;
    int segment = 7;
    for (int mask = 0x4000; segment > 0 && !(value & mask); mask >>= 1)
        --segment;
    const int mantissa = (value >> (segment + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign | (segment << 4) | mantissa));
}

uint8_t linearToALaw(int16_t sample)
{
    int value = sample;
    const int sign = value >= 0 ? 0x80 : 0;
    if (value < 0)
        value = value == -32768 ? 32767 : -value;
    value >>= 3;   // 13-bit magnitude
    int segment = 0;
    for (int limit = 32; segment < 7 && value >= limit; limit <<= 1)
        ++segment;
    const int mantissa = segment == 0 ? (value >> 1) & 0x0F : (value >> segment) & 0x0F;
    return static_cast<uint8_t>((sign | (segment << 4) | mantissa) ^ 0x55);
}

} // namespace OnvifCli
