#pragma once
// Addresses on the update host (Atualizacao/URL of the deployment settings).

#include <optional>
#include <string>

namespace update_host {

// base + path, with no doubled "/" between them. Throws when base is empty (not configured).
std::string Address(const std::string& base, const std::string& path);

struct Endpoint {
  std::string Host;
  int Port = 0;
};

// The host and port a connection to base goes to (the scheme's port when none is given);
// nullopt when base is no usable http or https address.
std::optional<Endpoint> EndpointOf(const std::string& base) noexcept;

}  // namespace update_host
