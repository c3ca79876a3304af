#include "support/busy_stage.h"

#include <filesystem>
#include <string>

#include "flow/ed_move.h"
#include "flow/flow_records.h"
#include "objects/ed_shot.h"
#include "records/database.h"
#include "support/flow_writer.h"
#include "support/stage_writer.h"

namespace t4test {

namespace {

// Pictures the test project has: the built-in sheets.
const char* const kBackgroundPictures[8] = {
    "bmp\\Title.bmp", "bmp\\WorldBack.bmp", "bmp\\Window.bmp", "bmp\\Block.bmp",
    "bmp\\Mark.bmp",  "bmp\\Item.bmp",      "bmp\\Shot.bmp",   "bmp\\Word.bmp",
};

cFlowCmd& AddCmd(cFlow& flow, int kind, int timeTenths) {
  cFlowCmd& c = flow.m_vecCmd.emplace_back();
  c.m_byKind = static_cast<BYTE>(kind);
  c.m_sTime = static_cast<int16_t>(timeTenths);
  return c;
}

void AddWait(cFlow& flow, int timeTenths) { AddCmd(flow, 1, timeTenths); }

void AddRunCode(cFlow& flow, const std::string& code) { AddCmd(flow, 37, 0).m_strText = code; }

// A shot to the left or right, `shots` at once, 3 pixels a frame, spread at
// random by up to 25 degrees, gone after 12 blocks.
void AddShot(cFlow& flow, int shots, bool right) {
  cFlowCmd& c = AddCmd(flow, 11, 0);
  CreateEdShot(c.m_pEdShot);
  cEdShot& s = *c.m_pEdShot;
  s.m_byShots = static_cast<BYTE>(shots);
  s.m_nAngle = static_cast<int16_t>(right ? 90 : 270);
  s.m_bMirrorAngle = 0;
  s.m_nSpread = 25;
  s.m_nSpeed = 30;
  s.m_nGraphic = 1;
  s.m_bRange = 1;
  s.m_nRange = 24;
  s.m_byBlockPass = 1;
  s.m_nAttack = 0;
}

void AddEffect(cFlow& flow) {
  cFlowCmd& c = AddCmd(flow, 29, 0);
  // Entry 1 at the chara, full size, no wait.
  c.m_vecParam.assign(8, 0);
  c.m_vecParam[0] = 1;
  c.m_vecParam[1] = 1;
  c.m_vecParam[6] = 100;
}

void AddMessage(cFlow& flow, int index) {
  cFlowCmd& c = AddCmd(flow, 19, 0);
  c.m_strText = "busy " + std::to_string(index);
  // Over the chara, for a second, without holding the game.
  c.m_vecParam.assign(18, 0);
  c.m_vecParam[0] = 1;
  c.m_vecParam[6] = 1;
  c.m_vecParam[7] = 10;
}

}  // namespace

cStageData MakeBusyStage(const BusyStageSpec& spec, const char* name) {
  const int w = spec.width, h = spec.height;
  cStageData stage = MakeTestStage(w, h, name);
  stage.m_bStageBanner = 0;
  stage.m_bStartBanner = 0;
  for (int x = 0; x < w; ++x) PlaceBlock(stage, x, h - 1, 1 + x % 7);
  if (spec.fullBlockMap) {
    for (int y = 0; y < h - 1; ++y)
      for (int x = 0; x < w; ++x) {
        cBlockData& b = PlaceBlock(stage, x, y, 2 + (x + y) % 40);
        b.m_byHitKind = kBlockHitNone;
        b.m_byLayer = static_cast<BYTE>((x + y) % 2);
      }
  }

  stage.m_vecBackground.clear();
  for (int i = 0; i < spec.backgrounds && i < 8; ++i) {
    cBackgroundData& bg = stage.m_vecBackground.emplace_back();
    bg.m_strPicture = kBackgroundPictures[i];
    bg.m_nPlane = i == spec.backgrounds - 1 && i > 0 ? 1 : 0;
    bg.m_dFactorX = 0.1 * (i + 1);
    bg.m_dFactorY = 0.05 * i;
    bg.m_bAutoScrollX = i % 3 == 2;
  }

  cCharaData& hero = PlaceHero(stage, 2, h - 2);
  t4test::AddStraightMove(t4test::AddFlow(hero, 0, {t4test::KeyHeld({t4test::kKeyRight})}), kMoveDirRight, 20, 1);
  t4test::AddStraightMove(t4test::AddFlow(hero, 0, {t4test::KeyHeld({t4test::kKeyLeft})}), kMoveDirLeft, 20, 1);

  // Columns spread over the stage, away from the hero's start.
  auto column = [&](int i, int n) { return 5 + (i * 7919 % (w - 6 > 1 ? w - 6 : 1)) + (n % 2); };

  for (int i = 0; i < spec.walkers; ++i) {
    cCharaData& c = PlaceChara(stage, column(i, i), h - 2, 1 + i % 4);
    cFlow& walk = t4test::AddFlow(c, 0);
    t4test::AddStraightMove(walk, kMoveDirLeft, 5 + i % 11, 5 + i % 9);
    AddRunCode(walk, "C" + std::to_string(1 + i % 20) + " = C" + std::to_string(1 + i % 20) + " + rand(1, 6)");
    t4test::AddStraightMove(walk, kMoveDirRight, 5 + i % 13, 5 + i % 7);
  }
  for (int i = 0; i < spec.flyers; ++i) {
    cCharaData& c = PlaceChara(stage, column(i + 3, i), 1 + i % (h - 3 > 1 ? h - 3 : 1), 1 + i % 4);
    c.m_byFlight = kFlightThrough;
    cFlow& fly = t4test::AddFlow(c, 0);
    t4test::AddStraightMove(fly, kMoveDirUp, 4 + i % 9, 8 + i % 5);
    AddRunCode(fly, "S" + std::to_string(1 + i % 10) + " = rand(0, 99)");
    t4test::AddStraightMove(fly, kMoveDirDown, 4 + i % 9, 8 + i % 5);
  }
  for (int i = 0; i < spec.shooters; ++i) {
    cCharaData& c = PlaceChara(stage, column(i + 11, i), h - 2 - i % 3, 2);
    c.m_byFlight = kFlightThrough;
    cFlow& fire = t4test::AddFlow(c, 0);
    AddShot(fire, spec.shotsPerVolley, i % 2 == 0);
    AddWait(fire, 1 + i % 3);
  }
  for (int i = 0; i < spec.effectCharas; ++i) {
    cCharaData& c = PlaceChara(stage, column(i + 17, i), h - 3, 3);
    c.m_byFlight = kFlightThrough;
    cFlow& show = t4test::AddFlow(c, 0);
    AddEffect(show);
    AddWait(show, 4 + i % 5);
  }
  for (int i = 0; i < spec.messageCharas; ++i) {
    cCharaData& c = PlaceChara(stage, column(i + 23, i), h - 4, 4);
    c.m_byFlight = kFlightThrough;
    cFlow& say = t4test::AddFlow(c, 0);
    AddMessage(say, i);
    AddWait(say, 15 + i % 10);
  }
  stage.Normalize();
  return stage;
}

bool WriteBusyEffect(const std::string& root) {
  std::error_code ec;
  const std::filesystem::path old = std::filesystem::current_path(ec);
  std::filesystem::current_path(root, ec);
  if (ec) return false;
  // The project's databases are the defaults WriteProject wrote.
  cDatabase db;
  bool ok = db.m_vecEffect.Size() > 1;
  if (ok) {
    cEffectData& e = db.m_vecEffect.At(1);
    e.m_strFile = "bmp\\Item.bmp";
    e.m_nCellWidth = 32;
    e.m_nCellHeight = 32;
    e.m_vecFrame.clear();
    for (int f = 0; f < 4; ++f) {
      cEffectFrameData& frame = e.m_vecFrame.emplace_back();
      frame.m_nGraphic = f;
      frame.m_nTime = 1;
    }
    ok = db.SaveAll("data\\database");
  }
  std::filesystem::current_path(old, ec);
  return ok;
}

}  // namespace t4test
