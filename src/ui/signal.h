// A minimal observer list. Connections are removed by the token; a signal outlives no owner.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace qm::ui {

template <class... Args>
class Signal {
 public:
  using Slot = std::function<void(Args...)>;

  int Connect(Slot slot) {
    slots_.push_back({next_id_, std::move(slot)});
    return next_id_++;
  }
  void Disconnect(int id) {
    std::erase_if(slots_, [id](const auto& entry) { return entry.first == id; });
  }
  void operator()(Args... args) const {
    // Copy: a slot may connect or disconnect while we iterate.
    auto slots = slots_;
    for (auto& entry : slots) entry.second(args...);
  }

 private:
  std::vector<std::pair<int, Slot>> slots_;
  int next_id_ = 1;
};

}  // namespace qm::ui
