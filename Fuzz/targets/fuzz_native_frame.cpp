// The native frame reader, on one frame and on a run of frames back to back as a host
// reads a recorded stream.
#include "FuzzInput.h"
#include "Packaging/NativeFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned sum = 0;
    size_t offset = 0;
    for (int frames = 0; frames < 64 && offset < size; ++frames) {
        RPC::CNativeFrameView view;
        if (RPC::readNativeFrame(data + offset, size - offset, view) != RPC::ENativeFrameError::None)
            break;
        if (view.frameLen == 0 || view.frameLen > size - offset || view.payloadLen > view.frameLen)
            __builtin_trap();
        sum += OnvifFuzz::touch(view.payload, view.payloadLen);
        offset += view.frameLen;
    }
    sum += static_cast<unsigned>(RPC::getNativeFrameRate(data, size));
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
