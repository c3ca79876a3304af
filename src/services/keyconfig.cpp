#include "services/keyconfig.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/input.h"
#include "services/log.h"

KEYCONFIG g_KeyConfig{};

namespace {

int32_t GetLE32(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}
uint16_t GetLE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void PutLE32(uint8_t* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}
void PutLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

// A damaged file is still the player's own mapping: counts beyond what the
// polls serve are clamped, and an assignment on a device that cannot exist is
// reported and left for the polls to ignore (it never counts as pressed).
void Repair(const char* path, KEYCONFIG& c) {
  auto clamp = [path](int32_t& field, int offset, int32_t high) {
    int32_t v = field < 0 ? 0 : field > high ? high : field;
    if (v == field) return;
    WriteReport("%s の %d バイト目の値 %d は範囲外のため %d として読みます。", path, offset, field, v);
    field = v;
  };
  clamp(c.count, 96, KEYCONFIG_ASSIGNS);
  clamp(c.joysticks, 100, plat::kMaxJoysticks);
  for (int i = 0; i < KEYCONFIG_ASSIGNS; ++i) {
    int32_t d = c.assign[i].device;
    if (d != KEYCONFIG_DEVICE_KEYBOARD && (d < 0 || d >= c.joysticks))
      WriteReport("%s の %d バイト目の機器 %d はないため、この割り当ては使いません。", path, i * 8, d);
  }
}

constexpr size_t kUseFlagOffset = 104;

void Serialise(const KEYCONFIG& c, uint8_t* bytes) {
  for (int i = 0; i < KEYCONFIG_ASSIGNS; ++i) {
    uint8_t* p = bytes + i * 8;
    PutLE32(p, c.assign[i].device);
    PutLE16(p + 4, c.assign[i].code);
    PutLE16(p + 6, c.assign[i].reserved);
  }
  PutLE32(bytes + 96, c.count);
  PutLE32(bytes + 100, c.joysticks);
  PutLE32(bytes + kUseFlagOffset, c.use);
}

}  // namespace

int LoadKeyConfig(const char* path, KEYCONFIG* config) {
  std::vector<uint8_t> bytes;
  if (!plat::ReadWholeFile(path, bytes)) return 0;
  if (bytes.size() < kUseFlagOffset + 1) {
    WriteReport("%s の読み込みに失敗しました（%d バイト目でファイルが終わっています）。",
                path, static_cast<int>(bytes.size()));
    return 0;
  }
  // A file cut inside the use flag still says which mapping the player
  // chose: the bytes it has are read, the missing high bytes are those of
  // the default record (zero).
  uint8_t full[KEYCONFIG_FILE_SIZE];
  KEYCONFIG defaults{};
  SetDefaultKeyConfig(&defaults);
  Serialise(defaults, full);
  const size_t have = std::min(bytes.size(), sizeof full);
  std::memcpy(full, bytes.data(), have);
  if (have < sizeof full)
    WriteReport("%s は %d バイトしかありません。残りは既定値として読みます。", path, static_cast<int>(have));
  KEYCONFIG c;
  for (int i = 0; i < KEYCONFIG_ASSIGNS; ++i) {
    const uint8_t* p = full + i * 8;
    c.assign[i].device = GetLE32(p);
    c.assign[i].code = GetLE16(p + 4);
    c.assign[i].reserved = GetLE16(p + 6);
  }
  c.count = GetLE32(full + 96);
  c.joysticks = GetLE32(full + 100);
  c.use = GetLE32(full + kUseFlagOffset);
  Repair(path, c);
  *config = c;
  return 1;
}

int SaveKeyConfig(const char* path, const KEYCONFIG* config) {
  uint8_t bytes[KEYCONFIG_FILE_SIZE];
  Serialise(*config, bytes);
  return plat::WriteFileAtomic(path, bytes, sizeof bytes) ? 1 : 0;
}

void SetDefaultKeyConfig(KEYCONFIG* config) {
  static const uint16_t kCodes[KEYCONFIG_ASSIGNS] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, 'Z', 'X',
                                                     'C',     'V',      'A',   'S',     'D', 'F'};
  for (int i = 0; i < KEYCONFIG_ASSIGNS; ++i) {
    config->assign[i].device = KEYCONFIG_DEVICE_KEYBOARD;
    config->assign[i].code = kCodes[i];
  }
  config->count = KEYCONFIG_ASSIGNS;
  config->joysticks = 1;
  config->use = 0;
}
