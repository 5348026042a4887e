#pragma once
// Private to the RTSP client: the one event loop all sessions share. Hundreds of
// sessions in a recorder must not mean hundreds of threads, so every socket, timer and
// notification of every session runs on this io_context, served by a small pool.
// A standard header first: Asio picks its aligned allocation by what libstdc++ has
// announced, and every translation unit must pick the same.
#include <cstddef>

#include <asio/io_context.hpp>

namespace Zentar {
namespace StreamApp {

// Started on first use with min(4, max(2, cores)) threads; lives until the process ends.
asio::io_context& rtspIoContext();

} // namespace StreamApp
} // namespace Zentar
