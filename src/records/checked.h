// Bounds-checked containers. A bad index never touches memory outside the
// container: it writes one line to the debug and report logs, asks the main
// window to close, and hands the caller a harmless element until the close
// takes effect.
#pragma once
#include <cstdint>
#include <iterator>
#include <list>
#include <vector>

using BYTE = uint8_t;

// Logs "err V[...]" / "err L[...]" and posts WM_CLOSE to the main window.
void ReportBadVectorIndex(int index, int length, int elementSize);
void ReportBadListIndex(int index, int length, int elementSize);

template <class T>
class cCheckedVector : public std::vector<T> {
 public:
  using std::vector<T>::vector;
  cCheckedVector() = default;
  cCheckedVector(const std::vector<T>& v) : std::vector<T>(v) {}
  cCheckedVector(std::vector<T>&& v) : std::vector<T>(std::move(v)) {}

  T& At(int i) {
    if (i >= 0 && static_cast<size_t>(i) < this->size()) return (*this)[static_cast<size_t>(i)];
    return Fallback(i);
  }
  const T& At(int i) const { return const_cast<cCheckedVector*>(this)->At(i); }
  int Size() const { return static_cast<int>(this->size()); }
  void Fill(const T& value) {
    for (int i = 0; i < Size(); ++i) At(i) = value;
  }

 private:
  // Reads through a bad index see element 0 (or a zeroed element when the
  // vector is empty); writes land in a scratch copy, never in the data.
  T& Fallback(int i) {
    ReportBadVectorIndex(i, Size(), static_cast<int>(sizeof(T)));
    static T& scratch = *new T();
    scratch = this->empty() ? T() : this->front();
    return scratch;
  }
};

template <class T>
class cCheckedList : public std::list<T> {
 public:
  using std::list<T>::list;
  using iterator = typename std::list<T>::iterator;

  T& At(int i) {
    if (i >= 0 && static_cast<size_t>(i) < this->size()) return *std::next(this->begin(), i);
    ReportBadListIndex(i, static_cast<int>(this->size()), static_cast<int>(sizeof(T)));
    return FallbackElement();
  }
  const T& At(int i) const { return const_cast<cCheckedList*>(this)->At(i); }
  int Size() const { return static_cast<int>(this->size()); }

  // n = 0 puts the value first; 0 < n < length puts it before element n;
  // anything else (past the end, negative) appends it.
  iterator InsertAt(int n, const T& value) {
    if (n == 0) return this->insert(this->begin(), value);
    if (static_cast<uint32_t>(n) < static_cast<uint32_t>(this->size()))
      return this->insert(std::next(this->begin(), n), value);
    return this->insert(this->end(), value);
  }
  // Removes element n and returns the position after it; a bad n removes
  // nothing and returns the end.
  iterator EraseAt(int n) {
    if (n < 0 || static_cast<size_t>(n) >= this->size()) return this->end();
    return this->erase(std::next(this->begin(), n));
  }

  // One per element type, made on the first failure and shared by every
  // later one; writes into it persist.
  static T& FallbackElement() {
    static T& fallback = *new T();
    return fallback;
  }
};

// Vectors of records hold their elements by value: copying one is ordinary
// element-by-element assignment, and destroying one frees its storage.
template <class T>
void CopyRecordVector(std::vector<T>& dst, const std::vector<T>& src) {
  dst = src;
}
template <class T>
void DestroyRecordVector(std::vector<T>& v) {
  std::vector<T>().swap(v);
}
