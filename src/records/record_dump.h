// Prints records as JSON for the data inspection tool: one key per field of
// the current layout by its member name, appended items by the names the
// record gives them, lists as arrays, strings in UTF-8.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "records/record.h"

std::string RecordToJson(cRecord& r);

template <class T>
std::string RecordListToJson(std::vector<T>& list);

// The kinds of record file the tool knows, by file name.
struct RecordFileType {
  const char* fileName;  // a name or shell pattern, matched without regard to case
  // Loads the file with the program's own loader and prints it; false (with
  // the reason in LastRecordLoadFailure()) when it does not load.
  bool (*dump)(std::string_view path, std::string* json);
};
// The table itself lives in record_files.cpp.
std::span<const RecordFileType> RecordFileTypes();
const RecordFileType* FindRecordFileType(std::string_view path);

// Entry makers for the table.
template <class T>
bool DumpRecordFile(std::string_view path, std::string* json) {
  T r;
  if (!r.LoadFromFile(std::string(path).c_str())) return false;
  *json = RecordToJson(r);
  return true;
}
template <class T>
bool DumpRecordListFile(std::string_view path, std::string* json) {
  std::vector<T> list;
  if (!LoadRecordListFile(path, list)) return false;
  *json = RecordListToJson(list);
  return true;
}

// --- implementation -----------------------------------------------------------

class cRecordJsonWriter final : public cRecordIO {
 public:
  Mode GetMode() const override { return Mode::Dump; }
  uint32_t Version() const override { return CurrentDataVersion(); }
  void Object(cRecord& r);
  void BeginArray(const char* name);
  void EndArray();
  std::string Take() { return std::move(m_out); }

  void Raw(const char* name, void* data, size_t size, NumberType type) override;
  void String(const char* name, std::string& s) override;
  void Record(const char* name, cRecord& r) override;
  void Bytes(const char* name, std::vector<uint8_t>& v) override;
  void Ints(const char* name, std::vector<int32_t>& v) override;
  void Strings(const char* name, std::vector<std::string>& v) override;

 protected:
  void ListImpl(const char* name, ListAccess& a) override;

 private:
  void Key(const char* name);
  void Number(const void* data, size_t size, NumberType type);
  void Quoted(std::string_view cp932);
  std::string m_out;
  std::vector<bool> m_first;  // per open object or array: nothing written yet
};

template <class T>
std::string RecordListToJson(std::vector<T>& list) {
  cRecordJsonWriter w;
  w.List("", list);
  return w.Take();
}
