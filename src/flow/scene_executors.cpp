// Commands that act on the course of the game and on what is seen and heard:
// the stage clear, the game wait and the message, and the graphics, effect,
// picture, screen, background, sound and music commands. The game wait, a
// modal message and a waiting effect or picture freeze the game: the frame
// loop runs on thPause while the calling thread waits inside the executor.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <list>
#include <string>
#include <vector>

#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "graphics/bitmap_load.h"
#include "graphics/display.h"
#include "graphics/surface.h"
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/effect.h"
#include "objects/hero.h"
#include "objects/message.h"
#include "platform/messages.h"
#include "platform/numeric.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "records/media_data.h"
#include "records/progress_data.h"
#include "records/stage_data.h"
#include "records/start_option.h"
#include "records/worldmap_data.h"
#include "services/log.h"
#include "services/sound.h"
#include "services/strings.h"
#include "stage/game_scene.h"
#include "stage/stage_surfaces.h"

namespace {

constexpr int kSoundMessageOpen = 11;
constexpr int kAnimeEndCode = -4;
constexpr int kWaitGame = 0, kWaitMessage = 1, kWaitEffect = 2, kWaitPicture = 3;

int (*g_modalWait)(cGameScene& scene, int post) = nullptr;

int RunModal(cGameScene& scene, int post) { return g_modalWait ? g_modalWait(scene, post) : scene.RunModalWait(post); }

int Param(const cFlowCmd& cmd, int i) { return cmd.Param(i); }

// Tenths of a second from data, as frames: a huge count must not overflow.
int TenthsToFrames(int64_t tenths) { return static_cast<int>(std::clamp<int64_t>(tenths * 6, INT_MIN, INT_MAX)); }

template <class T>
typename std::list<T>::iterator FindByAddress(std::list<T>& list, const T* item) {
  return std::find_if(list.begin(), list.end(), [item](const T& x) { return &x == item; });
}

// The position of a list element, or -1 when it is gone.
template <class T>
int PositionOf(const std::list<T>& list, const T* item) {
  int n = 0;
  for (const T& x : list) {
    if (&x == item) return n;
    ++n;
  }
  return -1;
}

// An effect's or picture's top-left in stage coordinates for a size of
// w x h: centred on the screen (0), on the chara (1) or the hero (2), at a
// screen cell (3) or a stage cell (4); dx, dy shift it.
void ComputeDisplayPoint(double& x, double& y, int w, int h, const cCharaBase* chara, int position, int cellX,
                         int cellY, int dx, int dy) {
  const cGameScene& scene = *g_pGameScene;
  const double sx = scene.m_ScrollX.m_dPos;
  const double sy = scene.m_ScrollY.m_dPos;
  switch (position) {
    case 0:
      x = dx + sx + 320 - w / 2;
      y = dy + sy + 240 - h / 2;
      break;
    case 1:
    case 2: {
      const cCharaBase* c = position == 2 ? &Player.At(0) : chara;
      // Without a chara the screen's corner stands in for its centre.
      const int cx = c ? c->m_rcScreen.left + c->m_nImgW / 2 : 0;
      const int cy = c ? c->m_rcScreen.top + c->m_nImgH / 2 : 0;
      x = dx + cx + sx - w / 2;
      y = dy + cy + sy - h / 2;
      break;
    }
    case 3:
      x = sx + cellX * 32.0 + dx;
      y = sy + cellY * 32.0 + dy;
      break;
    case 4:
      x = (static_cast<double>(cellX) + scene.m_ScrollX.m_nMargin) * 32 + dx;
      y = (static_cast<double>(cellY) + scene.m_ScrollY.m_nMargin) * 32 + dy;
      break;
    default:
      x = y = 0.0;
      break;
  }
}

// --- pictures ------------------------------------------------------------------

// Surface n and its definition leave the picture surface lists; a bad
// position is reported and removes nothing.
void RemovePictureSurfaceAt(int n) {
  DDSURFACEDATA* sd = &g_lstPictureSD.At(n);
  DDRemoveSurfaceList(g_lstPictureSD, g_lstPictureSDDef, sd);
}

// Picture n with its surface: the three lists stay parallel.
void RemovePictureAt(cGameScene& scene, int n) {
  RemovePictureSurfaceAt(n);
  std::list<cPicture>& pictures = scene.m_lstPicture;
  if (n >= 0 && n < static_cast<int>(pictures.size())) pictures.erase(std::next(pictures.begin(), n));
}

DDSURFACEDEF PictureSurfaceDef(const std::string& file, DWORD ddMem) {
  DDSURFACEDEF def = MakeSurfaceDef(1, ddMem, DTMEMORYTYPE_VIDEO_RT, nullptr);
  std::memset(def.szFileName, 0, sizeof def.szFileName);
  std::strncpy(def.szFileName, file.c_str(), sizeof def.szFileName - 1);
  return def;
}

}  // namespace

void SetCmdModalWaitForTest(int (*wait)(cGameScene& scene, int post)) { g_modalWait = wait; }

// ===== stage clear, game wait, message ============================================

int ExecStageClear(cCharaBase*, cFlowCmd* cmd) {
  if (!cmd) return 1;
  cProgressData& p = g_Progress;
  cGameScene* scene = g_pGameScene;
  auto request = [scene](int number, const std::string& path) {
    if (!scene) return;
    scene->m_nNextStage = number;
    scene->m_strNextStage = path;
  };
  // The number counts the stages of the series being played.
  switch (Param(*cmd, 0)) {
    case 0:
      request(p.m_nStageCount + 1, "");
      break;
    case 1:
      request(Param(*cmd, 1), "");
      break;
    case 2:
      if (!cmd->m_strText.empty()) {
        // Stripped from a copy: the command asks for the same stage each
        // time it runs.
        std::string path = cmd->m_strText;
        StripExtension(path);
        request(p.m_nStageCount, path + ".");
      } else {
        ErrorBoxf("ステージファイル %s が不正です。\nステージファイルとして認識できません。",
                  cmd->m_strText.c_str());
        request(p.m_nStageCount, "");
      }
      break;
    case 3:
      request(0, "");
      break;
    default:
      break;
  }
  if (Param(*cmd, 2)) {
    // An empty map, or a negative position from a file, must not leave a
    // position before the map's first cell.
    p.m_nMapX = std::max(std::min(Param(*cmd, 3), g_WorldMap.m_nWidth - 1), 0);
    p.m_nMapY = std::max(std::min(Param(*cmd, 4), g_WorldMap.m_nHeight - 1), 0);
    p.m_bBackToMap = 0;
  }
  if (Param(*cmd, 5)) {
    p.m_nClearValue1 = 1;
    p.m_nClearValue2 = Param(*cmd, 6);
    p.m_nClearValue3 = Param(*cmd, 7);
    const int facing = Param(*cmd, 8);
    p.m_nClearValue4 = facing == 2 ? (Player.At(0).m_bRight ? 1 : 0) : facing;
  } else {
    p.m_nClearValue1 = 0;
  }
  return 1;
}

int ExecGameWait(cCharaBase*, cFlowCmd* cmd) {
  if (!cmd || !g_pGameScene) return 0;
  cGameScene& scene = *g_pGameScene;
  const int frames = TenthsToFrames(cmd->m_vecParam.At(0));
  scene.m_lstMessage.emplace_back(kMessageWait, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, kMessageTimed, frames, 1, 0, 0,
                                  0, 0, 0, 0, 0, 0);
  const cMessage* wait = &scene.m_lstMessage.back();
  scene.m_Wait.Set(kWaitGame, 0, frames, 0);
  RunModal(scene, 0);
  if (scene.m_bQuit) return 0;
  // The frame loop may have ended it already.
  auto it = FindByAddress(scene.m_lstMessage, wait);
  if (it != scene.m_lstMessage.end()) scene.m_lstMessage.erase(it);
  return 0;
}

int ExecMessage(cCharaBase* chara, cFlowCmd* cmd, int* waitFlag) {
  if (!cmd || !g_pGameScene) return 0;
  cGameScene& scene = *g_pGameScene;
  if (scene.m_bQuit) return 0;
  const cFlowCmd& c = *cmd;
  const int continuing = waitFlag ? *waitFlag : 0;
  std::list<cMessage>& list = scene.m_lstMessage;

  cMessage* reused = nullptr;
  int replaceAt = -1;
  if (Param(c, 12)) {
    auto found = std::find_if(list.begin(), list.end(),
                              [&](const cMessage& m) { return m.m_bHasId && m.m_nMessageId == Param(c, 13); });
    if (found != list.end()) {
      if (Param(c, 15)) {
        found->ReleaseSurface();
        list.erase(found);
        return 0;
      }
      std::string text = c.m_strText;
      if (Param(c, 9)) ExpandMessageText(text);
      int w = 0, h = 0;
      MeasureMessageText(w, h, text);
      if (w == found->m_nWidth && h == found->m_nHeight) {
        reused = &*found;
      } else {
        replaceAt = static_cast<int>(std::distance(list.begin(), found));
        found->ReleaseSurface();
        list.erase(found);
      }
    } else if (Param(c, 15)) {
      return 0;
    }
  } else if (Param(c, 15)) {
    return 0;
  }

  const int frames = Param(c, 17) ? 1 : TenthsToFrames(Param(c, 7));
  const int position = Param(c, 0);
  int anchor = 0;
  if (position >= 1 && position <= 3)
    anchor = chara ? chara->m_nId : 0;
  else if (position >= 4 && position <= 6)
    anchor = Player.At(0).m_nId;

  cMessage* shown = reused;
  if (reused) {
    reused->Init(kMessageText, c.m_strText.c_str(), 0, 0, 0, position, Param(c, 1), Param(c, 2), Param(c, 3),
                 Param(c, 4), Param(c, 5), Param(c, 10), Param(c, 6), frames, Param(c, 8), anchor, continuing,
                 Param(c, 9), Param(c, 11), Param(c, 16), Param(c, 14), Param(c, 12), Param(c, 13), 1);
  } else {
    auto at = replaceAt >= 0 ? std::next(list.begin(), std::min<int>(replaceAt, static_cast<int>(list.size())))
                             : list.end();
    shown = &*list.emplace(at, kMessageText, c.m_strText.c_str(), 0, 0, 0, position, Param(c, 1), Param(c, 2),
                           Param(c, 3), Param(c, 4), Param(c, 5), Param(c, 10), Param(c, 6), frames, Param(c, 8),
                           anchor, continuing, Param(c, 9), Param(c, 11), Param(c, 16), Param(c, 14), Param(c, 12),
                           Param(c, 13));
  }

  if (!Param(c, 8)) return 0;
  if (Param(c, 6) == kMessageTimed) {
    scene.m_Wait.Set(kWaitMessage, 0, frames, continuing);
  } else {
    // Until the advance key; a modal message shown "until the stage ends"
    // waits for the key too, or the game would stay frozen.
    scene.m_Wait.Set(kWaitMessage, 1, 0, continuing);
    if (!continuing) PlaySE(kSoundMessageOpen);
  }
  RunModal(scene, 1);
  if (scene.m_bQuit) return 0;
  // By identity: messages that ended during the wait have moved the others.
  auto it = FindByAddress(list, static_cast<const cMessage*>(shown));
  if (it != list.end()) {
    it->ReleaseSurface();
    list.erase(it);
  }
  return 0;
}

// ===== graphics and sound ========================================================

int ExecChangeGraphic(cCharaBase* chara, cFlowCmd* cmd) {
  if (!chara || !cmd) return 0;
  chara->m_Data.m_byGraphicKind = static_cast<BYTE>(Param(*cmd, 0));
  const int16_t graphic = static_cast<int16_t>(Param(*cmd, 1));
  chara->m_nGraphic = graphic;
  chara->m_Data.m_sGraphic = graphic;
  chara->m_Data.m_sGraphicFrame = static_cast<int16_t>(Param(*cmd, 2));
  return 0;
}

int ExecChangeBaseAnimeSet(cCharaBase* chara, cFlowCmd* cmd) {
  if (!chara || !cmd) return 0;
  chara->SetAnimeSet(static_cast<int16_t>(Param(*cmd, 0)), 0);
  return 0;
}

int ExecRunAnime(cCharaBase* chara, cFlowCmd* cmd) {
  if (!chara || !cmd) return 0;
  std::vector<int> triples;
  for (const ANIMEPATTERNSTEP& step : g_AnimePatternTable.At(Param(*cmd, 0)))
    triples.insert(triples.end(), {step.nValue, step.nTime, step.nLock});
  // A pattern the table lacks still needs its end code.
  if (triples.empty() || triples[triples.size() - 3] >= 0) triples.insert(triples.end(), {kAnimeEndCode, 0, 0});
  const int* lists[] = {triples.data(), nullptr};
  RUNNINGANIME a;
  a.Pattern.Create(lists);
  a.bTimed = 0;
  a.nFramesLeft = 0;
  a.nHoldFrames = 0;
  const cFlowState* flow = g_pGameScene ? g_pGameScene->m_pCurFlow : nullptr;
  a.nFlowId = flow ? flow->m_nId : -1;
  a.bPaused = 0;
  chara->m_lstAnime.push_front(std::move(a));
  chara->m_lstAnime.front().Pattern.SetPattern(0, 1);
  return 0;
}

int ExecRunEffect(cCharaBase* chara, cFlowCmd* cmd) {
  if (!cmd || !g_pGameScene) return 0;
  cGameScene& scene = *g_pGameScene;
  if (scene.m_bQuit) return 0;
  const cFlowCmd& c = *cmd;
  int id = static_cast<int16_t>(Param(c, 0));
  if (id == 0) {
    scene.m_lstEffect.clear();
    return 0;
  }
  const cCheckedVector<cEffectData>& effects = g_Database.m_vecEffect;
  // A bad index is reported once here; the effect then plays entry 0, as
  // the entry read here is.
  if (id < 0 || id >= effects.Size()) {
    effects.At(id);
    id = 0;
  }
  const cEffectData& entry = effects.At(id);
  const int percent = Param(c, 6);
  const int w = plat::TruncToInt(std::round(static_cast<double>(entry.m_nCellWidth) * percent / 100.0));
  const int h = plat::TruncToInt(std::round(static_cast<double>(entry.m_nCellHeight) * percent / 100.0));
  double x = 0.0, y = 0.0;
  ComputeDisplayPoint(x, y, w, h, chara, Param(c, 1), Param(c, 2), Param(c, 3), Param(c, 4), Param(c, 5));
  const int wait = Param(c, 7);
  scene.m_lstEffect.emplace_back().Create(id, x, y, w, h, wait);
  if (!wait) return 0;
  int64_t frames = 0;
  for (const cEffectFrameData& f : entry.m_vecFrame) frames += int64_t{f.m_nTime} * 6;
  scene.m_Wait.Set(kWaitEffect, 0, static_cast<int>(std::clamp<int64_t>(frames, INT_MIN, INT_MAX)), 0);
  RunModal(scene, 0);
  return 0;
}

int ExecRunCharaEffect(cCharaBase* chara, cFlowCmd* cmd) {
  if (!chara || !cmd) return 0;
  chara->m_EffectState.Start(static_cast<int16_t>(Param(*cmd, 0)), Param(*cmd, 1), Param(*cmd, 2));
  return 0;
}

int ExecRunScrEffect(cCharaBase*, cFlowCmd* cmd) {
  if (!cmd || !g_pGameScene) return 0;
  cGameScene& scene = *g_pGameScene;
  scene.m_ScrEffect.Start(static_cast<int16_t>(Param(*cmd, 0)), Param(*cmd, 1), Param(*cmd, 2));
  if (scene.m_ScrEffect.m_nId == 0 && lpDTCon && lpDTCon->bVirBackBuffer) DDSetVirtualBackBuffer(0);
  return 0;
}

int ExecShowPicture(cCharaBase* chara, cFlowCmd* cmd) {
  if (!cmd || !g_pGameScene) return 0;
  cGameScene& scene = *g_pGameScene;
  if (scene.m_bQuit) return 0;
  const cFlowCmd& c = *cmd;
  const int index = Param(c, 0);
  const int useId = Param(c, 12);
  if (index == 0 && !useId) {
    scene.ReleaseStageBmps();
    return 0;
  }
  int replaceAt = -1;
  if (useId) {
    std::list<cPicture>& pictures = scene.m_lstPicture;
    auto found = std::find_if(pictures.begin(), pictures.end(),
                              [&](const cPicture& p) { return p.m_bHasId && p.m_nPictureId == Param(c, 13); });
    if (found != pictures.end()) {
      const int at = static_cast<int>(std::distance(pictures.begin(), found));
      RemovePictureAt(scene, at);
      if (index == 0) return 0;
      replaceAt = at;
    } else if (index == 0) {
      return 0;
    }
  }

  const std::string file = g_Database.m_vecPicture.At(index).m_strFile;
  // DirectDraw stretches from system memory unless the start-up option has
  // video memory do it; our surfaces never run short of video memory.
  const DWORD ddMem = (!g_bD3D && Param(c, 7) != 100 && g_StartOption.DD_VideoStretch == 0) ? 1 : 0;
  const int count = static_cast<int>(g_lstPictureSD.size());
  const int at = replaceAt >= 0 && replaceAt < count ? replaceAt : count;
  auto defAt = std::next(g_lstPictureSDDef.begin(), std::min<int>(at, static_cast<int>(g_lstPictureSDDef.size())));
  g_lstPictureSDDef.insert(defAt, PictureSurfaceDef(file, ddMem));
  DDSURFACEDATA& sd = *g_lstPictureSD.emplace(std::next(g_lstPictureSD.begin(), at));
  const int code = DDCreateSurfaceFromFile(&sd, file.c_str(), 1, g_nBpp, ddMem, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 0,
                                           0, 0);
  if (!DDSurfaceErrorName(code)) {
    ErrorBoxf("%s 読み込み失敗！", file.c_str());
    WriteECLogf("%s 読み込み失敗！", file.c_str());
    // The record has no picture: left in, it would shift every later
    // picture onto its neighbour's surface.
    RemovePictureSurfaceAt(at);
    plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
    return 0;
  }

  const int percent = Param(c, 7);
  const int w = static_cast<int>(std::clamp<int64_t>(int64_t{sd.nWidth} * percent / 100, INT_MIN, INT_MAX));
  const int h = static_cast<int>(std::clamp<int64_t>(int64_t{sd.nHeight} * percent / 100, INT_MIN, INT_MAX));
  double x = 0.0, y = 0.0;
  ComputeDisplayPoint(x, y, w, h, chara, Param(c, 1), Param(c, 2), Param(c, 3), Param(c, 4), Param(c, 5));
  const int frames = Param(c, 14) ? 1 : TenthsToFrames(Param(c, 9));
  const int dispMode = Param(c, 8);
  const int wait = Param(c, 10);
  cPicture picture;
  picture.Init(index, x, y, w, h, Param(c, 11), Param(c, 6), percent, dispMode, frames, wait, useId, Param(c, 13));
  std::list<cPicture>& pictures = scene.m_lstPicture;
  const cPicture* shown =
      &*pictures.insert(std::next(pictures.begin(), std::min<int>(at, static_cast<int>(pictures.size()))), picture);

  if (!wait) return 0;
  if (dispMode == 2)
    scene.m_Wait.Set(kWaitPicture, 0, frames, 0);
  else
    scene.m_Wait.Set(kWaitPicture, 1, 0, 0);
  RunModal(scene, 0);
  if (scene.m_bQuit) return 0;
  // By identity: pictures that ended during the wait have moved the others.
  const int n = PositionOf(pictures, shown);
  if (n >= 0) RemovePictureAt(scene, n);
  return 0;
}

int ExecChangeScreenColor(cCharaBase*, cFlowCmd* cmd) {
  if (cmd && g_pGameScene) g_pGameScene->StartScreenTint(*cmd);
  return 0;
}

int ExecChangeBackground(cCharaBase*, cFlowCmd* cmd) {
  if (!cmd) return 0;
  const int64_t n = int64_t{Param(*cmd, 0)} - 1;
  cCheckedVector<cBackgroundData>& backgrounds = g_Stage.m_vecBackground;
  if (n < 0 || n >= backgrounds.Size()) return 0;
  cBackgroundData& b = backgrounds[static_cast<size_t>(n)];
  switch (Param(*cmd, 1)) {
    case 0: b.m_bShow = 1; break;
    case 1: b.m_bShow = 0; break;
    case 2: b.m_bShow = !b.m_bShow; break;
    default: break;
  }
  return 0;
}

int ExecPlaySound(cFlowCmd* cmd, cCharaBase* chara) {
  if (!cmd) return 0;
  if (cmd->m_bSoundOnScreen && !(chara && OnScreenFlag(*chara))) return 0;
  PlayDbSE(static_cast<int16_t>(Param(*cmd, 0)));
  return 0;
}

int ExecPlayBgm(cFlowCmd* cmd) {
  if (cmd) PlayStageBgm(Param(*cmd, 0), Param(*cmd, 1));
  return 0;
}
