#include "stage/ranking_view.h"

#include <algorithm>
#include <string>

#include "graphics/blit.h"
#include "graphics/builtin_tables.h"
#include "graphics/font.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/start_option.h"
#include "records/system_data.h"
#include "services/game_threads.h"
#include "services/log.h"
#include "services/strings.h"
#include "stage/scene_manager.h"

namespace {

constexpr int kAccessorySheet = 49;  // "bmp\Accessory.bmp": the place mark at (16, 48)
constexpr int kCell = 16;
constexpr int kClearTimeKind = 2;
constexpr int kFirstKindText = 5;     // System texts 5..9 name the kinds
constexpr int kSwitchHintText = 25;   // "Vキーでジャンルの切り替え"
constexpr int kTimeWidth = 8;         // "mm:ss.hh"

cFont& Font() { return g_TextRenderer[1]; }

void DrawMark(DDSURFACEDATA* dst, int x, int y) { DDBlt(dst, x, y, kCell, kCell, &g_SD[kAccessorySheet], 16, 48, 1); }

// System text n, or "" when the project's list is shorter.
const std::string& SystemText(int n) {
  static const std::string kEmpty;
  const cCheckedVector<std::string>& texts = g_SystemData.m_vecText;
  return n >= 0 && n < texts.Size() ? texts[static_cast<size_t>(n)] : kEmpty;
}

bool KindSwitch(const cCheckedVector<BYTE>& kinds, int k) { return k < kinds.Size() && kinds[static_cast<size_t>(k)]; }

}  // namespace

void DrawRanking(const cRankingData& ranking, DDSURFACEDATA* dst, int x, int y, int kind, int cursorRow) {
  if (kind < 0 || kind >= ranking.m_vecList.Size()) return;
  const cRankingList& list = ranking.m_vecList[static_cast<size_t>(kind)];
  cFont& font = Font();
  font.DrawWindow(dst, x + 1, y + 1, 270, 350);
  std::string header;
  FormatString(&header, g_StartOption.English ? "Ranking     %s" : "ランキング    %s",
               SystemText(kind + kFirstKindText).c_str());
  // With the project's switch the names and the English header are drawn
  // without the glyph sheets, the font's mode coming back after each.
  const bool slowNames = g_SystemData.m_bRankingNameSlowFont != 0;
  const auto drawSlow = [&](int tx, int ty, const char* text) {
    const int fast = font.bFastFont;
    if (slowNames) font.bFastFont = 0;
    font.DrawText(dst, tx, ty, text);
    font.bFastFont = fast;
  };
  if (g_StartOption.English)
    drawSlow(x, y, header.c_str());
  else
    font.DrawText(dst, x, y, header.c_str());

  const int places = list.m_vecEntry.Size();
  // The column is as wide as the first place's value: the list runs from
  // there, so the others fit under it.
  const int width = kind == kClearTimeKind ? kTimeWidth : GetDigitCount(places > 0 ? list.m_vecEntry[0].m_nValue : 0);
  for (int i = 0; i < places; ++i) {
    const cRankingEntry& e = list.m_vecEntry[static_cast<size_t>(i)];
    if (!e.m_bValid) continue;
    const int row = y + kCell * (i + 1);
    font.DrawTextF(dst, x + 16, row, "%d", i + 1);
    drawSlow(x + 64, row, e.m_strName.c_str());
    std::string value;
    if (kind == kClearTimeKind) {
      FormatTime(value, e.m_nValue);
      font.DrawText(dst, x + 144, row, value.c_str());
    } else {
      // Right-aligned: the last digit stands at x + (w + 8) cells, so a
      // value as wide as place 1's starts at x + 144 like the clear times.
      value = std::to_string(e.m_nValue);
      const int last = x + (width + 8) * kCell;
      font.DrawText(dst, last - (static_cast<int>(value.size()) - 1) * kCell, row, value.c_str());
    }
  }
  if (g_SystemData.CountSetFlags(g_SceneManager.m_nGameMode) >= 2) {
    const std::string& hint = SystemText(kSwitchHintText);
    font.DrawText(dst, x + 136 - kCell * GetCharCount(hint) / 2, y + kCell * (places + 1), hint.c_str());
  }
  if (cursorRow != -1) DrawMark(dst, x, y + kCell * (cursorRow + 1));
}

void DrawModeTotals(DDSURFACEDATA* dst, int x, int y, const std::vector<int>& positions) {
  const cProgressData& p = g_Progress;
  const int mode = g_SceneManager.m_nGameMode;
  const cCheckedVector<cSystemFlagListData>& modes = g_SystemData.m_vecModeRanking;
  static const cCheckedVector<BYTE> kNone;
  const cCheckedVector<BYTE>& modeKinds = mode >= 0 && mode < modes.Size() ? modes[static_cast<size_t>(mode)].m_vecKind : kNone;
  const cCheckedVector<int>& stageKinds = g_Stage.m_vecRanking;

  const int values[kRankingKindCount] = {p.m_nScore, p.m_nTimeLeft, p.m_nClearTime, p.m_nResultLife, p.m_nResultSp};
  std::vector<int> shown;
  for (int k = 0; k < kRankingKindCount; ++k) {
    const bool stage = k < stageKinds.Size() && stageKinds[static_cast<size_t>(k)] != 0;
    if (stage && (g_bCmdLineStage || KindSwitch(modeKinds, k))) shown.push_back(k);
  }
  if (shown.empty()) return;

  int labelWidth = 1, valueWidth = 1;
  for (int k : shown) {
    labelWidth = std::max(labelWidth, GetCharCount(SystemText(k + kFirstKindText)));
    valueWidth = std::max(valueWidth, k == kClearTimeKind ? kTimeWidth : GetDigitCount(values[k]));
  }
  cFont& font = Font();
  const int rows = static_cast<int>(shown.size());
  font.DrawWindow(dst, x, y, (valueWidth + labelWidth + 3) * kCell, rows * kCell);
  for (int r = 0; r < rows; ++r) {
    const int k = shown[static_cast<size_t>(r)];
    const int row = y + r * kCell;
    font.DrawText(dst, x + 16, row, SystemText(k + kFirstKindText).c_str());
    std::string value;
    if (k == kClearTimeKind)
      FormatTime(value, p.m_nClearTime);
    else
      value = std::to_string(values[k]);
    font.DrawText(dst, x + 32 + labelWidth * kCell, row, value.c_str());
  }
  int marks = 0;
  for (int place : positions)
    if (place != -1) DrawMark(dst, x, y + kCell * marks++);
}
