// The attacking commands of charas. The shot command fires its whole fire
// pattern on the first sub-step of every frame it lasts; the sword command
// swings one sword per run of the command, however long the command lasts.
#include <climits>

#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "flow/flow_state.h"
#include "objects/chara_base.h"
#include "objects/ed_shot.h"
#include "objects/fire_pattern.h"
#include "objects/shot.h"
#include "records/database.h"
#include "records/effect_data.h"
#include "stage/game_scene.h"

namespace {

constexpr int kLinkShooter = 4;

const cEdShot* ShotSettingsOf(const cCmdState& state) {
  return state.m_pCmd ? state.m_pCmd->m_pEdShot.get() : nullptr;
}

// The launch record of a sword: the size of its type's first frame. A type
// without one is reported by the set-up, which then makes no sword.
SHOTLAUNCH SwordLaunch(const cEdShot& s) {
  SHOTLAUNCH l;
  const cCheckedVector<cSwordTypeData>& types = g_Database.m_vecSwordType;
  const int t = s.m_byTrajectory;
  if (t < types.Size()) {
    const cCheckedVector<cSwordFrameData>& frames = types[static_cast<size_t>(t)].m_vecFrame;
    if (!frames.empty()) {
      l.nW = frames[0].m_nWidth;
      l.nH = frames[0].m_nHeight;
    }
  }
  return l;
}

}  // namespace

int ExecShot(cCharaBase* chara, cCmdState* state) {
  if (!state) return 0;
  const cEdShot* settings = ShotSettingsOf(*state);
  if (state->m_nSubStep == 0 && chara && settings && g_pGameScene) {
    // Every frame's volley is heard, not only the first.
    PlayCmdSound(*chara, *state->m_pCmd);
    FireShotPattern(*g_pGameScene, chara, state, *settings);
  }
  if (++state->m_nSubStep >= StageSubSteps()) state->m_nSubStep = 0;
  return 0;
}

int ExecSword(cCharaBase* chara, cCmdState* state) {
  if (!state) return 0;
  const cEdShot* settings = ShotSettingsOf(*state);
  if (state->m_nSubStep == 0 && chara && settings && g_pGameScene) {
    cGameScene& scene = *g_pGameScene;
    PlayCmdSound(*chara, *state->m_pCmd);
    cShot swing;
    if (swing.Setup(scene.m_nShotId, chara, kShotKindSword, *settings, SwordLaunch(*settings))) {
      // The links name the stored sword, never the copy made here.
      cShot* sword = AddShotToScene(scene, swing);
      ++scene.m_nShotId;
      // A sword strikes what it touches; it never follows a target.
      sword->m_pTarget = nullptr;
      if (sword->m_pShooter) {
        const SHOTLINK pair{sword, kLinkShooter};
        if (!HasShotLink(sword->m_pShooter->m_vecShotLink, pair)) sword->m_pShooter->m_vecShotLink.push_back(pair);
      }
    }
  }
  // Never back to 0: one sword per run. Held at its top so that an endless
  // command cannot wrap it round to a second swing.
  if (state->m_nSubStep < INT_MAX) ++state->m_nSubStep;
  return 0;
}
