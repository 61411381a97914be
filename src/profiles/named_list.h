// A list of texts, each with an object it owns.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm {

// A list of texts, each with an object it owns. Entries keep the order they were added in;
// lookup by text ignores letter case; equal texts may occur. Objects have stable addresses
// (the engine holds the head snapshot while handlers append behind it).
template <class T>
class NamedList {
 public:
  size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  const std::string& Text(size_t i) const { return entries_[i].text; }
  T& Object(size_t i) { return *entries_[i].object; }
  const T& Object(size_t i) const { return *entries_[i].object; }

  T& Add(std::string text, std::unique_ptr<T> object) {
    entries_.push_back({std::move(text), std::move(object)});
    return *entries_.back().object;
  }
  void Delete(size_t i) { entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i)); }
  void Clear() { entries_.clear(); }

  // Index of the first entry whose text equals `text` without regard to ASCII letter case;
  // -1 when there is none.
  int IndexOf(std::string_view text) const {
    for (size_t i = 0; i < entries_.size(); ++i)
      if (EqualsIgnoreCase(entries_[i].text, text)) return static_cast<int>(i);
    return -1;
  }

  static bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
      if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
      if (x != y) return false;
    }
    return true;
  }

 private:
  struct Entry {
    std::string text;
    std::unique_ptr<T> object;
  };
  std::vector<Entry> entries_;
};

}  // namespace qm
