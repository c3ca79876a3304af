#include "platform/input.h"

#include <array>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace plat {
namespace {

std::array<std::atomic<uint8_t>, 256> g_keys{};

struct AtomicJoy {
  std::atomic<bool> present{false};
  std::atomic<uint32_t> x{32768}, y{32768}, buttons{0};
};
std::array<AtomicJoy, kMaxJoysticks> g_joys;

struct ScriptLine {
  uint64_t first = 0, last = 0;
  std::vector<int> keys;
  std::vector<std::pair<int, JoyState>> joys;
};
std::mutex g_scriptLock;
std::vector<ScriptLine> g_script;
std::atomic<bool> g_hasScript{false};

struct KeyName {
  const char* name;
  int vk;
};
constexpr KeyName kNames[] = {
    {"LEFT", VK_LEFT},       {"RIGHT", VK_RIGHT},   {"UP", VK_UP},         {"DOWN", VK_DOWN},
    {"ESC", VK_ESCAPE},      {"ESCAPE", VK_ESCAPE}, {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN},
    {"SPACE", VK_SPACE},     {"SHIFT", VK_SHIFT},   {"CTRL", VK_CONTROL},  {"CONTROL", VK_CONTROL},
    {"ALT", VK_MENU},        {"TAB", VK_TAB},       {"BACK", VK_BACK},     {"BACKSPACE", VK_BACK},
    {"PAUSE", VK_PAUSE},     {"INSERT", VK_INSERT}, {"DELETE", VK_DELETE}, {"HOME", VK_HOME},
    {"END", VK_END},         {"PAGEUP", VK_PRIOR},  {"PAGEDOWN", VK_NEXT},
};

}  // namespace

uint8_t GetKeyState(int vk) { return (vk >= 0 && vk < 256) ? g_keys[static_cast<size_t>(vk)].load() : 0; }
bool IsKeyDown(int vk) { return (GetKeyState(vk) & 0x80) != 0; }
void SetKeyDown(int vk, bool down) {
  if (vk >= 0 && vk < 256) g_keys[static_cast<size_t>(vk)] = down ? 0x80 : 0;
}
void ClearKeys() {
  for (auto& k : g_keys) k = 0;
}

bool GetJoyState(int index, JoyState* out) {
  if (index < 0 || index >= kMaxJoysticks) return false;
  const AtomicJoy& j = g_joys[static_cast<size_t>(index)];
  out->present = j.present.load();
  out->x = j.x.load();
  out->y = j.y.load();
  out->buttons = j.buttons.load();
  return out->present;
}

void SetJoyState(int index, const JoyState& s) {
  if (index < 0 || index >= kMaxJoysticks) return;
  AtomicJoy& j = g_joys[static_cast<size_t>(index)];
  j.x = s.x;
  j.y = s.y;
  j.buttons = s.buttons;
  j.present = s.present;
}

int JoystickCount() {
  int n = 0;
  for (auto& j : g_joys) n += j.present.load() ? 1 : 0;
  return n;
}

int VirtualKeyFromName(const std::string& raw) {
  std::string name;
  for (char c : raw) name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name.size() == 1 && (std::isupper(static_cast<unsigned char>(name[0])) || std::isdigit(static_cast<unsigned char>(name[0]))))
    return name[0];
  if (name.size() >= 2 && name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1]))) {
    int n = std::atoi(name.c_str() + 1);
    if (n >= 1 && n <= 12 && name.find_first_not_of("0123456789", 1) == std::string::npos) return VK_F1 + n - 1;
  }
  if (name.rfind("NUM", 0) == 0 && name.size() == 4 && std::isdigit(static_cast<unsigned char>(name[3])))
    return VK_NUMPAD0 + (name[3] - '0');
  for (const KeyName& k : kNames)
    if (name == k.name) return k.vk;
  return -1;
}

namespace {
bool ParseUnsigned(const std::string& s, uint64_t* out) {
  if (s.empty()) return false;
  char* end = nullptr;
  unsigned long long v = std::strtoull(s.c_str(), &end, 0);
  if (*end != '\0') return false;
  *out = v;
  return true;
}
}  // namespace

bool LoadInputScript(const std::string& osPath, std::string* error) {
  std::ifstream in(osPath);
  if (!in) {
    if (error) *error = "cannot open input script " + osPath;
    return false;
  }
  std::vector<ScriptLine> lines;
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string range;
    if (!(words >> range)) continue;
    auto fail = [&](const std::string& why) {
      if (error) *error = osPath + ":" + std::to_string(lineNo) + ": " + why;
      return false;
    };
    ScriptLine sl;
    auto dash = range.find('-');
    if (!ParseUnsigned(range.substr(0, dash), &sl.first)) return fail("bad frame number '" + range + "'");
    sl.last = sl.first;
    if (dash != std::string::npos && !ParseUnsigned(range.substr(dash + 1), &sl.last))
      return fail("bad frame range '" + range + "'");
    if (sl.first == 0 || sl.last < sl.first) return fail("frames count from 1: '" + range + "'");
    std::string tok;
    while (words >> tok) {
      std::string upper;
      for (char c : tok) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (upper.rfind("VK=", 0) == 0) {
        uint64_t vk = 0;
        if (!ParseUnsigned(tok.substr(3), &vk) || vk > 255) return fail("bad key code '" + tok + "'");
        sl.keys.push_back(static_cast<int>(vk));
      } else if (upper.rfind("JOY", 0) == 0 && upper.find('=') != std::string::npos) {
        auto eq = upper.find('=');
        uint64_t index = 0;
        if (eq > 3 && !ParseUnsigned(upper.substr(3, eq - 3), &index)) return fail("bad joystick '" + tok + "'");
        if (index >= static_cast<uint64_t>(kMaxJoysticks)) return fail("joystick index out of range '" + tok + "'");
        std::istringstream parts(upper.substr(eq + 1));
        std::string px, py, pb;
        uint64_t x = 0, y = 0, b = 0;
        if (!std::getline(parts, px, ',') || !std::getline(parts, py, ',') || !std::getline(parts, pb) ||
            !ParseUnsigned(px, &x) || !ParseUnsigned(py, &y) || !ParseUnsigned(pb, &b) || x > 65535 || y > 65535 ||
            b > 0xFFFFFFFFull)
          return fail("joystick state must be X,Y,BUTTONS: '" + tok + "'");
        JoyState js;
        js.present = true;
        js.x = static_cast<uint32_t>(x);
        js.y = static_cast<uint32_t>(y);
        js.buttons = static_cast<uint32_t>(b);
        sl.joys.emplace_back(static_cast<int>(index), js);
      } else {
        int vk = VirtualKeyFromName(tok);
        if (vk < 0) return fail("unknown key '" + tok + "'");
        sl.keys.push_back(vk);
      }
    }
    lines.push_back(std::move(sl));
  }
  std::lock_guard<std::mutex> g(g_scriptLock);
  g_script = std::move(lines);
  g_hasScript = true;
  return true;
}

bool HasInputScript() { return g_hasScript.load(); }

void ApplyInputScript(uint64_t frame) {
  if (!g_hasScript.load()) return;
  std::array<bool, 256> down{};
  std::array<JoyState, kMaxJoysticks> joys{};
  std::array<bool, kMaxJoysticks> joySet{};
  {
    std::lock_guard<std::mutex> g(g_scriptLock);
    for (const ScriptLine& sl : g_script) {
      if (frame < sl.first || frame > sl.last) continue;
      for (int vk : sl.keys) down[static_cast<size_t>(vk)] = true;
      for (const auto& [i, js] : sl.joys) {
        joys[static_cast<size_t>(i)] = js;
        joySet[static_cast<size_t>(i)] = true;
      }
    }
  }
  // The generic modifiers follow their left and right keys.
  if (down[VK_LSHIFT] || down[VK_RSHIFT]) down[VK_SHIFT] = true;
  if (down[VK_LCONTROL] || down[VK_RCONTROL]) down[VK_CONTROL] = true;
  for (int vk = 0; vk < 256; ++vk) SetKeyDown(vk, down[static_cast<size_t>(vk)]);
  for (int i = 0; i < kMaxJoysticks; ++i) {
    JoyState js;
    if (joySet[static_cast<size_t>(i)]) js = joys[static_cast<size_t>(i)];
    else if (!GetJoyState(i, &js)) continue;
    else js = JoyState{true};
    SetJoyState(i, js);
  }
}

}  // namespace plat
