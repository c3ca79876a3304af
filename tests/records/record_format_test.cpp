#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/paths.h"
#include "records/record.h"
#include "records/record_test_types.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class RecordFile : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_dwFileVersion = 0;
    g_bDeleteCR = 0;
    g_nDummyField = 0;
  }
  std::string PathOf(const char* name) const { return dir / name; }
  bool Write(const char* name, const ByteBuilder& b) const { return b.WriteTo(PathOf(name)); }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

cTestRecord Sample() {
  cTestRecord r;
  r.m_nA = -2;
  r.m_anB[0] = 0x1234;
  r.m_anB[1] = -1;
  r.m_bC = 0xAB;
  r.m_dD = 1.0199999809265137;
  r.m_strE = "abc";
  r.m_strF = "";
  r.m_vecItem.resize(2);
  r.m_vecItem[0].m_nValue = 7;
  r.m_vecItem[0].m_strLabel = "x";
  r.m_vecItem[1].m_nValue = 8;
  r.m_vecFlag = {1, 0, 1};
  return r;
}

// The file of Sample() for version 778, written out from the field table by
// hand: header, N = 4 (A, B[2], C, D), M = 2 (E, F), two items, three flags.
ByteBuilder SampleBytes() {
  ByteBuilder b;
  b.U32(778);
  b.I32(4).I32(-2).I16(0x1234).I16(-1).U8(0xAB).F64(1.0199999809265137);
  b.I32(2).Str("abc").Str("");
  b.I32(2);
  b.I32(1).I32(7).I32(1).Str("x");
  b.I32(1).I32(8).I32(1).Str("");
  b.I32(3).U8(1).U8(0).U8(1);
  return b;
}

bool SameBytes(cTestRecord a, cTestRecord b) {
  cRecordWriter wa, wb;
  a.Save(wa);
  b.Save(wb);
  return wa.Data() == wb.Data();
}

TEST_F(RecordFile, EmptyRecordWritesHeaderAndTwoZeroCounts) {
  cEmptyRecord r;
  ASSERT_TRUE(r.SaveToFile(PathOf("e.dat").c_str()));
  ByteBuilder expected;
  expected.U32(778).I32(0).I32(0);
  EXPECT_EQ(ReadOsFile(PathOf("e.dat")), expected.Bytes());
}

TEST_F(RecordFile, SaveWritesExactlyTheLayoutOfTheFieldTable) {
  cTestRecord r = Sample();
  ASSERT_TRUE(r.SaveToFile(PathOf("s.dat").c_str()));
  std::vector<uint8_t> got = ReadOsFile(PathOf("s.dat"));
  // 4 + (4 + 17) + (4 + 8 + 4) + 4 + (4+4+4+6) + (4+4+4+4) + (4+3) = 86 bytes.
  EXPECT_EQ(got.size(), 86u);
  EXPECT_EQ(got, SampleBytes().Bytes()) << HexBytes(got);
}

TEST_F(RecordFile, LoadOfWrittenBytesGivesBackEveryValue) {
  ASSERT_TRUE(Write("s.dat", SampleBytes()));
  cTestRecord r;
  ASSERT_TRUE(r.LoadFromFile(PathOf("s.dat").c_str()));
  EXPECT_EQ(r.m_nA, -2);
  EXPECT_EQ(r.m_anB[0], 0x1234);
  EXPECT_EQ(r.m_anB[1], -1);
  EXPECT_EQ(r.m_bC, 0xAB);
  EXPECT_EQ(r.m_dD, 1.0199999809265137);
  EXPECT_EQ(r.m_strE, "abc");
  ASSERT_EQ(r.m_vecItem.size(), 2u);
  EXPECT_EQ(r.m_vecItem[0].m_strLabel, "x");
  EXPECT_EQ(r.m_vecItem[1].m_nValue, 8);
  EXPECT_EQ(r.m_vecFlag, (std::vector<uint8_t>{1, 0, 1}));
  EXPECT_EQ(g_dwFileVersion, 778u);
  ASSERT_TRUE(r.SaveToFile(PathOf("again.dat").c_str()));
  EXPECT_EQ(ReadOsFile(PathOf("again.dat")), SampleBytes().Bytes());
  EXPECT_TRUE(report.NewLines().empty());
}

// Older files, written byte by byte: each gate opens at its version and the
// fields a file lacks keep what the record held.
TEST_F(RecordFile, VersionGatesFollowTheFileVersion) {
  struct Case {
    uint32_t version;
    bool dummy, b, f;
  } cases[] = {
      {220, false, false, false}, {221, true, false, false}, {258, true, false, false},
      {259, false, true, false},  {299, false, true, false}, {300, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    ByteBuilder b;
    b.U32(c.version);
    b.I32(3 + (c.dummy || c.b ? 1 : 0)).I32(41);
    if (c.dummy) b.I32(0x55667788);
    if (c.b) b.I16(3).I16(4);
    b.U8(9).F64(-0.5);
    b.I32(c.f ? 2 : 1).Str("e");
    if (c.f) b.Str("f");
    b.I32(0);  // no items
    if (c.f) b.I32(1).U8(6);
    ASSERT_TRUE(Write("old.dat", b));

    cTestRecord r;
    r.m_anB[0] = 100;
    r.m_strF = "kept";
    r.m_vecFlag = {1, 2};
    g_nDummyField = 0;
    ASSERT_TRUE(r.LoadFromFile(PathOf("old.dat").c_str()));
    EXPECT_EQ(r.m_nA, 41);
    EXPECT_EQ(r.m_bC, 9);
    EXPECT_EQ(r.m_dD, -0.5);
    EXPECT_EQ(r.m_strE, "e");
    EXPECT_EQ(g_nDummyField, c.dummy ? 0x55667788 : 0);
    EXPECT_EQ(r.m_anB[0], c.b ? 3 : 100);
    EXPECT_EQ(r.m_strF, c.f ? "f" : "kept");
    EXPECT_EQ(r.m_vecFlag, c.f ? std::vector<uint8_t>({6}) : std::vector<uint8_t>({1, 2}));
    EXPECT_EQ(g_dwFileVersion, c.version);

    // Saved again, it is a complete file of the current version.
    ASSERT_TRUE(r.SaveToFile(PathOf("new.dat").c_str()));
    cTestRecord back;
    ASSERT_TRUE(back.LoadFromFile(PathOf("new.dat").c_str()));
    EXPECT_TRUE(SameBytes(back, r));
  }
}

TEST_F(RecordFile, NewerFileLoadsWithEveryGateOpenAndSaysSo) {
  for (uint32_t version : {800u, 4294967295u}) {
    ByteBuilder b;
    b.U32(version).I32(5).I32(1).I16(2).I16(3).U8(4).F64(5).U32(6);
    b.I32(2).Str("e").Str("f").I32(0).I32(0);
    ASSERT_TRUE(Write("new.dat", b));
    cTestRecord r;
    ASSERT_TRUE(r.LoadFromFile(PathOf("new.dat").c_str()));
    EXPECT_EQ(r.m_uLate, 6u);
    EXPECT_EQ(r.m_strF, "f");
    std::vector<std::string> lines = report.NewLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(std::to_string(version)), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("new.dat"), std::string::npos) << lines[0];
  }
}

TEST_F(RecordFile, StringEntriesFollowTheFormat) {
  // L = 6 with a NUL inside: the text stops at it and reading goes on after
  // all six bytes. Carriage returns go when g_bDeleteCR is set.
  ByteBuilder b;
  b.U32(778).I32(0).I32(2);
  b.U32(6).Raw(std::string("ab\0cd\0", 6));
  b.Str("l1\r\nl2\r");
  b.I32(0).I32(0);
  ASSERT_TRUE(Write("s.dat", b));
  g_bDeleteCR = 1;
  cTestRecord r;
  ASSERT_TRUE(r.LoadFromFile(PathOf("s.dat").c_str()));
  EXPECT_EQ(r.m_strE, "ab");
  EXPECT_EQ(r.m_strF, "l1\nl2");

  // A NUL inside a string is cut on save, in memory too.
  r.m_strE = std::string("xy\0z", 4);
  cRecordWriter w;
  r.Save(w);
  EXPECT_EQ(r.m_strE, "xy");
  ByteBuilder expected;
  expected.Str("xy");
  const std::vector<uint8_t>& d = w.Data();
  EXPECT_NE(std::search(d.begin(), d.end(), expected.Bytes().begin(), expected.Bytes().end()), d.end());
}

TEST_F(RecordFile, ListCountReplacesTheWholeList) {
  for (int n : {0, 3}) {
    ByteBuilder b;
    b.U32(778).I32(0).I32(0).I32(n);
    for (int i = 0; i < n; ++i) b.I32(1).I32(10 + i).I32(0);
    b.I32(0);
    ASSERT_TRUE(Write("l.dat", b));
    cTestRecord r = Sample();
    r.m_vecItem.resize(5);
    ASSERT_TRUE(r.LoadFromFile(PathOf("l.dat").c_str()));
    ASSERT_EQ(r.m_vecItem.size(), size_t(n));
    for (int i = 0; i < n; ++i) EXPECT_EQ(r.m_vecItem[size_t(i)].m_nValue, 10 + i);
    // Fields the short bodies did not name keep the element defaults.
    for (const cTestItem& item : r.m_vecItem) EXPECT_EQ(item.m_strLabel, "");
  }
}

// Every damaged file fails as a whole: one report line with the file and the
// offset where reading stopped, and the record keeps what it held.
TEST_F(RecordFile, DamagedFilesFailWithOneLineAndLeaveTheRecordAlone) {
  auto full = SampleBytes().Bytes();
  auto cut = [&](size_t n) {
    ByteBuilder b;
    b.Append(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(n)));
    return b;
  };
  struct Case {
    const char* what;
    ByteBuilder bytes;
    size_t offset;
  } cases[] = {
      {"shorter than its header", cut(3), 0},
      {"empty", cut(0), 0},
      {"cut inside a field", cut(10), 8},
      {"cut inside a string", cut(29), 29},
      {"cut before the list", cut(41), 41},
      {"cut inside the second item", cut(64), 63},
      {"negative field count", ByteBuilder().U32(778).I32(-1), 4},
      {"more fields than registered", ByteBuilder().U32(778).I32(5), 4},
      {"more strings than registered", ByteBuilder().U32(778).I32(0).I32(3), 8},
      {"string length 0", ByteBuilder().U32(778).I32(0).I32(1).U32(0), 12},
      {"string length past the end", ByteBuilder().U32(778).I32(0).I32(1).U32(0x7FFFFFF0).Raw("abc"), 12},
      {"list count beyond the bytes left", ByteBuilder().U32(778).I32(0).I32(0).I32(1000000).I32(0), 12},
      {"negative list count", ByteBuilder().U32(778).I32(0).I32(0).I32(-3), 12},
      {"byte vector past the end", ByteBuilder().U32(778).I32(0).I32(0).I32(0).I32(5).U8(1), 16},
  };
  // The byte vector only exists from version 300; the last case is 778.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Write("bad.dat", c.bytes));
    cTestRecord r = Sample();
    r.m_strE = "before";
    cTestRecord before = r;
    EXPECT_FALSE(r.LoadFromFile(PathOf("bad.dat").c_str()));
    EXPECT_TRUE(SameBytes(r, before));
    std::vector<std::string> lines = report.NewLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(PathOf("bad.dat")), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(reinterpret_cast<const char*>(u8"オフセット ") + std::to_string(c.offset) + ":"), std::string::npos) << lines[0];
  }
}

TEST_F(RecordFile, RandomDamageNeverCrashesAndFailsCleanly) {
  const std::vector<uint8_t> good = SampleBytes().Bytes();
  std::mt19937 rng(1234);
  int failures = 0;
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> bytes = good;
    switch (round % 3) {
      case 0: bytes.resize(rng() % bytes.size()); break;
      case 1:
        for (int k = 0; k < 3; ++k) bytes[4 + rng() % (bytes.size() - 4)] = static_cast<uint8_t>(rng());
        break;
      default:
        bytes.resize(4 + rng() % 64);
        for (size_t k = 4; k < bytes.size(); ++k) bytes[k] = static_cast<uint8_t>(rng());
    }
    ByteBuilder b;
    b.Append(bytes);
    ASSERT_TRUE(Write("r.dat", b));
    cTestRecord r = Sample();
    cTestRecord before = r;
    if (!r.LoadFromFile(PathOf("r.dat").c_str())) {
      ++failures;
      ASSERT_TRUE(SameBytes(r, before)) << round;
      ASSERT_EQ(report.NewLines().size(), 1u) << round;
    } else {
      report.NewLines();
    }
  }
  EXPECT_GT(failures, 200);
}

TEST_F(RecordFile, SaveReportsARealFailureAndKeepsTheOldFile) {
  cTestRecord r = Sample();
  EXPECT_FALSE(r.SaveToFile((dir / "missing/x.dat").c_str()));
  // A target that cannot be replaced (a folder) fails and stays as it was.
  std::string folder = dir / "folder.dat";
  ASSERT_TRUE(plat::CreateDirectory(folder));
  EXPECT_FALSE(r.SaveToFile(folder.c_str()));
  EXPECT_TRUE(plat::DirectoryExists(folder));
}

TEST_F(RecordFile, UnopenableFileFailsWithoutAReportLine) {
  TempFolder cwd{true};
  cTestRecord r = Sample();
  EXPECT_FALSE(r.LoadFromFile(""));  // the relative file "err"
  EXPECT_FALSE(r.LoadFromFile(PathOf("nothing.dat").c_str()));
  EXPECT_TRUE(SameBytes(r, Sample()));
  EXPECT_TRUE(report.NewLines().empty());
  ASSERT_TRUE(r.SaveToFile(nullptr));
  EXPECT_TRUE(r.LoadFromFile(""));
}

TEST(RecordFields, RegistrationFiltersTheTableByVersion) {
  cTestRecord r;
  auto names = [&](uint32_t v, FieldKind k) {
    std::string s;
    for (const RecordField* f : r.RegisteredFields(v, k)) s += std::string(f->discarded ? "~" : f->name) + " ";
    return s;
  };
  EXPECT_EQ(names(220, FieldKind::Number), "m_nA m_bC m_dD ");
  EXPECT_EQ(names(258, FieldKind::Number), "m_nA ~ m_bC m_dD ");
  EXPECT_EQ(names(259, FieldKind::Number), "m_nA m_anB m_bC m_dD ");
  EXPECT_EQ(names(778, FieldKind::Number), "m_nA m_anB m_bC m_dD ");
  EXPECT_EQ(names(4294967295u, FieldKind::Number), "m_nA m_anB m_bC m_dD m_uLate ");
  EXPECT_EQ(names(299, FieldKind::String), "m_strE ");
  EXPECT_EQ(names(778, FieldKind::String), "m_strE m_strF ");
  const RecordField& b = *r.RegisteredFields(778, FieldKind::Number)[1];
  EXPECT_EQ(b.size, 2);
  EXPECT_EQ(b.count, 2);
}

TEST(RecordFields, ClearZeroesTheCurrentLayoutAndCopiesAreIndependent) {
  g_dwDataVersion = kRecordDataVersion;
  cTestRecord r = Sample();
  cTestRecord copy = r;
  copy.m_vecItem[0].m_strLabel = "changed";
  copy.m_strE = "other";
  EXPECT_EQ(r.m_vecItem[0].m_strLabel, "x");
  EXPECT_EQ(r.m_strE, "abc");
  r.Clear();
  EXPECT_EQ(r.m_nA, 0);
  EXPECT_EQ(r.m_anB[1], 0);
  EXPECT_EQ(r.m_dD, 0.0);
  EXPECT_EQ(r.m_strE, "");
  EXPECT_EQ(r.m_vecItem.size(), 2u);  // appended items are not fields
}

}  // namespace
