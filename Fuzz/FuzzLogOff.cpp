// Linked into every fuzz target. Millions of hostile inputs each log a refusal: written
// out, those lines fill the disk within the hour and the target spends most of its time
// writing them. The parsers are what is under test, so the lines are not even formatted.
#include "Infra/LogSink.h"

// Weak: only the targets that link the library's logging have it.
namespace RPC {
namespace Onvif {
int setLogPrinterLevel(int level) __attribute__((weak));
void setLogToStdout(bool on) __attribute__((weak));
} // namespace Onvif
} // namespace RPC

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    Zentar::Infra::setPlatformLogLevel(-1);
    if (RPC::Onvif::setLogToStdout)
        RPC::Onvif::setLogToStdout(false);
    if (RPC::Onvif::setLogPrinterLevel)
        RPC::Onvif::setLogPrinterLevel(-1);
    return 0;
}
