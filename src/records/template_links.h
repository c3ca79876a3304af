// Where palette links of the block, chara and item templates lead, and the
// inheritance rule the three template kinds share.
//
// A link is a source byte and a 16-bit index: source 1 names the common
// palette, source 2 the palette of the current stage, any other value
// nothing. The palette and stage code install the lists those two sources
// stand for (SetPaletteLists); a source without installed lists names empty
// lists, so links to it are out of range. A loader that reads a stage into a
// temporary record points source 2 at that record's lists while it reads
// (cScopedPaletteLists), so the stage palette's entries are seen in load order.
#pragma once
#include <cstdint>

#include "records/checked.h"

class cBlockData;
class cCharaData;
class cItemData;
struct cPaletteListSizes;

enum : int { kPaletteSourceNone = 0, kPaletteSourceCommon = 1, kPaletteSourceStage = 2 };

// The three template lists of one palette. Null members name empty lists.
struct cPaletteLists {
  const cCheckedVector<cBlockData>* pBlock = nullptr;
  const cCheckedVector<cCharaData>* pChara = nullptr;
  const cCheckedVector<cItemData>* pItem = nullptr;
};

// Installs the lists of source 1 or 2 (other sources are ignored).
void SetPaletteLists(int source, const cPaletteLists& lists);
// The lists of source 1 or 2; empty lists for any other source.
cPaletteLists GetPaletteLists(int source);

// Installs lists for one source until the end of the scope, then restores
// what was there before.
class cScopedPaletteLists {
 public:
  cScopedPaletteLists(int source, const cPaletteLists& lists);
  ~cScopedPaletteLists();
  cScopedPaletteLists(const cScopedPaletteLists&) = delete;
  cScopedPaletteLists& operator=(const cScopedPaletteLists&) = delete;

 private:
  int m_nSource;
  cPaletteLists m_Saved;
};

// The list of one kind that a source names; null for a source other than 1
// or 2 and for a source without installed lists.
const cCheckedVector<cBlockData>* PaletteBlockList(int source);
const cCheckedVector<cCharaData>* PaletteCharaList(int source);
const cCheckedVector<cItemData>* PaletteItemList(int source);

// Sizes of the installed lists, [0] source 1 and [1] source 2, for the
// palette checks of the flow commands.
cPaletteListSizes CurrentPaletteListSizes();

// An index compared with a list size the way links are checked: read as
// signed, compared as unsigned, so a negative index is outside every list.
inline bool PaletteIndexOutside(int index, int size) {
  return static_cast<uint32_t>(index) >= static_cast<uint32_t>(size < 0 ? 0 : size);
}

// The shared inheritance rule. T provides m_byInheritSource,
// m_sInheritIndex, m_vecInheritFlag, kInheritGroupCount and
// CopyInheritGroup(group, entry).
//   - index 0 or source 0: nothing;
//   - a source other than 1 or 2: nothing, nothing changed;
//   - an index at or beyond the end of the list (negative included): the
//     source becomes 0, the index stays, nothing copied;
//   - else each non-zero flag i below kInheritGroupCount copies group i, in
//     order, from the palette entry.
template <class T>
void ApplyInheritance(T& t, const cCheckedVector<T>* list) {
  if (t.m_sInheritIndex == 0 || t.m_byInheritSource == kPaletteSourceNone) return;
  if (t.m_byInheritSource != kPaletteSourceCommon && t.m_byInheritSource != kPaletteSourceStage) return;
  const int size = list ? list->Size() : 0;
  if (PaletteIndexOutside(t.m_sInheritIndex, size)) {
    t.m_byInheritSource = kPaletteSourceNone;
    return;
  }
  // The entry may be this very template (a list entry linking itself): copy
  // from a snapshot so every group sees the entry as it stood.
  const T entry = (*list)[static_cast<size_t>(t.m_sInheritIndex)];
  const size_t groups = t.m_vecInheritFlag.size() < size_t(T::kInheritGroupCount) ? t.m_vecInheritFlag.size()
                                                                                   : size_t(T::kInheritGroupCount);
  for (size_t g = 0; g < groups; ++g)
    if (t.m_vecInheritFlag[g] != 0) t.CopyInheritGroup(static_cast<int>(g), entry);
}

// Clears a palette link (source 1 or 2) whose index is outside its list:
// source 0 and index 0. Links of other sources are left alone.
template <class T>
void ClearBrokenPaletteLink(BYTE& source, int16_t& index, const cCheckedVector<T>* list) {
  if (source != kPaletteSourceCommon && source != kPaletteSourceStage) return;
  if (PaletteIndexOutside(index, list ? list->Size() : 0)) {
    source = kPaletteSourceNone;
    index = 0;
  }
}
