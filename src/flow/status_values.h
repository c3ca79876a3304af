// The numbers flows read and change: a chara's statuses, the system values,
// the common and stage variables. The status commands, the status condition
// and run code all reach them through here.
#pragma once
#include <cstdint>

class cCharaBase;

enum : int {
  kStatusVar = 0,        // chara variable (index given apart)
  kStatusLife = 1,
  kStatusSP = 2,
  kStatusMaxLife = 3,
  kStatusMaxSP = 4,
  kStatusCharaId = 5,
  kStatusZ = 6,
  kStatusMark = 7,
  kStatusSight = 8,      // half blocks; the hero's only
  kStatusPower = 9,
  kStatusImpact = 10,
  kStatusDefence = 11,
  kStatusImpactResist = 12,
  kStatusStopEase = 13,
  kStatusScore = 14,
  kStatusCount = 15,
};

enum : int {
  kSystemTime = 0,
  kSystemScrollX = 1,
  kSystemScrollY = 2,
  kSystemScore = 3,
  kSystemLives = 4,
  kSystemCount = 5,
};

inline constexpr int kValueLimit = 999999;

struct VALUERANGE {
  int lo;
  int hi;
  int bits;  // width of the stored field: 8, 16 or 32
};

// The range a status operation keeps a field in, and the field's width.
VALUERANGE StatusRange(int field);
// The range of a system value.
VALUERANGE SystemRange(int which);

// The stored value of a status field (8- and 16-bit fields as the signed or
// unsigned numbers they hold). Reading the stop-ease refreshes the chara's
// braking. A bad field reads 0; a bad variable index goes through the
// checked access.
int ReadStatus(cCharaBase& chara, int field, int varIndex);
// Stores `value`, which the caller has put in range, without side effects
// but the braking refresh of the stop-ease.
void StoreStatus(cCharaBase& chara, int field, int varIndex, int value);

// Time reads the play scene's counter; the lives read 0 while unlimited.
int ReadSystemValue(int which);
// Stores a value already in range: the scroll speeds also set their axis's
// automatic step; unlimited lives are never changed.
void StoreSystemValue(int which, int value);

// Common (kind 0) or stage (kind 1) variable `index`, bounds-checked (a bad
// index reports and asks the game to close).
int& VariableRef(int kind, int index);

// a against b by relation: 0 ==, 1 !=, 2 >=, 3 <=, 4 >, 5 <, 6 |a| is a
// multiple of b (true for b 0), 7 it is not (false for b 0). Others false.
bool CompareValue(int a, int b, int relation);

int ClampValue(long long v, int lo, int hi);
// x rounded half away from zero, kept within the int range.
int RoundHalfAway(double x);

// a x b / 100 rounded half away from zero, in 64 bits, held at the int range.
int PercentOf(long long a, long long b);
// The status operators: 0 set, 1 add, 2 subtract, 3 multiply, 4 divide and
// 5 remainder (both skipped for 0), 6 percent; then the range. Computed in
// 64 bits, so products and narrow fields clamp instead of wrapping.
int ApplyOperator(int current, int op, int operand, int lo, int hi);

// value x percent x 0.01 rounded half away from zero, the way the condition
// tests of the world rules scale values. The product is formed in 64 bits so
// no operand traps or wraps; a result past the int range is held at it.
int CalcPercent(int value, int percent);
