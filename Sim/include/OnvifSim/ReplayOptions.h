#pragma once
// How a device replayed from a recorded folder behaves. The folder holds one file per
// answer, `<service>.<Action>[Suffix].xml`, and an optional manifest.json with statuses,
// content types and authentication; see Sim/README.md.
namespace OnvifSim {

struct CReplayOptions {
    // Serve recorded addresses (XAddr, Uri, subscription addresses) as they were instead of
    // pointing them at the simulator.
    bool keepAddresses = false;
    // Answer an action with variants in turn: the plain file, then each suffix in sorted order.
    bool cycleVariants = false;
    // Port written into rewritten rtsp:// addresses; 0: the device's own RTSP server (the
    // recorded port when it runs none).
    unsigned short rtspPort = 0;
    // Serve HTTPS with a self-signed certificate.
    bool https = false;
};

} // namespace OnvifSim
