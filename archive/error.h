// The one error type of the system: a number, a source (the operation that
// raised it) and a description (the text shown to the user).
#pragma once

#include <stdexcept>
#include <string>

namespace archive {

class Error : public std::runtime_error {
public:
    Error(int number, std::string source, std::string description)
        : std::runtime_error(description),
          Number(number),
          Source(std::move(source)),
          Description(std::move(description)) {}

    int Number;
    std::string Source;
    std::string Description;
};

}  // namespace archive
