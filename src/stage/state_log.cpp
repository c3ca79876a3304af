#include "stage/state_log.h"

#include <cstdio>
#include <mutex>

#include "objects/chara.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "objects/shot.h"
#include "records/progress_data.h"
#include "stage/game_scene.h"
#include "stage/scene_manager.h"

namespace {

std::mutex g_lock;
std::FILE* g_file = nullptr;

// Doubles as the shortest text that reads back to the same value.
void AppendDouble(std::string& out, double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  out += buf;
}

void AppendInt(std::string& out, long long v) { out += std::to_string(v); }

template <class V>
void AppendNonZero(std::string& out, const V& values) {
  out += '{';
  bool first = true;
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i] == 0) continue;
    if (!first) out += ',';
    first = false;
    out += '"';
    AppendInt(out, static_cast<long long>(i));
    out += "\":";
    AppendInt(out, values[i]);
  }
  out += '}';
}

// "id", "x" and "y" of an object; the caller adds its other fields.
void AppendPlace(std::string& out, long long id, const cGameObject& o) {
  out += "\"id\":";
  AppendInt(out, id);
  out += ",\"x\":";
  AppendDouble(out, o.m_dX);
  out += ",\"y\":";
  AppendDouble(out, o.m_dY);
}

// The objects of a stage list still on the stage, in list order, as an
// array of objects whose fields `fields` writes.
template <class List, class Fields>
void AppendObjects(std::string& out, const List& list, Fields fields) {
  out += '[';
  bool first = true;
  for (const auto& o : list) {
    if (o.m_bRemoved) continue;
    if (!first) out += ',';
    first = false;
    out += '{';
    fields(out, o);
    out += '}';
  }
  out += ']';
}

}  // namespace

bool OpenStateLog(const std::string& osPath) {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_file) std::fclose(g_file);
  g_file = std::fopen(osPath.c_str(), "wb");
  return g_file != nullptr;
}

void CloseStateLog() {
  std::lock_guard<std::mutex> g(g_lock);
  if (g_file) std::fclose(g_file);
  g_file = nullptr;
}

std::string FormatStateLine(uint64_t frame) {
  const cGameScene* scene = g_pGameScene;
  std::string s = "{\"frame\":";
  AppendInt(s, static_cast<long long>(frame));
  s += ",\"play\":";
  AppendInt(s, scene ? scene->m_nFrameCounter : 0);
  s += ",\"state\":";
  AppendInt(s, scene ? scene->m_nState : -1);
  s += ",\"hero\":";
  if (Player.empty() || !scene) {
    s += "null";
  } else {
    const cHero& h = Player[0];
    s += "{\"x\":";
    AppendDouble(s, h.m_dX);
    s += ",\"y\":";
    AppendDouble(s, h.m_dY);
    s += ",\"vx\":";
    AppendDouble(s, h.m_dVX);
    s += ",\"vy\":";
    AppendDouble(s, h.m_dVY);
    s += ",\"life\":";
    AppendInt(s, h.m_nLife);
    s += ",\"right\":";
    s += h.m_bRight ? '1' : '0';
    s += '}';
  }
  s += ",\"score\":";
  AppendInt(s, g_Progress.m_nScoreGained);
  s += ",\"lives\":";
  AppendInt(s, g_Progress.m_nLives);
  s += ",\"time\":";
  AppendInt(s, scene ? (scene->m_bNoTimeLimit ? 999 : scene->m_nTimeLimit) : 999);
  s += ",\"view\":{\"x\":";
  AppendDouble(s, scene ? scene->m_ScrollX.m_dPos : 0.0);
  s += ",\"y\":";
  AppendDouble(s, scene ? scene->m_ScrollY.m_dPos : 0.0);
  s += '}';
  s += ",\"charas\":";
  AppendObjects(s, g_lstChara, [](std::string& out, const cChara& c) {
    AppendPlace(out, c.m_Data.m_sInheritIndex, c);
    out += ",\"vx\":";
    AppendDouble(out, c.m_dVX);
    out += ",\"vy\":";
    AppendDouble(out, c.m_dVY);
    out += ",\"life\":";
    AppendInt(out, c.m_nLife);
  });
  s += ",\"items\":";
  AppendObjects(s, g_lstItem, [](std::string& out, const cItem& item) { AppendPlace(out, item.m_Data.m_sInheritIndex, item); });
  s += ",\"shots\":";
  long long shots = 0;
  if (scene)
    for (const cShot& shot : scene->m_lstShot)
      if (!shot.m_bRemoved) ++shots;
  AppendInt(s, shots);
  s += ",\"common\":";
  AppendNonZero(s, g_Progress.m_vecVar);
  s += ",\"stage\":";
  if (scene)
    AppendNonZero(s, scene->m_vecStageVar);
  else
    s += "{}";
  s += '}';
  return s;
}

void WriteStateLog(uint64_t frame) {
  std::lock_guard<std::mutex> g(g_lock);
  if (!g_file || !g_pGameScene) return;
  if (g_SceneManager.Scene(g_SceneManager.m_nScene) != g_pGameScene) return;
  const std::string line = FormatStateLine(frame);
  std::fwrite(line.data(), 1, line.size(), g_file);
  std::fputc('\n', g_file);
  std::fflush(g_file);
}
