// The record format every project and user data file is written in, and the
// base class of every persistent data structure.
//
// A file is a 4-byte data version followed by the body of its top-level
// record (or a bare list: a 32-bit count and the element bodies). A body is
//   N (int32), the raw little-endian bytes of N numeric fields,
//   M (int32), M strings (uint32 length + 1, then text and NUL unless 1),
// followed by whatever the record appends (nested records, lists, vectors).
//
// How a record class declares itself
// ----------------------------------
// Each class has ONE static table of its persistent members, in file order.
// Width and element count come from the member's type; a gate says from which
// data version and until which one the field is in the file. Loading, saving,
// clearing, dumping and the version filter all walk this table; copies are
// ordinary C++ copies. Appended items are named once, in Appended(), which the
// reader, the writer and the dump tool all run.
//
//   // anime_data.h
//   class cAnimeData : public cRecordOf<cAnimeData> {
//    public:
//     int m_nWidth = 0;
//     short m_anOffset[2] = {};
//     BYTE m_bLoop = 0;
//     std::string m_strName;
//     std::vector<cAnimeFrameData> m_vecFrame;
//     cAnimeData();
//     RecordFieldTable FieldTable() const override;
//     void Appended(cRecordIO& io) override;
//   };
//
//   // anime_data.cpp
//   constinit const RecordField kAnimeDataFields[] = {
//       T4_FIELD(cAnimeData, m_nWidth),
//       T4_FIELD(cAnimeData, m_anOffset).From(259),     // in files from 259 on
//       T4_DISCARDED(4).From(221).Until(258),          // obsolete int, read and dropped
//       T4_FIELD(cAnimeData, m_bLoop),
//       T4_FIELD(cAnimeData, m_strName),               // strings go to the string list
//   };
//   RecordFieldTable cAnimeData::FieldTable() const { return kAnimeDataFields; }
//   void cAnimeData::Appended(cRecordIO& io) { io.List("m_vecFrame", m_vecFrame); }
//   cAnimeData::cAnimeData() { Clear(); m_nWidth = 32; /* the class defaults */ }
//
// Load never clears: fields an older file lacks keep what the record held.
// A class that must migrate old values overrides Load, calls cRecord::Load
// first and then converts (io.Version() / g_dwFileVersion is the file's).
#pragma once
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

static_assert(std::endian::native == std::endian::little, "record files are little-endian");

using BYTE = uint8_t;

class cRecord;

// The version this program writes.
inline constexpr uint32_t kRecordDataVersion = 778;

extern uint32_t g_dwDataVersion;  // current data version (778 once start-up set it)
extern uint32_t g_dwFileVersion;  // version at the head of the file being read
extern int g_bDeleteCR;           // strip byte 13 from every string read
extern int g_nDummyField;         // receives obsolete fields of older files

// g_dwDataVersion, or 778 while start-up has not set it yet (records built
// before start-up are cleared and saved in the current layout all the same).
uint32_t CurrentDataVersion();

enum class FieldKind : uint8_t { Number, String };
enum class NumberType : uint8_t { Signed, Unsigned, Float };

// One entry of a record class's field table.
struct RecordField {
  const char* name = "";
  void* (*address)(cRecord&) = nullptr;  // element 0 of the member
  FieldKind kind = FieldKind::Number;
  NumberType type = NumberType::Signed;
  int8_t size = 0;        // bytes per element: 1, 2, 4 or 8 (numbers)
  int32_t start = 0;      // first element of the member this entry covers
  int32_t count = 1;      // elements
  uint32_t first = 0;     // first data version holding the field
  uint32_t last = UINT32_MAX;  // last data version holding it
  bool discarded = false;      // obsolete: read into g_nDummyField, never written

  constexpr RecordField From(uint32_t v) const { RecordField f = *this; f.first = v; return f; }
  constexpr RecordField Until(uint32_t v) const { RecordField f = *this; f.last = v; return f; }
  // Part of an array member: `n` elements from element `s`.
  // A range outside the member does not compile in a constinit table.
  constexpr RecordField Elements(int32_t s, int32_t n) const {
    if (s < 0 || n < 1 || s + n > count) throw "element range outside the member";
    RecordField f = *this; f.start = s; f.count = n; return f;
  }
  // Gates compare versions as unsigned numbers.
  constexpr bool InVersion(uint32_t v) const { return v >= first && v <= last; }
  constexpr size_t Bytes() const { return kind == FieldKind::Number ? size_t(size) * size_t(count) : 0; }
  // Address of element `start` inside the record (or the scratch integer).
  void* Address(cRecord& r) const;

  template <auto Member>
  static constexpr RecordField Of(const char* name);
  static constexpr RecordField Discarded(int8_t width) {
    RecordField f;
    f.name = "";
    f.address = &DummyAddress;
    f.size = width;
    f.discarded = true;
    return f;
  }

 private:
  static void* DummyAddress(cRecord&) { return &g_nDummyField; }
  template <class>
  struct MemberOf;
  template <class C, class M>
  struct MemberOf<M C::*> {
    using Class = C;
    using Type = M;
  };
  template <auto Member>
  static void* MemberAddress(cRecord& r) {
    using Class = typename MemberOf<decltype(Member)>::Class;
    return static_cast<void*>(&(static_cast<Class&>(r).*Member));
  }
};

using RecordFieldTable = std::span<const RecordField>;

template <auto Member>
constexpr RecordField RecordField::Of(const char* name) {
  using M = typename MemberOf<decltype(Member)>::Type;
  RecordField f;
  f.name = name;
  f.address = &MemberAddress<Member>;
  if constexpr (std::is_same_v<M, std::string>) {
    f.kind = FieldKind::String;
  } else {
    using E = std::remove_all_extents_t<M>;
    static_assert((std::is_arithmetic_v<E> && !std::is_same_v<E, bool>) || std::is_enum_v<E>,
                  "a record field is a number, an array of numbers or a string (bool cannot hold any byte)");
    static_assert(sizeof(E) == 1 || sizeof(E) == 2 || sizeof(E) == 4 || sizeof(E) == 8, "fields are 1, 2, 4 or 8 bytes wide");
    f.kind = FieldKind::Number;
    f.size = static_cast<int8_t>(sizeof(E));
    f.count = static_cast<int32_t>(sizeof(M) / sizeof(E));
    if constexpr (std::is_floating_point_v<E>)
      f.type = NumberType::Float;
    else if constexpr (std::is_enum_v<E>)
      f.type = std::is_signed_v<std::underlying_type_t<E>> ? NumberType::Signed : NumberType::Unsigned;
    else
      f.type = std::is_signed_v<E> ? NumberType::Signed : NumberType::Unsigned;
  }
  return f;
}

#define T4_FIELD(Class, member) (::RecordField::Of<&Class::member>(#member))
#define T4_DISCARDED(width) (::RecordField::Discarded(width))

class cRecordReader;
class cRecordWriter;

// What a record appends after its base body, named once for the reader, the
// writer and the dump tool. Every operation reads, writes or prints the item
// according to the kind of io.
class cRecordIO {
 public:
  enum class Mode { Read, Write, Dump };
  virtual ~cRecordIO() = default;
  virtual Mode GetMode() const = 0;
  bool Reading() const { return GetMode() == Mode::Read; }
  // The layout version: the file's when reading, the current one otherwise.
  virtual uint32_t Version() const = 0;
  // False once reading has failed; later operations then do nothing.
  virtual bool Ok() const { return true; }

  // A single raw value (a marker, a count the record keeps itself...).
  template <class T>
  void Value(const char* name, T& v) {
    static_assert((std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) || std::is_enum_v<T>);
    Raw(name, &v, sizeof(T),
        std::is_floating_point_v<T> ? NumberType::Float
        : std::is_signed_v<T>       ? NumberType::Signed
                                    : NumberType::Unsigned);
  }
  virtual void Raw(const char* name, void* data, size_t size, NumberType type) = 0;
  virtual void String(const char* name, std::string& s) = 0;
  // Nested record: its body, no header.
  virtual void Record(const char* name, cRecord& r) = 0;
  // 32-bit count, then the items.
  virtual void Bytes(const char* name, std::vector<uint8_t>& v) = 0;
  virtual void Ints(const char* name, std::vector<int32_t>& v) = 0;
  virtual void Strings(const char* name, std::vector<std::string>& v) = 0;
  // 32-bit count, then each element's body. Reading empties the list, makes
  // n copies of one default element and lets each read itself.
  template <class T>
  void List(const char* name, std::vector<T>& v) {
    static_assert(std::is_base_of_v<cRecord, T>);
    ListAccess a;
    a.size = [&v] { return v.size(); };
    a.reset = [&v](size_t n) {
      std::vector<T> fresh(n, T());
      v.swap(fresh);
    };
    a.at = [&v](size_t i) -> cRecord& { return v[i]; };
    a.minElementBytes = 8;
    ListImpl(name, a);
  }

 protected:
  struct ListAccess {
    std::function<size_t()> size;
    std::function<void(size_t)> reset;
    std::function<cRecord&(size_t)> at;
    size_t minElementBytes = 8;
  };
  virtual void ListImpl(const char* name, ListAccess& a) = 0;
};

// Bounded reader over the bytes of one file. The first failure is kept with
// its offset; every later read fails without touching its target.
class cRecordReader final : public cRecordIO {
 public:
  cRecordReader(std::span<const uint8_t> bytes, std::string fileName);
  Mode GetMode() const override { return Mode::Read; }
  uint32_t Version() const override { return m_version; }
  bool Ok() const override { return !m_failed; }

  // Reads the 4-byte version into g_dwFileVersion (one report line when it
  // is newer than this program).
  bool ReadHeader();
  void SetVersion(uint32_t v) { m_version = v; }

  bool Read(void* dst, size_t n);
  bool ReadInt32(int32_t& v) { return Read(&v, 4); }
  bool ReadUInt32(uint32_t& v) { return Read(&v, 4); }
  // A count of elements each at least minElementBytes long: fails when
  // negative or when they cannot fit in the bytes left.
  bool ReadCount(int32_t& n, size_t minElementBytes);
  bool ReadString(std::string& s);
  bool Fail(const char* reason);  // at the current offset
  bool FailAt(size_t offset, const char* reason);

  bool Failed() const { return m_failed; }
  size_t Offset() const { return m_pos; }
  size_t Remaining() const { return m_bytes.size() - m_pos; }
  const std::string& FileName() const { return m_fileName; }
  size_t FailureOffset() const { return m_failOffset; }
  const std::string& FailureReason() const { return m_failReason; }
  // Writes the one report line of a failed load.
  void ReportFailure() const;

  void Raw(const char* name, void* data, size_t size, NumberType type) override;
  void String(const char* name, std::string& s) override;
  void Record(const char* name, cRecord& r) override;
  void Bytes(const char* name, std::vector<uint8_t>& v) override;
  void Ints(const char* name, std::vector<int32_t>& v) override;
  void Strings(const char* name, std::vector<std::string>& v) override;

 protected:
  void ListImpl(const char* name, ListAccess& a) override;

 private:
  std::span<const uint8_t> m_bytes;
  std::string m_fileName;
  size_t m_pos = 0;
  uint32_t m_version = 0;
  bool m_failed = false;
  size_t m_failOffset = 0;
  std::string m_failReason;
};

// Collects the bytes of one file in memory; SaveRecordFile hands them to the
// atomic writer.
class cRecordWriter final : public cRecordIO {
 public:
  Mode GetMode() const override { return Mode::Write; }
  uint32_t Version() const override { return CurrentDataVersion(); }

  void WriteHeader();
  void Write(const void* src, size_t n);
  void WriteInt32(int32_t v) { Write(&v, 4); }
  // Cuts the string at its first NUL, in memory too, then writes it.
  void WriteString(std::string& s);
  const std::vector<uint8_t>& Data() const { return m_bytes; }

  void Raw(const char* name, void* data, size_t size, NumberType type) override;
  void String(const char* name, std::string& s) override;
  void Record(const char* name, cRecord& r) override;
  void Bytes(const char* name, std::vector<uint8_t>& v) override;
  void Ints(const char* name, std::vector<int32_t>& v) override;
  void Strings(const char* name, std::vector<std::string>& v) override;

 protected:
  void ListImpl(const char* name, ListAccess& a) override;

 private:
  std::vector<uint8_t> m_bytes;
};

class cRecord {
 public:
  cRecord() = default;
  cRecord(const cRecord&) = default;
  cRecord& operator=(const cRecord&) = default;
  cRecord(cRecord&&) = default;
  cRecord& operator=(cRecord&&) = default;
  virtual ~cRecord() = default;

  // The class's table (empty for a record without fields).
  virtual RecordFieldTable FieldTable() const { return {}; }
  // Appended items after the base body (nothing by default).
  virtual void Appended(cRecordIO&) {}

  // Reads the body for the reader's version; false once the reader failed.
  virtual bool Load(cRecordReader& in);
  // Writes the body in the current layout.
  virtual void Save(cRecordWriter& out);

  // Base body only (what Load and Save do before Appended).
  bool LoadFields(cRecordReader& in);
  void SaveFields(cRecordWriter& out);

  // The table filtered for a version, in file order, one kind at a time.
  std::vector<const RecordField*> RegisteredFields(uint32_t version, FieldKind kind) const;
  // Visits every field registered for `version` (numbers, then strings).
  void VisitFields(uint32_t version, const std::function<void(const RecordField&, void*)>& fn);

  // Zeroes every number and empties every string of the current layout.
  void Clear();
  // Removes every byte 13 from every registered string.
  void DeleteCR();

  // Whole files. Load reads into a copy and keeps it only when the file is
  // complete; on failure one report line names the file and the offset and
  // this record is unchanged. Empty path means "err".
  bool LoadFromFile(const char* path);
  bool SaveToFile(const char* path);

  // Needed to load into a copy; cRecordOf<T> provides them.
  virtual std::unique_ptr<cRecord> CloneRecord() const = 0;
  virtual void TakeRecord(cRecord& from) = 0;
};

// Base of a concrete record class T.
template <class T>
class cRecordOf : public cRecord {
 public:
  std::unique_ptr<cRecord> CloneRecord() const override {
    return std::make_unique<T>(static_cast<const T&>(*this));
  }
  void TakeRecord(cRecord& from) override {
    static_cast<T&>(*this) = std::move(static_cast<T&>(from));
  }
};

// A file whose body is not a single record (the database lists): reads the
// header, runs body on a bounded reader, and on any failure writes one report
// line and returns false. The caller reads into temporaries and keeps them
// only on success. A path that cannot be opened returns false silently (its
// callers report it in their own words).
bool LoadRecordFile(std::string_view path, const std::function<bool(cRecordReader&)>& body);
// The text of the last failed load's report line on this thread (for tools
// that tell the user on stderr).
std::string LastRecordLoadFailure();

// Header plus body, through the atomic writer; the real result.
bool SaveRecordFile(std::string_view path, const std::function<void(cRecordWriter&)>& body);

// Bare lists of records (the database files).
template <class T>
bool LoadRecordListFile(std::string_view path, std::vector<T>& list) {
  std::vector<T> tmp;
  if (!LoadRecordFile(path, [&](cRecordReader& in) {
        in.List("", tmp);
        return in.Ok();
      }))
    return false;
  list = std::move(tmp);
  return true;
}
template <class T>
bool SaveRecordListFile(std::string_view path, std::vector<T>& list) {
  return SaveRecordFile(path, [&](cRecordWriter& out) { out.List("", list); });
}
