#pragma once
// Reachability of a service: whether a TCP connection to host:port opens within a time-out.
// Name resolution is bounded by the same time-out, so a dead DNS server can't stall the caller.

#include <chrono>
#include <string>

namespace platform {

// True when a TCP connection to host:port (any of its addresses) opens within `timeout`; the
// connection is closed at once. False on any failure, an empty host included. Never throws.
bool CanConnect(const std::string& host, int port, std::chrono::milliseconds timeout) noexcept;

}  // namespace platform
