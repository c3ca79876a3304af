// Database files of older versions, built byte by byte, and what each
// element looks like once it is loaded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/database.h"
#include "support/bytes.h"
#include "support/project_writer.h"
#include "support/temp_folder.h"

namespace {

class DatabaseUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    g_dwDataVersion = kRecordDataVersion;
    g_bDeleteCR = 0;
  }
  // A database file: version, element count, then the element bodies.
  template <class T>
  cCheckedVector<T> Load(uint32_t version, int32_t count, const ByteBuilder& bodies) {
    ByteBuilder file;
    file.U32(version).I32(count).Append(bodies.Bytes());
    const std::string path = dir / "db.dat";
    EXPECT_TRUE(file.WriteTo(path));
    cCheckedVector<T> list;
    EXPECT_EQ(LoadDatabaseFile(list, path.c_str()), DatabaseLoad::Loaded);
    return list;
  }

  TempFolder dir;
  ReportLogCapture report{dir.path()};
};

ByteBuilder& Frame(ByteBuilder& b, int g, int t, int lock) { return b.I32(3).I32(g).I32(t).I32(lock).I32(0); }

// An animation of a file of version 55 or later, with one frame.
ByteBuilder& Anime(ByteBuilder& b, const char* name, int graphic) {
  b.I32(3).I16(-7).U8(0).I16(9).I32(1).Str(name).I32(1);
  return Frame(b, graphic, 2, 0);
}

// An anime set of a version before 119: two offsets only.
ByteBuilder OldSet(int animeCount, uint32_t version) {
  ByteBuilder b;
  if (version >= 119)
    b.I32(3).I32(1).I32(2).I32(3);
  else
    b.I32(2).I32(1).I32(2);
  b.I32(1).Str("set").I32(animeCount);
  for (int i = 0; i < animeCount; ++i) Anime(b, ("a" + std::to_string(i)).c_str(), i);
  return b;
}

TEST_F(DatabaseUpgrade, AnimeSetsBefore128HoldExactlyFourAnimationsWithTheFlightNames) {
  struct Case {
    uint32_t version;
    int count;
    std::vector<std::string> names;
    int flightOffset;
  };
  const Case cases[] = {
      {118, 2, {"a0", "a1", "飛行", "飛行移動"}, 0},
      {118, 6, {"a0", "a1", "飛行", "飛行移動"}, 0},
      {127, 5, {"a0", "a1", "飛行", "飛行移動"}, 3},
      {128, 5, {"a0", "a1", "a2", "a3", "a4"}, 3},
      {128, 1, {"a0"}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "version " << c.version << ", " << c.count << " animations");
    auto sets = Load<cAnimeSetData>(c.version, 1, OldSet(c.count, c.version));
    ASSERT_EQ(sets.size(), 1u);
    const cAnimeSetData& s = sets[0];
    EXPECT_EQ(s.m_strName, "set");
    EXPECT_EQ(s.m_nInvincibleOffset, 1);
    EXPECT_EQ(s.m_nBlockCharaOffset, 2);
    EXPECT_EQ(s.m_nFlightOffset, c.flightOffset);
    ASSERT_EQ(s.m_vecAnime.size(), c.names.size());
    for (size_t i = 0; i < c.names.size(); ++i) EXPECT_EQ(s.m_vecAnime[i].m_strName, c.names[i]) << i;
    // The animations read keep their frames; appended ones are default ones.
    EXPECT_EQ(s.m_vecAnime[0].m_sSettingA, -7);
    EXPECT_EQ(s.m_vecAnime[0].m_vecFrame.at(0).m_nTime, 2);
    if (c.count < 4 && c.names.size() == 4) {
      EXPECT_EQ(s.m_vecAnime[3].m_bFlagB, 1);
      ASSERT_EQ(s.m_vecAnime[3].m_vecFrame.size(), 1u);
      EXPECT_EQ(s.m_vecAnime[3].m_vecFrame[0].m_nTime, 1);
    }
  }
}

TEST_F(DatabaseUpgrade, AnimationsBefore55HoldTheNameOnlyAndEmptyFrameListsStayEmpty) {
  ByteBuilder b;
  b.I32(0).I32(1).Str("old").I32(2);
  Frame(b, 4, 3, 0);
  Frame(b, 6, 1, 1);
  b.I32(0).I32(1).Str("none").I32(0);
  auto list = Load<cAnimeData>(54, 2, b);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].m_strName, "old");
  EXPECT_EQ(list[0].m_sSettingA, 0);
  EXPECT_EQ(list[0].m_bFlagB, 1);
  EXPECT_EQ(list[0].m_sSettingC, 0);
  ASSERT_EQ(list[0].m_vecFrame.size(), 2u);
  EXPECT_EQ(list[0].m_vecFrame[1].m_nGraphic, 6);
  EXPECT_EQ(list[0].m_vecFrame[1].m_nLock, 1);
  EXPECT_TRUE(list[1].m_vecFrame.empty());
}

TEST_F(DatabaseUpgrade, ReservedFieldsAreDroppedBefore153AndCellFieldsComeIn172) {
  struct Case {
    uint32_t version;
    std::vector<int32_t> numbers;  // what the file holds
    int32_t reserved, large, size;
  };
  const Case cases[] = {
      {151, {}, 0, 0, 2},
      {152, {77}, 0, 0, 2},
      {153, {77}, 77, 0, 2},
      {171, {77}, 77, 0, 2},
      {172, {77, 1, 3}, 77, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    ByteBuilder b;
    b.I32(static_cast<int32_t>(c.numbers.size()));
    for (int32_t v : c.numbers) b.I32(v);
    b.I32(2).Str("n").Str("f.bmp");
    auto list = Load<cBmpCharaExcData>(c.version, 1, b);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_strFile, "f.bmp");
    EXPECT_EQ(list[0].m_nReserved, c.reserved);
    EXPECT_EQ(list[0].m_bLargeCells, c.large);
    EXPECT_EQ(list[0].m_nCellSize, c.size);
  }
}

TEST_F(DatabaseUpgrade, SwordFramesBefore138GetMirrorXAndReservedFollowsItsVersions) {
  struct Case {
    uint32_t version;
    bool reservedInFile;
    int32_t reserved;
  };
  const Case cases[] = {{137, false, 0}, {150, false, 0}, {151, true, 0}, {152, true, 0}, {153, true, 55}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    ByteBuilder b;
    if (c.reservedInFile)
      b.I32(1).I32(55);
    else
      b.I32(0);
    b.I32(3).Str("sw").Str("l.bmp").Str("r.bmp").I32(2);
    for (int k = 0; k < 2; ++k) {
      if (c.version >= 138)
        b.I32(10).I32(1).I32(2).I32(0).I32(1).I32(3).I32(4).I32(5).I32(6).I32(7).I32(8 + k).I32(0);
      else
        b.I32(8).I32(1).I32(2).I32(3).I32(4).I32(5).I32(6).I32(7).I32(8 + k).I32(0);
    }
    auto list = Load<cSwordTypeData>(c.version, 1, b);
    ASSERT_EQ(list.size(), 1u);
    const cSwordTypeData& s = list[0];
    EXPECT_EQ(s.m_nReserved, c.reserved);
    EXPECT_EQ(s.m_strRightImage, "r.bmp");
    ASSERT_EQ(s.m_vecFrame.size(), 2u);
    const cSwordFrameData& f = s.m_vecFrame[1];
    EXPECT_EQ(f.m_nX, 1);
    EXPECT_EQ(f.m_nY, 2);
    EXPECT_EQ(f.m_bMirrorX, c.version >= 138 ? 0 : 1);
    EXPECT_EQ(f.m_bMirrorY, c.version >= 138 ? 1 : 0);
    EXPECT_EQ(f.m_nPosition, 3);
    EXPECT_EQ(f.m_nSrcX, 4);
    EXPECT_EQ(f.m_nSrcY, 5);
    EXPECT_EQ(f.m_nWidth, 6);
    EXPECT_EQ(f.m_nHeight, 7);
    EXPECT_EQ(f.m_nTime, 9);
  }
}

TEST_F(DatabaseUpgrade, EffectsAndMediaDropTheReservedFieldBefore153) {
  struct Case {
    uint32_t version;
    bool reservedInFile;
    int32_t reserved;
  };
  const Case cases[] = {{150, false, 0}, {151, true, 0}, {152, true, 0}, {153, true, 31}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    ByteBuilder fx;
    fx.I32(c.reservedInFile ? 4 : 3);
    if (c.reservedInFile) fx.I32(31);
    fx.I32(48).I32(24).I32(1).I32(2).Str("hit").Str("e.bmp").I32(1).I32(2).I32(3).I32(5).I32(0);
    auto effects = Load<cEffectData>(c.version, 1, fx);
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_EQ(effects[0].m_nReserved, c.reserved);
    EXPECT_EQ(effects[0].m_nCellWidth, 48);
    EXPECT_EQ(effects[0].m_nCellHeight, 24);
    EXPECT_EQ(effects[0].m_bScaleWithSize, 1);
    ASSERT_EQ(effects[0].m_vecFrame.size(), 1u);
    EXPECT_EQ(effects[0].m_vecFrame[0].m_nGraphic, 3);
    EXPECT_EQ(effects[0].m_vecFrame[0].m_nTime, 5);

    ByteBuilder media;
    media.I32(c.reservedInFile ? 1 : 0);
    if (c.reservedInFile) media.I32(31);
    media.I32(2).Str("m").Str("x.wav");
    auto pictures = Load<cPictureData>(c.version, 1, media);
    auto sounds = Load<cSoundData>(c.version, 1, media);
    auto bgms = Load<cBgmData>(c.version, 1, media);
    for (const cMediaData* m : {static_cast<const cMediaData*>(&pictures.At(0)),
                                static_cast<const cMediaData*>(&sounds.At(0)), static_cast<const cMediaData*>(&bgms.At(0))}) {
      EXPECT_EQ(m->m_nReserved, c.reserved);
      EXPECT_EQ(m->m_strName, "m");
      EXPECT_EQ(m->m_strFile, "x.wav");
    }
  }
}

// Parameters that kinds gained after version 510 take their schema defaults.
TEST_F(DatabaseUpgrade, EffectKindsUpTo510GetTheParametersAddedLater) {
  struct Case {
    bool screen;
    int kind;
    uint32_t version;
    std::vector<int32_t> expected;  // p0..p4 after loading 11, 12, 13, 14, 15
  };
  const Case cases[] = {
      {false, 4, 510, {11, 12, 13, 14, 2}},  {false, 5, 500, {11, 12, 13, 14, 2}},
      {false, 10, 500, {11, 12, 13, 2, 15}}, {false, 4, 511, {11, 12, 13, 14, 15}},
      {false, 7, 500, {11, 12, 13, 14, 15}}, {true, 6, 510, {11, 12, 13, 14, 8}},
      {true, 7, 510, {11, 12, 13, 14, 10}},  {true, 10, 400, {11, 12, 13, 8, 15}},
      {true, 6, 511, {11, 12, 13, 14, 15}},  {true, 4, 510, {11, 12, 13, 14, 15}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.screen ? "screen" : "chara") << " kind " << c.kind << " v" << c.version);
    ByteBuilder b;
    b.I32(2).I32(c.kind).I32(11).I32(12).I32(13).I32(14).I32(15).I32(1).Str("fx");
    std::vector<int32_t> got;
    if (c.screen) {
      auto list = Load<cScrEffectData>(c.version, 1, b);
      got.assign(list[0].m_nParam, list[0].m_nParam + 5);
    } else {
      auto list = Load<cCharaEffectData>(c.version, 1, b);
      got.assign(list[0].m_nParam, list[0].m_nParam + 5);
    }
    EXPECT_EQ(got, c.expected);
  }
}

}  // namespace
