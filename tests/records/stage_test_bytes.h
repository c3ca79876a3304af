// Stage and palette files built byte by byte from the file format's field
// tables, independently of the program's writer, for the stage and palette
// tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace stagebytes {

// --- templates ---------------------------------------------------------------

struct Block {
  int16_t x = 0, y = 0;
  int16_t graphic = 0;
  uint8_t hit = 0;  // an empty block is written with hit kind 0
  uint8_t inheritSource = 0;
  int16_t inheritIndex = 0;
  uint8_t itemSource = 0;
  int16_t itemIndex = 0;
  std::vector<uint8_t> flags = std::vector<uint8_t>(11, 0);
  std::string name;
};

// 18 fields, 26 bytes, whatever the version.
inline void AppendBlock(ByteBuilder& b, const Block& k) {
  b.I32(18).U8(k.inheritSource).I16(k.inheritIndex).U8(0).U8(0).I16(k.graphic).U8(0).I16(0);
  b.U8(0).U8(0).U8(0).I16(0).U8(k.hit).U8(0xFF).U8(0).I32(0).U8(k.itemSource).I16(k.itemIndex).U8(0);
  b.I32(1).Str(k.name);
  b.I16(k.x).I16(k.y).U32(uint32_t(k.flags.size()));
  for (uint8_t f : k.flags) b.U8(f);
  b.U32(0);  // conditions
}

struct Chara {
  int16_t x = 0, y = 0;
  int32_t carry = 0;
  int16_t graphic = 0;
  uint8_t control = 1;
  int8_t size = 1;
  int32_t maxHp = 10;
  uint8_t inheritSource = 0;
  int16_t inheritIndex = 0;
  std::vector<uint8_t> flags = std::vector<uint8_t>(37, 0);
  std::string name;
};

inline Chara Hero(int16_t x, int16_t y) {
  Chara c;
  c.x = x;
  c.y = y;
  c.carry = -1;
  c.graphic = 1;
  c.control = 0;
  return c;
}

// 53 fields in 82 bytes from version 285 on; 47 in 73 bytes below 168.
inline void AppendChara(ByteBuilder& b, const Chara& c, uint32_t v) {
  const bool v168 = v >= 168, v196 = v >= 196, v201 = v >= 201, v210 = v >= 210, v285 = v >= 285;
  b.I32(47 + v168 + 2 * v196 + v201 + v210 + v285);
  b.U8(c.inheritSource).I16(c.inheritIndex).U8(0).U8(0);  // link, condition mode and latch
  b.U8(0).U8(0).I16(0).I16(0).I16(0).I16(0).U8(0).U8(0);   // facing, copies, copy offsets, mirrors
  b.I16(c.graphic).U8(1).I16(0).I16(0).U8(3).U8(0);         // graphic, kind, frame, anime set, Z, transparent
  b.I16(0);                                                 // start effect
  if (v196) b.U8(0);
  b.U8(1).I16(0);  // start effect mode, death effect
  if (v196) b.U8(0);
  b.U8(0).I16(0);                                    // mark
  b.U8(c.control).U8(0).U8(1).U8(0).U8(0).U8(1).U8(0);  // control, player, faction, id, flight, fixed dir, invincible
  if (v285) b.U8(0);
  b.U8(0).U8(uint8_t(c.size));  // block chara, size
  if (v210) b.U8(0);
  b.U8(0).U8(0).I32(c.maxHp).I32(0).I16(10);  // sight, HP, SP, ease of stopping
  if (v201) b.U8(0);
  b.I32(0).U8(0).I16(0);  // body attack
  if (v168) b.I32(0);
  b.U8(0).I32(0).U8(1).U8(0).I16(0).U8(0).U8(0);  // impact resistance, score, reserved, group, activity
  b.I32(1).Str(c.name);
  b.I16(c.x).I16(c.y).I32(c.carry).U32(uint32_t(c.flags.size()));
  for (uint8_t f : c.flags) b.U8(f);
  b.U32(0).U32(0);  // conditions, flows
}

struct Item {
  int16_t x = 0, y = 0;
  int16_t graphic = 0;
  std::vector<uint8_t> flags = std::vector<uint8_t>(13, 0);
  std::string name;
};

// 17 fields, 24 bytes.
inline void AppendItem(ByteBuilder& b, const Item& i) {
  b.I32(17).U8(0).I16(0).U8(0).U8(0).I16(0).I16(0).I16(i.graphic).U8(2).I16(0).U8(6);
  b.U8(0).U8(0).I16(0).U8(1).U8(0).U8(1).I16(0);
  b.I32(1).Str(i.name);
  b.I16(i.x).I16(i.y).U32(uint32_t(i.flags.size()));
  for (uint8_t f : i.flags) b.U8(f);
  b.U32(0).U32(0);  // conditions, commands
}

// --- the stage ----------------------------------------------------------------

struct Field {
  uint32_t from;  // first version holding it
  bool isDouble;
  double value;
};

// The 98 settings of a 20 x 15 stage at the program's defaults, normalised
// (hit level 10), in file order; index n-1 holds field n.
inline std::vector<Field> DefaultSettings() {
  const uint32_t all = 0;
  std::vector<Field> f = {
      {all, false, 20}, {all, false, 0}, {all, false, 0}, {all, false, 15},             // 1-4
      {all, false, 0}, {all, false, 0}, {all, false, 0}, {all, false, 0},               // 5-8
      {all, false, 0}, {all, false, 19}, {all, false, 0}, {all, false, 14},             // 9-12
      {all, false, 60}, {all, false, 0}, {all, false, 200}, {all, false, 20},           // 13-16
      {all, false, 0}, {all, false, 0}, {all, false, 0}, {all, false, 0},               // 17-20
      {all, true, 0.4}, {all, false, 10}, {all, false, 0}, {all, false, 0},             // 21-24
      {166, false, 0}, {199, false, 0}, {all, false, 1}, {all, false, 0},               // 25-28
      {all, false, 0}, {183, false, 1}, {184, false, 0}, {all, false, 0},               // 29-32
      {225, false, 1}, {all, false, 1}, {all, false, 1},                                // 33-35
      {200, false, 16}, {200, false, 24}, {200, false, 16}, {200, false, 16},           // 36-39
      {all, false, 16}, {all, false, 24}, {155, false, 16}, {155, false, 16},           // 40-43
      {all, false, 12}, {all, false, 8}, {all, false, 16}, {all, false, 16},            // 44-47
      {200, false, 1}, {200, false, 0}, {155, false, 1}, {155, false, 0},               // 48-51
      {200, false, 0}, {all, false, 0}, {all, false, 0}, {all, false, 0},               // 52-55
      {200, false, 0}, {all, false, 0}, {all, false, 0}, {all, false, 0},               // 56-59
      {200, false, 16}, {200, false, 24}, {200, false, 16}, {200, false, 16},           // 60-63
      {all, false, 12}, {all, false, 24}, {155, false, 12}, {155, false, 16},           // 64-67
      {all, false, 30}, {all, false, 30}, {200, false, 1}, {200, false, 0},             // 68-71
      {155, false, 1}, {155, false, 0}, {all, false, 28}, {all, false, 28},             // 72-75
      {all, false, 16}, {all, false, 16}, {all, false, 16}, {all, false, 16},           // 76-79
      {all, false, 16}, {all, false, 16}, {all, false, 16}, {all, false, 16},           // 80-83
      {all, false, 1}, {all, false, 640}, {all, false, 480},                            // 84-86
      {all, false, 10}, {all, true, 10.0}, {all, true, 100.0}, {all, true, 60.0},       // 87-90
      {all, true, 0.4 / 100.0}, {all, true, 6.0}, {all, false, 80},                     // 91-93
      {all, false, 1}, {all, false, 30}, {all, false, 0}, {all, false, 30}, {all, false, 0},  // 94-98
  };
  return f;
}

struct Quad {
  int32_t on[4];
  int32_t margin[4];
};

inline std::vector<Quad> DefaultQuads() {
  return {{{0, 0, 0, 0}, {0, 0, 0, 0}},
          {{0, 0, 0, 0}, {0, 0, 0, 0}},
          {{0, 0, 0, 0}, {0, 0, 0, 0}},
          {{1, 1, 1, 1}, {0, 0, 0, 0}},
          {{1, 1, 1, 1}, {10, 10, 10, 10}}};
}

struct Stage {
  uint32_t version = 778;
  std::vector<Field> settings = DefaultSettings();
  std::string name = "test";
  std::vector<int32_t> ranking = {1, 1, 1, 1, 1};
  std::vector<Quad> quads = DefaultQuads();
  std::vector<Block> paletteBlocks = {Block{}, Block{}};
  std::vector<Chara> paletteCharas = {Chara{}, Chara{}};
  std::vector<Item> paletteItems = {Item{}, Item{}};
  std::vector<Block> blocks;
  std::vector<Chara> charas;
  std::vector<Item> items;
  uint32_t placedWord = 0;  // the word before every placed entry
  int backgrounds = 1;      // each the default with its colour fill on
  std::vector<std::string> names;
  uint32_t marker = 0x075BCD15;

  void Set(int field, double value) { settings[size_t(field - 1)].value = value; }
};

// The fields a body of version v carries.
inline int FieldCount(const Stage& s) {
  int n = 0;
  for (const Field& f : s.settings) n += s.version >= f.from;
  return n;
}

inline ByteBuilder Build(const Stage& s) {
  const uint32_t v = s.version;
  ByteBuilder b;
  b.U32(v).I32(FieldCount(s));
  for (const Field& f : s.settings) {
    if (v < f.from) continue;
    if (f.isDouble)
      b.F64(f.value);
    else
      b.I32(int32_t(f.value));
  }
  b.I32(1).Str(s.name);
  b.U32(uint32_t(s.ranking.size()));
  for (int32_t r : s.ranking) b.I32(r);
  for (const Quad& q : s.quads) {
    if (v >= 125)
      b.I32(8).I32(q.on[0]).I32(q.on[1]).I32(q.on[2]).I32(q.on[3]);
    else
      b.I32(5).I32(q.on[0]);
    b.I32(q.margin[0]).I32(q.margin[1]).I32(q.margin[2]).I32(q.margin[3]).I32(0);
  }
  b.U32(uint32_t(s.paletteBlocks.size()));
  for (const Block& k : s.paletteBlocks) AppendBlock(b, k);
  b.U32(uint32_t(s.paletteCharas.size()));
  for (const Chara& c : s.paletteCharas) AppendChara(b, c, v);
  b.U32(uint32_t(s.paletteItems.size()));
  for (const Item& i : s.paletteItems) AppendItem(b, i);
  b.U32(uint32_t(s.blocks.size()));
  for (const Block& k : s.blocks) AppendBlock(b.U32(s.placedWord), k);
  b.U32(uint32_t(s.charas.size()));
  for (const Chara& c : s.charas) AppendChara(b.U32(s.placedWord), c, v);
  b.U32(uint32_t(s.items.size()));
  for (const Item& i : s.items) AppendItem(b.U32(s.placedWord), i);
  b.U32(uint32_t(s.backgrounds));
  for (int i = 0; i < s.backgrounds; ++i) {
    // shown, fill, colour, plane, factors, auto-scroll, offsets, picture
    if (v >= 62)
      b.I32(10).I32(1).I32(1).I32(16).I32(0).F64(0.1).F64(0.1).I32(0).I32(0).F64(0).F64(0);
    else
      b.I32(5).I32(1).I32(16).I32(0).I32(0).I32(0);
    b.I32(1).Str("");
  }
  b.U32(uint32_t(s.names.size()));
  for (const std::string& n : s.names) b.I32(0).I32(1).Str(n);
  if (v >= 173) b.U32(s.marker);
  return b;
}

// The minimal stage: one hero, one block, one background, the default
// palette lists.
inline Stage Minimal() {
  Stage s;
  Block floor;
  floor.x = 0;
  floor.y = 14;
  floor.graphic = 1;
  floor.hit = 1;
  s.blocks = {floor};
  s.charas = {Hero(1, 13)};
  return s;
}

// --- the common palette -------------------------------------------------------

struct Palette {
  std::vector<Block> blocks;
  std::vector<Chara> charas;
  std::vector<Item> items;
};

inline ByteBuilder Build(const Palette& p, uint32_t v = 778) {
  ByteBuilder b;
  b.U32(v).I32(0).I32(0);
  b.U32(uint32_t(p.blocks.size()));
  for (const Block& k : p.blocks) AppendBlock(b, k);
  b.U32(uint32_t(p.charas.size()));
  for (const Chara& c : p.charas) AppendChara(b, c, v);
  b.U32(uint32_t(p.items.size()));
  for (const Item& i : p.items) AppendItem(b, i);
  return b;
}

}  // namespace stagebytes
