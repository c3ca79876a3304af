// Commands of older files brought to the current kinds and parameter layouts.
// Each step names the kinds as they were numbered at its own time.
#include <algorithm>
#include <cstddef>

#include "flow/flow_records.h"
#include "flow/flow_words.h"

namespace {

using Params = cCheckedVector<int32_t>;

void Resize(cFlowCmd& c, size_t n) { c.m_vecParam.resize(n, 0); }

// Slot i; a short list of a damaged file grows (Validate fits it later).
int32_t& P(cFlowCmd& c, size_t i) {
  if (c.m_vecParam.size() <= i) c.m_vecParam.resize(i + 1, 0);
  return c.m_vecParam[i];
}

// Resizes to n, then moves slots i.. up by one (the last drops out) and puts v in slot i.
void Insert(cFlowCmd& c, size_t n, size_t i, int32_t v) {
  Resize(c, n);
  if (i >= n) return;
  std::copy_backward(c.m_vecParam.begin() + static_cast<ptrdiff_t>(i), c.m_vecParam.end() - 1, c.m_vecParam.end());
  c.m_vecParam[i] = v;
}

void StatusOpShift(cFlowCmd& c, int from) {
  if (P(c, 0) == 0 && P(c, 3) != 2 && P(c, 4) >= from) P(c, 4) += 1;
  if (P(c, 6) == 2 && P(c, 12) != 2 && P(c, 13) >= from) P(c, 13) += 1;
}

struct CmdUpgradeStep {
  uint32_t below;
  int charaLo, charaHi;  // kinds of chara commands the step applies to
  int itemLo, itemHi;    // of item commands; -1 when the step has no item form
  void (*apply)(cFlowCmd&);
};

constexpr int kOldCharaMax = 38;  // the tables before the kind inserted at 24
constexpr int kOldItemMax = 23;

const CmdUpgradeStep kCmdUpgradeSteps[] = {
    {145, 17, 17, 2, 2, [](cFlowCmd& c) { Resize(c, 9); }},
    {166, 35, 35, 20, 20, [](cFlowCmd& c) { Resize(c, 2); P(c, 1) = 1; }},
    {168, 22, 22, 7, 7, [](cFlowCmd& c) { StatusOpShift(c, 10); }},
    {189, 21, 21, 6, 6, [](cFlowCmd& c) { Insert(c, 16, 2, 0); }},
    {194, 31, 31, 16, 16, [](cFlowCmd& c) { Insert(c, 15, 6, 1); }},
    {195, 29, 30, 14, 15, [](cFlowCmd& c) { Insert(c, 3, 1, 0); }},
    {203, 14, 15, -1, -1, [](cFlowCmd& c) { c.m_vecParam.clear(); }},
    {203, 16, 16, -1, -1, [](cFlowCmd& c) { Resize(c, 4); }},
    {203, 22, 22, 7, 7, [](cFlowCmd& c) { StatusOpShift(c, 5); }},
    {210, 23, 23, 8, 8, [](cFlowCmd& c) { if (P(c, 0) != 2 && P(c, 1) >= 6) P(c, 1) += 1; }},
    {219, 25, 25, 10, 10, [](cFlowCmd& c) { if (P(c, 0) == 3) P(c, 1) = std::min(P(c, 1) + 1, 119); }},
    {220, 11, 11, -1, -1,
     [](cFlowCmd& c) {
       if (c.m_pEdShot) c.m_pEdShot->m_nGraphic = static_cast<int16_t>(std::min(c.m_pEdShot->m_nGraphic + 1, 119));
     }},
    {514, 5, 5, -1, -1,
     [](cFlowCmd& c) {
       if (!c.m_pEdMove) return;
       c.m_pEdMove->m_sAngle = 0;
       c.m_pEdMove->m_sAnglePerClone = 0;
       c.m_pEdMove->m_bMirrorAngle = 1;
     }},
    {545, 19, 19, 4, 4, [](cFlowCmd& c) { Resize(c, 18); P(c, 10) = 1; }},
    {545, 31, 31, 16, 16, [](cFlowCmd& c) { Resize(c, 15); P(c, 11) = 0; }},
    {546, 19, 19, 4, 4, [](cFlowCmd& c) { P(c, 10) = (P(c, 0) == 0 || P(c, 0) == 7) ? 1 : 0; }},
    {547, 19, 19, 4, 4,
     [](cFlowCmd& c) {
       Resize(c, 18);
       P(c, 11) = 0, P(c, 12) = 0, P(c, 13) = 0, P(c, 14) = 1, P(c, 15) = 0;
     }},
    {547, 31, 31, 16, 16, [](cFlowCmd& c) { Resize(c, 15); P(c, 12) = 0, P(c, 13) = 0; }},
    {556, 19, 19, 4, 4, [](cFlowCmd& c) { Resize(c, 18); P(c, 16) = 1; }},
    {722, 17, 17, 2, 2, [](cFlowCmd& c) { if (P(c, 0) >= 2) P(c, 0) += 1; }},
    {723, 19, 19, 4, 4, [](cFlowCmd& c) { Resize(c, 18); P(c, 17) = 0; }},
    {723, 31, 31, 16, 16, [](cFlowCmd& c) { Resize(c, 15); P(c, 14) = 0; }},
    {726, 37, 37, 22, 22, [](cFlowCmd& c) { Resize(c, 5); P(c, 0) = 11; }},
    {727, 37, 37, 22, 22,
     [](cFlowCmd& c) {
       if (P(c, 0) != 11) return;
       for (int at : {2, 3, 4, 14, 15, 16, 17})
         if (P(c, 1) >= at) P(c, 1) += 1;
     }},
    {734, 24, kOldCharaMax, 9, kOldItemMax,
     [](cFlowCmd& c) {
       c.m_byKind += 1;
       const bool arrange = (c.m_byCategory == kCmdCategoryChara && c.m_byKind == 38) ||
                            (c.m_byCategory == kCmdCategoryItem && c.m_byKind == 23);
       if (arrange && P(c, 0) >= 24) P(c, 0) += 1;
     }},
    {747, 21, 21, 6, 6, [](cFlowCmd& c) { Resize(c, 16); P(c, 10) = 0, P(c, 11) = 1, P(c, 14) = 0; }},
    {760, 16, 16, -1, -1, [](cFlowCmd& c) { Resize(c, 4); P(c, 3) = 0; }},
    {764, 16, 16, -1, -1, [](cFlowCmd& c) { CreateCondList(c.m_pCondList); }},
    {767, 9, 9, -1, -1, [](cFlowCmd& c) { if (P(c, 0) >= 4) P(c, 0) += 6; }},
    {767, 20, 20, 5, 5,
     [](cFlowCmd& c) {
       if (c.m_pEdMove && c.m_pEdMove->m_byMode >= 2) c.m_pEdMove->m_byMode += 3;
     }},
    {767, 21, 21, 6, 6, [](cFlowCmd& c) { Insert(c, 16, 0, 0); }},
    {767, 22, 22, 7, 7,
     [](cFlowCmd& c) {
       if (P(c, 0) == 0 && P(c, 3) >= 2) P(c, 3) += 3;
       if (P(c, 6) == 2 && P(c, 12) >= 2) P(c, 12) += 3;
     }},
    {767, 23, 23, 8, 8, [](cFlowCmd& c) { if (P(c, 0) >= 2) P(c, 0) += 3; }},
};

bool StepMatches(const CmdUpgradeStep& s, const cFlowCmd& c) {
  const int k = c.m_byKind;
  if (c.m_byCategory == kCmdCategoryChara) return k >= s.charaLo && k <= s.charaHi;
  if (c.m_byCategory == kCmdCategoryItem) return s.itemLo >= 0 && k >= s.itemLo && k <= s.itemHi;
  return false;
}

}  // namespace

void cFlowCmd::Upgrade(uint32_t v) {
  if (v >= kRecordDataVersion) return;
  for (const CmdUpgradeStep& s : kCmdUpgradeSteps)
    if (v < s.below && StepMatches(s, *this)) s.apply(*this);
}

size_t CmdUpgradeStepCount() { return std::size(kCmdUpgradeSteps); }
