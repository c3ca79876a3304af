#include "app/screen_mode.h"

const char* const kScreenModeWindowText =
    "画面モードが不正です！\nウインドウモードではSystem.iniの設定と画面の色の設定を合わせて下さい！";
const char* const kScreenModeGeneralText = "画面モードが不正です！\nSystem.iniと画面の設定を見直して下さい！";

namespace {

// The project's automatic full-screen depth for its choice value.
int AutomaticDepth(const ScreenModeRequest& in) {
  const int choice = in.direct3D ? in.d3dDepth : in.ddDepth;
  if (choice == 1) return 16;
  if (choice == 2 && !in.direct3D && in.paletteMode == 0) return 8;
  return 32;
}

bool DepthAllowed(const ScreenModeRequest& in, int windowMode, int depth) {
  if (depth == 16 || depth == 32) return true;
  return depth == 8 && !in.direct3D && !windowMode && in.paletteMode == 0;
}

}  // namespace

ScreenMode CheckScreenMode(const ScreenModeRequest& in) {
  ScreenMode out;
  out.windowMode = in.windowMode != 0;
  out.vsync = in.vsync;
  if (in.direct3D) {
    if (out.vsync >= 2) out.vsync = 1;
  } else if (out.windowMode) {
    out.vsync = 0;
  } else if (out.vsync >= 2) {
    out.vsync = in.osAtLeast60 ? 0 : 1;
  }
  // Any other non-zero value is handed on as "on".
  out.vsync = out.vsync != 0;

  if (in.bpp != 0)
    out.depth = in.bpp;
  else
    out.depth = out.windowMode ? in.desktopBpp : AutomaticDepth(in);

  if (!DepthAllowed(in, out.windowMode, out.depth))
    out.error = kScreenModeGeneralText;
  else if (out.windowMode && out.depth != in.desktopBpp)
    out.error = kScreenModeWindowText;
  return out;
}
