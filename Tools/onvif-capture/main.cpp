// onvif-capture: records a device's answers to every read-only operation the library knows,
// cleaned of credentials, serial numbers and MAC addresses, as a folder onvif-sim --replay
// serves. One command on the user's network, one folder attached to a bug report.
#include <CLI/CLI.hpp>

#include <iostream>

#include "Capture.h"
#include "OnvifFramework/Utility/OnvifLog.h"

int main(int argc, char** argv)
{
    OnvifCapture::CCaptureOptions options;
    CLI::App app{"onvif-capture: record an ONVIF device's answers as a replay folder for onvif-sim --replay.\n"
                 "Only reads are sent; passwords, serial numbers and MAC addresses are replaced in what is written."};
    app.add_option("DIR", options.dir, "new or empty folder for the answers")->required();
    app.add_option("--host", options.host, "device address: host name, IPv4 or IPv6")->required();
    app.add_option("--port", options.port, "device HTTP(S) port (default 80, or 443 with --https)")
        ->check(CLI::Range(1, 65535));
    app.add_option("--user", options.user, "user name")->required();
    app.add_option("--password", options.password, "password")->required();
    app.add_flag("--https", options.https, "talk HTTPS to the device");
    app.add_option("--auth", options.auth,
                   "wsse (default), digest (HTTP digest only) or auto (WS-Security, then digest)")
        ->check(CLI::IsMember({"wsse", "digest", "auto"}));
    app.add_option("--timeout", options.timeoutMs, "longest wait for one answer, in milliseconds")
        ->check(CLI::Range(100, 120000));
    CLI11_PARSE(app, argc, argv);

    // The library's own log lines would only repeat what the capture reports.
    RPC::Onvif::setLogToStdout(false);
    RPC::Onvif::setLogPrinterLevel(RPC::Onvif::LOG_FATAL);
    return OnvifCapture::RunCapture(options, std::cout, std::cerr);
}
