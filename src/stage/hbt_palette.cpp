#include "stage/hbt_palette.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "graphics/builtin_tables.h"
#include "stage/scene_manager.h"
#include "graphics/palette.h"
#include "graphics/palette_fx.h"
#include "platform/paths.h"
#include "records/system_data.h"
#include "services/log.h"

HIGHLIGHTCOLOR g_HighlightColor[10];

namespace {

constexpr int kColorSets = 24;

struct CycleState {
  int value[9] = {};
  int direction[9] = {};
  int phase = 0;
  int calls = 0;
};
CycleState g_cycle;

D3DCOLOR Argb(int r, int g, int b) {
  return 0xFF000000u | (static_cast<DWORD>(r & 255) << 16) | (static_cast<DWORD>(g & 255) << 8) |
         static_cast<DWORD>(b & 255);
}

}  // namespace

void ResetColorCyclingForTest() {
  g_cycle = CycleState{};
  for (HIGHLIGHTCOLOR& h : g_HighlightColor) h = HIGHLIGHTCOLOR{0, 0};
}

int LoadHbtPalette(int n) {
  if (g_bD3D || g_nBpp != 8) return 1;
  // The set number comes from Option.dat: a value outside the 24 sets would
  // read palette rows beyond the table.
  n = std::clamp(n, 0, kColorSets - 1);
  const std::string fileName = Format("bmp\\hbt\\hbt%02d.dat", n);
  if (!DDLoadBlendTable(g_BlendTable, fileName.c_str())) {
    ErrorBoxf("%s の読み込みに失敗！", fileName.c_str());
    return 0;
  }
  // The palette of the start option's window mode, as the display was made.
  if (!DDLoadPaletteFromFile(g_Palette, g_SDDef, g_bWindowed)) {
    WriteECLog("DDLoadPaletteFromFile失敗");
    return 0;
  }
  if (n < 12) {
    RotatePalette(g_Palette, 16, 207, n * 16, 1, g_Palette);  // entry i takes i + 16n
  } else {
    const int row = 16 * (n - 11);
    for (int r = 16; r < 208; r += 16)
      if (r != row) std::copy(g_Palette + row, g_Palette + row + 16, g_Palette + r);
  }
  std::copy(g_Palette, g_Palette + 256, g_PaletteWork);
  // Entries 0-254: the last entry keeps what the device has.
  if (g_lpDDPal) g_lpDDPal->SetEntries(0, 255, g_PaletteWork);
  return 1;
}

int PingPong(int* value, int* direction, int step, int minimum, int maximum) {
  const int old = *value;
  if (*direction == 0) {
    *value += step;
    if (*value >= maximum) {
      *value = old;
      *direction = 1;
    }
    return 0;
  }
  *value -= step;
  if (*value <= minimum) {
    *value = old;
    *direction = 0;
    return 1;
  }
  return 0;
}

void CycleColors() {
  if (!g_bD3D) {
    if (!g_SystemData.m_bPaletteCycle || g_nBpp != 8) return;
    if (++g_cycle.calls <= 5) return;
    for (int first = 208; first < 240; first += 4) RotatePalette(g_PaletteWork, first, first + 3, 1, 1, g_PaletteWork);
    if (g_lpDDPal) g_lpDDPal->SetEntries(208, 32, g_PaletteWork + 208);
    g_cycle.calls = 0;
    return;
  }
  const int step = g_SystemData.m_nCycleStep;
  int* v = g_cycle.value;
  auto colorOf = [&](int channel) -> D3DCOLOR {
    const int x = v[channel - 1];
    switch (channel) {
      case 1:
      case 2: return Argb(x, x, x);
      case 3: return Argb(x, 0, 0);
      case 4: return Argb(0, x, 0);
      case 5: return Argb(0, 0, x);
      case 6: return Argb(x, x, 0);
      case 7: return Argb(x, 0, x >> 2);
      case 8: return Argb(x >> 2, 0, x);
      default:
        switch (g_cycle.phase) {
          case 0: return Argb(x, 0, 0);
          case 1: return Argb(0, x, 0);
          case 2: return Argb(0, 0, x);
          default: return Argb(x, x, 0);
        }
    }
  };
  for (int channel = 1; channel <= 9; ++channel) {
    g_HighlightColor[channel] = HIGHLIGHTCOLOR{colorOf(channel), channel == 2 ? 10 : 7};
    if (PingPong(&v[channel - 1], &g_cycle.direction[channel - 1], step, 0, 255) && channel == 9)
      g_cycle.phase = (g_cycle.phase + 1) & 3;
  }
}
