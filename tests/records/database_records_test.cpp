// Every database element record written at the current version: the exact
// bytes (built here by hand from the field tables), the size, and a reload
// that gives the same record back.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "records/database.h"
#include "support/bytes.h"

namespace {

template <class T>
std::vector<uint8_t> SaveBody(T& r) {
  cRecordWriter w;
  r.Save(w);
  return w.Data();
}

// Loads a body written at `version`; the whole buffer must be consumed.
template <class T>
bool LoadBody(T& r, const std::vector<uint8_t>& bytes, uint32_t version) {
  cRecordReader in(bytes, "body");
  in.SetVersion(version);
  g_dwFileVersion = version;
  return r.Load(in) && in.Ok() && in.Remaining() == 0;
}

struct RoundTripCase {
  const char* name;
  std::function<std::vector<uint8_t>()> save;    // a filled record's body
  std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> reload;  // load into a default record, save again
  ByteBuilder expected;
  size_t size;  // worked out from the field table
};

template <class T>
std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> Reloader() {
  return [](const std::vector<uint8_t>& bytes) {
    T r;
    EXPECT_TRUE(LoadBody(r, bytes, kRecordDataVersion));
    return SaveBody(r);
  };
}

ByteBuilder Frame(int g, int t, int lock) {
  ByteBuilder b;
  b.I32(3).I32(g).I32(t).I32(lock).I32(0);
  return b;
}

ByteBuilder Anime(const char* name, int16_t a, uint8_t flag, int16_t c, std::vector<ByteBuilder> frames) {
  ByteBuilder b;
  b.I32(3).I16(a).U8(flag).I16(c).I32(1).Str(name).I32(static_cast<int32_t>(frames.size()));
  for (auto& f : frames) b.Append(f.Bytes());
  return b;
}

ByteBuilder SwordFrame(int base) {
  ByteBuilder b;
  b.I32(10);
  for (int i = 0; i < 10; ++i) b.I32(base + i);
  b.I32(0);
  return b;
}

std::vector<RoundTripCase> Cases() {
  std::vector<RoundTripCase> cases;

  cases.push_back({"AnimeFrame",
                   [] {
                     cAnimeFrameData f;
                     f.m_nGraphic = 7, f.m_nTime = 3, f.m_nLock = 1;
                     return SaveBody(f);
                   },
                   Reloader<cAnimeFrameData>(), Frame(7, 3, 1),
                   4 + 3 * 4 + 4});

  cases.push_back({"Anime",
                   [] {
                     cAnimeData a;
                     a.m_strName = "run";
                     a.m_sSettingA = -2, a.m_bFlagB = 0, a.m_sSettingC = 300;
                     a.m_vecFrame.resize(2);
                     a.m_vecFrame[0].m_nGraphic = 1, a.m_vecFrame[0].m_nTime = 2;
                     a.m_vecFrame[1].m_nGraphic = 5, a.m_vecFrame[1].m_nLock = 1;
                     return SaveBody(a);
                   },
                   Reloader<cAnimeData>(), Anime("run", -2, 0, 300, {Frame(1, 2, 0), Frame(5, 1, 1)}),
                   // numbers 4 + 2 + 1 + 2, name 4 + 4, frame list 4 + 2 x 20
                   (4 + 5) + (4 + 8) + (4 + 2 * 20)});

  {
    ByteBuilder set;
    set.I32(3).I32(5).I32(9).I32(12).I32(1).Str("hero").I32(1);
    set.Append(Anime("a", 0, 1, 0, {Frame(2, 3, 0)}).Bytes());
    cases.push_back({"AnimeSet",
                     [] {
                       cAnimeSetData s;
                       s.m_strName = "hero";
                       s.m_nInvincibleOffset = 5, s.m_nBlockCharaOffset = 9, s.m_nFlightOffset = 12;
                       s.m_vecAnime.resize(1);
                       s.m_vecAnime[0].m_strName = "a";
                       s.m_vecAnime[0].m_vecFrame[0].m_nGraphic = 2;
                       s.m_vecAnime[0].m_vecFrame[0].m_nTime = 3;
                       return SaveBody(s);
                     },
                     Reloader<cAnimeSetData>(), set,
                     // numbers 4 + 12, name 4 + 9, list 4 + one animation (9 + 10 + 24)
                     (4 + 12) + (4 + 9) + 4 + (9 + 10 + 24)});
  }

  {
    ByteBuilder b;
    b.I32(3).I32(7).I32(1).I32(3).I32(2).Str("b").Str("x.bmp");
    cases.push_back({"BmpCharaExc",
                     [] {
                       cBmpCharaExcData e;
                       e.m_strName = "b", e.m_strFile = "x.bmp";
                       e.m_nReserved = 7, e.m_bLargeCells = 1, e.m_nCellSize = 3;
                       return SaveBody(e);
                     },
                     Reloader<cBmpCharaExcData>(), b, (4 + 12) + (4 + 6 + 10)});
  }

  cases.push_back({"SwordFrame",
                   [] {
                     cSwordFrameData f;
                     int32_t* v[] = {&f.m_nX,    &f.m_nY,    &f.m_bMirrorX, &f.m_bMirrorY, &f.m_nPosition,
                                     &f.m_nSrcX, &f.m_nSrcY, &f.m_nWidth,   &f.m_nHeight,  &f.m_nTime};
                     for (int i = 0; i < 10; ++i) *v[i] = 100 + i;
                     return SaveBody(f);
                   },
                   Reloader<cSwordFrameData>(), SwordFrame(100), (4 + 40) + 4});

  {
    ByteBuilder b;
    b.I32(1).I32(9).I32(3).Str("s").Str("l.bmp").Str("r.bmp").I32(1).Append(SwordFrame(20).Bytes());
    cases.push_back({"SwordType",
                     [] {
                       cSwordTypeData s;
                       s.m_strName = "s", s.m_strLeftImage = "l.bmp", s.m_strRightImage = "r.bmp";
                       s.m_nReserved = 9;
                       cSwordFrameData& f = s.m_vecFrame.At(0);
                       int32_t* v[] = {&f.m_nX,    &f.m_nY,    &f.m_bMirrorX, &f.m_bMirrorY, &f.m_nPosition,
                                       &f.m_nSrcX, &f.m_nSrcY, &f.m_nWidth,   &f.m_nHeight,  &f.m_nTime};
                       for (int i = 0; i < 10; ++i) *v[i] = 20 + i;
                       return SaveBody(s);
                     },
                     Reloader<cSwordTypeData>(), b,
                     // reserved 4 + 4, strings 4 + 6 + 10 + 10, list 4 + 48
                     (4 + 4) + (4 + 6 + 10 + 10) + (4 + 48)});
  }

  {
    ByteBuilder fr;
    fr.I32(2).I32(3).I32(4).I32(0);
    cases.push_back({"EffectFrame",
                     [] {
                       cEffectFrameData f;
                       f.m_nGraphic = 3, f.m_nTime = 4;
                       return SaveBody(f);
                     },
                     Reloader<cEffectFrameData>(), fr, (4 + 8) + 4});
  }

  {
    ByteBuilder b;
    b.I32(4).I32(6).I32(48).I32(40).I32(1).I32(2).Str("e").Str("fx.bmp");
    b.I32(2).I32(2).I32(3).I32(1).I32(0).I32(2).I32(1).I32(4).I32(0);
    cases.push_back({"Effect",
                     [] {
                       cEffectData e;
                       e.m_strName = "e", e.m_strFile = "fx.bmp";
                       e.m_nReserved = 6, e.m_nCellWidth = 48, e.m_nCellHeight = 40, e.m_bScaleWithSize = 1;
                       e.m_vecFrame.resize(2);
                       e.m_vecFrame[0].m_nGraphic = 3;
                       e.m_vecFrame[1].m_nGraphic = 1, e.m_vecFrame[1].m_nTime = 4;
                       return SaveBody(e);
                     },
                     Reloader<cEffectData>(), b,
                     // numbers 4 + 16, strings 4 + 6 + 11, list 4 + 2 x 16
                     (4 + 16) + (4 + 6 + 11) + (4 + 32)});
  }

  auto kindBytes = [] {
    ByteBuilder b;
    b.I32(2).I32(7).I32(10).I32(0).I32(1440).I32(-3).I32(99).I32(1).Str("c");
    return b;
  };
  auto fillKind = [](cEffectKindData& e) {
    e.m_strName = "c";
    e.m_nKind = 7;
    const int32_t p[5] = {10, 0, 1440, -3, 99};
    for (int i = 0; i < 5; ++i) e.m_nParam[i] = p[i];
  };
  cases.push_back({"CharaEffect",
                   [fillKind] {
                     cCharaEffectData e;
                     fillKind(e);
                     return SaveBody(e);
                   },
                   Reloader<cCharaEffectData>(), kindBytes(), (4 + 4 + 20) + (4 + 6)});
  cases.push_back({"ScrEffect",
                   [fillKind] {
                     cScrEffectData e;
                     fillKind(e);
                     return SaveBody(e);
                   },
                   Reloader<cScrEffectData>(), kindBytes(), (4 + 4 + 20) + (4 + 6)});

  auto mediaBytes = [] {
    ByteBuilder b;
    b.I32(1).I32(5).I32(2).Str("p").Str("a.bmp");
    return b;
  };
  auto fillMedia = [](cMediaData& m) {
    m.m_strName = "p", m.m_strFile = "a.bmp", m.m_nReserved = 5;
  };
  cases.push_back({"Picture", [fillMedia] { cPictureData m; fillMedia(m); return SaveBody(m); },
                   Reloader<cPictureData>(), mediaBytes(), (4 + 4) + (4 + 6 + 10)});
  cases.push_back({"Sound", [fillMedia] { cSoundData m; fillMedia(m); return SaveBody(m); },
                   Reloader<cSoundData>(), mediaBytes(), (4 + 4) + (4 + 6 + 10)});
  cases.push_back({"Bgm", [fillMedia] { cBgmData m; fillMedia(m); return SaveBody(m); },
                   Reloader<cBgmData>(), mediaBytes(), (4 + 4) + (4 + 6 + 10)});
  return cases;
}

TEST(DatabaseRecords, EveryElementRecordRoundTripsByteExactAtTheCurrentVersion) {
  g_dwDataVersion = kRecordDataVersion;
  for (RoundTripCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> saved = c.save();
    EXPECT_EQ(saved.size(), c.size);
    EXPECT_EQ(c.expected.Size(), c.size) << "hand-built reference";
    EXPECT_EQ(HexBytes(saved), HexBytes(c.expected.Bytes()));
    EXPECT_EQ(HexBytes(c.reload(saved)), HexBytes(saved));
  }
}

// The defaults the elements are made with, as the editor expects them in a
// fresh project.
TEST(DatabaseRecords, DefaultElementsHoldTheirClassDefaults) {
  cAnimeFrameData frame;
  EXPECT_EQ(frame.m_nTime, 1);
  cAnimeData anime;
  ASSERT_EQ(anime.m_vecFrame.size(), 1u);
  EXPECT_EQ(anime.m_bFlagB, 1);
  EXPECT_EQ(anime.m_vecFrame[0].m_nTime, 1);
  cAnimeSetData set;
  EXPECT_EQ(set.m_nInvincibleOffset, 4);
  EXPECT_EQ(set.m_nBlockCharaOffset, 8);
  EXPECT_EQ(set.m_nFlightOffset, 0);
  ASSERT_EQ(set.m_vecAnime.size(), 4u);
  const char* names[] = {"立ち", "立ち移動", "飛行", "飛行移動"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(set.m_vecAnime[i].m_strName, names[i]);
  cBmpCharaExcData bmp;
  EXPECT_EQ(bmp.m_bLargeCells, 0);
  EXPECT_EQ(bmp.m_nCellSize, 2);
  cSwordTypeData sword;
  ASSERT_EQ(sword.m_vecFrame.size(), 1u);
  EXPECT_EQ(sword.m_vecFrame[0].m_nTime, 1);
  EXPECT_EQ(sword.m_vecFrame[0].m_bMirrorX, 1);
  cSwordFrameData sframe;
  EXPECT_EQ(sframe.m_nTime, 0);
  EXPECT_EQ(sframe.m_bMirrorX, 1);
  cEffectData effect;
  EXPECT_EQ(effect.m_nCellWidth, 32);
  EXPECT_EQ(effect.m_nCellHeight, 32);
  EXPECT_TRUE(effect.m_vecFrame.empty());
  EXPECT_EQ(cEffectFrameData().m_nTime, 1);
  EXPECT_EQ(cCharaEffectData().m_nKind, 1);
  EXPECT_EQ(cScrEffectData().m_nKind, 1);

  cDatabase db;
  EXPECT_EQ(db.m_vecAnimeSet.size(), 1u);
  ASSERT_EQ(db.m_vecAnime.size(), 2u);
  EXPECT_EQ(db.m_vecAnime[0].m_strName, "なし");
  EXPECT_EQ(db.m_vecAnime[1].m_strName, "アクションA");
  EXPECT_EQ(db.m_vecSwordType.size(), 1u);
  for (size_t n : {db.m_vecBmpCharaExc.size(), db.m_vecEffect.size(), db.m_vecCharaEffect.size(),
                   db.m_vecScrEffect.size(), db.m_vecPicture.size(), db.m_vecSound.size(), db.m_vecBgm.size()})
    EXPECT_EQ(n, 2u);
  EXPECT_EQ(db.m_vecCharaEffect[0].m_nKind, 1);
  EXPECT_TRUE(db.m_vecCharaEffectRev.empty());
}

TEST(DatabaseRecords, LargeCellGeometryAndUnusableCellSizes) {
  cBmpCharaExcData bmp;
  int x = 0, y = 0;
  bmp.m_bLargeCells = 1, bmp.m_nCellSize = 2;
  EXPECT_EQ(bmp.CellsPerRow(), 8);
  bmp.CellOrigin(9, &x, &y);
  EXPECT_EQ(x, 64);
  EXPECT_EQ(y, 64);
  bmp.m_bLargeCells = 0;
  bmp.CellOrigin(17, &x, &y);
  EXPECT_EQ(x, 32);
  EXPECT_EQ(y, 32);
  // A cell size the sheet cannot be cut by is taken as 1, never divided by.
  for (int size : {0, -3, 17, 1000}) {
    bmp.m_bLargeCells = 1, bmp.m_nCellSize = size;
    EXPECT_EQ(bmp.CellPixels(), 32) << size;
    bmp.CellOrigin(20, &x, &y);
    EXPECT_EQ(x, 4 * 32) << size;
  }
}

}  // namespace
