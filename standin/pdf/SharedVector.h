// A vector shared between copies until one of them is changed. Cloning a text object copies
// its characters and their layout this way: the module cuts an object with K removals into K+1
// clones, and each clone is given its own run at once, so a full copy per clone would make the
// cut cost K times the object's length.
#pragma once

#include <memory>
#include <vector>

namespace standin::pdf {

template <typename T>
class SharedVector {
 public:
  SharedVector() = default;
  SharedVector& operator=(std::vector<T>&& values) {
    values_ = std::make_shared<std::vector<T>>(std::move(values));
    return *this;
  }

  const std::vector<T>& Read() const { return values_ ? *values_ : Empty(); }
  // The values to change, no longer shared with any copy.
  std::vector<T>& Edit() {
    if (!values_)
      values_ = std::make_shared<std::vector<T>>();
    else if (values_.use_count() > 1)
      values_ = std::make_shared<std::vector<T>>(*values_);
    return *values_;
  }
  // Drops the values (and their memory, where no copy shares them).
  void Release() { values_.reset(); }

  std::size_t size() const { return Read().size(); }
  bool empty() const { return Read().empty(); }
  const T& operator[](std::size_t i) const { return Read()[i]; }
  typename std::vector<T>::const_iterator begin() const { return Read().begin(); }
  typename std::vector<T>::const_iterator end() const { return Read().end(); }

 private:
  static const std::vector<T>& Empty() {
    static const std::vector<T> empty;
    return empty;
  }
  std::shared_ptr<std::vector<T>> values_;
};

}  // namespace standin::pdf
