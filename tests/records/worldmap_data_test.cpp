#include <gtest/gtest.h>

#include "records/worldmap_data.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class WorldMapFile : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 1;
  }
  std::string PathOf(const char* name) const { return dir / name; }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

// A stage entry body written by hand for a file version.
void Entry(ByteBuilder& b, uint32_t v, int kind, const char* file, int keyed = 0, int k1 = 1, int k2 = 0,
           int score = 0) {
  const int n = v >= 758 ? 14 : v >= 209 ? 11 : 10;
  b.I32(n).I32(kind).I32(2).I32(3).I32(1).I32(1).I32(0).I32(4).I32(5).I32(6).I32(7);
  if (n >= 11) b.I32(score);
  if (n >= 14) b.I32(keyed).I32(k1).I32(k2);
  b.I32(2).Str("title").Str(file);
}

struct NodeDesc {
  int x, y;
  std::vector<std::pair<int, const char*>> entries;  // kind, stage file
};

// A whole map file: size, start cell, a 2-kind chip list, the grid as
// stated (cells = count of cells written), nodes and one default node.
ByteBuilder MapFile(uint32_t v, int w, int h, int pitch, int shift, int startX, int startY,
                    const std::vector<int>& cells, const std::vector<NodeDesc>& nodes) {
  ByteBuilder b;
  b.U32(v);
  b.I32(8).I32(w).I32(h).I32(pitch).I32(shift).I32(startX).I32(startY).I32(3).I32(1);
  b.I32(2).Str("map").Str("bg.bmp");
  b.I32(2);
  b.I32(3).I32(9).I32(1).I32(4).I32(2).Str("a").Str("rock");
  b.I32(3).I32(0).I32(0).I32(5).I32(2).Str("").Str("grass");
  b.I32(int(cells.size()));
  for (int c : cells) b.I32(c);
  b.I32(int(nodes.size()));
  for (const NodeDesc& n : nodes) {
    b.I32(2).I32(n.x).I32(n.y).I32(1).Str("node");
    b.I32(int(n.entries.size()));
    for (auto [kind, file] : n.entries) Entry(b, v, kind, file);
  }
  b.I32(1).I32(2).I32(0).I32(0).I32(1).Str("def").I32(0);
  return b;
}

std::vector<int> Grid(int h, int pitch) {
  std::vector<int> cells(size_t(h) * size_t(pitch));
  for (size_t i = 0; i < cells.size(); ++i) cells[i] = int(i % 7);
  return cells;
}

TEST_F(WorldMapFile, NewMapHasTheDefaultsAndSavesTo2464Bytes) {
  cWorldMapData m;
  EXPECT_EQ(m.m_nWidth, 20);
  EXPECT_EQ(m.m_nHeight, 15);
  EXPECT_EQ(m.m_nPitch, 32);
  EXPECT_EQ(m.m_nPitchShift, 5);
  EXPECT_EQ(m.m_vecCell, std::vector<int>(480, 0));
  ASSERT_EQ(m.m_vecChip.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(m.m_vecChip[size_t(i)].m_nPicture, i);
    EXPECT_EQ(m.m_vecChip[size_t(i)].m_bImpassable, i < 5 ? 1 : 0);
    EXPECT_EQ(m.m_vecChip[size_t(i)].m_strName, i < 5 ? "通行不可" : "通行可");
  }
  EXPECT_TRUE(m.m_vecNode.empty());
  ASSERT_EQ(m.m_vecDefaultNode.size(), 1u);
  EXPECT_EQ(m.m_vecDefaultNode[0].m_strName, "デフォルト");
  ASSERT_EQ(m.m_vecDefaultNode[0].m_vecStage.size(), 1u);
  EXPECT_EQ(m.m_vecDefaultNode[0].m_vecStage[0].m_nKey1, 1);
  EXPECT_EQ(m.m_nStartX, 9);
  EXPECT_EQ(m.m_nStartY, 7);
  EXPECT_EQ(m.m_nBackColor, 16);
  EXPECT_EQ(m.m_strName, "ワールド");

  ASSERT_TRUE(m.SaveToFile(PathOf("WorldMap.dat").c_str()));
  const std::vector<uint8_t> bytes = ReadOsFile(PathOf("WorldMap.dat"));
  ASSERT_EQ(bytes.size(), 2464u);
  // The cells section starts after the version (4), the base body (57) and
  // the chip kinds (364): a count of 480.
  EXPECT_EQ(bytes[425] | bytes[426] << 8, 480);

  cWorldMapData back;
  back.m_nStartX = 0;
  ASSERT_TRUE(back.LoadFromFile(PathOf("WorldMap.dat").c_str()));
  EXPECT_EQ(back.m_nStartX, 9);
  EXPECT_EQ(back.m_vecDefaultNode[0].m_strName, "デフォルト");
}

TEST_F(WorldMapFile, SetSizeKeepsTheOverlappingCells) {
  struct Case {
    int w, h, ret, pitch, shift;
  };
  const Case cases[] = {{33, 2, 1, 64, 6}, {10, 15, 1, 16, 4}, {1, 1, 1, 1, 0}, {2, 3, 1, 2, 1},
                        {32, 15, 1, 32, 5}, {0, 5, 0, 32, 5},  {5, 0, 0, 32, 5}, {-3, 5, 0, 32, 5},
                        {20, -1, 0, 32, 5}, {0x40000000, 0x40000000, 0, 32, 5}};
  for (const Case& c : cases) {
    cWorldMapData m;
    for (int y = 0; y < 15; ++y)
      for (int x = 0; x < 20; ++x) m.m_vecCell[size_t((y << 5) + x)] = y * 100 + x;
    EXPECT_EQ(m.SetSize(c.w, c.h), c.ret) << c.w << "x" << c.h;
    EXPECT_EQ(m.m_nPitch, c.pitch) << c.w;
    EXPECT_EQ(m.m_nPitchShift, c.shift) << c.w;
    if (!c.ret) {
      EXPECT_EQ(m.m_nWidth, 20);
      EXPECT_EQ(m.m_vecCell.size(), 480u);
      EXPECT_EQ(m.m_vecCell[size_t((14 << 5) + 19)], 1419);
      continue;
    }
    ASSERT_EQ(m.m_vecCell.size(), size_t(c.h) * size_t(c.pitch));
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.pitch; ++x) {
        const int expected = (y < 15 && x < 20 && x < c.w) ? y * 100 + x : 0;
        EXPECT_EQ(m.m_vecCell[size_t((y << c.shift) + x)], expected) << c.w << ": " << x << "," << y;
      }
  }
}

TEST_F(WorldMapFile, LoadClampsTheStartAndDropsNodesOutsideTheGrid) {
  ByteBuilder b = MapFile(778, 20, 15, 32, 5, 25, 40, Grid(15, 32),
                          {{20, 3, {{0, "a"}}}, {-1, 2, {{0, "b"}}}, {5, 15, {}}, {19, 14, {{1, "c"}}}});
  ASSERT_TRUE(b.WriteTo(PathOf("w.dat")));
  cWorldMapData m;
  ASSERT_TRUE(m.LoadFromFile(PathOf("w.dat").c_str()));
  EXPECT_EQ(m.m_nStartX, 19);
  EXPECT_EQ(m.m_nStartY, 14);
  ASSERT_EQ(m.m_vecNode.size(), 2u);
  EXPECT_EQ(m.m_vecNode[0].m_nX, -1);
  EXPECT_EQ(m.m_vecNode[1].m_nX, 19);
  EXPECT_EQ(m.m_vecCell, Grid(15, 32));
  ASSERT_EQ(m.m_vecDefaultNode.size(), 1u);
  EXPECT_EQ(m.m_vecDefaultNode[0].m_strName, "def");
  EXPECT_TRUE(m.m_vecDefaultNode[0].m_vecStage.empty());
  EXPECT_EQ(m.m_vecChip.size(), 2u);
  EXPECT_EQ(m.m_vecChip[0].m_nFirstValue, 9);
  EXPECT_EQ(m.m_vecChip[0].m_strFirst, "a");
  EXPECT_EQ(m.m_strBackPicture, "bg.bmp");

  // Saved back, the file holds the normalised map; load and save agree.
  ASSERT_TRUE(m.SaveToFile(PathOf("w2.dat").c_str()));
  cWorldMapData again;
  ASSERT_TRUE(again.LoadFromFile(PathOf("w2.dat").c_str()));
  EXPECT_EQ(again.m_nStartX, 19);
  ASSERT_EQ(again.m_vecNode.size(), 2u);
  EXPECT_EQ(again.m_vecNode[0].m_nX, -1);
  ASSERT_TRUE(again.SaveToFile(PathOf("w3.dat").c_str()));
  EXPECT_EQ(ReadOsFile(PathOf("w2.dat")), ReadOsFile(PathOf("w3.dat")));
}

TEST_F(WorldMapFile, SaveNormalisesTheMapFirst) {
  cWorldMapData m;
  m.m_nStartX = 25;
  m.m_vecNode.resize(2);
  m.m_vecNode[0].m_nX = 20;
  m.m_vecNode[1].m_nX = -1;
  ASSERT_TRUE(m.SaveToFile(PathOf("n.dat").c_str()));
  EXPECT_EQ(m.m_nStartX, 19);
  cWorldMapData back;
  ASSERT_TRUE(back.LoadFromFile(PathOf("n.dat").c_str()));
  EXPECT_EQ(back.m_nStartX, 19);
  ASSERT_EQ(back.m_vecNode.size(), 1u);
  EXPECT_EQ(back.m_vecNode[0].m_nX, -1);
}

TEST_F(WorldMapFile, EntryFieldCountFollowsTheFileVersion) {
  struct Case {
    uint32_t v;
    int score, keyed, k1, k2;
  };
  for (const Case& c : {Case{208, 0, 0, 1, 0}, Case{209, 300, 0, 1, 0}, Case{757, 300, 0, 1, 0},
                        Case{758, 300, 1, 4, 5}}) {
    ByteBuilder b;
    b.U32(c.v);
    b.I32(8).I32(4).I32(2).I32(4).I32(2).I32(0).I32(0).I32(0).I32(0).I32(2).Str("").Str("");
    b.I32(0).I32(8);
    for (int i = 0; i < 8; ++i) b.I32(1);
    b.I32(1).I32(2).I32(1).I32(1).I32(1).Str("n").I32(1);
    Entry(b, c.v, 0, "stage", 1, 4, 5, 300);
    b.I32(0);
    ASSERT_TRUE(b.WriteTo(PathOf("e.dat")));
    cWorldMapData m;
    ASSERT_TRUE(m.LoadFromFile(PathOf("e.dat").c_str())) << c.v;
    ASSERT_EQ(m.m_vecNode.size(), 1u);
    ASSERT_EQ(m.m_vecNode[0].m_vecStage.size(), 1u);
    const cWorldStageData& e = m.m_vecNode[0].m_vecStage[0];
    EXPECT_EQ(e.m_nTestRelation, 7) << c.v;
    EXPECT_EQ(e.m_nScoreNeeded, c.score) << c.v;
    EXPECT_EQ(e.m_bKeyedRanking, c.keyed) << c.v;
    EXPECT_EQ(e.m_nKey1, c.k1) << c.v;
    EXPECT_EQ(e.m_nKey2, c.k2) << c.v;
    EXPECT_EQ(e.m_strTitle, "title");
    EXPECT_EQ(e.m_strStageFile, "stage");
    EXPECT_TRUE(m.m_vecDefaultNode.empty());
  }
}

TEST_F(WorldMapFile, GridThatDoesNotMatchItsSizeIsRebuiltAndLogged) {
  struct Case {
    const char* what;
    int pitch, shift;
    std::vector<int> cells;
  };
  std::vector<int> good = Grid(3, 8);
  const Case cases[] = {
      {"short cell list", 8, 3, std::vector<int>(good.begin(), good.begin() + 10)},
      {"long cell list", 8, 3, [&] { auto c = good; c.resize(100, 9); return c; }()},
      {"wrong pitch", 16, 3, good},
      {"shift past the cells", 8, 40, good},
      {"negative shift", 8, -2, good},
      {"no cells", 8, 3, {}},
  };
  for (const Case& c : cases) {
    ByteBuilder b = MapFile(778, 5, 3, c.pitch, c.shift, 0, 0, c.cells, {{4, 2, {{0, "s"}}}});
    ASSERT_TRUE(b.WriteTo(PathOf("g.dat")));
    report.NewLines();
    cWorldMapData m;
    ASSERT_TRUE(m.LoadFromFile(PathOf("g.dat").c_str())) << c.what;
    EXPECT_EQ(m.m_nPitch, 8) << c.what;
    EXPECT_EQ(m.m_nPitchShift, 3) << c.what;
    ASSERT_EQ(m.m_vecCell.size(), 24u) << c.what;
    EXPECT_EQ(report.NewLines().size(), 1u) << c.what;
    // Cells the file really held at their place are kept.
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const size_t at = size_t(y * 8 + x);
        int expected = 0;
        if (c.shift == 3 && at < c.cells.size()) expected = c.cells[at];
        if ((c.shift < 0 || c.shift > 30) && at < c.cells.size()) expected = c.cells[at];
        EXPECT_EQ(m.m_vecCell[at], expected) << c.what << " " << x << "," << y;
      }
    EXPECT_EQ(m.FindNode(4, 2), &m.m_vecNode[0]);
  }
}

TEST_F(WorldMapFile, SizeThatIsNotPositiveOrTooLargeFailsTheLoad) {
  for (auto [w, h] : {std::pair{-20, 15}, {20, -1}, {0, 15}, {20, 0}, {0x40000000, 0x4000}}) {
    ByteBuilder b = MapFile(778, w, h, 32, 5, 0, 0, Grid(15, 32), {});
    ASSERT_TRUE(b.WriteTo(PathOf("s.dat")));
    report.NewLines();
    cWorldMapData m;
    EXPECT_FALSE(m.LoadFromFile(PathOf("s.dat").c_str())) << w << "x" << h;
    EXPECT_EQ(m.m_nWidth, 20);
    EXPECT_EQ(m.m_vecCell.size(), 480u);
    EXPECT_EQ(report.NewLines().size(), 1u);
  }
}

TEST_F(WorldMapFile, TruncatedFilesFailWithoutTouchingTheRecord) {
  ByteBuilder full = MapFile(778, 5, 3, 8, 3, 1, 1, Grid(3, 8), {{1, 1, {{0, "s"}, {1, "r"}}}});
  for (size_t n = 0; n < full.Size(); ++n) {
    ByteBuilder b;
    b.Append(std::vector<uint8_t>(full.Bytes().begin(), full.Bytes().begin() + long(n)));
    ASSERT_TRUE(b.WriteTo(PathOf("t.dat")));
    cWorldMapData m;
    EXPECT_FALSE(m.LoadFromFile(PathOf("t.dat").c_str())) << n;
    EXPECT_EQ(m.m_nWidth, 20) << n;
    EXPECT_TRUE(m.m_vecNode.empty()) << n;
  }
  // Counts far beyond the bytes left.
  ByteBuilder huge;
  huge.U32(778).I32(8).I32(5).I32(3).I32(8).I32(3).I32(0).I32(0).I32(0).I32(0).I32(2).Str("").Str("");
  huge.I32(0).I32(0x7FFFFFFF);
  ASSERT_TRUE(huge.WriteTo(PathOf("h.dat")));
  cWorldMapData m;
  EXPECT_FALSE(m.LoadFromFile(PathOf("h.dat").c_str()));
}

TEST(WorldMapLookups, FindNodeReturnsTheFirstOnTheCell) {
  cWorldMapData m;
  m.m_vecNode.resize(3);
  m.m_vecNode[0].m_nX = 1;
  m.m_vecNode[1].m_nX = 2;
  m.m_vecNode[1].m_nY = 3;
  m.m_vecNode[2].m_nX = 2;
  m.m_vecNode[2].m_nY = 3;
  EXPECT_EQ(m.FindNode(2, 3), &m.m_vecNode[1]);
  EXPECT_EQ(m.FindNode(1, 0), &m.m_vecNode[0]);
  EXPECT_EQ(m.FindNode(5, 5), nullptr);
}

TEST(WorldMapLookups, HasStageNormalisesNamesAndChecksKinds) {
  cWorldMapData m;
  m.m_vecNode.resize(2);
  auto& a = m.m_vecNode[0].m_vecStage;
  a.resize(3);
  a[0].m_nKind = kWorldRoad;
  a[0].m_strStageFile = "stg\\road.stg4_001";
  a[1].m_nKind = kWorldWall;
  a[1].m_strStageFile = "stg\\wall.stg4_001";
  a[2].m_strStageFile = "stg\\abc-1.stg4_778";
  auto& b = m.m_vecNode[1].m_vecStage;
  b[0].m_strStageFile = "stg\\keyed.stg4_700";
  b[0].m_bKeyedRanking = 1;
  b[0].m_nKey1 = 3;
  b[0].m_nKey2 = 4;

  struct Case {
    const char* name;
    int keyed, k1, k2, expected;
  };
  const Case cases[] = {
      {"stg\\abc.", 0, 0, 0, 1},     {"stg\\abc-1.", 0, 0, 0, 0}, {"stg\\road.", 0, 0, 0, 0},
      {"stg\\wall.", 0, 0, 0, 0},    {"stg\\abc.", 1, 1, 0, 0},   {"stg\\keyed.", 0, 0, 0, 0},
      {"stg\\keyed.", 1, 3, 4, 1},   {"stg\\keyed.", 1, 3, 5, 0}, {"stg\\keyed.", 1, 4, 4, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(m.HasStage(c.name, c.keyed, c.k1, c.k2), c.expected) << c.name;

  // Without "-1", and without an extension, the same name results.
  a[2].m_strStageFile = "stg\\abc";
  EXPECT_EQ(m.HasStage("stg\\abc.", 0, 0, 0), 1);
}

TEST(WorldMapLookups, VariableTestRelations) {
  struct Case {
    int relation, operand, value;
    bool expected;
  };
  const Case cases[] = {
      {0, 5, 5, true},           {0, 5, 4, false},          {1, 5, 4, true},           {2, 5, 5, true},
      {3, 5, 6, false},          {4, 5, 5, false},          {5, 5, 4, true},           {6, 3, -9, true},
      {6, 3, 10, false},         {6, 0, 7, true},           {7, 0, 7, false},          {7, 4, 10, true},
      {6, -1, INT32_MIN, true},  {6, 2, INT32_MIN, true},   {7, 3, INT32_MIN, true},   {8, 0, 0, false},
      {-1, 0, 0, false},         {6, INT32_MIN, INT32_MIN, true},
  };
  for (const Case& c : cases) {
    cWorldStageData e;
    e.m_nTestRelation = c.relation;
    e.m_nTestOperand = c.operand;
    EXPECT_EQ(e.PassesVariableTest(c.value), c.expected) << c.relation << " " << c.operand << " " << c.value;
  }
}

}  // namespace
