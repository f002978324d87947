#pragma once

#include <stdexcept>
#include <string>

namespace zorvel {

// The one exception type of the core: its message is meant for the user.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace zorvel
