#include "flow/cmd_dispatch.h"
#include "flow/cmd_executors.h"
#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "stage/game_scene.h"

namespace {
constexpr int kItemCmdArrange = 23;
}  // namespace

int cCharaBase::RunCommandList(cCheckedVector<cFlowCmd>& list) {
  if (g_pGameScene) g_pGameScene->m_bMessageShown = 0;
  cHero* hero = dynamic_cast<cHero*>(this);
  for (size_t i = 0; i < list.size(); ++i) {
    cFlowCmd& cmd = list[i];
    if (cmd.m_byKind != kItemCmdArrange) {
      ApplyCharaArrangeList(&cmd, this);
      if (hero) hero->m_lstArrange.clear();
    }
    const int result = cmd.m_byKind < kItemCmdKinds ? g_ItemCmdTable[cmd.m_byKind](this, &cmd) : 0;
    if (m_nLife <= 0) return 2;
    if (result != 0) return result;
  }
  return m_nLife <= 0 ? 2 : 0;
}
