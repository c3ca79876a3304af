// The drawing steps of the stage view that the frame drawing calls in its
// fixed order (backgrounds, block map, status line, time limit) and the
// screen tint of the screen-colour command.
#include <algorithm>
#include <cstdint>

#include "flow/flow_records.h"
#include "graphics/batch.h"
#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/display.h"
#include "graphics/fill.h"
#include "graphics/font.h"
#include "graphics/number.h"
#include "graphics/palette_fx.h"
#include "objects/hero.h"
#include "objects/sprite_source.h"
#include "platform/numeric.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/sound.h"
#include "services/strings.h"
#include "services/timing.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

namespace {

using plat::TruncToInt;

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr DWORD kEmptyColor = 16;  // what shows where nothing was drawn

// Built-in surfaces.
constexpr int kStatusBarSheet = 46;   // "bmp\StatusWindow.bmp"
constexpr int kAccessorySheet = 49;   // "bmp\Accessory.bmp": icons and gauges
constexpr int kWordSheet = 51;        // "bmp\Word.bmp": the large digits
constexpr int kFirstBackground = 55;  // backgrounds 1 to 8
constexpr int kBackgroundCount = 8;

constexpr int kTimeWarningSound = 13;

// Status entries.
enum : int { kStatusScore = 0, kStatusStageScore = 1, kStatusLife = 2, kStatusSP = 3, kStatusLives = 4 };
constexpr int kStatusY = 3;
constexpr int kGaugeW = 50;

DDSURFACEDATA* BackgroundSurface(int i) { return &g_SD[kFirstBackground + i]; }

bool HasImage(const DDSURFACEDATA* sd) {
  const PixelBuffer* b = sd->Pixels();
  return b && !b->Empty() && sd->nWidth > 0 && sd->nHeight > 0;
}

int NonNegativeMod(int v, int m) {
  const int r = v % m;
  return r < 0 ? r + m : r;
}

// One background picture repeated over the whole screen, its tile grid
// starting at (originX, originY) of the picture.
void TileBackground(DDSURFACEDATA* target, DDSURFACEDATA* sd, int originX, int originY, int key) {
  constexpr int kMaxTiles = 1000;
  const int w = sd->nWidth, h = sd->nHeight;
  const int sy0 = NonNegativeMod(originY, h);
  const int sx0 = NonNegativeMod(originX, w);
  DDBeginSpriteBatch(0);
  int y = 0;
  for (int row = 0; row < kMaxTiles && y < kScreenH; ++row) {
    const int sy = row == 0 ? sy0 : 0;
    const int th = h - sy;
    int x = 0;
    for (int col = 0; col < kMaxTiles && x < kScreenW; ++col) {
      const int sx = col == 0 ? sx0 : 0;
      const int tw = w - sx;
      DDBlt(target, x, y, tw, th, sd, sx, sy, key);
      x += tw;
    }
    y += th;
  }
  DDEndSpriteBatch();
}

// The ranges [first, first + count) of picture texels along one axis that
// the tiles of TileBackground read: the first tile's from `origin`, and the
// later ones' from 0 (`count` 0 for none).
struct TexelSpans {
  int first[2], count[2];
};
TexelSpans SpansRead(int size, int origin, int screen) {
  const int start = NonNegativeMod(origin, size);
  const int firstTile = size - start;
  TexelSpans t{{start, 0}, {std::min(firstTile, screen), 0}};
  if (firstTile < screen) t.count[1] = std::min(size, screen - firstTile);
  return t;
}

// True when every screen pixel TileBackground reaches gets an opaque texel,
// keyed or not: the layers of the plane before it are then hidden.
bool TilesCoverOpaquely(DDSURFACEDATA* target, DDSURFACEDATA* sd, int originX, int originY) {
  // Earlier layers' tiles may stick out past the screen where this layer's
  // do not: only on a target no larger than the screen.
  if (target->nWidth > kScreenW || target->nHeight > kScreenH) return false;
  const TexelSpans cols = SpansRead(sd->nWidth, originX, kScreenW);
  const TexelSpans rows = SpansRead(sd->nHeight, originY, kScreenH);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) {
      if (rows.count[r] == 0 || cols.count[c] == 0) continue;
      if (!DDIsOpaqueCopy(target, sd, cols.first[c], rows.first[r], cols.count[c], rows.count[r])) return false;
    }
  return true;
}

int StageScore() { return g_Progress.m_nScoreGained; }

cHero* FirstHero() { return Player.empty() ? nullptr : &Player[0]; }

// The bar's share of value / maximum, 0 for no maximum; a value outside
// 0..maximum stays within the gauge frame.
int GaugeFill(int value, int maximum) {
  if (maximum == 0) return 0;
  const long long fill = static_cast<long long>(value) * kGaugeW / maximum;
  return static_cast<int>(std::clamp<long long>(fill, 0, kGaugeW));
}

}  // namespace

// ---- backgrounds ---------------------------------------------------------------

void cGameScene::ScrollBackgrounds() {
  cCheckedVector<cBackgroundData>& list = g_Stage.m_vecBackground;
  const int n = std::min(list.Size(), kBackgroundCount);
  for (int i = 0; i < n; ++i) {
    cBackgroundData& bg = list[static_cast<size_t>(i)];
    const DDSURFACEDATA* sd = BackgroundSurface(i);
    if (bg.m_bAutoScrollX) {
      bg.m_dOffsetX -= bg.m_dFactorX;
      const double s = sd->nWidth;
      if (bg.m_dOffsetX < 0.0)
        bg.m_dOffsetX += s;
      else if (bg.m_dOffsetX >= s)
        bg.m_dOffsetX -= s;
    }
    if (bg.m_bAutoScrollY) {
      bg.m_dOffsetY -= bg.m_dFactorY;
      const double s = sd->nHeight;
      if (bg.m_dOffsetY < 0.0)
        bg.m_dOffsetY += s;
      else if (bg.m_dOffsetY >= s)
        bg.m_dOffsetY -= s;
    }
  }
}

void cGameScene::DrawBackgrounds(DDSURFACEDATA* target, int layer) {
  cCheckedVector<cBackgroundData>& list = g_Stage.m_vecBackground;
  const int n = std::min(list.Size(), kBackgroundCount);
  if (layer == 0) {
    bool any = false;
    for (int i = 0; i < n; ++i) any = any || list[static_cast<size_t>(i)].m_bShow;
    if (!any) {
      DDFillRect(target, 0, 0, kScreenW, kScreenH, kEmptyColor);
      return;
    }
  }
  const int borderX = m_ScrollX.StageStart(), borderY = m_ScrollY.StageStart();
  const double viewX = m_ScrollX.m_dPos, viewY = m_ScrollY.m_dPos;
  auto originX = [&](const cBackgroundData& bg) {
    return bg.m_bAutoScrollX ? TruncToInt(bg.m_dOffsetX + viewX - borderX)
                             : TruncToInt(static_cast<double>(TruncToInt(viewX + 0.5) - borderX) * bg.m_dFactorX);
  };
  auto originY = [&](const cBackgroundData& bg) {
    return bg.m_bAutoScrollY ? TruncToInt(bg.m_dOffsetY + viewY - borderY)
                             : TruncToInt(static_cast<double>(TruncToInt(viewY) - borderY) * bg.m_dFactorY);
  };
  // A picture without a transparent texel where it is shown hides the
  // layers of its plane before it: drawing starts with it. Behind the map
  // it is then the first picture drawn, unkeyed, which with no transparent
  // texel gives the pixels the keyed copy would.
  int from = 0;
  for (int i = n - 1; i > 0; --i) {
    const cBackgroundData& bg = list[static_cast<size_t>(i)];
    if (!bg.m_bShow || bg.m_nPlane != layer || bg.m_bFill || !HasImage(BackgroundSurface(i))) continue;
    if (TilesCoverOpaquely(target, BackgroundSurface(i), originX(bg), originY(bg))) {
      from = i;
      break;
    }
  }
  int drawn = 0;
  for (int i = from; i < n; ++i) {
    const cBackgroundData& bg = list[static_cast<size_t>(i)];
    if (!bg.m_bShow || bg.m_nPlane != layer) continue;
    if (bg.m_bFill) {
      ++drawn;
      DDFillRect(target, 0, 0, kScreenW, kScreenH, static_cast<DWORD>(bg.m_nFillColor));
      continue;
    }
    // A shown entry counts as drawn even when its surface holds no picture:
    // nothing is drawn for it, and the screen is not filled in its place.
    ++drawn;
    DDSURFACEDATA* sd = BackgroundSurface(i);
    if (!HasImage(sd)) continue;
    // The first picture behind the map covers the screen, so its key colour
    // must not let the previous frame show through.
    const int key = (layer == 0 && drawn == 1) ? 0 : 1;
    TileBackground(target, sd, originX(bg), originY(bg), key);
  }
  if (layer == 0 && drawn == 0) DDFillRect(target, 0, 0, kScreenW, kScreenH, kEmptyColor);
}

// ---- block map ---------------------------------------------------------------------

void cGameScene::DrawBlockMap(DDSURFACEDATA* target, int part) {
  // 21 x 16 cells cover the 640x480 view at any offset inside a cell.
  constexpr int kRows = 16, kCols = 21;
  DDBeginSpriteBatch(1);
  DDSetSpriteOrder(MarkSheetSurface());
  const int viewX = TruncToInt(m_ScrollX.m_dPos), viewY = TruncToInt(m_ScrollY.m_dPos);
  const int firstCol = viewX >> 5, firstRow = viewY >> 5;
  const int offX = viewX & 31, offY = viewY & 31;
  const int shift = m_ScrollX.m_nRowShift;
  for (int r = 0; r < kRows; ++r) {
    const int row = firstRow + r;
    if (row < 0 || row >= m_ScrollY.m_nCells) continue;
    for (int c = 0; c < kCols; ++c) {
      const int col = firstCol + c;
      if (col < 0 || col >= m_ScrollX.m_nCells) continue;
      const size_t index = static_cast<size_t>(col) + (static_cast<size_t>(row) << shift);
      if (index >= g_vecBlockMap.size()) continue;
      cBlockCell& cell = g_vecBlockMap[index];
      if (cell.m_sGraphic == 0 || cell.m_byLayer != part) continue;
      if (!CheckBlockCondList(cell)) continue;
      if (cell.m_bHidden != 0) continue;
      cell.DrawIcon(target, c * 32 - offX, r * 32 - offY);
    }
  }
  DDEndSpriteBatch();
}

// ---- status line and time limit ------------------------------------------------

void cGameScene::DrawStatusBar(DDSURFACEDATA* target) {
  if (!m_bStatusBar) return;
  const cCheckedVector<cSystemStatusData>& entries = g_SystemData.m_vecStatus;
  const int count = std::min(entries.Size(), kStatusEntryCount);
  int width[kStatusEntryCount] = {};
  int shown = 0;
  long long sum = 0;
  for (int i = 0; i < count; ++i) {
    const cSystemStatusData& s = entries[static_cast<size_t>(i)];
    if (!s.m_bShow) continue;
    long long w = s.m_bIcon ? 16 : 16LL * GetCharCount(s.m_strName);
    w += (i == kStatusLife || i == kStatusSP) ? kGaugeW : 16LL * s.m_nDigits;
    width[i] = static_cast<int>(std::clamp<long long>(w, -kScreenW, kScreenW));
    sum += width[i];
    ++shown;
  }
  if (shown == 0) return;
  const int spacing = static_cast<int>((638 - sum) / (shown + 1));

  DDBlt(target, 0, 0, kScreenW, 20, &g_SD[kStatusBarSheet], 0, 0, 1);
  DDSURFACEDATA* icons = &g_SD[kAccessorySheet];
  cFont& text = g_TextRenderer[1];
  const cHero* hero = FirstHero();
  int x = spacing;
  for (int i = 0; i < count; ++i) {
    const cSystemStatusData& s = entries[static_cast<size_t>(i)];
    if (!s.m_bShow) continue;
    const char* name = s.m_strName.c_str();
    switch (i) {
      case kStatusScore:
      case kStatusStageScore: {
        const int value = i == kStatusScore ? g_Progress.m_nScore : StageScore();
        if (s.m_bIcon) {
          DDBlt(target, x, kStatusY, 16, 16, icons, i == kStatusScore ? 0 : 16, 32, 1);
          text.DrawTextF(target, x + 16, kStatusY, "%d", value);
        } else {
          text.DrawTextF(target, x, kStatusY, "%s%d", name, value);
        }
        break;
      }
      case kStatusLife:
      case kStatusSP: {
        int gaugeX;
        if (s.m_bIcon) {
          DDBlt(target, x, kStatusY, 16, 16, icons, i == kStatusLife ? 32 : 48, 32, 1);
          gaugeX = x + 16;
        } else {
          text.DrawTextF(target, x, kStatusY, "%s", name);
          gaugeX = x + 16 * GetCharCount(s.m_strName);
        }
        const int sheetX = i == kStatusLife ? 0 : 64;
        DDBlt(target, gaugeX, kStatusY, kGaugeW, 16, icons, sheetX, 128, 1);
        int value = 0, maximum = 0;
        if (hero) {
          value = i == kStatusLife ? hero->m_nLife : hero->m_nSP;
          maximum = i == kStatusLife ? hero->m_Data.m_nMaxHp : hero->m_Data.m_nMaxSp;
        }
        const int sheetY = g_SystemData.CheckGaugeThreshold(i, value, maximum) ? 160 : 144;
        DDBlt(target, gaugeX, kStatusY, GaugeFill(value, maximum), 16, icons, sheetX, sheetY, 1);
        if (s.m_bShowValue) g_TextRenderer[0].DrawTextF(target, gaugeX, 6, "%d", value);
        break;
      }
      case kStatusLives: {
        const int lives = g_Progress.m_nLives;
        const bool unlimited = lives == kUnlimitedLives;
        if (s.m_bIcon) {
          DDBlt(target, x, kStatusY, 16, 16, icons, 64, 32, 1);
          if (unlimited)
            text.DrawTextF(target, x + 16, kStatusY, "-");
          else
            text.DrawTextF(target, x + 16, kStatusY, "%d", lives);
        } else if (unlimited) {
          text.DrawTextF(target, x, kStatusY, "%s-", name);
        } else {
          text.DrawTextF(target, x, kStatusY, "%s%d", name, lives);
        }
        break;
      }
      default: break;
    }
    x += width[i] + spacing;
  }
}

void cGameScene::DrawTimeLimit(DDSURFACEDATA* target, int warn) {
  if (m_bNoTimeLimit) return;
  DDDrawNumber(target, 272, 24, 32, 32, &g_SD[kWordSheet], 0, 160, 1, m_nTimeLimit, 3, 0);
  // The counter of the time limit is 0 in the frame in which a second went
  // by, so the warning sounds once a second.
  if (warn && m_nTimeLimit >= 1 && m_nTimeLimit <= g_Stage.m_nTimeWarning &&
      CountFrames(2, 0))
    PlaySE(kTimeWarningSound);
}

// ---- screen tint -------------------------------------------------------------------

namespace {

// The picture mixed with the colour: weight 255 leaves it untouched, 0
// covers it with the colour.
void LayTint(int weight, BYTE r, BYTE g, BYTE b) {
  weight = std::clamp(weight, 0, 255);
  if (lpDTCon) {
    DDSURFACEDATA* target = &BackBuffer;
    DDRedirectBackBuffer(&target);
    const D3DCOLOR color = static_cast<D3DCOLOR>(255 - weight) << 24 | static_cast<D3DCOLOR>(r) << 16 |
                           static_cast<D3DCOLOR>(g) << 8 | b;
    DDDrawColorQuad(target, 0, 0, kScreenW, kScreenH, color);
  } else if (g_nBpp == 8 && g_lpDDPal) {
    // 8-bit DirectDraw tints through the hardware palette.
    BlendPalette(g_PaletteWork, 0, 255, weight, r, g, b, g_Palette);
    g_lpDDPal->SetEntries(0, 256, g_PaletteWork);
  }
}

}  // namespace

void cGameScene::StartScreenTint(const cFlowCmd& cmd) {
  const int restore = cmd.Param(4) != 0;
  if (restore) {
    // Nothing to undo.
    if (lpDTCon ? !m_bTintActive : (g_nBpp == 8 && !m_bTinted)) return;
  }
  m_byTintPrevR = m_byTintR;
  m_byTintPrevG = m_byTintG;
  m_byTintPrevB = m_byTintB;
  m_nTintPrevPercent = m_nTintPercent;
  m_nTintPrevWeight = m_nTintWeight;

  m_byTintR = static_cast<BYTE>(cmd.Param(0));
  m_byTintG = static_cast<BYTE>(cmd.Param(1));
  m_byTintB = static_cast<BYTE>(cmd.Param(2));
  m_nTintPercent = cmd.Param(3);
  m_bTintRestore = restore;
  m_nTintDuration = static_cast<int>(std::clamp<long long>(cmd.Param(5) * 6LL, INT32_MIN, INT32_MAX));
  m_bTintFlash = cmd.Param(6);
  m_nTintRepeat = cmd.Param(7);
  m_bTintActive = 1;
  m_nTintFrame = 0;
  m_nTintRepeatCount = 0;
  if (!restore) {
    m_nTintWeight = 0;
    m_bTinted = 1;
  } else {
    m_byTintR = m_byTintPrevR;
    m_byTintG = m_byTintPrevG;
    m_byTintB = m_byTintPrevB;
    m_nTintPercent = m_nTintPrevPercent;
    m_nTintWeight = m_nTintPrevWeight;
  }
}

void cGameScene::DrawScreenTint(int drawOnly) {
  if (!m_bTintActive) return;
  if (!lpDTCon) {
    if (drawOnly) return;
    if (g_nBpp != 8) {
      m_bTintActive = 0;
      return;
    }
  }
  const int k = m_nTintFrame;
  const int duration = m_nTintDuration;
  int weight;
  if (m_bTintRestore) {
    weight = duration != 0 ? TruncToInt(static_cast<double>(k) / duration * (255 - m_nTintPrevWeight) +
                                        m_nTintPrevWeight)
                           : 255;
  } else {
    const double strength =
        duration != 0 ? static_cast<double>(k) / duration * m_nTintPercent * 2.55 : m_nTintPercent * 2.55;
    weight = TruncToInt(255 - strength);
  }
  m_nTintWeight = weight;
  LayTint(weight, m_byTintR, m_byTintG, m_byTintB);
  if (drawOnly) return;

  if (k >= duration) {
    if (m_bTintFlash) {
      LayTint(255, m_byTintR, m_byTintG, m_byTintB);
      m_nTintWeight = 255;
      m_nTintFrame = 0;
      if (++m_nTintRepeatCount >= m_nTintRepeat) m_bTintActive = 0;
    } else if (m_bTintRestore || !lpDTCon || m_nTintPercent == 0) {
      // Direct3D keeps laying a finished tint over every frame; the
      // palette of 8-bit DirectDraw simply keeps its colour.
      m_bTintActive = 0;
    }
    return;
  }
  ++m_nTintFrame;
}
