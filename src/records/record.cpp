#include "records/record.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "services/log.h"

uint32_t g_dwDataVersion = 0;
uint32_t g_dwFileVersion = 0;
int g_bDeleteCR = 0;
int g_nDummyField = 0;

uint32_t CurrentDataVersion() { return g_dwDataVersion ? g_dwDataVersion : kRecordDataVersion; }

void* RecordField::Address(cRecord& r) const {
  if (discarded) return address(r);
  if (kind == FieldKind::String) return address(r);
  return static_cast<uint8_t*>(address(r)) + size_t(start) * size_t(size);
}

static void EraseCR(std::string& s) { s.erase(std::remove(s.begin(), s.end(), '\r'), s.end()); }

// --- reader ------------------------------------------------------------------

cRecordReader::cRecordReader(std::span<const uint8_t> bytes, std::string fileName)
    : m_bytes(bytes), m_fileName(std::move(fileName)), m_version(CurrentDataVersion()) {}

bool cRecordReader::Fail(const char* reason) { return FailAt(m_pos, reason); }

bool cRecordReader::FailAt(size_t offset, const char* reason) {
  if (!m_failed) {
    m_failed = true;
    m_failOffset = offset;
    m_failReason = reason;
  }
  return false;
}

bool cRecordReader::Read(void* dst, size_t n) {
  if (m_failed) return false;
  if (n > Remaining()) return Fail("ファイルが途中で終わっています");
  if (n) std::memcpy(dst, m_bytes.data() + m_pos, n);
  m_pos += n;
  return true;
}

bool cRecordReader::ReadHeader() {
  uint32_t v = 0;
  if (!Read(&v, 4)) return false;
  g_dwFileVersion = v;
  m_version = v;
  if (v > kRecordDataVersion)
    WriteReport("%s : データバージョン %u はこのプログラムより新しいため、読める項目だけを読み込みます", m_fileName.c_str(), v);
  return true;
}

bool cRecordReader::ReadCount(int32_t& n, size_t minElementBytes) {
  int32_t v = 0;
  size_t at = m_pos;
  if (!ReadInt32(v)) return false;
  if (v < 0 || (minElementBytes && size_t(v) > Remaining() / minElementBytes)) return FailAt(at, "個数が不正です");
  n = v;
  return true;
}

bool cRecordReader::ReadString(std::string& s) {
  uint32_t len = 0;
  size_t at = m_pos;
  if (!ReadUInt32(len)) return false;
  if (len == 1) {  // the empty string: nothing follows its length
    s.clear();
    return true;
  }
  if (len == 0 || len > Remaining()) return FailAt(at, "文字列の長さが不正です");
  const char* text = reinterpret_cast<const char*>(m_bytes.data() + m_pos);
  s.assign(text, strnlen(text, len));
  m_pos += len;
  return true;
}

static thread_local std::string t_lastLoadFailure;

std::string LastRecordLoadFailure() { return t_lastLoadFailure; }

void cRecordReader::ReportFailure() const {
  t_lastLoadFailure = Format("レコードファイル %s の読み込みに失敗しました (オフセット %zu: %s)", m_fileName.c_str(),
                             m_failOffset, m_failReason.c_str());
  WriteReport("%s", t_lastLoadFailure.c_str());
}

void cRecordReader::Raw(const char*, void* data, size_t size, NumberType) {
  // Read through a scratch so a short file leaves the target untouched.
  uint8_t tmp[8];
  if (size <= sizeof tmp) {
    if (Read(tmp, size)) std::memcpy(data, tmp, size);
  } else {
    Read(data, size);
  }
}

void cRecordReader::String(const char*, std::string& s) {
  std::string tmp;
  if (ReadString(tmp)) {
    if (g_bDeleteCR) EraseCR(tmp);
    s = std::move(tmp);
  }
}

void cRecordReader::Record(const char*, cRecord& r) {
  if (!m_failed) r.Load(*this);
}

void cRecordReader::Bytes(const char*, std::vector<uint8_t>& v) {
  int32_t n = 0;
  if (!ReadCount(n, 1)) return;
  std::vector<uint8_t> tmp(static_cast<size_t>(n));
  if (Read(tmp.data(), tmp.size())) v = std::move(tmp);
}

void cRecordReader::Ints(const char*, std::vector<int32_t>& v) {
  int32_t n = 0;
  if (!ReadCount(n, 4)) return;
  std::vector<int32_t> tmp(static_cast<size_t>(n));
  if (Read(tmp.data(), tmp.size() * 4)) v = std::move(tmp);
}

void cRecordReader::Strings(const char*, std::vector<std::string>& v) {
  int32_t n = 0;
  if (!ReadCount(n, 4)) return;
  std::vector<std::string> tmp(static_cast<size_t>(n));
  for (std::string& s : tmp) String("", s);
  if (!m_failed) v = std::move(tmp);
}

void cRecordReader::ListImpl(const char*, ListAccess& a) {
  int32_t n = 0;
  if (!ReadCount(n, a.minElementBytes)) return;
  a.reset(size_t(n));
  for (size_t i = 0; i < size_t(n) && !m_failed; ++i) a.at(i).Load(*this);
}

// --- writer ------------------------------------------------------------------

void cRecordWriter::WriteHeader() {
  uint32_t v = CurrentDataVersion();
  Write(&v, 4);
}

void cRecordWriter::Write(const void* src, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(src);
  m_bytes.insert(m_bytes.end(), p, p + n);
}

void cRecordWriter::WriteString(std::string& s) {
  size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  uint32_t len = static_cast<uint32_t>(s.size() + 1);
  Write(&len, 4);
  if (len != 1) Write(s.c_str(), len);
}

void cRecordWriter::Raw(const char*, void* data, size_t size, NumberType) { Write(data, size); }
void cRecordWriter::String(const char*, std::string& s) { WriteString(s); }
void cRecordWriter::Record(const char*, cRecord& r) { r.Save(*this); }

void cRecordWriter::Bytes(const char*, std::vector<uint8_t>& v) {
  WriteInt32(static_cast<int32_t>(v.size()));
  Write(v.data(), v.size());
}

void cRecordWriter::Ints(const char*, std::vector<int32_t>& v) {
  WriteInt32(static_cast<int32_t>(v.size()));
  Write(v.data(), v.size() * 4);
}

void cRecordWriter::Strings(const char*, std::vector<std::string>& v) {
  WriteInt32(static_cast<int32_t>(v.size()));
  for (std::string& s : v) WriteString(s);
}

void cRecordWriter::ListImpl(const char*, ListAccess& a) {
  size_t n = a.size();
  WriteInt32(static_cast<int32_t>(n));
  for (size_t i = 0; i < n; ++i) a.at(i).Save(*this);
}

// --- records -------------------------------------------------------------------

std::vector<const RecordField*> cRecord::RegisteredFields(uint32_t version, FieldKind kind) const {
  std::vector<const RecordField*> out;
  for (const RecordField& f : FieldTable())
    if (f.kind == kind && f.InVersion(version)) out.push_back(&f);
  return out;
}

void cRecord::VisitFields(uint32_t version, const std::function<void(const RecordField&, void*)>& fn) {
  for (FieldKind kind : {FieldKind::Number, FieldKind::String})
    for (const RecordField* f : RegisteredFields(version, kind)) fn(*f, f->Address(*this));
}

bool cRecord::LoadFields(cRecordReader& in) {
  const uint32_t v = in.Version();
  const auto numbers = RegisteredFields(v, FieldKind::Number);
  const auto strings = RegisteredFields(v, FieldKind::String);

  int32_t n = 0;
  size_t at = in.Offset();
  if (!in.ReadInt32(n)) return false;
  // More values than this version registers would land in the wrong
  // members: the file does not hold this record.
  if (n < 0 || size_t(n) > numbers.size())
    return in.FailAt(at, n < 0 ? "数値項目の数が負です" : "数値項目の数が登録数を超えています");
  for (int32_t i = 0; i < n; ++i) {
    const RecordField& f = *numbers[size_t(i)];
    in.Raw(f.name, f.Address(*this), f.Bytes(), f.type);
  }

  int32_t m = 0;
  at = in.Offset();
  if (!in.ReadInt32(m)) return false;
  if (m < 0 || size_t(m) > strings.size())
    return in.FailAt(at, m < 0 ? "文字列項目の数が負です" : "文字列項目の数が登録数を超えています");
  for (int32_t i = 0; i < m; ++i) {
    const RecordField& f = *strings[size_t(i)];
    in.String(f.name, *static_cast<std::string*>(f.Address(*this)));
  }
  if (in.Failed()) return false;
  // Every string of the file's layout, not only those the file named.
  if (g_bDeleteCR)
    for (const RecordField* f : strings) EraseCR(*static_cast<std::string*>(f->Address(*this)));
  return true;
}

void cRecord::SaveFields(cRecordWriter& out) {
  const uint32_t v = out.Version();
  const auto numbers = RegisteredFields(v, FieldKind::Number);
  const auto strings = RegisteredFields(v, FieldKind::String);
  out.WriteInt32(static_cast<int32_t>(numbers.size()));
  for (const RecordField* f : numbers) out.Write(f->Address(*this), f->Bytes());
  out.WriteInt32(static_cast<int32_t>(strings.size()));
  for (const RecordField* f : strings) out.WriteString(*static_cast<std::string*>(f->Address(*this)));
}

bool cRecord::Load(cRecordReader& in) {
  if (!LoadFields(in)) return false;
  Appended(in);
  return in.Ok();
}

void cRecord::Save(cRecordWriter& out) {
  SaveFields(out);
  Appended(out);
}

void cRecord::Clear() {
  VisitFields(CurrentDataVersion(), [](const RecordField& f, void* p) {
    if (f.kind == FieldKind::String)
      static_cast<std::string*>(p)->clear();
    else
      std::memset(p, 0, f.Bytes());
  });
}

void cRecord::DeleteCR() {
  for (const RecordField* f : RegisteredFields(CurrentDataVersion(), FieldKind::String))
    EraseCR(*static_cast<std::string*>(f->Address(*this)));
}

static std::string RecordPath(const char* path) { return (path && *path) ? std::string(path) : std::string("err"); }

bool cRecord::LoadFromFile(const char* path) {
  std::unique_ptr<cRecord> tmp;
  if (!LoadRecordFile(RecordPath(path), [&](cRecordReader& in) {
        tmp = CloneRecord();
        return tmp->Load(in) && in.Ok();
      }))
    return false;
  TakeRecord(*tmp);
  return true;
}

bool cRecord::SaveToFile(const char* path) {
  return SaveRecordFile(RecordPath(path), [&](cRecordWriter& out) { Save(out); });
}

bool LoadRecordFile(std::string_view path, const std::function<bool(cRecordReader&)>& body) {
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(path, bytes)) return false;
  cRecordReader in(bytes, std::string(path));
  bool ok = in.ReadHeader() && body(in) && in.Ok();
  if (!ok) {
    if (!in.Failed()) in.Fail("読み込みに失敗しました");
    in.ReportFailure();
  }
  return ok;
}

bool SaveRecordFile(std::string_view path, const std::function<void(cRecordWriter&)>& body) {
  cRecordWriter out;
  out.WriteHeader();
  body(out);
  return plat::WriteFileAtomic(path, out.Data().data(), out.Data().size());
}
