// The compression methods of `orvane-cli compress --method NAME`. Each method
// registers itself (from any file of cli/) with a static
// CompressMethodRegistration, so adding one touches no existing code.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cli {

struct CompressMethod {
    const char* name;     // the --method value, e.g. "tarvo"
    const char* summary;  // one line for --help
    // Encodes input as a raw stream of compression type 1 or 2. Returns
    // std::nullopt when the method reports that the data does not shrink; a
    // returned stream may still be as long as the input (the command checks).
    std::optional<std::vector<std::uint8_t>> (*compress)(std::span<const std::uint8_t> input, int type);
};

struct CompressMethodRegistration {
    explicit CompressMethodRegistration(const CompressMethod& method);
};

// In registration order; the first is the default.
const std::vector<CompressMethod>& CompressMethods();

}  // namespace cli
