// The physics of charas and the hero between the stage's world rules and
// the flow commands: unit conversions, jumps, landing and ceilings, life and
// SP with their gauge animations, knockback and the wave helpers.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "objects/chara_base.h"
#include "objects/shot.h"
#include "platform/numeric.h"
#include "stage/block_cell.h"
#include "stage/game_scene.h"

using plat::TruncToInt;

namespace {

// Gauge bars are 50 pixels at full life; the products are taken in 64 bits
// so that large lives cannot overflow, and kept within the bar.
int GaugeWidth(int value, int max) {
  if (max <= 0) return 0;
  const long long w = static_cast<long long>(value) * 50 / max;
  return static_cast<int>(std::clamp<long long>(w, 0, 50));
}

void StartGaugeAnim(GAUGEANIM& g, int delta, int value, int max) {
  if (delta == 0) return;
  g.nFrames = 120;
  g.nWidth = GaugeWidth(value, max);
  const double change = max > 0 ? static_cast<double>(delta) * 50 / max : 0.0;
  g.dChange = std::clamp(change, -50.0, 50.0);
  g.dStep = g.dChange * (1.0 / 60);
}

// value + delta (a positive delta cut to what is left to the maximum),
// within 0..max, computed without overflow.
int AddWithin(int value, int delta, int max) {
  long long d = delta;
  if (d > 0) d = std::min<long long>(d, static_cast<long long>(max) - value);
  const long long r = static_cast<long long>(value) + d;
  return static_cast<int>(std::clamp<long long>(r, 0, std::max(max, 0)));
}



void DecayTowardZero(double& v) {
  const double step = 1.0 / StageSubSteps();
  if (v > 0) v = v - step < 0 ? 0.0 : v - step;
  else if (v < 0) v = v + step > 0 ? 0.0 : v + step;
}

int ScaleFactorOf(const cCharaData& data) { return data.m_cSize > 0 ? data.m_cSize : 1; }

}  // namespace

int BlockToHalfBlock(int8_t halfBlocks) { return (halfBlocks * 32) / 2; }

double PercentToFrameStep(int16_t percent) {
  const double n = StageSubSteps();
  return percent * 0.01 / (n * n);
}

double PerSecondToPerFrame(double v) { return v / StageSubSteps() * (1.0 / 60); }

double cCharaBase::JumpSpeedForDots(double height) const {
  const double g = StageStepGravity();
  // Without gravity, or for no height at all, there is no jump to compute.
  if (!(g > 0) || height < 0) return 0.0;
  const double disc = g * (g + 8 * height);
  if (!(disc >= 0)) return 0.0;
  double v = (-g - std::sqrt(disc)) / 2;
  if (m_nTeam == 0) v *= 0.99 - 0.025 * StageGravitySetting();
  return v;
}

double cCharaBase::JumpSpeedForHeight(int8_t halfBlocks) const { return JumpSpeedForDots(halfBlocks * 16.0); }

int cCharaBase::JumpTime(double speed) const {
  const int n = StageSubSteps();
  const double g = StageStepGravity();
  if (!(g > 0)) return n;
  return TruncToInt(n - speed / g);
}

int cCharaBase::JumpHeightToFrames(int8_t halfBlocks) const {
  const int n = StageSubSteps();
  return JumpTime(JumpSpeedForHeight(halfBlocks)) / n / 6 + 1;
}

void cCharaBase::PlaceAtCell(int x, int y) {
  PlaceAtCellX(x);
  PlaceAtCellY(y);
}

void cCharaBase::PlaceAtCellX(int x) {
  m_dX = (x + 10) * 32.0 + m_nBaseImgOffX + 0.5;
  ShiftXToCentre(ScaleFactorOf(m_Data), 1);
  OnMovedX();
}

void cCharaBase::PlaceAtCellY(int y) {
  m_dY = (y + 10) * 32.0 + m_nBaseImgOffY;
  AdjustYForScale(ScaleFactorOf(m_Data), 1);
  OnMovedY();
}

void cCharaBase::ClearMoveRequests() { LRUD = LRUDFLAGS{}; }

void cCharaBase::ApplyGravityIfFree() {
  if (m_bNoGravity || m_bOnChara || m_bGravityHold || m_dForcedVY < 0) return;
  m_dVY += StageStepGravity();
}

int cCharaBase::IsOnGround() const {
  if (m_pFootBlock && m_pFootBlock->GetHitKind(m_nBlockSide) != 0) return 1;
  return m_bOnChara ? 1 : 0;
}

void cCharaBase::OnLand() {
  m_dVY = 0;
  m_dAY = 0;
  LRUD.d = 1;
  m_bAirState2 = 0;
  m_bFalling = 0;
  m_bJumping = 0;
  m_bRising = 0;
  m_bKnockedBack = 0;
  if (m_nTeam != 0) m_bJumpBlocked = 0;
  m_dY -= (TruncToInt(m_dBottom) & 31) + 1;
  OnMovedY();
  RunFlowsByTrigger(9);
  RunFlowsByTrigger(13);
  RunFlowsByTrigger(15);
}

void cCharaBase::OnHitCeiling() {
  m_bRising = 1;
  m_bJumping = 1;
  LRUD.u = 1;
  m_bJumpBlocked = 1;
  m_dVY = 0;
  m_dAY = 0;
  m_dY += 32 - (TruncToInt(m_dY) & 31);
  OnMovedY();
  RunFlowsByTrigger(9);
  RunFlowsByTrigger(13);
  RunFlowsByTrigger(14);
}

void cCharaBase::OnHitStop(int setHit) {
  m_bOnChara = 0;
  if (m_dForcedVY == 0) m_dVY = 0;
  if (setHit) m_bStopHit = 1;
}

void cCharaBase::SavePrevPosition() {
  m_rcPrev[0] = m_dX;
  m_rcPrev[1] = m_dY;
  m_rcPrev[2] = m_dRight;
  m_rcPrev[3] = m_dBottom;
}

void cCharaBase::RestorePrevRect() {
  m_dX = m_rcPrev[0];
  m_dY = m_rcPrev[1];
  m_dRight = m_rcPrev[2];
  m_dBottom = m_rcPrev[3];
}

int cCharaBase::ChangeLife(int delta, int force, int showGauge) {
  if (!force && delta <= 0 && m_Data.m_byInvincible != 0) return 0;
  const int max = m_Data.m_nMaxHp;
  if (delta > 0) delta = static_cast<int>(std::min<long long>(delta, static_cast<long long>(max) - m_nLife));
  m_nLife = AddWithin(m_nLife, delta, max);
  if (m_nLife <= 0) {
    m_nLife = 0;
    return 1;
  }
  if (showGauge) StartLifeGaugeAnim(delta);
  return 0;
}

void cCharaBase::StartLifeGaugeAnim(int delta) { StartGaugeAnim(m_LifeGauge, delta, m_nLife, m_Data.m_nMaxHp); }

int cCharaBase::ChangeGauge2(int delta, int showGauge) {
  const int max = m_Data.m_nMaxSp;
  if (delta > 0) delta = static_cast<int>(std::min<long long>(delta, static_cast<long long>(max) - m_nSP));
  m_nSP = AddWithin(m_nSP, delta, max);
  if (max <= 0) return 1;
  if (showGauge) StartGauge2Anim(delta);
  return 0;
}

void cCharaBase::StartGauge2Anim(int delta) { StartGaugeAnim(m_SPGauge, delta, m_nSP, m_Data.m_nMaxSp); }

void cGameObject::KnockbackVelocity(double& vx, double& vy, int8_t t, double dx, double dy) const {
  if (t == 0) return;
  const double f = std::fabs(dx) + std::fabs(dy);
  if (f == 0) {
    vx = 0;
    vy = 0;
    return;
  }
  const double n = StageSubSteps();
  // The starting speed that, decaying by 1/N a sub-step, carries the object
  // |c| half blocks.
  auto speed = [n](double c) {
    if (c > 0) return (std::sqrt(1 + 128 * n * c) - 1) / (2 * n);
    if (c < 0) return -(std::sqrt(1 - 128 * n * c) - 1) / (2 * n);
    return 0.0;
  };
  vx = speed(t * dx / f);
  vy = speed(t * dy / f);
}

void cCharaBase::ApplyKnockback(int8_t strength, double dx, double dy) {
  if (strength == 0) return;
  const int r = m_Data.m_cImpactResist;
  const int t = strength < 0 ? std::clamp(strength + r, -20, 0) : std::clamp(strength - r, 0, 20);
  KnockbackVelocity(m_dForcedVX, m_dForcedVY, static_cast<int8_t>(t), dx, dy);
  const double e = 1e-8;
  auto against = [e](double a, double b) { return (a > e && b < -e) || (a < -e && b > e); };
  if (m_dAX != 0 && against(m_dAX, m_dForcedVX)) m_dAX = 0;
  if (m_dAY != 0 && against(m_dAY, m_dForcedVY)) m_dAY = 0;
  if (against(m_dVY, m_dForcedVY)) m_dVY = 0;
  m_bKnockedBack = 1;
}

void cCharaBase::KnockbackFromChara(const cCharaBase& a) {
  double dy = a.m_dVY;
  if (a.m_Data.m_byFlight == 0 && a.m_dVY < 8 * StageSubSteps() * StageStepGravity()) dy = 0;
  ApplyKnockback(static_cast<int8_t>(a.m_Data.m_byBodyImpact), a.m_dVX, dy);
}

void cCharaBase::KnockbackFromShot(const cShot& s) {
  // A sword pushes along its owner's facing; a shot along its flight.
  const int8_t strength = static_cast<int8_t>(s.m_Settings.m_byImpact);
  if (s.m_bFree) ApplyKnockback(strength, s.m_dVX, s.m_dVY);
  else ApplyKnockback(strength, s.GetDirSign(), 0);
}

void cCharaBase::ApplyForcedVelocity() {
  if (m_dForcedVY != 0) {
    if (m_bNoGravity) {
      m_dVY += m_dForcedVY;
    } else if (m_dForcedVY > 0 && IsOnGround()) {
      m_dForcedVY = 0;
    } else {
      m_dVY = m_dForcedVY + (m_dVY - m_dPrevForcedVY);
    }
  }
  m_dPrevForcedVY = m_dForcedVY;
}

void cCharaBase::DecayForcedVX() { DecayTowardZero(m_dForcedVX); }
void cCharaBase::DecayForcedVY() { DecayTowardZero(m_dForcedVY); }

double WaveStep(int amplitude, int frequency, double& angle, double step, double phase) {
  const double n = StageSubSteps();
  const double h = frequency * 0.017453292519943295;
  const double v = h * std::cos(h * (angle / n + phase)) * amplitude / n;
  angle += step;
  if (angle >= 360 * n) angle -= 360 * n;
  return v;
}

double WaveStep2(int amplitude, int frequency, double& angle, double step, double phase) {
  const double n = StageSubSteps();
  const double h = frequency * 0.017453292519943295;
  const double a = -(h * std::sin(h * (angle / n + phase)) * (h / n) * amplitude) / n;
  angle += step;
  if (angle >= 360 * n) angle -= 360 * n;
  return a;
}
