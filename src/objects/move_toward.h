// Moving toward a point and choosing a target chara: the velocity that
// carries an object to a point at a given speed (corrected for objects that
// ride the automatic scroll), and the searches that pick a chara by its
// group, a variable test and exclusions, either the first or the nearest.
#pragma once
#include <utility>
#include <vector>

#include "objects/chara_base.h"

// The square root of 1/2, the per-axis share of a diagonal speed.
extern double g_dHalfSqrt2;

// The velocity from (ownX, ownY) toward (targetX, targetY) at `speed`;
// direction 0 none, 1 left, 2 right. With checkArrival, 1 when the mover is
// within one step of the target on both axes.
int ComputeMoveVelocity(double& vx, double& vy, int& dir, const cCharaBase* mover, double ownX, double ownY,
                        double targetX, double targetY, double speed, int relative, int fixedDiagonalOff,
                        int checkArrival);

// What a search leaves out; each switch on means the test applies.
struct CHARAFILTER {
  int bTeam = 0;          // only charas of this target group
  int nTeam = 0;
  int bVariable = 0;      // only charas whose variable passes the relation
  int nVarIndex = 0;
  int nValue = 0;
  int nRelation = 0;      // 0 =, 1 !=, 2 >=, 3 <=, 4 >, 5 <, 6 multiple of, 7 not a multiple of
  int bExcludeId = 0;     // leave out the chara with this id
  int nExcludeId = 0;
  int bSkipInvincible1 = 0;
  int bSkipInvincible2 = 0;
  int bSkipNoContact = 0;
};

// 1 when the chara is living and passes every test of the filter.
int PassesCharaFilter(const cCharaBase& chara, const CHARAFILTER& filter);

namespace move_toward_detail {
inline cCharaBase* AsChara(cCharaBase& c) { return &c; }
inline cCharaBase* AsChara(cCharaBase* c) { return c; }
}  // namespace move_toward_detail

// The first chara of the list that passes, or null. The list holds charas
// or chara pointers.
template <class List>
cCharaBase* FindCharaInList(List& list, const CHARAFILTER& filter) {
  for (auto& element : list) {
    cCharaBase* c = move_toward_detail::AsChara(element);
    if (c && PassesCharaFilter(*c, filter)) return c;
  }
  return nullptr;
}

// From the last entry backwards, the first with the wanted id whose chara
// passes, or null.
cCharaBase* FindCharaInVector(const std::vector<std::pair<cCharaBase*, int>>& entries, int wantedId,
                              const CHARAFILTER& filter);

// Mode 0: the nearest among the on-screen, appeared, living charas, else
// among the appeared ones off the screen; 1: among all appeared living
// charas; 2: only the on-screen ones; other modes none. Distances are city-block
// between aim points; the first of equals wins.
template <class List>
cCharaBase* FindNearestChara(double x, double y, List& list, int mode, const CHARAFILTER& filter);

// The nearest for homing: only on-screen charas when the stage says so.
template <class List>
cCharaBase* FindNearestCharaFrom(double x, double y, List& list);

// The point a chara aims at: its image centre on the screen.
double AimX(const cGameObject& o);
double AimY(const cGameObject& o);
double CityBlockFromAim(const cGameObject& o, double x, double y);
int StageHomingOnlyActive();

template <class List>
cCharaBase* FindNearestChara(double x, double y, List& list, int mode, const CHARAFILTER& filter) {
  if (mode < 0 || mode > 2) return nullptr;
  auto best = [&](bool wantActive, bool anyActivity) {
    cCharaBase* found = nullptr;
    double bestDistance = 0;
    for (auto& element : list) {
      cCharaBase* c = move_toward_detail::AsChara(element);
      if (!c || !c->m_bAppeared || !PassesCharaFilter(*c, filter)) continue;
      if (!anyActivity && (c->m_bOnScreen != 0) != wantActive) continue;
      const double d = CityBlockFromAim(*c, x, y);
      if (!found || d < bestDistance) {
        found = c;
        bestDistance = d;
      }
    }
    return found;
  };
  if (mode == 1) return best(true, true);
  cCharaBase* active = best(true, false);
  if (active || mode == 2) return active;
  return best(false, false);
}

template <class List>
cCharaBase* FindNearestCharaFrom(double x, double y, List& list) {
  CHARAFILTER filter;
  filter.bSkipInvincible2 = 1;
  return FindNearestChara(x, y, list, StageHomingOnlyActive() ? 2 : 0, filter);
}

template <class List>
cCharaBase* FindNearestFromCentre(const cGameObject& from, List& list) {
  return FindNearestCharaFrom(AimX(from), AimY(from), list);
}
