// The surfaces a running stage makes for itself: the shot cell sheets, the
// database images and the limited-sight mask.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/bmp_bytes.h"
#include "graphics/builtin_tables.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "objects/hero.h"
#include "objects/stage_fixture.h"
#include "records/database.h"
#include "stage/game_scene.h"
#include "stage/stage_surfaces.h"

namespace {

using drawtest::Get;
using drawtest::Put;

constexpr int kDD8 = 0, kDD16 = 1, kD3D16 = 4, kD3D32Window = 7;

// An 8-bit bitmap whose pixel (x, y) holds index `pixel(x, y)`.
template <class F>
std::vector<uint8_t> IndexedBitmap(int w, int h, F pixel) {
  bmptest::Spec spec;
  spec.width = w;
  spec.height = -h;
  spec.bitCount = 8;
  for (uint32_t i = 0; i < 256; ++i) spec.palette.push_back(i << 16 | (255 - i) << 8 | (i * 7 & 0xFF));
  for (int y = 0; y < h; ++y) {
    spec.rows.emplace_back();
    for (int x = 0; x < w; ++x) spec.rows.back().push_back(static_cast<uint32_t>(pixel(x, y)));
  }
  return bmptest::Build(spec);
}

class StageResourcesTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedBmps_ = g_Database.m_vecBmpCharaExc;
    savedSwords_ = g_Database.m_vecSwordType;
    savedEffects_ = g_Database.m_vecEffect;
    savedTransmit_ = g_dwTransmit;
    std::copy(g_Palette, g_Palette + 256, savedPalette_);
  }
  void TearDown() override {
    for (auto* v : {&g_vecCharaExcSD, &g_vecSwordSD, &g_vecEffectSD}) {
      DDReleaseSurfaceVector(*v);
      v->clear();
    }
    g_vecCharaExcSDDef.clear();
    g_vecSwordSDDef.clear();
    g_vecEffectSDDef.clear();
    for (int i : {20, 21, 63, 64, 65, 66}) DDReleaseSurface(&g_SD[i]);
    Player.clear();
    g_Database.m_vecBmpCharaExc = savedBmps_;
    g_Database.m_vecSwordType = savedSwords_;
    g_Database.m_vecEffect = savedEffects_;
    g_dwTransmit = savedTransmit_;
    std::copy(savedPalette_, savedPalette_ + 256, g_Palette);
    DisplayTest::TearDown();
  }
  // The debug log's lines while `run` runs.
  template <class F>
  std::vector<std::string> DebugLogOf(F run) {
    const std::string path = ::testing::TempDir() + "t4_stage_res_ec_" + std::to_string(::getpid()) + ".txt";
    InitECLog(1, path.c_str());
    run();
    InitECLog(0, "");
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::remove(path.c_str());
    return lines;
  }

  t4test::StageFixture stage_;
  cCheckedVector<cBmpCharaExcData> savedBmps_;
  cCheckedVector<cSwordTypeData> savedSwords_;
  cCheckedVector<cEffectData> savedEffects_;
  DWORD savedTransmit_ = 0;
  PALETTEENTRY savedPalette_[256] = {};
};

// ---- shot cell sheets ------------------------------------------------------

TEST_F(StageResourcesTest, ShotCellsLieCentredInThirtyTwoPixelCellsOfColourZero) {
  ASSERT_TRUE(Init(kDisplayModes[kDD8]));
  constexpr uint32_t kKey = 250;
  g_dwTransmit = kKey;
  // Every cell different; in each, one pixel of the key colour.
  auto plain = [](int x, int y) -> uint32_t { return (x % 16 == 3 && y % 16 == 5) ? kKey : 1 + (x * 7 + y * 3) % 200; };
  auto mirrored = [](int x, int y) -> uint32_t { return (x % 16 == 9 && y % 16 == 2) ? kKey : 201 + (x + y) % 40; };
  ASSERT_TRUE(DDCreateSurface(&g_SD[20], 128, 480, 1, 1, 0, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&g_SD[21], 128, 480, 1, 1, 0, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&g_SD[63], 256, 960, 1, 1, 0, nullptr, 0));
  ASSERT_TRUE(DDCreateSurface(&g_SD[64], 256, 960, 1, 1, 0, nullptr, 0));
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 128; ++x) {
      Put(g_SD[20], x, y, plain(x, y));
      Put(g_SD[21], x, y, mirrored(x, y));
    }
  drawtest::FillAll(g_SD[63], 77);  // whatever was there goes
  drawtest::FillAll(g_SD[64], 77);

  stage_.Scene().BuildTileSheets();

  struct Sheet {
    int sd;
    uint32_t (*source)(int, int);
  } sheets[] = {{63, plain}, {64, mirrored}};
  for (const Sheet& s : sheets) {
    int wrong = 0;
    std::string first;
    for (int y = 0; y < 960; ++y)
      for (int x = 0; x < 256; ++x) {
        const int i = x % 32 - 8, j = y % 32 - 8;
        uint32_t want = 0;
        if (i >= 0 && i < 16 && j >= 0 && j < 16) {
          const uint32_t src = s.source(16 * (x / 32) + i, 16 * (y / 32) + j);
          want = src == kKey ? 0 : src;
        }
        if (Get(g_SD[s.sd], x, y) != want && wrong++ == 0)
          first = std::to_string(x) + "," + std::to_string(y) + " holds " + std::to_string(Get(g_SD[s.sd], x, y)) +
                  ", wanted " + std::to_string(want);
      }
    EXPECT_EQ(wrong, 0) << "sheet " << s.sd << ", first at " << first;
  }
  // Spot checks: cell (k 7, c 29) at (232, 936); its margin.
  EXPECT_EQ(Get(g_SD[63], 232, 936), plain(112, 464));
  EXPECT_EQ(Get(g_SD[63], 231, 936), 0u);
  EXPECT_EQ(Get(g_SD[63], 248, 936), 0u);
}

// ---- database images -------------------------------------------------------

TEST_F(StageResourcesTest, DedicatedBitmapsSwordsAndEffectsGetTheirSurfacesAndBaseLinks) {
  drawtest::TempFile wide("wide.bmp", IndexedBitmap(192, 32, [](int x, int) { return x == 0 ? 5 : 1; }));
  drawtest::TempFile narrow("narrow.bmp", IndexedBitmap(64, 32, [](int x, int) { return x == 0 ? 9 : 2; }));
  drawtest::TempFile left("left.bmp", IndexedBitmap(32, 16, [](int, int) { return 3; }));
  drawtest::TempFile right("right.bmp", IndexedBitmap(32, 16, [](int, int) { return 4; }));
  for (int mode : {kDD8, kD3D32Window}) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    ASSERT_TRUE(Init(kDisplayModes[mode]));
    const bool d3d = mode != kDD8;
    DDSURFACEDATA* const mark = d3d ? kBaseSurfaceMark : nullptr;

    g_Database.m_vecBmpCharaExc.assign(3, cBmpCharaExcData());
    g_Database.m_vecBmpCharaExc[0].m_strFile = "never-loaded.bmp";
    g_Database.m_vecBmpCharaExc[1].m_strFile = wide.path();
    g_Database.m_vecBmpCharaExc[1].m_bLargeCells = 1;
    g_Database.m_vecBmpCharaExc[1].m_nCellSize = 3;
    g_Database.m_vecBmpCharaExc[2].m_strFile = narrow.path();
    g_Database.m_vecBmpCharaExc[2].m_bLargeCells = 0;
    stage_.Scene().LoadStageCharaBmps();
    auto& bmps = g_vecCharaExcSD;
    ASSERT_EQ(bmps.Size(), 8);
    ASSERT_EQ(g_vecCharaExcSDDef.Size(), 8);
    const int mirror[8] = {0, 96, 0, 96, 0, 32, 0, 32};
    for (int i = 0; i < 8; ++i) {
      SCOPED_TRACE(i);
      const DDSURFACEDEF& def = g_vecCharaExcSDDef[i];
      EXPECT_STREQ(def.szFileName, i < 4 ? wide.path() : narrow.path());
      EXPECT_EQ(def.bTransmit, 1);
      EXPECT_EQ(def.dwDDMemType, i % 4 < 2 ? 0u : 1u);
      EXPECT_EQ(def.lpBaseSD, i % 4 == 0 ? nullptr : mark);
      EXPECT_EQ(def.nMirrorX, mirror[i]);
      EXPECT_EQ(bmps[i].nMirrorX, mirror[i]);
      EXPECT_EQ(bmps[i].lpBaseSD, i % 4 == 0 ? nullptr : &bmps[i - i % 4]);
    }
    if (!d3d) {
      // The facing-left copies mirror every cell of the entry's own size.
      EXPECT_EQ(Get(bmps[0], 0, 0), 5u);
      EXPECT_EQ(Get(bmps[1], 95, 0), 5u);
      EXPECT_EQ(Get(bmps[3], 95, 0), 5u);
      EXPECT_EQ(Get(bmps[5], 31, 0), 9u);
      EXPECT_EQ(Get(bmps[6], 0, 0), 9u);
    }
    // Entering again replaces the set; a large-cell entry without a usable
    // cell size mirrors the 32-pixel cells the drawing then cuts.
    g_Database.m_vecBmpCharaExc.emplace_back();
    g_Database.m_vecBmpCharaExc[3].m_strFile = narrow.path();
    g_Database.m_vecBmpCharaExc[3].m_bLargeCells = 1;
    g_Database.m_vecBmpCharaExc[3].m_nCellSize = 0;
    stage_.Scene().LoadStageCharaBmps();
    ASSERT_EQ(bmps.Size(), 12);
    EXPECT_EQ(g_vecCharaExcSDDef.Size(), 12);
    EXPECT_EQ(bmps[9].nMirrorX, 32);
    EXPECT_EQ(bmps[11].lpBaseSD, &bmps[8]);

    g_Database.m_vecSwordType.assign(2, cSwordTypeData());
    for (cSwordTypeData& s : g_Database.m_vecSwordType) {
      s.m_strLeftImage = left.path();
      s.m_strRightImage = right.path();
    }
    stage_.Scene().LoadStageSwords();
    auto& swords = g_vecSwordSD;
    ASSERT_EQ(swords.Size(), 8);
    const int swordBase[4] = {-1, -1, 0, 1};
    for (int i = 0; i < 8; ++i) {
      SCOPED_TRACE(i);
      const int p = i % 4;
      EXPECT_STREQ(g_vecSwordSDDef[i].szFileName, p % 2 == 0 ? left.path() : right.path());
      EXPECT_EQ(g_vecSwordSDDef[i].dwDDMemType, p < 2 ? 0u : 1u);
      EXPECT_EQ(g_vecSwordSDDef[i].lpBaseSD, p < 2 ? nullptr : mark);
      EXPECT_EQ(swords[i].lpBaseSD, swordBase[p] < 0 ? nullptr : &swords[i - p + swordBase[p]]);
    }
    EXPECT_EQ(swords[7].lpBaseSD, &swords[5]);  // sword 1's right image in system memory

    // Lists without even entry 0 give nothing.
    g_Database.m_vecBmpCharaExc.clear();
    g_Database.m_vecSwordType.clear();
    g_Database.m_vecEffect.clear();
    stage_.Scene().LoadStageCharaBmps();
    stage_.Scene().LoadStageSwords();
    stage_.Scene().LoadStageEffects();
    EXPECT_TRUE(g_vecCharaExcSD.empty() && g_vecCharaExcSDDef.empty());
    EXPECT_TRUE(g_vecSwordSD.empty() && g_vecSwordSDDef.empty());
    EXPECT_TRUE(g_vecEffectSD.empty() && g_vecEffectSDDef.empty());
    DDRelease();
  }
}

TEST_F(StageResourcesTest, AMissingEffectFileIsLoggedForEachOfItsSurfaces) {
  ASSERT_TRUE(Init(kDisplayModes[kDD8]));
  drawtest::TempFile sheet("effect.bmp", IndexedBitmap(64, 32, [](int, int) { return 6; }));
  const std::string missing = ::testing::TempDir() + "no-such-effect.bmp";
  g_Database.m_vecEffect.assign(3, cEffectData());
  g_Database.m_vecEffect[0].m_strFile = "entry-0-is-none.bmp";
  g_Database.m_vecEffect[1].m_strFile = missing;
  g_Database.m_vecEffect[2].m_strFile = sheet.path();
  const std::vector<std::string> log = DebugLogOf([&] { stage_.Scene().LoadStageEffects(); });

  const std::string line = U8(u8"エフェクト ") + missing + U8(u8" 読み込み失敗！");
  int count = 0;
  for (const std::string& l : log) {
    count += l == line;
    EXPECT_EQ(l.find("entry-0-is-none"), std::string::npos) << l;
    EXPECT_EQ(l.find(sheet.path()), std::string::npos) << l;
  }
  EXPECT_EQ(count, 2);
  ASSERT_EQ(g_vecEffectSD.Size(), 4);
  EXPECT_EQ(g_vecEffectSD[0].Pixels(), nullptr);
  EXPECT_EQ(g_vecEffectSD[1].Pixels(), nullptr);
  EXPECT_EQ(Get(g_vecEffectSD[2], 63, 31), 6u);
  EXPECT_EQ(Get(g_vecEffectSD[3], 0, 0), 6u);
  EXPECT_EQ(g_vecEffectSD[3].lpBaseSD, &g_vecEffectSD[2]);
  EXPECT_EQ(g_vecEffectSD[1].lpBaseSD, &g_vecEffectSD[0]);
}

// ---- the limited-sight mask ------------------------------------------------

// Whether screen pixel (i, j) lies in the hole of the whole mask, cut as the
// sight picture cuts it: the mask is (1280 + 2r) x (960 + 2r) with the hole
// at (w/2, h/2); the disc has the rows -r..r-1 around the centre, each
// 2 floor(sqrt(r^2 - k^2)) wide at most 2r - 2.
struct SightCase {
  const char* what;
  int shape;
  int radius;
  int left, top;  // the hero's 32 x 32 image on the screen
  int right;      // facing
};

bool InHole(const SightCase& c, int i, int j) {
  const long long r = c.radius < 0 ? 0 : c.radius;
  if (r == 0) return false;
  const long long w = 1280 + 2 * r, h = 960 + 2 * r;
  long long x = w / 2 - 16 - c.left;
  if (c.shape == 2 || c.shape == 4) x += c.right ? 16 - r : r - 16;
  x = std::min(std::max(x, 0LL), w - 640);
  const long long y = std::min(std::max(h / 2 - 16 - c.top, 0LL), h - 480);
  const long long mx = x + i - w / 2, my = y + j - h / 2;  // from the mask's centre
  if (c.shape != 1 && c.shape != 2) return mx >= -r && mx < r && my >= -r && my < r;
  if (my < -r || my >= r) return false;
  const long long s = std::min(static_cast<long long>(std::floor(std::sqrt(static_cast<double>(r * r - my * my)))), r - 1);
  return mx >= -s && mx < s;
}

class SightMaskTest : public StageResourcesTest {
 protected:
  cHero& Hero(const SightCase& c) {
    Player.clear();
    Player.resize(1);
    cHero& h = Player[0];
    h.m_Data.m_bySightShape = static_cast<BYTE>(c.shape);
    h.m_nSightRadius = c.radius;
    h.m_nImgW = h.m_nImgH = 32;
    h.m_bRight = c.right;
    Place(h, c.left, c.top);
    return h;
  }
  static void Place(cHero& h, int left, int top) { h.m_rcScreen = RECT{left, top, left + 31, top + 31}; }
  // Screen pixels where the picture does not show what InHole says: the
  // hole keeps what was drawn, the rest is colour 16.
  std::string Mismatches(const SightCase& c, uint32_t behind, uint32_t mask) {
    int wrong = 0;
    std::string first;
    for (int j = 0; j < 480; ++j)
      for (int i = 0; i < 640; ++i) {
        const uint32_t want = InHole(c, i, j) ? behind : mask;
        const uint32_t got = Get(BackBuffer, i, j);
        if (got != want && wrong++ == 0)
          first = std::to_string(i) + "," + std::to_string(j) + " holds " + std::to_string(got) + ", wanted " +
                  std::to_string(want);
      }
    return wrong == 0 ? "" : std::to_string(wrong) + " pixels, first " + first;
  }
  // What the back buffer holds after a fill with palette colour `n`.
  uint32_t Painted(DWORD n) {
    DDFillRect(&BackBuffer, 0, 0, 640, 480, n);
    return Get(BackBuffer, 0, 0);
  }
};

TEST_F(SightMaskTest, TheScreenShowsTheWindowOfTheWholeMaskAroundTheHero) {
  const SightCase cases[] = {
      {"disc round the hero", 1, 80, 300, 200, 1},
      {"square round the hero", 3, 80, 300, 200, 1},
      {"disc ahead, facing right", 2, 80, 300, 200, 1},
      {"square ahead, facing left", 4, 80, 300, 200, 0},
      {"disc at the screen's corner", 1, 96, -20, 460, 1},
      {"range 0 hides everything", 1, 0, 300, 200, 1},
      {"range 0, square", 3, 0, 300, 200, 1},
      {"a negative radius is range 0", 1, -16, 300, 200, 1},
      {"hero far off: the window stops at the mask's edge", 3, 80, 5000, -3000, 1},
      {"range 255 shows the whole screen", 3, 255 * 16, 300, 200, 1},
  };
  for (int mode : {kDD8, kDD16, kD3D16, kD3D32Window}) {
    SCOPED_TRACE(kDisplayModes[mode].name);
    ASSERT_TRUE(Init(kDisplayModes[mode]));
    // Colour 0 is not the key here: the holes must take the key itself.
    if (mode == kDD8 || mode == kDD16) g_dwTransmit = 3;
    g_Palette[0] = PALETTEENTRY{200, 100, 50, 0};
    g_Palette[7] = PALETTEENTRY{10, 200, 30, 0};
    g_Palette[16] = PALETTEENTRY{90, 40, 160, 0};
    const uint32_t mask = Painted(16);
    const uint32_t behind = Painted(7);
    ASSERT_NE(mask, behind);
    for (const SightCase& c : cases) {
      SCOPED_TRACE(c.what);
      cHero& h = Hero(c);
      CreateSightMask(&stage_.Scene());
      EXPECT_EQ(g_SD[65].nWidth, 640);
      EXPECT_EQ(g_SD[65].nHeight, 480);
      Painted(7);
      h.DrawSightPicture(&BackBuffer);
      EXPECT_EQ(Mismatches(c, behind, mask), "");
    }
    // The disc of radius 80 round (316, 216): the middle row is 158 wide,
    // the top row (k = -80) empty, the next 24 wide.
    const SightCase& disc = cases[0];
    cHero& h = Hero(disc);
    CreateSightMask(&stage_.Scene());
    Painted(7);
    h.DrawSightPicture(&BackBuffer);
    EXPECT_EQ(Get(BackBuffer, 316 - 79, 216), behind);
    EXPECT_EQ(Get(BackBuffer, 316 + 78, 216), behind);
    EXPECT_EQ(Get(BackBuffer, 316 + 79, 216), mask);
    EXPECT_EQ(Get(BackBuffer, 316 - 80, 216), mask);
    EXPECT_EQ(Get(BackBuffer, 316, 136), mask);
    EXPECT_EQ(Get(BackBuffer, 316 - 12, 137), behind);
    EXPECT_EQ(Get(BackBuffer, 316 - 13, 137), mask);
    EXPECT_EQ(Get(BackBuffer, 316, 295), behind);
    EXPECT_EQ(Get(BackBuffer, 316, 296), mask);
    EXPECT_EQ(Report().find(U8(u8"メモリが不足")), std::string::npos);
    DDRelease();
  }
}

TEST_F(SightMaskTest, TheWindowFollowsTheHeroAndARebuiltMask) {
  ASSERT_TRUE(Init(kDisplayModes[kDD8]));
  g_dwTransmit = 0;
  SightCase c{"", 1, 80, 300, 200, 1};
  cHero& h = Hero(c);
  CreateSightMask(&stage_.Scene());
  const uint32_t mask = Painted(16), behind = Painted(7);
  h.DrawSightPicture(&BackBuffer);
  EXPECT_EQ(Mismatches(c, behind, mask), "");

  c.left = 100;
  c.top = 40;
  Place(h, c.left, c.top);
  Painted(7);
  h.DrawSightPicture(&BackBuffer);
  EXPECT_EQ(Mismatches(c, behind, mask), "");

  // A wider sight from a status change, and the shape it has now.
  c.radius = 160;
  c.shape = 3;
  h.m_nSightRadius = 160;
  h.m_Data.m_bySightShape = 3;
  CreateSightMask(&stage_.Scene());
  Painted(7);
  h.DrawSightPicture(&BackBuffer);
  EXPECT_EQ(Mismatches(c, behind, mask), "");

  // Without a sight shape nothing is drawn.
  h.m_Data.m_bySightShape = 0;
  Painted(7);
  h.DrawSightPicture(&BackBuffer);
  EXPECT_EQ(Get(BackBuffer, 0, 0), behind);
  EXPECT_EQ(Get(BackBuffer, 639, 479), behind);
}

}  // namespace
