// Record bodies in memory for the flow and shot tests: written in the layout
// of a chosen data version (as an older program would have registered its
// fields) and read back as a file of a chosen version.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "records/database.h"
#include "records/record.h"

// Makes the program write the layout of `version` while it lives.
class ScopedDataVersion {
 public:
  explicit ScopedDataVersion(uint32_t version) : m_old(g_dwDataVersion) { g_dwDataVersion = version; }
  ~ScopedDataVersion() { g_dwDataVersion = m_old; }
  ScopedDataVersion(const ScopedDataVersion&) = delete;
  ScopedDataVersion& operator=(const ScopedDataVersion&) = delete;

 private:
  uint32_t m_old;
};

// The body the record's Save writes for `version` (no file header).
template <class T>
std::vector<uint8_t> BodyBytes(T& r, uint32_t version = kRecordDataVersion) {
  ScopedDataVersion scoped(version);
  cRecordWriter out;
  r.Save(out);
  return out.Data();
}

// Reads a body as part of a file of `version`; true when it loaded and
// used every byte.
template <class T>
bool ReadBody(T& r, const std::vector<uint8_t>& bytes, uint32_t version = kRecordDataVersion) {
  cRecordReader in(bytes, "test");
  in.SetVersion(version);
  g_dwFileVersion = version;
  return r.Load(in) && in.Ok() && in.Remaining() == 0;
}

// Keeps the global databases as a test found them.
class ScopedDatabase {
 public:
  ScopedDatabase() : m_saved(g_Database) {}
  ~ScopedDatabase() { g_Database = m_saved; }
  ScopedDatabase(const ScopedDatabase&) = delete;
  ScopedDatabase& operator=(const ScopedDatabase&) = delete;

 private:
  cDatabase m_saved;
};
