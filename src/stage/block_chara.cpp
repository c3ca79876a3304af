// The hero against charas that act as blocks: it stands on them, is pushed
// and squeezed by them, rides them while they move and is crushed between
// them and walls. Block charas are moved by their own flows; the objects
// here only adapt to them and never move them.
#include "objects/chara.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "services/log.h"
#include "stage/game_scene.h"

namespace {

// Flow triggers of block charas: on the object touching them, and on the
// carrier while something rides it.
enum : int {
  kTriggerTouchBlockChara = 5,
  kTriggerOnBlockChara = 6,
  kTriggerRiddenByHero = 16,
  kTriggerRiddenByChara = 17,
};

struct BOX {
  double l, t, r, b;
};

BOX BoxOf(const cCharaBase& c) { return {c.m_dX, c.m_dY, c.m_dRight, c.m_dBottom}; }
BOX PrevBoxOf(const cCharaBase& c) { return {c.m_rcPrev[0], c.m_rcPrev[1], c.m_rcPrev[2], c.m_rcPrev[3]}; }

bool Overlaps(const BOX& a, const BOX& b) { return a.l <= b.r && a.r >= b.l && a.t <= b.b && a.b >= b.t; }
bool Contains(const BOX& a, double x, double y) { return a.l <= x && x <= a.r && a.t <= y && y <= a.b; }

struct PENETRATION {
  double x = 0.0, y = 0.0;
};

// How far box a reaches into b on each axis, from whichever side a enters.
PENETRATION Penetration(const BOX& a, const BOX& b) {
  PENETRATION p;
  if (!Overlaps(a, b)) return p;
  p.x = ((a.r >= b.l && b.l > a.l) ? a.r - b.l : b.r - a.l) + 1;
  p.y = ((a.b >= b.t && b.t > a.t) ? a.b - b.t : b.b - a.t) + 1;
  return p;
}

// An object flying through blocks passes block charas too.
bool PassesEverything(const cCharaBase& c) { return c.IsSyncedToScroll() && c.m_byBlockMode == 0; }

bool IsSolidFor(const cCharaBase* other, const cCharaBase* self) {
  return other && other != self && other->m_Data.m_bBlockChara && other->m_bActive && !other->m_bDead;
}

// Every block chara that `self` collides with, in chara-list order (which
// decides the winner among equal proposals). The hero is not in the list,
// so it is never a block chara to anyone. Flows run by the caller may
// summon or remove charas: appended ones are visited, removed ones are only
// marked while this walk runs and are swept after it.
// In a sub-step the walk takes the block charas gathered at its start and
// then the charas appended since, which is the same order.
template <class Fn>
void ForEachBlockChara(cGameScene& scene, std::list<cChara>& charas, const cCharaBase* self, Fn fn) {
  ++scene.m_CharaWalk.nDepth;
  auto visit = [&](cChara& other) { return !other.m_bRemoved && IsSolidFor(&other, self) && fn(other); };
  const cGameScene::BLOCKCHARAINDEX& index = scene.m_BlockCharas;
  if (index.bValid && &charas == &g_lstChara) {
    bool stopped = false;
    for (size_t i = 0; i < index.vecBlock.size() && !stopped; ++i) stopped = visit(*index.vecBlock[i]);
    if (!stopped)
      for (auto it = index.bWasEmpty ? charas.begin() : std::next(index.itLast); it != charas.end(); ++it)
        if (visit(*it)) break;
  } else {
    for (cChara& other : charas)
      if (visit(other)) break;
  }
  --scene.m_CharaWalk.nDepth;
  SweepRemoved(charas, scene.m_CharaWalk, [](const cChara& c) { return c.m_bRemoved != 0; });
}

cCharaBase* FindById(cGameScene& scene, std::list<cChara>& charas, const cCharaBase* self, int id) {
  cCharaBase* found = nullptr;
  ForEachBlockChara(scene, charas, self, [&](cCharaBase& c) {
    if (c.m_nId != id) return false;
    found = &c;
    return true;
  });
  return found;
}

// A proposed position from one block chara; the rules of each target say
// whether the larger or the smaller proposal wins, an equal one keeps the
// first.
struct TARGET {
  bool bSet = false;
  double dPos = 0.0;
  double dV = 0.0;  // the proposer's speed along the target's axis
  cCharaBase* pFrom = nullptr;
};

bool ProposeLargest(TARGET& t, double pos, double v, cCharaBase& from) {
  if (t.bSet && !(pos > t.dPos)) return false;
  t = {true, pos, v, &from};
  return true;
}

bool ProposeSmallest(TARGET& t, double pos, double v, cCharaBase& from) {
  if (t.bSet && !(pos < t.dPos)) return false;
  t = {true, pos, v, &from};
  return true;
}

void RememberCarrier(cCharaBase& rider, const cCharaBase& carrier) {
  rider.m_nCarrierId = carrier.m_nId;
  rider.m_rcCarrier[0] = carrier.m_dX;
  rider.m_rcCarrier[1] = carrier.m_dY;
  rider.m_rcCarrier[2] = carrier.m_dRight;
  rider.m_rcCarrier[3] = carrier.m_dBottom;
}

void SetCeilingJumpState(cCharaBase& c) {
  c.m_bRising = 1;
  c.m_bJumping = 1;
  c.m_bJumpBlocked = 1;
}

void StartRidingTriggers(cCharaBase& carrier, cCharaBase& rider) {
  if (rider.m_nTeam == 0) carrier.StartFlowsByTrigger(kTriggerRiddenByHero, &rider, 0);
  carrier.StartFlowsByTrigger(kTriggerRiddenByChara, &rider, 0);
}

// A side push moves the object; being carried along by the platform it
// rides is no push.
void ApplySideTarget(cCharaBase& c, const TARGET& t) {
  c.m_dAX = 0;
  if (!(c.m_bOnChara && t.pFrom && t.pFrom->m_nId == c.m_nCarrierId)) c.m_bStopHit = 1;
  c.m_dX = t.dPos;
  c.OnMovedX();
}

// Squeezed from both sides: the object slips out under the first block
// chara over its upper half as it was when the collision began (a ceiling
// may have moved the object since).
void SlipUnder(cGameScene& scene, cCharaBase& c, std::list<cChara>& lists, const BOX& upper, bool markCeiling) {
  ForEachBlockChara(scene, lists, &c, [&](cCharaBase& other) {
    if (!Overlaps(upper, BoxOf(other))) return false;
    if (markCeiling && other.m_dVY > 0) c.LRUD.u = 1;
    c.m_dAY = 0;
    SetCeilingJumpState(c);
    c.m_dVY = other.m_dVY;
    c.m_dY = other.m_dBottom + 1;
    c.OnMovedY();
    return true;
  });
  c.LRUD.l = 0;
  c.LRUD.r = 0;
}

}  // namespace

void cGameScene::GatherBlockCharas() {
  BLOCKCHARAINDEX& index = m_BlockCharas;
  index.vecBlock.clear();
  for (cChara& c : g_lstChara)
    if (c.m_Data.m_bBlockChara) index.vecBlock.push_back(&c);
  index.bWasEmpty = g_lstChara.empty();
  if (!index.bWasEmpty) index.itLast = std::prev(g_lstChara.end());
  index.bValid = true;
}

int cGameScene::HitsBlockChara(const cCharaBase* chara, std::list<cChara>& charas) {
  if (!chara || PassesEverything(*chara)) return 0;
  const BOX box = BoxOf(*chara);
  int hit = 0;
  ForEachBlockChara(*this, charas, chara, [&](cCharaBase& other) { return (hit = Overlaps(box, BoxOf(other))) != 0; });
  return hit;
}

int cGameScene::OverlapsBlockCharaExcept(const cCharaBase* chara, std::list<cChara>& charas,
                                         int id) {
  if (!chara || PassesEverything(*chara)) return 0;
  const BOX box = BoxOf(*chara);
  int hit = 0;
  ForEachBlockChara(*this, charas, chara, [&](cCharaBase& other) {
    return (hit = other.m_nId != id && Overlaps(box, BoxOf(other))) != 0;
  });
  return hit;
}

int cGameScene::IsOnCarrier(const cCharaBase* chara) {
  if (!chara || PassesEverything(*chara)) return 0;
  const cCharaBase* carrier = FindById(*this, g_lstChara, chara, chara->m_nCarrierId);
  if (!carrier) return 0;
  const BOX strip{chara->m_dX, chara->m_dBottom, chara->m_dRight, chara->m_dBottom + 5};
  return Overlaps(strip, BoxOf(*carrier)) ? 1 : 0;
}

cCharaBase* cGameScene::FindCarrierBelow(const cCharaBase* chara) {
  if (!chara || PassesEverything(*chara)) return nullptr;
  const BOX strip{chara->m_dX, chara->m_dBottom, chara->m_dRight, chara->m_dBottom + 5};
  cCharaBase* found = nullptr;
  ForEachBlockChara(*this, g_lstChara, chara, [&](cCharaBase& other) {
    if (!Overlaps(strip, BoxOf(other))) return false;
    found = &other;
    return true;
  });
  return found;
}

int cGameScene::IsEnclosedByBlockCharas(const cCharaBase* chara, const double box[4]) {
  if (!chara || PassesEverything(*chara)) return 0;
  const double now[4] = {chara->m_dX, chara->m_dY, chara->m_dRight, chara->m_dBottom};
  struct CORNER {
    double cx, cy, gx, gy;
  };
  CORNER corners[4];
  for (int corner = 0; corner < 4; ++corner) {
    const bool right = corner & 1, low = corner & 2;
    corners[corner] = {right ? now[2] : now[0], low ? now[3] - 1 : now[1], right ? box[2] : box[0],
                       low ? box[3] - 1 : box[1]};
  }
  // One walk marks the corners some block chara holds.
  bool held[4] = {};
  int count = 0;
  ForEachBlockChara(*this, g_lstChara, chara, [&](cCharaBase& other) {
    const BOX b = BoxOf(other);
    for (int corner = 0; corner < 4; ++corner) {
      const CORNER& k = corners[corner];
      if (!held[corner] && (Contains(b, k.cx, k.cy) || Contains(b, k.gx, k.gy))) {
        held[corner] = true;
        ++count;
      }
    }
    return count == 4;
  });
  return count == 4 ? 1 : 0;
}

void cGameScene::SettleOnBlockCharas(cCharaBase* chara, std::list<cChara>& charas, int axis) {
  if (!chara || PassesEverything(*chara)) return;
  cCharaBase& c = *chara;
  TARGET first, second;
  if (axis == 0) {
    const BOX leftLine{c.m_dX, c.m_dY + 1, c.m_dX, c.m_dBottom - 1};
    const BOX rightLine{c.m_dRight, c.m_dY + 1, c.m_dRight, c.m_dBottom - 1};
    ForEachBlockChara(*this, charas, &c, [&](cCharaBase& other) {
      const BOX b = BoxOf(other);
      if (Overlaps(leftLine, b)) {
        c.LRUD.l = 1;
        ProposeLargest(first, b.r + 1, other.m_dVX, other);
      }
      if (Overlaps(rightLine, b)) {
        c.LRUD.r = 1;
        ProposeSmallest(second, b.l - c.m_nW, other.m_dVX, other);
      }
      return false;
    });
    if (first.bSet) ApplySideTarget(c, first);
    if (second.bSet) ApplySideTarget(c, second);
    return;
  }
  const BOX topLine{c.m_dX + 1, c.m_dY, c.m_dRight - 1, c.m_dY};
  const BOX bottomLine{c.m_dX + 1, c.m_dBottom, c.m_dRight - 1, c.m_dBottom};
  ForEachBlockChara(*this, charas, &c, [&](cCharaBase& other) {
    const BOX b = BoxOf(other);
    if (Overlaps(topLine, b)) {
      c.LRUD.u = 1;
      ProposeLargest(first, b.b + 1, other.m_dVY, other);
    }
    if (Overlaps(bottomLine, b)) {
      c.LRUD.d = 1;
      ProposeSmallest(second, b.t - c.m_nH, other.m_dVY, other);
    }
    return false;
  });
  for (const TARGET* t : {&first, &second}) {
    if (!t->bSet) continue;
    c.m_dY = t->dPos;
    c.OnMovedY();
  }
}

int cGameScene::CarryRiders(cCharaBase* rider, std::list<cChara>& charas) {
  if (!rider || rider->IsSyncedToScroll() || !rider->m_bOnChara) return 0;
  cCharaBase* carrier = FindById(*this, charas, rider, rider->m_nCarrierId);
  if (!carrier) return 0;
  rider->m_dVX += carrier->m_dX - rider->m_rcCarrier[0];
  if (carrier->IsSyncedToScroll() || carrier->m_bFalling) rider->m_dVY = carrier->m_dY - rider->m_rcCarrier[1];
  StartRidingTriggers(*carrier, *rider);
  return 0;
}

namespace {

// An object synced to the auto-scroll: the view carries it, so block charas
// only stop it where they move into it.
int HitCharasSynced(cGameScene& scene, cCharaBase& c, std::list<cChara>& lists) {
  const BOX box = BoxOf(c);
  const BOX topLine{c.m_dX + 1, c.m_dY, c.m_dRight - 1, c.m_dY};
  const BOX bottomLine{c.m_dX + 1, c.m_dBottom, c.m_dRight - 1, c.m_dBottom};
  const BOX leftLine{c.m_dX, c.m_dY + 1, c.m_dX, c.m_dBottom - 1};
  const BOX rightLine{c.m_dRight, c.m_dY + 1, c.m_dRight, c.m_dBottom - 1};
  TARGET left, right, floor, ceiling;
  ForEachBlockChara(scene, lists, &c, [&](cCharaBase& other) {
    const BOX b = BoxOf(other);
    if (!Overlaps(box, b)) return false;
    const PENETRATION p = Penetration(box, b);
    if (p.x > p.y) {
      if (Overlaps(topLine, b)) {
        c.LRUD.u = 1;
        ProposeLargest(ceiling, b.b + 1, other.m_dVY, other);
      }
      if (Overlaps(bottomLine, b)) {
        c.LRUD.d = 1;
        ProposeSmallest(floor, b.t - c.m_nH, other.m_dVY, other);
      }
    } else {
      if (Overlaps(leftLine, b)) {
        c.LRUD.l = 1;
        ProposeLargest(left, b.r + 1, other.m_dVX, other);
      }
      if (Overlaps(rightLine, b)) {
        c.LRUD.r = 1;
        ProposeSmallest(right, b.l - c.m_nW, other.m_dVX, other);
      }
    }
    c.RunFlowsByTrigger(kTriggerTouchBlockChara);
    return false;
  });
  if (c.m_byBlockMode == 2) return left.bSet || right.bSet || floor.bSet || ceiling.bSet ? 2 : 0;
  if (c.m_byBlockMode != 1) return 0;
  // A block chara moving away from the object does not pull it along; the
  // object is settled on the other axis instead.
  auto placeX = [&c](const TARGET& t) {
    c.m_dX = t.dPos;
    c.m_bStopHit = 1;
    c.OnMovedX();
  };
  auto placeY = [&c](const TARGET& t) {
    c.m_dY = t.dPos;
    c.OnMovedY();
  };
  if (left.bSet) {
    c.m_dAX = 0;
    if (left.dV >= 0 || c.m_dVX < 0) {
      placeX(left);
    } else {
      c.LRUD.l = 0;
      scene.SettleOnBlockCharas(&c, lists, 1);
    }
  }
  if (right.bSet) {
    c.m_dAX = 0;
    if (right.dV <= 0 || c.m_dVX > 0) {
      placeX(right);
    } else {
      c.LRUD.r = 0;
      scene.SettleOnBlockCharas(&c, lists, 1);
    }
  }
  if (floor.bSet) {
    c.m_dAY = 0;
    if (floor.dV <= 0 || c.m_dVY > 0) {
      placeY(floor);
    } else {
      c.LRUD.d = 0;
      scene.SettleOnBlockCharas(&c, lists, 0);
    }
  }
  if (ceiling.bSet) {
    c.m_dAY = 0;
    // Mirrors the floor: a ceiling pushes while it comes down or the
    // object rises into it. Written like the floor's test (chara vy <= 0
    // or object vy > 0) it would drag the object up after a ceiling that
    // moves away, which is exactly what a block chara moving away must not
    // do; so the mirrored test stays.
    if (ceiling.dV >= 0 || c.m_dVY < 0) {
      placeY(ceiling);
    } else {
      c.LRUD.u = 0;
      scene.SettleOnBlockCharas(&c, lists, 0);
      return 0;
    }
  }
  return 0;
}

}  // namespace

int cGameScene::HitCharas(cCharaBase* chara, std::list<cChara>& charas) {
  if (!chara || PassesEverything(*chara)) return 0;
  cCharaBase& c = *chara;
  if (c.IsSyncedToScroll()) return HitCharasSynced(*this, c, charas);

  const int sub = StageSubSteps();
  const double fall = 2.0 / sub;
  const double bias = 0.4 / sub;
  const int h = c.m_nH, half = h / 2, third = h / 3;
  const double startX = c.m_dX;
  const double startBox[4] = {c.m_dX, c.m_dY, c.m_dRight, c.m_dBottom};
  const BOX box = BoxOf(c);
  const BOX upper{c.m_dX, c.m_dY, c.m_dRight, c.m_dY + half};
  const BOX feet{c.m_dX + 1, c.m_dBottom - third, c.m_dRight - 1, c.m_dBottom};
  const BOX prev = PrevBoxOf(c);
  const BOX prevColumn{prev.l, c.m_dY, prev.r, c.m_dBottom};

  TARGET left, right, floor, ceiling;
  bool touched = false;
  auto proposeLeft = [&](cCharaBase& other) {
    c.LRUD.l = 1;
    ProposeLargest(left, other.m_dRight + 1.5, other.m_dVX, other);
  };
  auto proposeRight = [&](cCharaBase& other) {
    c.LRUD.r = 1;
    ProposeSmallest(right, other.m_dX - c.m_nW - 0.5, other.m_dVX, other);
  };
  auto proposeFloor = [&](cCharaBase& other) {
    if (other.m_dVY < 0) c.LRUD.d = 1;
    if (ProposeSmallest(floor, other.m_dY - h, other.m_dVY, other)) RememberCarrier(c, other);
  };

  ForEachBlockChara(*this, charas, &c, [&](cCharaBase& other) {
    const BOX b = BoxOf(other);
    if (!Overlaps(box, b)) return false;
    touched = true;
    if (Overlaps(upper, b)) {
      const PENETRATION pu = Penetration(upper, b);
      const PENETRATION pp = Penetration(prev, b);
      const PENETRATION pc = Penetration(prevColumn, PrevBoxOf(other));
      if (c.m_dVY > fall && pc.x != 0 && prev.t < other.m_rcPrev[1]) {
        // A fast fall reaches deep into the top of a block chara in one
        // sub-step; it still lands on it.
        WriteECLogf("D Hit");
        proposeFloor(other);
      } else if ((pu.x - pu.y > bias && c.m_dBottom > b.b) ||
                 (pc.x != 0 && prev.t > other.m_rcPrev[1] && pp.x == 0)) {
        if (other.m_dVY > 0) c.LRUD.u = 1;
        ProposeLargest(ceiling, b.b + 1, other.m_dVY, other);
        if (c.m_bOnChara && c.m_dVY < 0) c.LRUD.d = 1;
      } else {
        const BOX leftEdge{c.m_dX, c.m_dY, c.m_dX, c.m_dY + half};
        const BOX rightEdge{c.m_dRight, c.m_dY, c.m_dRight, c.m_dY + half};
        if (c.m_dVX < 0) {
          if (Overlaps(leftEdge, b)) proposeLeft(other);
          else if (Overlaps(rightEdge, b)) proposeRight(other);
        } else {
          if (Overlaps(rightEdge, b)) proposeRight(other);
          else if (Overlaps(leftEdge, b)) proposeLeft(other);
        }
      }
      return false;
    }
    const PENETRATION p = Penetration(box, b);
    if (p.y > p.x) {
      if (Overlaps(BOX{c.m_dRight, c.m_dY, c.m_dRight, c.m_dBottom}, b)) proposeRight(other);
      if (Overlaps(BOX{c.m_dX, c.m_dY, c.m_dX, c.m_dBottom}, b)) proposeLeft(other);
    } else if (Overlaps(feet, b)) {
      proposeFloor(other);
    }
    return false;
  });

  bool landed = false;
  bool skipSides = false;
  if (ceiling.bSet && !floor.bSet) {
    bool move = true;
    if (ceiling.dV < 0) {
      // A rising ceiling lifts the object only into free space.
      const double y = c.m_dY, bottom = c.m_dBottom;
      const int blocked = c.HitsBlockAtCorners();
      c.m_dY = ceiling.dPos;
      c.m_dBottom = ceiling.dPos + h - 1;
      const int crowded = OverlapsBlockCharaExcept(&c, charas, ceiling.pFrom->m_nId);
      c.m_dY = y;
      c.m_dBottom = bottom;
      move = !blocked && !crowded;
    }
    if (move) {
      c.m_dVY = ceiling.dV;
      c.m_dY = ceiling.dPos;
      c.m_dAY = 0;
      SetCeilingJumpState(c);
      c.OnMovedY();
      CheckBlocksY(&c);
    }
  } else if (left.bSet && right.bSet && !floor.bSet) {
    SlipUnder(*this, c, charas, upper, false);
    skipSides = true;
  }
  if (!skipSides && floor.bSet && !(left.bSet && right.bSet)) {
    if (floor.dV > 0 && c.HitsBlockAtCorners2(0)) {
      // A sinking platform under an object wedged in the map leaves it.
      c.m_bOnChara = 0;
    } else {
      c.m_dAY = 0;
      if (!c.m_bOnChara) {
        c.m_bOnChara = 1;
        StartRidingTriggers(*floor.pFrom, c);
      }
      c.m_dY = floor.dPos;
      c.OnMovedY();
      c.m_dVY = 0;
      c.m_bAirState2 = 0;
      c.m_bRising = 0;
      c.m_bJumping = 0;
      c.m_bFalling = 0;
      c.m_bKnockedBack = 0;
      if (c.m_nTeam == 1) c.m_bJumpBlocked = 0;
      else if (!Player.empty()) Player[0].m_bJumpBlocked = 0;
      landed = true;
    }
  }
  if (!skipSides) {
    if (left.bSet) ApplySideTarget(c, left);
    if (right.bSet) ApplySideTarget(c, right);
    if (left.bSet && right.bSet && !floor.bSet) {
      c.m_dX = startX;
      c.OnMovedX();
      SlipUnder(*this, c, charas, upper, true);
    }
  }

  if (touched || c.m_bOnChara) c.RunFlowsByTrigger(kTriggerTouchBlockChara);
  if (c.m_bOnChara) c.RunFlowsByTrigger(kTriggerOnBlockChara);

  if ((c.LRUD.l && c.LRUD.r) || (c.LRUD.u && c.LRUD.d)) return 2;
  if (IsEnclosedByBlockCharas(&c, startBox)) return 2;

  // Pushed into the map, the object backs out toward the block chara by
  // at most 1.5 pixels.
  struct BACKOUT {
    int set;
    double dx, dy;
  };
  const BACKOUT backs[4] = {{c.LRUD.l, -0.1, 0}, {c.LRUD.r, 0.1, 0}, {c.LRUD.u, 0, -0.1}, {c.LRUD.d, 0, 0.1}};
  for (const BACKOUT& back : backs) {
    if (!back.set) continue;
    for (int step = 0; step < 15 && c.HitsBlockAtCorners2(0); ++step) {
      if (back.dx != 0) {
        c.m_dX += back.dx;
        c.OnMovedX();
      } else {
        c.m_dY += back.dy;
        c.OnMovedY();
      }
    }
  }

  if (c.m_bOnChara && !landed) {
    if (c.m_dForcedVY < 0) {
      c.OnHitStop(1);
    } else if (IsOnCarrier(&c)) {
      if (const cCharaBase* carrier = FindById(*this, g_lstChara, &c, c.m_nCarrierId)) RememberCarrier(c, *carrier);
      c.m_bAirState2 = 0;
      c.m_bKnockedBack = 0;
    } else if (const cCharaBase* below = FindCarrierBelow(&c)) {
      RememberCarrier(c, *below);
      c.m_bAirState2 = 0;
      c.m_bKnockedBack = 0;
    } else {
      c.OnHitStop(1);
    }
  }
  return 0;
}
