// InlineVector: a growable array that keeps its first N elements inside the object.
//
// A hull facet is almost always a triangle: its vertex loop, fan and sides hold three entries
// each. Kept inline, a facet costs no allocation of its own; a longer loop moves to the heap.
//
// Contract: the interface is the part of std::vector that the hull's readers use, with the
// same meaning: contiguous storage (begin() and end() are pointers, so a span or glVertex3fv
// can take it), indices and iterators valid until the next change of size or capacity, value
// equality (also with any other array of the same elements). Only element types that copy as
// plain bytes qualify.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <ranges>
#include <type_traits>

template <class T, std::size_t N>
class InlineVector {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "elements are moved as plain bytes");

 public:
  using value_type = T;
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using reference = T&;
  using const_reference = const T&;
  using pointer = T*;
  using const_pointer = const T*;
  using iterator = T*;
  using const_iterator = const T*;

  InlineVector() = default;
  InlineVector(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
  template <std::input_iterator It>
  InlineVector(It first, It last) {
    assign(first, last);
  }
  InlineVector(const InlineVector& other) { assign(other.begin(), other.end()); }
  InlineVector(InlineVector&& other) noexcept { take(other); }
  InlineVector& operator=(const InlineVector& other) {
    if (this != &other)
      assign(other.begin(), other.end());
    return *this;
  }
  InlineVector& operator=(InlineVector&& other) noexcept {
    if (this != &other)
      take(other);
    return *this;
  }
  InlineVector& operator=(std::initializer_list<T> values) {
    assign(values.begin(), values.end());
    return *this;
  }
  ~InlineVector() = default;

  T* data() { return heap_ ? heap_.get() : inline_.data(); }
  const T* data() const { return heap_ ? heap_.get() : inline_.data(); }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return heap_ ? capacity_ : N; }
  bool empty() const { return size_ == 0; }

  T* begin() { return data(); }
  T* end() { return data() + size_; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size_; }
  const T* cbegin() const { return begin(); }
  const T* cend() const { return end(); }

  T& operator[](std::size_t i) { return data()[i]; }
  const T& operator[](std::size_t i) const { return data()[i]; }
  T& front() { return data()[0]; }
  const T& front() const { return data()[0]; }
  T& back() { return data()[size_ - 1]; }
  const T& back() const { return data()[size_ - 1]; }

  void reserve(std::size_t wanted) {
    if (wanted <= capacity())
      return;
    auto grown = std::make_unique_for_overwrite<T[]>(wanted);
    std::copy(begin(), end(), grown.get());
    heap_ = std::move(grown);
    capacity_ = static_cast<std::uint32_t>(wanted);
  }

  void clear() { size_ = 0; }

  void push_back(const T& value) {
    if (size_ == capacity()) {
      const T copy = value;  // value may live in this array
      reserve(2 * std::size_t{size_} + 1);
      data()[size_++] = copy;
      return;
    }
    data()[size_++] = value;
  }
  template <class... Args>
  T& emplace_back(Args&&... args) {
    push_back(T(std::forward<Args>(args)...));
    return back();
  }
  void pop_back() { --size_; }

  void resize(std::size_t count, const T& value = T()) {
    const T fill = value;  // value may live in this array
    reserve(count);
    std::fill(data() + std::min<std::size_t>(size_, count), data() + count, fill);
    size_ = static_cast<std::uint32_t>(count);
  }

  template <std::input_iterator It>
  void assign(It first, It last) {
    size_ = 0;
    if constexpr (std::forward_iterator<It>) {
      const auto count = static_cast<std::size_t>(std::distance(first, last));
      reserve(count);
      std::copy(first, last, data());
      size_ = static_cast<std::uint32_t>(count);
    } else {
      for (; first != last; ++first)
        push_back(*first);
    }
  }

  friend bool operator==(const InlineVector& a, const InlineVector& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }
  // Equal to any other array of the same elements (a std::vector, say) element by element.
  template <std::ranges::input_range Range>
  requires(!std::same_as<Range, InlineVector> &&
           std::same_as<std::ranges::range_value_t<Range>, T>) friend bool
  operator==(const InlineVector& a, const Range& b) {
    return std::equal(a.begin(), a.end(), std::ranges::begin(b), std::ranges::end(b));
  }

 private:
  void take(InlineVector& other) {
    heap_ = std::move(other.heap_);
    capacity_ = other.capacity_;
    size_ = other.size_;
    if (!heap_)
      std::copy(other.inline_.begin(), other.inline_.begin() + size_, inline_.begin());
    other.size_ = 0;
  }

  static_assert(N > 0);
  std::array<T, N> inline_{};
  std::unique_ptr<T[]> heap_;  // set once the elements outgrow inline_
  std::uint32_t size_ = 0;
  std::uint32_t capacity_ = N;  // of heap_, while it is set
};
