#pragma once
// What the snapshot path needs to know about a JPEG picture before wrapping it into a
// native picture frame.
#include <cstddef>
#include <cstdint>

namespace RPC {

// Size from the first baseline start-of-frame marker (the bytes FF C0): height from the
// two bytes at marker + 5, width from marker + 7, most significant byte first. The bytes are
// searched plainly, the way the host's own player finds them, so a progressive picture
// (SOF2) has no size here. False when no complete marker is found.
bool jpegSof0Size(const uint8_t* data, size_t len, uint16_t& width, uint16_t& height);

// True when the picture's frame header (found by walking the marker segments up to the
// first scan) is progressive (SOF2, SOF6, SOF10 or SOF14).
bool jpegIsProgressive(const uint8_t* data, size_t len);

} // namespace RPC
