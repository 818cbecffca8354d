#pragma once
// An event target that writes down what it is sent.

#include <cstdint>
#include <utility>
#include <vector>

#include "control/EventTarget.h"

namespace gm::testing {

class RecordingTarget final : public EventTarget {
 public:
  void invokeEvent(std::uint32_t method, std::int32_t value) override { calls.emplace_back(method, value); }

  std::vector<std::pair<std::uint32_t, std::int32_t>> calls;
};

}  // namespace gm::testing
