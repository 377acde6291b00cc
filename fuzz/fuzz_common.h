#pragma once
// Shared by the fuzz targets: the fuzzer's bytes as a span, and a rule that
// every target enforces on the controller list after feeding it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "model/Controllers.h"

namespace vantrel::fuzz {

inline std::span<const std::uint8_t> input(const std::uint8_t* data, std::size_t size) {
    return {data, size};
}

// A broken row map is as bad as a crash: abort so the fuzzer reports it.
inline void requireInvariants(const model::ControllerList& list) {
    if (!list.invariantsHold()) std::abort();
}

} // namespace vantrel::fuzz
