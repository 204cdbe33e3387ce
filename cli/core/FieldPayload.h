#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The payload of --kind and --field: composed by PayloadKinds exactly as the window's pages and
// the batches compose it, then taken as UTF-8 bytes like any other payload.
struct FieldPayload {
    std::vector<std::uint8_t> bytes;
    std::string error; // one line; empty when the payload was composed
};

FieldPayload ComposeFieldPayload(const std::string& kind,
                                 const std::vector<std::pair<std::string, std::string>>& fields);
