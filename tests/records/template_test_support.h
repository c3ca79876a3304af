// Helpers the template record tests share: a palette made of plain lists
// installed for links, and a hand-built condition body.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

#include "records/block_data.h"
#include "records/chara_data.h"
#include "records/item_data.h"
#include "records/template_links.h"
#include "support/bytes.h"

// Template lists standing for one palette source while the object lives.
struct ScopedTestPalette {
  cCheckedVector<cBlockData> blocks;
  cCheckedVector<cCharaData> charas;
  cCheckedVector<cItemData> items;
  cScopedPaletteLists scope;
  ScopedTestPalette(int source, int nBlocks, int nCharas, int nItems)
      : blocks(size_t(nBlocks)), charas(size_t(nCharas)), items(size_t(nItems)), scope(source, {&blocks, &charas, &items}) {}
};

// A condition body of the current layout: 17 fields, 28 bytes, no strings.
inline void AppendCond(ByteBuilder& b, uint8_t kind, int32_t constant) {
  b.I32(17).U8(kind).I32(constant).I32(0).I32(0);
  b.U8(0).U8(0).U8(0).U8(0).I16(0).U8(0).U8(0).U8(0).U8(0).I16(0).U8(0).U8(0).U8(0);
  b.I32(0);
}

// Every prefix shorter than the body fails to load, and random damage never
// crashes (run under the sanitizers); what the record holds afterwards is not
// checked.
template <class T>
void ExpectDamagedBodiesHandled(const std::vector<uint8_t>& good, uint32_t version) {
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    cRecordReader in(cut, "cut");
    in.SetVersion(version);
    T r;
    EXPECT_FALSE(r.Load(in) && in.Remaining() == 0) << "prefix of " << n << " bytes";
  }
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bad = good;
    const int hits = 1 + int(rng() % 8);
    for (int i = 0; i < hits; ++i) bad[rng() % bad.size()] = uint8_t(rng());
    if (round % 3 == 0) bad.resize(rng() % (bad.size() + 1));
    cRecordReader in(bad, "random");
    in.SetVersion(version);
    T r;
    (void)r.Load(in);
    cRecordWriter out;
    r.Save(out);  // whatever loaded can be written again
  }
}
