// The drawing steps of the stage view: backgrounds with their parallax and
// auto-scroll, the two halves of the block map, the status line, the time
// limit with its warning sound, and the screen tint.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "flow/flow_records.h"
#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/color.h"
#include "graphics/display_fixture.h"
#include "graphics/draw_helpers.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "objects/hero.h"
#include "objects/sprite_source.h"
#include "objects/stage_fixture.h"
#include "platform/messages.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/start_option.h"
#include "records/system_data.h"
#include "services/timing.h"
#include "stage/stage_surfaces.h"

namespace {

using drawtest::FillAll;
using drawtest::Get;
using drawtest::Put;

constexpr int kStatusBarSheet = 46;
constexpr int kAccessory = 49;
constexpr int kWordSheet = 51;
constexpr int kFirstBackground = 55;
constexpr uint32_t kPlaySoundMessage = 1029;
constexpr int kWarningSound = 13;

std::vector<int>* g_sounds = nullptr;
LRESULT RecordSound(HWND, uint32_t msg, WPARAM w, LPARAM) {
  if (g_sounds && msg == kPlaySoundMessage) g_sounds->push_back(static_cast<int>(w));
  return 0;
}

const DisplayMode& Mode(const char* name) { return DisplayModeNamed(name); }

// A pixel of background picture i that tells where it came from: the
// picture, its column and its row.
uint32_t Tagged(int x, int y, int i = 0) {
  return static_cast<uint32_t>(i + 1) << 20 | static_cast<uint32_t>(y + 1) << 10 | static_cast<uint32_t>(x + 1);
}

class FrameDrawTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    savedSystem_ = g_SystemData;
    savedProgress_ = g_Progress;
    savedStretch_ = g_StartOption.DD_VideoStretch;
    g_StartOption.DD_VideoStretch = 0;
    Player.clear();
    g_Stage.m_vecBackground.clear();
    g_sounds = &sounds_;
    plat::RegisterMainThread();
    plat::SetWindowProc(nullptr, RecordSound);
  }
  void TearDown() override {
    plat::ResetRuntimeForTest();
    g_sounds = nullptr;
    for (cFont& f : g_TextRenderer) f.Release();
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    Player.clear();
    g_StartOption.DD_VideoStretch = savedStretch_;
    g_Progress = savedProgress_;
    g_SystemData = savedSystem_;
    DisplayTest::TearDown();
  }
  void Start(const DisplayMode& mode) {
    ASSERT_TRUE(Init(mode));
    for (PALETTEENTRY& e : g_Palette) e = PALETTEENTRY{0, 0, 0, 0};
    g_Palette[16] = PALETTEENTRY{0x12, 0x34, 0x56, 0};
    g_Palette[40] = PALETTEENTRY{0x70, 0x10, 0x20, 0};
    g_Palette[241] = PALETTEENTRY{0xFF, 0xFF, 0xFF, 0};
    g_Palette[240] = PALETTEENTRY{0x80, 0x80, 0x80, 0};
    for (int i = 0; i < 256; ++i) g_PaletteWork[i] = g_Palette[i];
    FillAll(BackBuffer, Opaque(0x777));
  }
  uint32_t Opaque(uint32_t v) const {
    if (!g_bD3D) return v;
    return g_nBpp == 32 ? 0xFF000000u | v : 0x8000u | v;
  }
  void Make(DDSURFACEDATA& sd, int w, int h) {
    ASSERT_TRUE(DDCreateSurface(&sd, w, h, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    FillAll(sd, 0);
    made_.push_back(&sd);
  }
  static void Fill(DDSURFACEDATA& sd, int x, int y, int w, int h, uint32_t v) {
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) Put(sd, x + i, y + j, v);
  }
  // How the back buffer stores palette colour n.
  uint32_t Stored(DWORD n) {
    const uint32_t keep = Get(BackBuffer, 639, 479);
    DDFillRect(&BackBuffer, 639, 479, 1, 1, n);
    const uint32_t v = Get(BackBuffer, 639, 479);
    Put(BackBuffer, 639, 479, keep);
    return v;
  }
  bool AllBack(int x, int y, int w, int h, uint32_t v) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i)
        if (Get(BackBuffer, i, j) != v) return false;
    return true;
  }
  std::vector<uint32_t> Snap() {
    std::vector<uint32_t> out;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) out.push_back(Get(BackBuffer, x, y));
    return out;
  }

  t4test::StageFixture stage_;
  cGameScene& scene_ = stage_.Scene();
  std::vector<DDSURFACEDATA*> made_;
  std::vector<int> sounds_;
  cSystemData savedSystem_;
  cProgressData savedProgress_;
  int savedStretch_ = 0;
};

// ---- backgrounds ---------------------------------------------------------------

// A deleted play scene releases what entering it loaded: the built-in
// surfaces it draws with, the stage surface vectors and lists. A scene that
// never loaded them leaves them be.
TEST_F(FrameDrawTest, DeletingAnEnteredSceneReleasesItsSurfaces) {
  Start(Mode("DD32Full"));
  auto alive = [](const DDSURFACEDATA& sd) { return sd.lpDD != nullptr || sd.lpDT != nullptr; };
  for (const int entered : {0, 1}) {
    SCOPED_TRACE(entered ? "entered" : "never entered");
    for (int i : {2, 47, 49, 51, 55, 70}) Make(g_SD[i], 8, 8);
    Make(g_SD[48], 8, 8);  // not one the scene loads
    // The containers' surfaces are released with their containers below.
    auto make = [](DDSURFACEDATA& sd) { ASSERT_TRUE(DDCreateSurface(&sd, 8, 8, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0)); };
    make(g_vecEffectSD.emplace_back());
    g_vecEffectSDDef.emplace_back();
    make(g_vecSwordSD.emplace_back());
    make(g_vecCharaExcSD.emplace_back());
    make(g_lstPictureSD.emplace_back());
    make(Off_Msg.emplace_back());
    auto* scene = new cGameScene();
    scene->m_bSurfacesLoaded = entered;
    delete scene;
    for (int i : {2, 47, 49, 51, 55, 70}) EXPECT_EQ(alive(g_SD[i]), !entered) << "built-in surface " << i;
    EXPECT_TRUE(alive(g_SD[48]));
    EXPECT_EQ(g_vecEffectSD.empty(), entered != 0);
    EXPECT_EQ(g_vecEffectSDDef.empty(), entered != 0);
    EXPECT_EQ(g_vecSwordSD.empty(), entered != 0);
    EXPECT_EQ(g_vecCharaExcSD.empty(), entered != 0);
    EXPECT_EQ(g_lstPictureSD.empty(), entered != 0);
    EXPECT_EQ(Off_Msg.empty(), entered != 0);
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    DDReleaseSurfaceVector(g_vecEffectSD);
    DDReleaseSurfaceVector(g_vecSwordSD);
    DDReleaseSurfaceVector(g_vecCharaExcSD);
    DDReleaseSurfaceList(g_lstPictureSD);
    DDReleaseSurfaceList(Off_Msg);
    g_vecEffectSD.clear();
    g_vecEffectSDDef.clear();
    g_vecSwordSD.clear();
    g_vecCharaExcSD.clear();
    g_lstPictureSD.clear();
    Off_Msg.clear();
  }
}

class BackgroundTest : public FrameDrawTest {
 protected:
  // Background i: a w x h picture of tagged pixels, shown on `layer`.
  cBackgroundData& AddBackground(int w, int h, int layer = 0) {
    const int i = g_Stage.m_vecBackground.Size();
    g_Stage.m_vecBackground.resize(static_cast<size_t>(i) + 1);
    cBackgroundData& bg = g_Stage.m_vecBackground[static_cast<size_t>(i)];
    bg.m_bShow = 1;
    bg.m_nPlane = layer;
    bg.m_dFactorX = bg.m_dFactorY = 0.0;
    DDSURFACEDATA& sd = g_SD[kFirstBackground + i];
    Make(sd, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) Put(sd, x, y, Opaque(Tagged(x, y, i)));
    return bg;
  }
  // Every 7th pixel of the screen shows the picture tiled from (ox, oy).
  void ExpectTiled(int w, int h, int ox, int oy) {
    auto mod = [](int v, int m) { return ((v % m) + m) % m; };
    for (int y = 0; y < 480; y += 7)
      for (int x = 0; x < 640; x += 7) {
        const uint32_t want = Opaque(Tagged(mod(x + ox, w), mod(y + oy, h)));
        ASSERT_EQ(Get(BackBuffer, x, y), want) << "at " << x << "," << y;
      }
    EXPECT_EQ(Get(BackBuffer, 639, 479), Opaque(Tagged(mod(639 + ox, w), mod(479 + oy, h))));
  }
};

TEST_F(BackgroundTest, ParallaxOriginsFollowTheViewAtTheirRates) {
  struct Case {
    const char* what;
    double viewX, viewY, rateX, rateY;
  } cases[] = {
      {"half rate to the right", 420.0, 320.0, 0.5, 0.5},
      {"the view x is rounded, the view y truncated", 320.6, 333.9, 1.0, 1.0},
      {"left of the border: negative origin", 0.0, 100.0, 0.5, 0.25},
      {"fixed background", 900.0, 700.0, 0.0, 0.0},
  };
  for (const char* modeName : {"DD32Full", "D3D32Full"}) {
    Start(Mode(modeName));
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(modeName) + ": " + c.what);
      g_Stage.m_vecBackground.clear();
      cBackgroundData& bg = AddBackground(100, 80);
      bg.m_dFactorX = c.rateX;
      bg.m_dFactorY = c.rateY;
      scene_.m_ScrollX.m_dPos = c.viewX;
      scene_.m_ScrollY.m_dPos = c.viewY;
      scene_.DrawBackgrounds(&BackBuffer, 0);
      const int ox = static_cast<int>(static_cast<double>(static_cast<int>(c.viewX + 0.5) - 320) * c.rateX);
      const int oy = static_cast<int>(static_cast<double>(static_cast<int>(c.viewY) - 320) * c.rateY);
      ExpectTiled(100, 80, ox, oy);
    }
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    DDRelease();
  }
}

TEST_F(BackgroundTest, AutoScrollMovesTheOffsetByTheRateAndWrapsOnce) {
  Start(Mode("DD32Full"));
  struct Case {
    const char* what;
    double rate, offset, want;
  } cases[] = {
      {"left past 0", 3.0, 1.0, 98.0},
      {"plain step", 3.0, 50.0, 47.0},
      {"right past the width", -3.0, 99.0, 2.0},
      {"one wrap only", 250.0, 10.0, -140.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_Stage.m_vecBackground.clear();
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    cBackgroundData& bg = AddBackground(100, 80);
    bg.m_bAutoScrollX = bg.m_bAutoScrollY = 1;
    bg.m_dFactorX = c.rate;
    bg.m_dFactorY = c.rate;
    bg.m_dOffsetX = c.offset;
    bg.m_dOffsetY = c.offset - 20.0;
    scene_.ScrollBackgrounds();
    EXPECT_DOUBLE_EQ(bg.m_dOffsetX, c.want);
    // The vertical offset wraps around the picture height.
    double y = c.offset - 20.0 - c.rate;
    if (y < 0.0)
      y += 80.0;
    else if (y >= 80.0)
      y -= 80.0;
    EXPECT_DOUBLE_EQ(bg.m_dOffsetY, y);
  }
  // An entry without auto-scroll keeps its offsets.
  cBackgroundData& fixed = g_Stage.m_vecBackground[0];
  fixed.m_bAutoScrollX = fixed.m_bAutoScrollY = 0;
  fixed.m_dOffsetX = 5.0;
  scene_.ScrollBackgrounds();
  EXPECT_DOUBLE_EQ(fixed.m_dOffsetX, 5.0);
}

TEST_F(BackgroundTest, AutoScrolledBackgroundsStartAtTheirOffsetPlusTheView) {
  Start(Mode("DD32Full"));
  cBackgroundData& bg = AddBackground(100, 80);
  bg.m_bAutoScrollX = bg.m_bAutoScrollY = 1;
  bg.m_dFactorX = 3.0;
  bg.m_dFactorY = 0.5;  // the rates do not scale the view
  bg.m_dOffsetX = 98.0;
  bg.m_dOffsetY = 7.5;
  scene_.m_ScrollX.m_dPos = 345.7;
  scene_.m_ScrollY.m_dPos = 400.2;
  scene_.DrawBackgrounds(&BackBuffer, 0);
  ExpectTiled(100, 80, static_cast<int>(98.0 + 345.7 - 320), static_cast<int>(7.5 + 400.2 - 320));
}

TEST_F(BackgroundTest, ColourSixteenShowsWhereNoBackBackgroundIsDrawn) {
  Start(Mode("DD32Full"));
  const uint32_t empty = Stored(16);
  struct Case {
    const char* what;
    int count;       // backgrounds made
    int shownMask;   // which are shown
    int frontMask;   // which are in front of the map
    int pictureMask; // which have a picture
  } cases[] = {
      {"no backgrounds at all", 0, 0, 0, 0},
      {"all hidden", 2, 0, 0, 3},
      {"only a front background", 1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_Stage.m_vecBackground.clear();
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    for (int i = 0; i < c.count; ++i) {
      cBackgroundData& bg = AddBackground(64, 64, (c.frontMask >> i) & 1);
      bg.m_bShow = (c.shownMask >> i) & 1;
      if (!((c.pictureMask >> i) & 1)) DDReleaseSurface(&g_SD[kFirstBackground + i]);
    }
    FillAll(BackBuffer, Opaque(0x777));
    scene_.DrawBackgrounds(&BackBuffer, 0);
    EXPECT_TRUE(AllBack(0, 0, 640, 480, empty));
  }
}

// A shown background whose bitmap holds no picture draws nothing, yet it
// counts as drawn: alone it leaves the screen as it was (no colour 16), and
// the picture after it is the second drawn, keyed over what is there.
TEST_F(BackgroundTest, AShownBackgroundWithoutAPictureCountsAsDrawn) {
  Start(Mode("DD32Full"));
  AddBackground(64, 64, 0);
  DDReleaseSurface(&g_SD[kFirstBackground + 0]);
  FillAll(BackBuffer, Opaque(0x777));
  scene_.DrawBackgrounds(&BackBuffer, 0);
  EXPECT_TRUE(AllBack(0, 0, 640, 480, Opaque(0x777)));

  AddBackground(64, 64, 0);
  Fill(g_SD[kFirstBackground + 1], 0, 0, 4, 4, 0);  // a hole of the key colour
  FillAll(BackBuffer, Opaque(0x777));
  scene_.DrawBackgrounds(&BackBuffer, 0);
  EXPECT_EQ(Get(BackBuffer, 1, 1), Opaque(0x777));
  EXPECT_EQ(Get(BackBuffer, 11, 11), Opaque(Tagged(11, 11, 1)));
  EXPECT_EQ(Get(BackBuffer, 65, 1), Opaque(0x777));  // the next tile's hole
}

TEST_F(BackgroundTest, OnlyTheFirstBackBackgroundCoversItsKeyColour) {
  for (const char* modeName : {"DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(modeName);
    Start(Mode(modeName));
    // A hole of the key colour at the top-left of each picture.
    AddBackground(64, 64, 0);
    AddBackground(64, 64, 0);
    AddBackground(64, 64, 1);
    Fill(g_SD[kFirstBackground + 0], 0, 0, 4, 4, 0);
    Fill(g_SD[kFirstBackground + 1], 10, 10, 4, 4, 0);
    Fill(g_SD[kFirstBackground + 2], 20, 20, 4, 4, 0);
    Fill(g_SD[kFirstBackground + 1], 0, 0, 4, 4, 0);
    scene_.m_ScrollX.m_dPos = 320.0;
    scene_.m_ScrollY.m_dPos = 320.0;
    FillAll(BackBuffer, Opaque(0x777));
    scene_.DrawBackgrounds(&BackBuffer, 0);
    const uint32_t keyHole = Get(BackBuffer, 1, 1);
    // The first picture is copied as it is, its key colour included; the
    // second is keyed over it.
    EXPECT_NE(keyHole, Opaque(0x777));
    EXPECT_NE(keyHole, Opaque(Tagged(1, 1, 0)));
    EXPECT_NE(keyHole, Opaque(Tagged(1, 1, 1)));
    EXPECT_EQ(Get(BackBuffer, 11, 11), Opaque(Tagged(11, 11, 0)));
    EXPECT_EQ(Get(BackBuffer, 30, 30), Opaque(Tagged(30, 30, 1)));
    // In front of the map the third is keyed over what is there.
    Fill(BackBuffer, 0, 0, 64, 64, Opaque(0x555));
    scene_.DrawBackgrounds(&BackBuffer, 1);
    EXPECT_EQ(Get(BackBuffer, 21, 21), Opaque(0x555));
    EXPECT_EQ(Get(BackBuffer, 30, 30), Opaque(Tagged(30, 30, 2)));
    for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
    made_.clear();
    g_Stage.m_vecBackground.clear();
    DDRelease();
  }
}

TEST_F(BackgroundTest, AColourFillCoversTheScreenWithItsColour) {
  Start(Mode("DD32Full"));
  AddBackground(64, 64, 0);
  cBackgroundData& fill = AddBackground(64, 64, 0);  // after the picture
  fill.m_bFill = 1;
  fill.m_nFillColor = 40;
  scene_.DrawBackgrounds(&BackBuffer, 0);
  EXPECT_TRUE(AllBack(0, 0, 640, 480, Stored(40)));
}

TEST_F(BackgroundTest, APictureWithoutAShownHoleHidesTheLayersBeforeItWithTheSamePixels) {
  // A fill, an opaque picture and over them a picture with a hole of the key
  // colour, or none; drawn as the frame does and the plain way (every layer
  // tiled over the screen by single copies, in order) the screens agree.
  struct Case {
    const char* what;
    int w, h, ox, oy;
    int holeX, holeY;  // -1: no hole
  };
  const Case cases[] = {
      {"hole in the first tile", 48, 40, 5, 3, 20, 10},
      // The first tile reads columns 30-47 and rows 25-39, the later ones
      // from 0: the hole is only in those.
      {"hole only the later tiles read", 48, 40, 30, 25, 2, 4},
      {"hole past the part on screen", 700, 500, 0, 0, 650, 490},
      {"the same hole moved into view", 700, 500, 100, 30, 650, 490},
      {"no hole", 48, 40, 7, 9, -1, -1},
  };
  for (const char* modeName : {"DD16Full", "DD32Full", "D3D16Full", "D3D32Full"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(modeName) + ", " + c.what);
      Start(Mode(modeName));
      AddBackground(8, 8, 0).m_bFill = 1;
      g_Stage.m_vecBackground[0].m_nFillColor = 40;
      AddBackground(64, 64, 0);
      cBackgroundData& top = AddBackground(c.w, c.h, 0);
      top.m_bAutoScrollX = top.m_bAutoScrollY = 1;
      top.m_dOffsetX = c.ox;
      top.m_dOffsetY = c.oy;
      scene_.m_ScrollX.m_dPos = 320.0;  // the view at the stage's start: origins are the offsets
      scene_.m_ScrollY.m_dPos = 320.0;
      DDSURFACEDATA& a = g_SD[kFirstBackground + 1];
      DDSURFACEDATA& b = g_SD[kFirstBackground + 2];
      const uint32_t key = g_bD3D ? 0u : drawtest::Buf(b).colorKey;
      if (c.holeX >= 0) Put(b, c.holeX, c.holeY, key);

      FillAll(BackBuffer, Opaque(0x777));
      auto tile = [](DDSURFACEDATA& sd, int ox, int oy, int bltKey) {
        const int w = sd.nWidth, h = sd.nHeight;
        for (int y = 0, sy = ((oy % h) + h) % h; y < 480; y += h - sy, sy = 0)
          for (int x = 0, sx = ((ox % w) + w) % w; x < 640; x += w - sx, sx = 0)
            DDBlt(&BackBuffer, x, y, w - sx, h - sy, &sd, sx, sy, bltKey);
      };
      DDFillRect(&BackBuffer, 0, 0, 640, 480, 40);
      tile(a, 0, 0, 1);
      tile(b, c.ox, c.oy, 1);
      const std::vector<uint32_t> plain = Snap();

      FillAll(BackBuffer, Opaque(0x777));
      scene_.DrawBackgrounds(&BackBuffer, 0);
      const std::vector<uint32_t> drawn = Snap();
      size_t wrong = 0, first = 0;
      for (size_t i = 0; i < drawn.size(); ++i)
        if (drawn[i] != plain[i] && wrong++ == 0) first = i;
      EXPECT_EQ(wrong, 0u) << "first at (" << first % 640 << ", " << first / 640 << ")";
      // Where the hole is on screen the picture below shows through it.
      const int hx = c.holeX - c.ox, hy = c.holeY - c.oy;
      if (c.holeX >= 0 && hx >= 0 && hy >= 0 && hx < 640 && hy < 480) {
        EXPECT_NE(drawn[static_cast<size_t>(hy) * 640 + hx], drawn[static_cast<size_t>(hy) * 640 + hx + 1]);
      }

      for (DDSURFACEDATA* sd : made_) DDReleaseSurface(sd);
      made_.clear();
      g_Stage.m_vecBackground.clear();
      DDRelease();
    }
  }
}

// ---- block map -----------------------------------------------------------------

class BlockMapTest : public FrameDrawTest {
 protected:
  void StartMap(const DisplayMode& mode) {
    Start(mode);
    Make(g_SD[kSheetBlock], 320, 480);
    Make(g_SD[kSheetBlock2], 320, 480);
    for (int g = 1; g <= 4; ++g) Fill(g_SD[kSheetBlock2], (g / 15) * 32, (g % 15) * 32, 32, 32, Opaque(0x100 * g));
  }
  cBlockCell& Put(int col, int row, int graphic, int layer) {
    cBlockCell& c = stage_.Cell(col, row);
    c.m_sGraphic = static_cast<int16_t>(graphic);
    c.m_byLayer = static_cast<BYTE>(layer);
    return c;
  }
};

TEST_F(BlockMapTest, EachHalfDrawsItsVisibleCellsAtTheViewsSubCellOffset) {
  for (const char* modeName : {"DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(modeName);
    StartMap(Mode(modeName));
    // View (360.9, 333.2): first column 11, 8 pixels in; first row 10, 13 in.
    scene_.m_ScrollX.m_dPos = 360.9;
    scene_.m_ScrollY.m_dPos = 333.2;
    Put(12, 11, 1, 0);
    Put(14, 11, 2, 1);
    Put(16, 11, 3, 0).m_bHidden = 1;
    Put(31, 25, 4, 0);  // the last column and row visited
    struct Case {
      int part;
      int col, row;
      uint32_t color;  // 0: nothing there
    } cases[] = {
        {0, 12, 11, 0x100}, {0, 14, 11, 0}, {0, 16, 11, 0}, {0, 31, 25, 0x400},
        {1, 12, 11, 0},     {1, 14, 11, 0x200},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << "part " << c.part << " cell " << c.col << "," << c.row);
      FillAll(BackBuffer, Opaque(0x777));
      scene_.DrawBlockMap(&BackBuffer, c.part);
      const int x = (c.col - 11) * 32 - 8, y = (c.row - 10) * 32 - 13;
      const uint32_t want = c.color ? Opaque(c.color) : Opaque(0x777);
      EXPECT_EQ(Get(BackBuffer, x, y), want);
      if (x + 31 < 640 && y + 31 < 480) {
        EXPECT_EQ(Get(BackBuffer, x + 31, y + 31), want);
      }
      EXPECT_EQ(Get(BackBuffer, x - 1, y), Opaque(0x777));
    }
    DDRelease();
  }
}

TEST_F(BlockMapTest, CellsLeftOfTheMapAreNotTakenFromTheRowAbove) {
  StartMap(Mode("DD32Full"));
  // View x -40: columns -2 and -1 lie outside the map. Column -1 of row 11
  // would be the cell at index 11 x 64 - 1, the unused end of row 10.
  scene_.m_ScrollX.m_dPos = -40.0;
  scene_.m_ScrollY.m_dPos = 320.0;
  const int rowWidth = 1 << scene_.m_ScrollX.m_nRowShift;
  ASSERT_GT(rowWidth, scene_.m_ScrollX.m_nCells);
  Put(rowWidth - 1, 10, 2, 0);
  Put(0, 11, 1, 0);
  FillAll(BackBuffer, Opaque(0x777));
  scene_.DrawBlockMap(&BackBuffer, 0);
  const int offX = -40 & 31;  // 24
  EXPECT_EQ(Get(BackBuffer, 2 * 32 - offX, 32), Opaque(0x100));
  EXPECT_TRUE(AllBack(0, 32, 2 * 32 - offX, 32, Opaque(0x777)));
}

// ---- status line -----------------------------------------------------------------

class StatusBarTest : public FrameDrawTest {
 protected:
  void StartBar(const DisplayMode& mode) {
    Start(mode);
    for (int i = 0; i < 2; ++i)
      g_TextRenderer[i].Create("ＭＳ ゴシック", 0, 16, 16, 16, 241, nullptr, 1, 240, nullptr, 0);
    Make(g_SD[kStatusBarSheet], 640, 20);
    Fill(g_SD[kStatusBarSheet], 0, 0, 640, 20, Opaque(0x0A0));
    Make(g_SD[kAccessory], 128, 176);
    for (int k = 0; k < 5; ++k) Fill(g_SD[kAccessory], k * 16, 32, 16, 16, Opaque(IconColor(k)));
    for (int g = 0; g < 2; ++g) {
      Fill(g_SD[kAccessory], g * 64, 128, 50, 16, Opaque(kFrame + g));
      Fill(g_SD[kAccessory], g * 64, 144, 50, 16, Opaque(kNormal + g));
      Fill(g_SD[kAccessory], g * 64, 160, 50, 16, Opaque(kWarn + g));
    }
    for (cSystemStatusData& s : g_SystemData.m_vecStatus) s.m_bShow = 0;
    FillAll(BackBuffer, Opaque(0x777));
  }
  static uint32_t IconColor(int k) { return 0x300 + 0x10 * k; }
  cSystemStatusData& Entry(int i, int icon, int digits, const char* name = "") {
    cSystemStatusData& s = g_SystemData.m_vecStatus.At(i);
    s.m_bShow = 1;
    s.m_bIcon = icon;
    s.m_nDigits = digits;
    s.m_strName = name;
    s.m_bShowValue = 0;
    s.m_nWarn = -1;  // no warning unless a case asks for one
    s.m_bWarnPercent = 0;
    return s;
  }
  cHero& Hero(int life, int maxLife, int sp = 0, int maxSp = 0) {
    Player.clear();
    Player.resize(1);
    cHero& h = Player[0];
    h.m_nLife = life;
    h.m_Data.m_nMaxHp = maxLife;
    h.m_nSP = sp;
    h.m_Data.m_nMaxSp = maxSp;
    return h;
  }
  static constexpr uint32_t kFrame = 0x500, kNormal = 0x600, kWarn = 0x700;
};

TEST_F(StatusBarTest, ShownEntriesAreSpacedEvenlyAndDrawnFromTheirIcons) {
  StartBar(Mode("DD32Full"));
  Hero(10, 10, 5, 10);
  Entry(0, 1, 6);  // 16 + 96
  Entry(1, 1, 3);  // 16 + 48
  Entry(2, 1, 0);  // 16 + 50
  Entry(4, 1, 2);  // 16 + 32
  const int widths[] = {112, 64, 66, 48};
  const int c = (638 - (112 + 64 + 66 + 48)) / 5;
  ASSERT_EQ(c, 69);
  scene_.DrawStatusBar(&BackBuffer);
  EXPECT_EQ(Get(BackBuffer, 0, 0), Opaque(0x0A0));
  EXPECT_EQ(Get(BackBuffer, 639, 19), Opaque(0x0A0));
  const int icons[] = {0, 1, 2, 4};
  int x = c;
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(icons[k]);
    EXPECT_TRUE(AllBack(x, 3, 16, 16, Opaque(IconColor(icons[k]))));
    EXPECT_NE(Get(BackBuffer, x - 1, 3), Opaque(IconColor(icons[k])));
    x += widths[k] + c;
  }
  // The life gauge stands right of its icon: full, so all 50 pixels filled.
  const int gaugeX = c + 112 + c + 64 + c + 16;
  EXPECT_TRUE(AllBack(gaugeX, 3, 50, 16, Opaque(kNormal)));

  // Switched off by the stage, or with nothing shown: nothing at all.
  for (int off = 0; off < 2; ++off) {
    FillAll(BackBuffer, Opaque(0x777));
    if (off == 0) scene_.m_bStatusBar = 0;
    else {
      scene_.m_bStatusBar = 1;
      for (cSystemStatusData& s : g_SystemData.m_vecStatus) s.m_bShow = 0;
    }
    scene_.DrawStatusBar(&BackBuffer);
    EXPECT_TRUE(AllBack(0, 0, 640, 480, Opaque(0x777)));
  }
}

TEST_F(StatusBarTest, GaugesFillTheirShareAndWarnUnderTheThreshold) {
  StartBar(Mode("DD32Full"));
  struct Case {
    const char* what;
    int entry, value, maximum, warn;
    int fill;
    bool warning;
  } cases[] = {
      {"30 of 120", 2, 30, 120, 10, 12, false},
      {"30 of 120 under the threshold", 2, 30, 120, 30, 12, true},
      {"second gauge", 3, 7, 10, 0, 35, false},
      {"no maximum", 2, 5, 0, -1, 0, false},
      {"above the maximum stays in the frame", 2, 300, 100, 0, 50, false},
      {"below zero", 3, -20, 100, -100, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (cSystemStatusData& s : g_SystemData.m_vecStatus) s.m_bShow = 0;
    cSystemStatusData& s = Entry(c.entry, 1, 0);
    s.m_nWarn = c.warn;
    s.m_bWarnPercent = 0;
    if (c.entry == 2) Hero(c.value, c.maximum);
    else Hero(1, 1, c.value, c.maximum);
    FillAll(BackBuffer, Opaque(0x777));
    scene_.DrawStatusBar(&BackBuffer);
    const int x = (638 - 66) / 2 + 16;  // one shown entry
    const int g = c.entry - 2;
    const uint32_t bar = Opaque((c.warning ? kWarn : kNormal) + g);
    for (int i = 0; i < 50; ++i)
      ASSERT_EQ(Get(BackBuffer, x + i, 10), i < c.fill ? bar : Opaque(kFrame + g)) << "column " << i;
    EXPECT_EQ(Get(BackBuffer, x + 50, 10), Opaque(0x0A0));
  }
}

TEST_F(StatusBarTest, UnlimitedLivesShowADash) {
  StartBar(Mode("DD32Full"));
  struct Case {
    const char* what;
    int icon;
    const char* name;
    int lives;
    const char* text;  // as it must appear after the icon or as the whole text
  } cases[] = {
      {"icon, unlimited", 1, "", kUnlimitedLives, "-"},
      {"icon, three lives", 1, "", 3, "3"},
      {"name, unlimited", 0, "残機", kUnlimitedLives, "残機-"},
      {"name, 12 lives", 0, "残機", 12, "残機12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (cSystemStatusData& s : g_SystemData.m_vecStatus) s.m_bShow = 0;
    Entry(4, c.icon, 2, c.name);
    g_Progress.m_nLives = c.lives;
    FillAll(BackBuffer, Opaque(0x777));
    scene_.DrawStatusBar(&BackBuffer);
    const std::vector<uint32_t> drawn = Snap();

    // The same bar with the expected text drawn by hand.
    const int width = (c.icon ? 16 : 32) + 32;
    const int x = (638 - width) / 2;
    FillAll(BackBuffer, Opaque(0x777));
    DDBlt(&BackBuffer, 0, 0, 640, 20, &g_SD[kStatusBarSheet], 0, 0, 1);
    if (c.icon) DDBlt(&BackBuffer, x, 3, 16, 16, &g_SD[kAccessory], 64, 32, 1);
    g_TextRenderer[1].DrawText(&BackBuffer, c.icon ? x + 16 : x, 3, c.text);
    EXPECT_TRUE(drawn == Snap());
  }
}

// ---- time limit ------------------------------------------------------------------

class TimeLimitTest : public FrameDrawTest {
 protected:
  void StartDigits() {
    Start(Mode("DD32Full"));
    Make(g_SD[kWordSheet], 320, 192);
    for (int d = 0; d < 10; ++d) Fill(g_SD[kWordSheet], d * 32, 160, 32, 32, Opaque(0x200 + d));
  }
};

TEST_F(TimeLimitTest, TheRemainingSecondsShowInThreeDigitsAndNothingWithoutALimit) {
  StartDigits();
  struct Case {
    int noLimit, time;
    int digits[3];  // -1: cell left as it was
  } cases[] = {
      {1, 999, {-1, -1, -1}},
      {0, 120, {1, 2, 0}},
      {0, 7, {-1, -1, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    scene_.m_bNoTimeLimit = c.noLimit;
    scene_.m_nTimeLimit = c.time;
    FillAll(BackBuffer, Opaque(0x777));
    scene_.DrawTimeLimit(&BackBuffer, 0);
    for (int k = 0; k < 3; ++k) {
      const uint32_t want = c.digits[k] < 0 ? Opaque(0x777) : Opaque(0x200 + c.digits[k]);
      EXPECT_TRUE(AllBack(272 + 32 * k, 24, 32, 32, want)) << "digit " << k;
    }
  }
}

TEST_F(TimeLimitTest, TheWarningSoundsOnceASecondUnderTheThresholdWhenAsked) {
  StartDigits();
  g_Stage.m_nTimeWarning = 20;
  struct Case {
    const char* what;
    int noLimit, time, warn, counterAtZero;
    bool sound;
  } cases[] = {
      {"under the threshold", 0, 15, 1, 1, true},
      {"at the threshold", 0, 20, 1, 1, true},
      {"above it", 0, 21, 1, 1, false},
      {"time up", 0, 0, 1, 1, false},
      {"not asked", 0, 15, 0, 1, false},
      {"between two seconds", 0, 15, 1, 0, false},
      {"no limit, even under a large threshold", 1, 999, 1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.noLimit) g_Stage.m_nTimeWarning = 999;
    scene_.m_bNoTimeLimit = c.noLimit;
    scene_.m_nTimeLimit = c.time;
    CountFrames(0, 60);
    if (!c.counterAtZero) CountFrames(1, 60);
    sounds_.clear();
    scene_.DrawTimeLimit(&BackBuffer, c.warn);
    EXPECT_EQ(sounds_, c.sound ? std::vector<int>{kWarningSound} : std::vector<int>{});
  }
}

// ---- screen tint -----------------------------------------------------------------

class ScreenTintTest : public FrameDrawTest {
 protected:
  static cFlowCmd Tint(int r, int g, int b, int percent, int restore, int time, int flash, int repeat) {
    cFlowCmd cmd;
    cmd.m_vecParam.assign({r, g, b, percent, restore, time, flash, repeat});
    return cmd;
  }
  // The weight the tint formula gives at frame k.
  static int Weight(int k, int duration, int percent) {
    const double s = duration ? static_cast<double>(k) / duration * percent * 2.55 : percent * 2.55;
    return static_cast<int>(255 - s);
  }
  int Red() {
    const Rgba8 c = DecodePixel(BackBuffer.Pixels()->format, Get(BackBuffer, 100, 100));
    return static_cast<int>(c.r);
  }
};

TEST_F(ScreenTintTest, APlainTintGrowsToItsPercentAndThenEndsOrStaysByBackend) {
  for (const char* modeName : {"DD8Full", "DD32Full", "D3D32Full"}) {
    SCOPED_TRACE(modeName);
    Start(Mode(modeName));
    scene_.InitDrawState();
    scene_.StartScreenTint(Tint(255, 0, 0, 50, 0, 10, 0, 0));
    EXPECT_EQ(scene_.m_nTintDuration, 60);
    EXPECT_EQ(scene_.m_bTinted, 1);
    const bool d3d = g_bD3D != 0;
    const bool eightBit = !d3d && g_nBpp == 8;
    for (int k = 0; k <= 61; ++k) {
      if (d3d) FillAll(BackBuffer, Opaque(0x000040));  // dark blue
      scene_.DrawScreenTint(0);
      if (!d3d && !eightBit) {
        // Without a palette and without Direct3D a tint cannot be shown.
        EXPECT_EQ(scene_.m_bTintActive, 0);
        break;
      }
      const int want = Weight(std::min(k, 60), 60, 50);
      ASSERT_EQ(scene_.m_nTintWeight, want) << "frame " << k;
      if (d3d) {
        // The colour weighs 255 - w against the picture's w.
        EXPECT_NEAR(Red(), (255 * (255 - want)) / 255.0, 1.0) << "frame " << k;
      }
      if (k == 60) {
        EXPECT_EQ(scene_.m_bTintActive, d3d ? 1 : 0);
      }
      if (!scene_.m_bTintActive) break;
    }
    EXPECT_EQ(Weight(0, 60, 50), 255);
    EXPECT_EQ(Weight(60, 60, 50), 127);
    DDRelease();
  }
}

TEST_F(ScreenTintTest, DrawOnlyRedrawsWithoutAdvancing) {
  Start(Mode("D3D32Full"));
  scene_.InitDrawState();
  scene_.StartScreenTint(Tint(255, 0, 0, 100, 0, 1, 0, 0));
  for (int k = 0; k < 3; ++k) scene_.DrawScreenTint(0);
  const int frame = scene_.m_nTintFrame;
  FillAll(BackBuffer, Opaque(0));
  scene_.DrawScreenTint(1);
  EXPECT_EQ(scene_.m_nTintFrame, frame);
  EXPECT_NEAR(Red(), 255 * (255 - Weight(frame, 6, 100)) / 255.0, 1.0);
}

TEST_F(ScreenTintTest, ARestoreFadesBackFromWhereTheTintStoodAndNeedsATintToUndo) {
  Start(Mode("D3D32Full"));
  scene_.InitDrawState();
  // Nothing to undo yet.
  scene_.StartScreenTint(Tint(0, 0, 0, 0, 1, 10, 0, 0));
  EXPECT_EQ(scene_.m_bTintActive, 0);

  scene_.StartScreenTint(Tint(255, 0, 0, 50, 0, 10, 0, 0));
  for (int k = 0; k <= 60; ++k) scene_.DrawScreenTint(0);
  ASSERT_EQ(scene_.m_nTintWeight, 127);
  ASSERT_EQ(scene_.m_bTintActive, 1);

  // The restore's own colour is ignored: it undoes the red tint.
  scene_.StartScreenTint(Tint(0, 255, 0, 90, 1, 10, 0, 0));
  EXPECT_EQ(scene_.m_byTintR, 255);
  EXPECT_EQ(scene_.m_byTintG, 0);
  for (int k = 0; k <= 60; ++k) {
    ASSERT_EQ(scene_.m_bTintActive, 1) << k;
    scene_.DrawScreenTint(0);
    const int want = static_cast<int>(static_cast<double>(k) / 60 * (255 - 127) + 127);
    ASSERT_EQ(scene_.m_nTintWeight, want) << "frame " << k;
  }
  EXPECT_EQ(scene_.m_nTintWeight, 255);
  EXPECT_EQ(scene_.m_bTintActive, 0);
}

TEST_F(ScreenTintTest, EightBitRestoreNeedsAStartedTint) {
  Start(Mode("DD8Full"));
  scene_.InitDrawState();
  scene_.StartScreenTint(Tint(0, 0, 0, 0, 1, 10, 0, 0));
  EXPECT_EQ(scene_.m_bTintActive, 0);
  scene_.StartScreenTint(Tint(255, 0, 0, 50, 0, 1, 0, 0));
  for (int k = 0; k < 10; ++k) scene_.DrawScreenTint(0);
  ASSERT_EQ(scene_.m_bTintActive, 0);
  // Ended, but the palette still holds the colour: a restore runs.
  scene_.StartScreenTint(Tint(0, 0, 0, 0, 1, 1, 0, 0));
  EXPECT_EQ(scene_.m_bTintActive, 1);
  EXPECT_EQ(scene_.m_nTintWeight, Weight(6, 6, 50));
}

TEST_F(ScreenTintTest, AFlashRisesAndStartsAgainForItsRepeatCount) {
  Start(Mode("D3D32Full"));
  scene_.InitDrawState();
  const int duration = 6, repeats = 2;
  scene_.StartScreenTint(Tint(255, 255, 255, 100, 0, 1, 1, repeats));
  std::vector<int> want, seen;
  for (int cycle = 0; cycle < repeats; ++cycle)
    for (int k = 0; k <= duration; ++k) want.push_back(255 - Weight(k, duration, 100));
  for (int n = 0; n < 100 && scene_.m_bTintActive; ++n) {
    FillAll(BackBuffer, Opaque(0));
    scene_.DrawScreenTint(0);
    seen.push_back(Red());
  }
  ASSERT_EQ(seen.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(seen[i], want[i], 1) << "draw " << i;
  EXPECT_EQ(scene_.m_nTintRepeatCount, repeats);
}

TEST_F(ScreenTintTest, ANewAttemptStartsWithoutTintOrScreenEffect) {
  scene_.m_ScrEffect.m_nId = 3;
  scene_.m_bTintActive = 1;
  scene_.m_bTinted = 1;
  scene_.m_nTintPrevWeight = 12;
  scene_.m_nTintWeight = 40;
  scene_.InitDrawState();
  EXPECT_EQ(scene_.m_ScrEffect.m_nId, 0);
  EXPECT_EQ(scene_.m_bTintActive, 0);
  EXPECT_EQ(scene_.m_bTinted, 0);
  EXPECT_EQ(scene_.m_nTintWeight, 0);
  EXPECT_EQ(scene_.m_nTintPrevWeight, 255);
}

}  // namespace
