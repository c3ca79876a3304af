// Starting a chara's flows: the trigger passes with their once-per-frame
// marks and switch latches, and the key sequences flows wait for, matched
// against the player's press histories.
#include <algorithm>
#include <climits>

#include "flow/flow_records.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "records/system_data.h"
#include "services/input.h"
#include "stage/game_scene.h"

namespace {

constexpr int kTriggerAlways = 0;
constexpr int kMaxRunPos = cInput::kPressRuns - 1;

// The project's switches of the trigger marks and the key order.
bool NoTriggerMark() { return g_SystemData.m_bCompat525 != 0; }
bool EarlyTriggerMark() { return g_SystemData.m_bCompat744 != 0; }
bool LooseKeyOrder() { return g_SystemData.m_bCompat669 != 0; }

const std::vector<PRESSRUN>& History(const cInput& in, int i) {
  return i < cInput::kDirStates ? in.DirPressHistory(i) : in.ButtonPressHistory(i - cInput::kDirStates);
}

PRESSRUN RunAt(const cInput& in, int i, int pos) {
  const std::vector<PRESSRUN>& h = History(in, i);
  return pos >= 0 && static_cast<size_t>(pos) < h.size() ? h[static_cast<size_t>(pos)] : PRESSRUN{0, 0};
}

// Left and right (and the diagonals) swap for a chara facing left.
int Mirrored(int state) {
  switch (state) {
    case 1: return 2;
    case 2: return 1;
    case 5: return 7;
    case 7: return 5;
    case 6: return 8;
    case 8: return 6;
    default: return state;
  }
}

const cInput* InputOf(int player) {
  if (player < 0 || static_cast<size_t>(player) >= g_vecInput.size()) return nullptr;
  return &g_vecInput[static_cast<size_t>(player)];
}

// The input key sequences are matched against: the hero's player's.
const cInput* HeroInput() { return Player.empty() ? nullptr : InputOf(Player[0].m_nPlayer); }

bool FacesLeftNow(const cCharaBase* self) {
  const cCharaBase* c = g_pGameScene && g_pGameScene->m_pCurChara ? g_pGameScene->m_pCurChara : self;
  return c && !c->m_bRight;
}

bool ValidSwitch(int s) { return s > 0 && s < 27; }
bool SwitchOn(const std::vector<BYTE>& set, int s) { return static_cast<size_t>(s) < set.size() && set[static_cast<size_t>(s)]; }

// Combination modes: 0 every named key, 1 at least one, 2 exactly one.
int Combine(int mode, int matches, int fails) {
  switch (mode) {
    case 0: return fails == 0;
    case 1: return matches >= 1;
    case 2: return matches == 1;
    default: return 0;
  }
}

}  // namespace

int GetFirstPressedKey(const cInput& input) {
  for (int i = 0; i < cInput::kDirStates; ++i)
    if (RunAt(input, i, 0).pressed) return i;
  return 0;
}

void cCharaBase::ResetFlowTriggerFlags() {
  for (cFlowState& s : m_vecFlowState) {
    s.m_bTriggered = 0;
    s.m_bStarted = 0;
  }
  std::fill(m_vecSwitchFrame.begin(), m_vecSwitchFrame.end(), 0);
}

void cCharaBase::RunFlowsByTrigger(int trigger) { StartFlowsByTrigger(trigger, nullptr, 0); }

void cCharaBase::SetTargetLink(int slot, cCharaBase* target) {
  if (slot < 0 || slot > 3) return;  // any other slot is an empty one
  if (m_vecLink.size() < 4) m_vecLink.resize(4, nullptr);
  cCharaBase*& link = m_vecLink[static_cast<size_t>(slot)];
  if (link) std::erase(link->m_vecBackRef, LINKPAIR{this, slot});
  link = target;
  if (target) {
    const LINKPAIR pair{this, slot};
    if (std::find(target->m_vecBackRef.begin(), target->m_vecBackRef.end(), pair) == target->m_vecBackRef.end())
      target->m_vecBackRef.push_back(pair);
  }
}

void cCharaBase::StartFlowsByTrigger(int trigger, cCharaBase* partner, int group) {
  if (g_pGameScene) g_pGameScene->m_pCurChara = this;
  const bool early = EarlyTriggerMark() && !NoTriggerMark();
  const bool late = !EarlyTriggerMark() && !NoTriggerMark();
  for (int i = 0; i < m_vecFlowState.Size(); ++i) {
    cFlowState& s = m_vecFlowState[static_cast<size_t>(i)];
    const cFlow* f = s.m_pFlow;
    if (!f || f->m_byTrigger != trigger) continue;
    if (early) {
      if (s.m_bTriggered) continue;
      s.m_bTriggered = 1;
    }
    if (s.m_bRunning || s.m_bPaused || s.m_bHalted || s.m_bStarted) continue;
    if (trigger == kTriggerAlways && ValidSwitch(f->m_bySwitch) &&
        (SwitchOn(m_vecSwitchLatch, f->m_bySwitch) || SwitchOn(m_vecSwitchFrame, f->m_bySwitch)))
      continue;
    if (group >= 1 && f->m_byGroup != group) continue;
    if (late) {
      if (s.m_bTriggered) continue;
      s.m_bTriggered = 1;
    }
    auto passes = [&] {
      return (!g_pGameScene || g_pGameScene->CheckFlowCondList(s, this)) && TestFlowKeyInput(s);
    };
    if (f->m_bBindPartner && partner) {
      const int slot = f->m_byPartnerSlot;
      cCharaBase* old = slot < 4 && static_cast<size_t>(slot) < m_vecLink.size() ? m_vecLink[slot] : nullptr;
      SetTargetLink(slot, partner);
      if (!passes()) {
        SetTargetLink(slot, old);
        continue;
      }
    } else if (!passes()) {
      continue;
    }
    const cInput* input = InputOf(m_nTeam == 0 ? m_nPlayer : 0);
    s.m_nInputDir = input ? GetFirstPressedKey(*input) : 0;
    s.Start();
  }
  if (g_pGameScene) {
    g_pGameScene->m_pCurChara = nullptr;
    g_pGameScene->m_pCurFlow = nullptr;
    g_pGameScene->m_pCurCmd = nullptr;
  }
}

int cCharaBase::TestFlowKeyInput(cFlowState& s) {
  if (s.m_vecKeyTrigger.empty() || !s.m_pFlow) return 1;
  const cFlow& f = *s.m_pFlow;
  if (f.m_bKeyRepeat) {
    const int matched = MatchKeySequence(s, s.m_vecKeyTrigger, f.m_byKeySlack);
    s.m_bKeyMatched = matched;
    return matched;
  }
  s.m_bKeyMatched = 0;
  if (!MatchKeySequence(s, s.m_vecKeyTrigger, f.m_byKeySlack)) {
    s.m_bKeyHeld = 0;
    return 0;
  }
  int result = 1;
  if (s.m_bKeyHeld) {
    result = 0;
    const int sw = f.m_bySwitch;
    if (f.m_byTrigger == kTriggerAlways && ValidSwitch(sw)) {
      cCharaBase* cur = g_pGameScene && g_pGameScene->m_pCurChara ? g_pGameScene->m_pCurChara : this;
      if (static_cast<size_t>(sw) < cur->m_vecSwitchLatch.size()) cur->m_vecSwitchLatch[static_cast<size_t>(sw)] = 1;
      if (static_cast<size_t>(sw) < m_vecSwitchSet.size()) m_vecSwitchSet[static_cast<size_t>(sw)] = 1;
      m_bSwitchChanged = 1;
    }
  }
  s.m_bKeyHeld = 1;
  return result;
}

int cCharaBase::TestKeyHold(const PRESSRUN& run, int frames, const cKeyTrigger& k, int wanted) const {
  if (wanted == 1)
    return run.pressed && ((k.m_bAnyHold && frames >= 1) || (frames >= k.m_sHoldMin && frames <= k.m_sHoldMax));
  if (wanted == 2) return !run.pressed && frames >= 1;
  return 0;
}

void cCharaBase::TestKeyTiming(KEYCURSORS& c, const cInput& input, int a) const {
  for (int i = 0; i < kKeyStates; ++i) {
    int& pos = c.pos[i];
    long long frames = c.frames[i];
    if (a <= 0) {
      // A cursor's frame count runs 1..length of its run: reaching 0 leaves
      // the run for the end of the one before it.
      frames += a;
      while (frames <= 0) {
        if (pos + 1 > kMaxRunPos) break;
        ++pos;
        frames += RunAt(input, i, pos).frames;
      }
    } else {
      frames += a;
      while (frames > RunAt(input, i, pos).frames) {
        if (pos == 0) break;
        frames -= RunAt(input, i, pos).frames;
        --pos;
      }
    }
    c.frames[i] = static_cast<int>(std::clamp<long long>(frames, INT_MIN, INT_MAX));
  }
}

int cCharaBase::MatchKeyStep(const cKeyTrigger& k, const KEYCURSORS& c, const cInput& input, int& duration) const {
  const bool mirror = k.m_bMirror && FacesLeftNow(this);
  int matches = 0, fails = 0;
  bool any = false;
  int d = 0;
  for (int i = 0; i < kKeyStates && static_cast<size_t>(i) < k.m_vecKey.size(); ++i) {
    const int wanted = k.m_vecKey[static_cast<size_t>(i)];
    if (wanted == 0) continue;
    const int h = mirror && i < cInput::kDirStates ? Mirrored(i) : i;
    if (TestKeyHold(RunAt(input, h, c.pos[h]), c.frames[h], k, wanted)) {
      ++matches;
      const int f = c.frames[h];
      if (!any) d = f;
      else if (k.m_byCombination == 0) d = std::min(d, f);
      else if (k.m_byCombination == 1) d = std::max(d, f);
      else d = f;
      any = true;
    } else {
      ++fails;
    }
  }
  duration = d;
  return Combine(k.m_byCombination, matches, fails);
}

int cCharaBase::MatchKeySequence(cFlowState& s, const std::vector<cKeyTrigger*>& steps, int tolerance) const {
  const cInput* input = HeroInput();
  if (!input || steps.empty()) return 0;
  KEYCURSORS c;
  for (int i = 0; i < kKeyStates; ++i) {
    c.pos[i] = 0;
    c.frames[i] = RunAt(*input, i, 0).frames;
  }
  const int last = static_cast<int>(steps.size()) - 1;
  const bool repeat = s.m_pFlow && s.m_pFlow->m_bKeyRepeat;
  for (int n = last; n >= 0; --n) {
    const cKeyTrigger& k = *steps[static_cast<size_t>(n)];
    int d = 0;
    if (n == last) {
      if (!MatchKeyStep(k, c, *input, d)) return 0;
      if (repeat && s.m_bKeyMatched) return 1;
    } else if (!MatchKeyStep(k, c, *input, d)) {
      if (tolerance == 0) return 0;
      const KEYCURSORS saved = c;
      bool matched = false;
      for (int t = 0; t < tolerance && !matched; ++t) {
        TestKeyTiming(c, *input, -1);
        matched = MatchKeyStep(k, c, *input, d) != 0;
      }
      if (!matched) {
        c = saved;
        TestKeyTiming(c, *input, 1);
        if (!MatchKeyStep(k, c, *input, d)) return 0;
        int ignored = 0;
        if (!LooseKeyOrder() && MatchKeyStep(*steps[static_cast<size_t>(n + 1)], c, *input, ignored)) return 0;
      }
    }
    if (n == 0) return 1;
    TestKeyTiming(c, *input, -d);
  }
  return 1;
}

int cCharaBase::TestKeyFlags(const cInput& input, const cKeyTrigger& k) const {
  int matches = 0, fails = 0;
  for (int i = 0; i < kKeyStates && static_cast<size_t>(i) < k.m_vecKey.size(); ++i) {
    const int wanted = k.m_vecKey[static_cast<size_t>(i)];
    if (wanted == 0) continue;
    const bool pressed = RunAt(input, i, 0).pressed != 0;
    if ((wanted == 1 && pressed) || (wanted == 2 && !pressed)) ++matches;
    else ++fails;
  }
  return Combine(k.m_byCombination, matches, fails);
}
