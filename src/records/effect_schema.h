// Parameter schemas of the chara-effect and screen-effect kinds: for every
// kind its five parameters with label, range and default. The editor shows
// them; the player takes the defaults when it upgrades old effect files.
#pragma once
#include <cstdint>

struct PARAMDEF {
  const char* szLabel;  // "" when the kind has no such parameter
  int16_t nMin;
  int16_t nMax;
  int nDefault;
};

struct EFFECTKINDDEF {
  const char* szName;
  PARAMDEF params[5];
};

constexpr int kCharaEffectKindCount = 17;  // kinds 0..16
constexpr int kScrEffectKindCount = 14;    // kinds 0..13

extern const EFFECTKINDDEF g_CharaEffectSchema[kCharaEffectKindCount];
extern const EFFECTKINDDEF g_ScrEffectSchema[kScrEffectKindCount];
