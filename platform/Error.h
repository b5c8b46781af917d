#pragma once
// The one exception type of the program: an internal failure that ends the
// operation in progress. The message is UTF-8 text meant for the user (Japanese).
#include <stdexcept>
#include <string>

namespace platform {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace platform
