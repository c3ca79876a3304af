#include "graphics/anime_pattern.h"

#include "records/checked.h"

namespace {

// Read-only walk over plain vectors: a bad index is reported like every
// checked container's, and the walk goes on with element 0.
template <class T>
const T& CheckedAt(const std::vector<T>& v, int index) {
  if (index >= 0 && static_cast<size_t>(index) < v.size()) return v[static_cast<size_t>(index)];
  ReportBadVectorIndex(index, static_cast<int>(v.size()), static_cast<int>(sizeof(T)));
  static const T empty{};
  return v.empty() ? empty : v.front();
}

}  // namespace

void cAnimePattern::Create(const int* const* source) {
  if (!source) return;
  m_Patterns.clear();
  for (const int* const* list = source; *list; ++list) {
    const int* t = *list;
    size_t real = 0;
    while (t[real * 3] >= 0) ++real;
    std::vector<ANIMESTEP> steps(real + 1);
    for (size_t i = 0; i <= real; ++i)
      steps[i] = ANIMESTEP{t[i * 3], t[i * 3 + 1], static_cast<uint8_t>(t[i * 3 + 2] & 0xFF)};
    m_Patterns.push_back(std::move(steps));
  }
}

const ANIMESTEP& cAnimePattern::CurrentStep() const {
  return CheckedAt(CheckedAt(m_Patterns, nPattern), nStep);
}

int cAnimePattern::SetPattern(int pattern, int force) {
  if (!force && !m_Patterns.empty() && CurrentStep().lock != 0) return 0;
  nPattern = pattern;
  nStep = 0;
  nTick = 0;
  return 1;
}

int cAnimePattern::ChangePattern(int pattern, int force) {
  if (pattern == nPattern) return 1;
  return SetPattern(pattern, force);
}

int cAnimePattern::Step() {
  if (m_Patterns.empty()) return 0;
  ++nTick;
  if (nTick >= CurrentStep().duration) {
    nTick = 0;
    // Sitting on an end code the owner acts on (the tables use -4) must not
    // walk past the end of the pattern: the code keeps showing.
    const int last = static_cast<int>(CheckedAt(m_Patterns, nPattern).size()) - 1;
    if (nStep < last) ++nStep;
    const ANIMESTEP& next = CurrentStep();
    switch (next.value) {
      case -3:
        SetPattern(next.duration, 1);
        break;
      case -2:
        nStep = 0;
        break;
      case -1:
        // A pattern that is nothing but its end code has no step before it:
        // stay on the code instead of walking off the front of the pattern.
        if (nStep > 0) --nStep;
        break;
      default:
        break;
    }
  }
  return CurrentStep().value;
}

int cAnimePattern::GetValue() const {
  if (m_Patterns.empty()) return 0;
  return CurrentStep().value;
}

void cAnimePattern::Clear() {
  m_Patterns.clear();
  nPattern = 0;
  nStep = 0;
  nTick = 0;
}
