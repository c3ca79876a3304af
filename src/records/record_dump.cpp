#include "records/record_dump.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fnmatch.h>

#include "platform/text.h"

void cRecordJsonWriter::Key(const char* name) {
  if (!m_first.empty()) {
    if (!m_first.back()) m_out += ',';
    m_first.back() = false;
  }
  if (name && *name) {
    Quoted(name);
    m_out += ':';
  }
}

void cRecordJsonWriter::Number(const void* data, size_t size, NumberType type) {
  char buf[40];
  if (type == NumberType::Float && size == 8) {
    double d;
    std::memcpy(&d, data, 8);
    if (std::isnan(d))
      std::snprintf(buf, sizeof buf, "\"NaN\"");
    else if (std::isinf(d))
      std::snprintf(buf, sizeof buf, d > 0 ? "\"Infinity\"" : "\"-Infinity\"");
    else
      std::snprintf(buf, sizeof buf, "%.17g", d);
  } else if (type == NumberType::Float && size == 4) {
    float f;
    std::memcpy(&f, data, 4);
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
  } else {
    uint64_t u = 0;
    std::memcpy(&u, data, size);
    if (type == NumberType::Signed && size < 8 && (u >> (size * 8 - 1)) & 1) u |= ~uint64_t(0) << (size * 8);
    if (type == NumberType::Signed)
      std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(u));
    else
      std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(u));
  }
  m_out += buf;
}

void cRecordJsonWriter::Quoted(std::string_view cp932) {
  std::string utf8 = plat::Cp932ToUtf8(cp932);
  m_out += '"';
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': m_out += "\\\""; break;
      case '\\': m_out += "\\\\"; break;
      case '\n': m_out += "\\n"; break;
      case '\r': m_out += "\\r"; break;
      case '\t': m_out += "\\t"; break;
      default:
        if (c < 0x20) {
          char b[8];
          std::snprintf(b, sizeof b, "\\u%04x", c);
          m_out += b;
        } else {
          m_out += static_cast<char>(c);
        }
    }
  }
  m_out += '"';
}

void cRecordJsonWriter::BeginArray(const char* name) {
  Key(name);
  m_out += '[';
  m_first.push_back(true);
}

void cRecordJsonWriter::EndArray() {
  m_first.pop_back();
  m_out += ']';
}

void cRecordJsonWriter::Object(cRecord& r) {
  m_out += '{';
  m_first.push_back(true);
  r.VisitFields(Version(), [&](const RecordField& f, void* p) {
    if (f.discarded) return;
    if (f.kind == FieldKind::String) {
      Key(f.name);
      Quoted(*static_cast<std::string*>(p));
    } else if (f.count == 1) {
      Key(f.name);
      Number(p, size_t(f.size), f.type);
    } else {
      BeginArray(f.name);
      for (int32_t i = 0; i < f.count; ++i) {
        Key(nullptr);
        Number(static_cast<uint8_t*>(p) + size_t(i) * size_t(f.size), size_t(f.size), f.type);
      }
      EndArray();
    }
  });
  r.Appended(*this);
  m_first.pop_back();
  m_out += '}';
}

void cRecordJsonWriter::Raw(const char* name, void* data, size_t size, NumberType type) {
  Key(name);
  Number(data, size, type);
}

void cRecordJsonWriter::String(const char* name, std::string& s) {
  Key(name);
  Quoted(s);
}

void cRecordJsonWriter::Record(const char* name, cRecord& r) {
  Key(name);
  Object(r);
}

void cRecordJsonWriter::Bytes(const char* name, std::vector<uint8_t>& v) {
  BeginArray(name);
  for (uint8_t& b : v) Raw(nullptr, &b, 1, NumberType::Unsigned);
  EndArray();
}

void cRecordJsonWriter::Ints(const char* name, std::vector<int32_t>& v) {
  BeginArray(name);
  for (int32_t& i : v) Raw(nullptr, &i, 4, NumberType::Signed);
  EndArray();
}

void cRecordJsonWriter::Strings(const char* name, std::vector<std::string>& v) {
  BeginArray(name);
  for (std::string& s : v) String(nullptr, s);
  EndArray();
}

void cRecordJsonWriter::ListImpl(const char* name, ListAccess& a) {
  BeginArray(name);
  for (size_t i = 0, n = a.size(); i < n; ++i) Record(nullptr, a.at(i));
  EndArray();
}

std::string RecordToJson(cRecord& r) {
  cRecordJsonWriter w;
  w.Object(r);
  return w.Take();
}

const RecordFileType* FindRecordFileType(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  std::string name(cut == std::string_view::npos ? path : path.substr(cut + 1));
  for (const RecordFileType& t : RecordFileTypes())
    if (fnmatch(t.fileName, name.c_str(), FNM_CASEFOLD) == 0) return &t;
  return nullptr;
}
