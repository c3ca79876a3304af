// Playback parameters of chara effects and screen effects, prepared once per
// database entry and direction, and the playback states that run them.
#pragma once
#include <cstdint>

#include "records/checked.h"

class cCharaEffectData;
class cScrEffectData;

// Run modes of a started effect.
enum : int { EFFECT_RUN_FORWARD = 0, EFFECT_RUN_REVERSED = 1, EFFECT_RUN_THERE_AND_BACK = 2 };

class cCharaEffectParams {
 public:
  int16_t m_nId = 0;  // in a state: 0 = no effect
  cCharaEffectData* m_pEntry = nullptr;
  int m_nRunMode = 0;
  int m_bRepeat = 0;
  int m_bReversedHalf = 0;
  int m_nSpareCounter = 0;
  int m_nStart = 0;
  int m_nEnd = 0;
  double m_dCurrent = 0.0;
  double m_dStep = 0.0;
  double m_dElapsed = 0.0;  // tenths of a second, for effects without a range
  int m_nTime = 0;
  int m_nPhase = 0;
  int m_bSpareFlag = 0;

  // Prepares the parameters of entry id of the database: from the CharaEffect
  // list, or (reversed) from its reverse working copy, whose start and end it
  // exchanges in place.
  void Setup(int id, int reversed);
};

class cScrEffectParams {
 public:
  int16_t m_nId = 0;
  cScrEffectData* m_pEntry = nullptr;
  int m_nRunMode = 0;
  int m_bRepeat = 0;
  int m_bReversedHalf = 0;
  int m_nSpareCounter = 0;
  double m_dCurrent = 0.0;
  double m_dSecond = 0.0;
  double m_dStep = 0.0;
  int m_nInt1 = 0;  // start x of a move, or a phase counter
  int m_nInt2 = 0;  // start y of a move, or a phase counter
  int m_bConstant = 0;
  double m_dElapsed = 0.0;
  int m_nTime = 0;

  void Setup(int id, int reversed);
};

// Forward and reverse tables, one entry per database entry. The four
// tables are separate global objects, constructed interleaved (chara
// forward, screen forward, chara reverse, screen reverse); these name them.
template <class P>
struct cEffectParamTables {
  cCheckedVector<P>& forward;
  cCheckedVector<P>& reverse;
};

extern cEffectParamTables<cCharaEffectParams> g_CharaEffectStates;
extern cEffectParamTables<cScrEffectParams> g_ScrEffectStates;

class cCharaEffectState : public cCharaEffectParams {
 public:
  void Start(int id, int runMode, int repeat);
  void Restart();
  // Advances one frame; 1 when the effect has ended.
  int Step();
};

class cScrEffectState : public cScrEffectParams {
 public:
  void Start(int id, int runMode, int repeat);
  void Restart();
  // Advances one frame with the caller's range and step; 1 when ended.
  int Step(int start, int end, double step);
};

void BuildCharaEffectStates(cCheckedVector<cCharaEffectParams>& forward, cCheckedVector<cCharaEffectParams>& reverse);
void BuildScrEffectStates(cCheckedVector<cScrEffectParams>& forward, cCheckedVector<cScrEffectParams>& reverse);
