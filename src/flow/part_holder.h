// The owner of a command's optional settings object (move settings, shot
// settings, condition list). Each command owns its own object: copying a
// holder makes a new object with the source's values, so changing a copy's
// settings never reaches the original, and releasing a holder destroys its
// object at once.
#pragma once
#include <memory>
#include <utility>

template <class T>
class cPartHolder {
 public:
  cPartHolder() = default;
  cPartHolder(const cPartHolder& o) : m_p(o.m_p ? std::make_unique<T>(*o.m_p) : nullptr) {}
  cPartHolder& operator=(const cPartHolder& o) {
    if (this != &o) {
      // Built first, so a copy onto itself through another path stays valid.
      std::unique_ptr<T> fresh = o.m_p ? std::make_unique<T>(*o.m_p) : nullptr;
      m_p = std::move(fresh);
    }
    return *this;
  }
  cPartHolder(cPartHolder&&) noexcept = default;
  cPartHolder& operator=(cPartHolder&&) noexcept = default;

  T* get() const { return m_p.get(); }
  T* operator->() const { return m_p.get(); }
  T& operator*() const { return *m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // Empties the holder and destroys what it held.
  void reset() { m_p.reset(); }
  // Takes `p` over, destroying what the holder held.
  void reset(std::unique_ptr<T> p) { m_p = std::move(p); }

 private:
  std::unique_ptr<T> m_p;
};
