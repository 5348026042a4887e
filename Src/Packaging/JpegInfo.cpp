#include "Packaging/JpegInfo.h"

namespace RPC {

bool jpegSof0Size(const uint8_t* data, size_t len, uint16_t& width, uint16_t& height)
{
    if (!data)
        return false;
    // The marker needs 9 bytes: FF C0, length (2), precision (1), height (2), width (2).
    for (size_t i = 0; i + 9 <= len; ++i) {
        if (data[i] != 0xFF || data[i + 1] != 0xC0)
            continue;
        height = uint16_t((data[i + 5] << 8) | data[i + 6]);
        width = uint16_t((data[i + 7] << 8) | data[i + 8]);
        return true;
    }
    return false;
}

bool jpegIsProgressive(const uint8_t* data, size_t len)
{
    if (!data || len < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    size_t pos = 2;
    while (pos + 4 <= len) {
        if (data[pos] != 0xFF)
            return false;
        uint8_t marker = data[pos + 1];
        if (marker == 0xFF) { // fill byte before a marker
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // first scan or end: no progressive frame header
            return false;
        if (marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE)
            return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // no length field
            pos += 2;
            continue;
        }
        size_t segment = size_t(data[pos + 2] << 8) | data[pos + 3];
        if (segment < 2)
            return false;
        pos += 2 + segment;
    }
    return false;
}

} // namespace RPC
