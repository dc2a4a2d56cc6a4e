#pragma once
// An ordered list that owns its items and frees them last first: later items (frames,
// engines created after others) may refer to earlier ones, never the other way round.

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

template <class T>
class TQoOwningList {
 public:
  TQoOwningList() = default;
  TQoOwningList(const TQoOwningList&) = delete;
  TQoOwningList& operator=(const TQoOwningList&) = delete;
  ~TQoOwningList() { Clear(); }

  // Takes ownership; the caller's pointer is left empty. Returns the stored item.
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  int Count() const { return static_cast<int>(items_.size()); }
  T* Get(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
  void Clear() {
    while (!items_.empty()) items_.pop_back();
  }
  // Removes the item at index and hands it back to the caller.
  std::unique_ptr<T> Extract(int index) {
    auto it = items_.begin() + index;
    std::unique_ptr<T> item = std::move(*it);
    items_.erase(it);
    return item;
  }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 protected:
  std::vector<std::unique_ptr<T>>& Items() { return items_; }

 private:
  std::vector<std::unique_ptr<T>> items_;
};
