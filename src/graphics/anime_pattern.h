// Steps a small value (an animation frame number or state) through a set of
// patterns, one tick per call. Game objects own one each.
#pragma once
#include <cstdint>
#include <vector>

struct ANIMESTEP {
  int value;      // a negative value ends the pattern: -1 hold, -2 loop, -3 jump
  int duration;   // ticks; for -3 the index of the pattern to jump to
  uint8_t lock;   // non-zero: the pattern cannot be switched away from unforced
};

class cAnimePattern {
 public:
  cAnimePattern() = default;

  // source: a null-terminated array of int lists, each a run of triples
  // (value, duration, lock) closed by one triple with a negative value.
  void Create(const int* const* source);
  int SetPattern(int pattern, int force);
  int ChangePattern(int pattern, int force);
  int Step();
  int GetValue() const;
  void Clear();

  int PatternCount() const { return static_cast<int>(m_Patterns.size()); }
  int GetPattern() const { return nPattern; }
  int GetStep() const { return nStep; }
  int GetTick() const { return nTick; }

 private:
  const ANIMESTEP& CurrentStep() const;

  std::vector<std::vector<ANIMESTEP>> m_Patterns;
  int nPattern = 0;
  int nStep = 0;
  int nTick = 0;
};
