#pragma once
// The process-wide limit on asynchronous logins in progress at one time.
namespace RPC {
namespace Onvif {

constexpr int kDefaultAsyncLoginLimit = 20;

int getAsyncLoginLimit();
// Takes effect only while the limit still has its default and count is 21..999: a host
// may raise it once at set-up, never lower it or change it under running logins.
bool setAsyncLoginLimit(int count);
// Restores the default (tests).
void resetAsyncLoginLimit();

} // namespace Onvif
} // namespace RPC
