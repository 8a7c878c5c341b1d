// A word that the main thread and the process thread share without a lock.
//
// Loads acquire and stores release, so whatever a thread wrote before it stored the
// word is visible to the thread that loads it; on x86 both are plain moves, the
// same code a volatile int gave, but defined behaviour. Copyable, so the records
// that hold such words can still be reset by assignment.
#pragma once

#include <atomic>

// One word of type T behind acquire loads and release stores.
template <typename T>
class SharedWord {
 public:
  constexpr SharedWord(T value = T{}) : value_(value) {}         // holds `value`
  SharedWord(const SharedWord& other) : value_(other.load()) {}  // a copy of the value
  // Stores the other word's value.
  SharedWord& operator=(const SharedWord& other) {
    store(other.load());
    return *this;
  }
  // Stores `value`.
  SharedWord& operator=(T value) {
    store(value);
    return *this;
  }
  operator T() const { return load(); }                              // reads like a plain variable
  T load() const { return value_.load(std::memory_order_acquire); }  // acquire load
  void store(T value) { value_.store(value, std::memory_order_release); }  // release store
  // Stores `value` and returns the one it replaced, in one step.
  T exchange(T value) { return value_.exchange(value, std::memory_order_acq_rel); }

 private:
  std::atomic<T> value_;
};
