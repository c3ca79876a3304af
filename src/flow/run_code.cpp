#include "flow/run_code.h"

#include <climits>
#include <cstdint>
#include <vector>

#include "flow/flow_words.h"
#include "flow/status_values.h"
#include "objects/chara_base.h"
#include "objects/hero.h"
#include "services/log.h"
#include "services/strings.h"
#include "stage/game_scene.h"

int g_bCodeError = 0;

namespace {

// Object table entries.
enum : int { kObjMy = 0, kObjTg = 1, kObjTg1 = 2, kObjTg4 = 5, kObjPl = 6, kObjSys = 7 };
// Member table: v1..v8 come first, then the status fields from life on.
constexpr int kMemberVars = 8;
constexpr int kOperatorAssign = 0;

// Error boxes quote the code; the box text stays within 1,024 bytes.
constexpr size_t kQuoteLimit = 960;

std::string QuoteCut(std::string_view text) {
  if (text.size() <= kQuoteLimit) return std::string(text);
  size_t i = 0;
  while (i < text.size()) {
    const size_t step = (i + 1 < text.size() && IsSJISChar(text.data() + i)) ? 2 : 1;
    if (i + step > kQuoteLimit) break;
    i += step;
  }
  return std::string(text.substr(0, i)) + "...";
}

void CodeError(const char* text) {
  g_bCodeError = 1;
  ErrorBox(text);
}

struct ITEM {
  enum Kind { kOperator, kConstant, kVariable, kMember, kSystem } kind = kConstant;
  int op = 0;       // operator table index
  int value = 0;    // the value, read when the token was read
  int* var = nullptr;             // kVariable: the variable itself
  cCharaBase* chara = nullptr;    // kMember
  int field = 0;                  // kMember: status field; kSystem: which value
  int varIndex = 0;               // kMember of field 0: chara variable 1..8
};

// The leading decimal integer of s with an optional sign; 0 without digits.
// Values past the int range stop at its ends.
int LeadingInt(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > 1LL << 32) v = 1LL << 32;
  }
  return ClampValue(negative ? -v : v, INT_MIN, INT_MAX);
}

int Saturate(long long v) { return ClampValue(v, INT_MIN, INT_MAX); }

// The chara an object names, or null for an empty slot (which fails the
// statement); "my" is the running chara and "sys" names none.
cCharaBase* ResolveObject(int object, cCharaBase* self, bool& empty) {
  empty = false;
  cCharaBase* c = nullptr;
  if (object == kObjMy) {
    return self;
  } else if (object >= kObjTg && object <= kObjTg4) {
    const int slot = object == kObjTg ? 1 : object - kObjTg1 + 1;
    if (self && static_cast<size_t>(slot) <= self->m_vecLink.size()) c = self->m_vecLink[static_cast<size_t>(slot - 1)];
  } else if (object == kObjPl) {
    if (!Player.empty()) c = &Player[0];
  } else {
    return nullptr;  // sys
  }
  empty = c == nullptr;
  return c;
}

VALUERANGE MemberRange(const ITEM& it) {
  const cCharaData& d = it.chara->m_Data;
  switch (it.field) {
    case kStatusLife: return {0, std::max(0, d.m_nMaxHp), 32};
    case kStatusSP: return {0, std::max(0, d.m_nMaxSp), 32};
    case kStatusMaxLife:
    case kStatusMaxSP: return {1, kValueLimit, 32};
    default: return StatusRange(it.field);
  }
}

int Assign(const ITEM& left, int value, cCharaBase* self) {
  switch (left.kind) {
    case ITEM::kVariable:
      *left.var = ClampValue(value, -kValueLimit, kValueLimit);
      return *left.var;
    case ITEM::kSystem: {
      const VALUERANGE r = SystemRange(left.field);
      StoreSystemValue(left.field, ClampValue(value, r.lo, r.hi));
      return ReadSystemValue(left.field);
    }
    case ITEM::kMember: {
      cCharaBase& c = *left.chara;
      const VALUERANGE r = MemberRange(left);
      StoreStatus(c, left.field, left.varIndex, ClampValue(value, r.lo, r.hi));
      const int stored = ReadStatus(c, left.field, left.varIndex);
      switch (left.field) {
        case kStatusLife:
          if (&c != self && c.m_nLife < 1 && g_pGameScene) g_pGameScene->m_bHeroDeathCheck = 1;
          break;
        case kStatusMaxLife: c.m_nLife = ClampValue(c.m_nLife, 1, stored); break;
        case kStatusMaxSP: c.m_nSP = ClampValue(c.m_nSP, 1, stored); break;
        case kStatusSight:
          if (c.m_nTeam == 0) {
            c.m_nSightRadius = stored * 16;
            CreateSightMask(g_pGameScene);
          }
          break;
        default: break;
      }
      return stored;
    }
    default: return 0;
  }
}

int FindMatchingParen(const std::string& w, size_t open) {
  int depth = 0;
  for (size_t i = open + 1; i < w.size(); ++i) {
    if (w[i] == '(') ++depth;
    else if (w[i] == ')' && depth-- == 0) return static_cast<int>(i);
  }
  return -1;
}

std::string Splice(const std::string& w, size_t from, int value, size_t after) {
  return w.substr(0, from) + std::to_string(value) + w.substr(after);
}

int ReduceParens(std::string_view text, cCharaBase* chara, int depth);

// A call's arguments from just after its "(": each non-empty one evaluated.
// Returns the index of the call's ")" or -1 when the text ends first.
int GatherArguments(const std::string& w, size_t from, cCharaBase* chara, int depth, std::vector<int>& args) {
  std::string arg;
  int nest = 0;
  for (size_t i = from; i < w.size(); ++i) {
    const char ch = w[i];
    if (nest == 0 && (ch == ',' || ch == ')')) {
      if (!arg.empty()) args.push_back(ReduceParens(arg, chara, depth + 1));
      arg.clear();
      if (ch == ')') return static_cast<int>(i);
      continue;
    }
    if (ch == '(') ++nest;
    else if (ch == ')') --nest;
    arg += ch;
  }
  return -1;
}

int ReduceParens(std::string_view text, cCharaBase* chara, int depth) {
  if (depth > kMaxCodeNesting) {
    g_bCodeError = 1;
    WriteReport("括弧の入れ子が深すぎます！(最大%d段)", kMaxCodeNesting);
    return 0;
  }
  std::string w(text);
  size_t t = 0;
  size_t e = 0;
  while (e < w.size()) {
    const char ch = w[e];
    if (ch == ' ') {
      t = e + 1;
    } else if (ch == '(') {
      const int close = FindMatchingParen(w, e);
      if (close < 0) {
        CodeError("\")\"が見つかりません！");
        return 0;
      }
      if (e == t) {
        const int v = ReduceParens(std::string_view(w).substr(e + 1, static_cast<size_t>(close) - e - 1), chara, depth + 1);
        w = Splice(w, t, v, static_cast<size_t>(close) + 1);
        e = t;
        continue;
      }
      const std::string name = w.substr(t, e - t);
      if (FindRunCodeWord(g_RunCodeFunctions, name) >= 0) {
        std::vector<int> args;
        const int end = GatherArguments(w, e + 1, chara, depth, args);
        if (end < 0) {
          CodeError(Format("関数 %s で\")\"が見つかりません！", name.c_str()).c_str());
          return 0;
        }
        // "rand" is the only function.
        if (args.size() != 2) {
          CodeError(Format("関数 %s の引数が不正です！", name.c_str()).c_str());
          return 0;
        }
        const int v = GetRandom(args[0], args[1]);
        w = Splice(w, t, v, static_cast<size_t>(end) + 1);
        e = t;
        continue;
      }
    }
    ++e;
  }
  return EvalStatement(w, chara);
}

int MaxNesting(std::string_view text) {
  int depth = 0, most = 0;
  for (char ch : text) {
    if (ch == '(') most = std::max(most, ++depth);
    else if (ch == ')' && depth > 0) --depth;
  }
  return most;
}

}  // namespace

int EvalReduceParens(std::string_view text, cCharaBase* chara) { return ReduceParens(text, chara, 0); }

int EvalStatement(std::string_view text, cCharaBase* chara) {
  std::vector<ITEM> items;
  std::string token;
  int object = kObjMy;
  bool readSincePrefix = false;
  // The scan includes the end of the text, which ends the last token.
  for (size_t i = 0; i <= text.size(); ++i) {
    const char ch = i < text.size() ? text[i] : '\0';
    if (ch == '.') {
      const int found = FindRunCodeWord(g_RunCodeObjects, token);
      if (found >= 0) {
        object = found;
      } else if (!readSincePrefix) {
        CodeError(Format("オブジェクト \"%s.\" が認識できません！", QuoteCut(token).c_str()).c_str());
        return 0;
      }
      readSincePrefix = false;
      token.clear();
      continue;
    }
    if (ch != ' ' && ch != '\0') {
      token += ch;
      continue;
    }
    if (token.empty()) continue;
    readSincePrefix = true;
    ITEM it;
    const int op = FindRunCodeOperator(token);
    if (op >= 0) {
      it.kind = ITEM::kOperator;
      it.op = op;
    } else {
      bool empty = false;
      cCharaBase* target = ResolveObject(object, chara, empty);
      if (empty) {
        g_bCodeError = 1;  // an empty slot fails quietly
        return 0;
      }
      const int member = FindRunCodeWord(g_RunCodeMembers, token);
      const int system = FindRunCodeWord(g_RunCodeSystemValues, token);
      const std::string_view first(token.data(), 1);
      const int variable = FindRunCodeWord(g_RunCodeVariables, first);
      if (variable >= 0) {
        it.kind = ITEM::kVariable;
        it.var = &VariableRef(variable, LeadingInt(std::string_view(token).substr(1)));
        it.value = *it.var;
      } else if (member >= 0) {
        // "sys" names no chara: like an empty slot, the statement fails.
        if (!target) {
          g_bCodeError = 1;
          return 0;
        }
        it.kind = ITEM::kMember;
        it.chara = target;
        it.field = member < kMemberVars ? kStatusVar : member - kMemberVars + 1;
        it.varIndex = member < kMemberVars ? member + 1 : 0;
        it.value = ReadStatus(*target, it.field, it.varIndex);
      } else if (system >= 0) {
        it.kind = ITEM::kSystem;
        it.field = system;
        it.value = ReadSystemValue(system);
      } else {
        it.kind = ITEM::kConstant;
        it.value = LeadingInt(token);
      }
    }
    items.push_back(it);
    token.clear();
    object = kObjMy;
  }

  int result = 0;
  bool reduced = false;
  for (int level = 0; level <= 2; ++level) {
    for (;;) {
      size_t i = 0;
      while (i < items.size() &&
             !(items[i].kind == ITEM::kOperator && g_RunCodeOperators[items[i].op].m_nPrecedence == level))
        ++i;
      if (i == items.size()) break;
      if (i == 0 || i + 1 >= items.size() || items[i - 1].kind == ITEM::kOperator ||
          items[i + 1].kind == ITEM::kOperator) {
        CodeError(Format("演算子の前後に値がありません！(%s)", QuoteCut(text).c_str()).c_str());
        return 0;
      }
      const ITEM& l = items[i - 1];
      const long long a = l.value;
      const long long b = items[i + 1].value;
      const std::string_view word = g_RunCodeOperators[items[i].op].m_szWord;
      long long v = 0;
      if (items[i].op == kOperatorAssign) {
        if (l.kind == ITEM::kConstant) {
          CodeError("代入先が不正です！");
          return 0;
        }
        v = Assign(l, static_cast<int>(b), chara);
      } else if (word == "+") {
        v = static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
      } else if (word == "-") {
        v = static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
      } else if (word == "*") {
        v = static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
      } else {
        if (b == 0) {
          CodeError(Format("0除算が行われました！(%s)", QuoteCut(text).c_str()).c_str());
          return 0;
        }
        // INT_MIN / -1 stays INT_MIN, with remainder 0.
        if (a == INT_MIN && b == -1) v = word == "/" ? INT_MIN : 0;
        else v = word == "/" ? a / b : a % b;
      }
      ITEM folded;
      folded.value = Saturate(v);
      items[i - 1] = folded;
      items.erase(items.begin() + static_cast<long>(i), items.begin() + static_cast<long>(i) + 2);
      result = folded.value;
      reduced = true;
    }
  }
  if (reduced) return result;
  for (size_t i = items.size(); i-- > 0;)
    if (items[i].kind != ITEM::kOperator) return items[i].value;
  return 0;
}

int RunCode(std::string_view text, cCharaBase* chara) {
  g_bCodeError = 0;
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  if (text.size() > kMaxCodeLength) {
    g_bCodeError = 1;
    WriteReport("コードが長すぎます！(%zuバイト、最大%zuバイト)", text.size(), kMaxCodeLength);
    return 0;
  }
  if (MaxNesting(text) > kMaxCodeNesting) {
    g_bCodeError = 1;
    WriteReport("括弧の入れ子が深すぎます！(最大%d段)", kMaxCodeNesting);
    return 0;
  }
  const int oldLife = chara ? chara->m_nLife : 0;
  const int oldSP = chara ? chara->m_nSP : 0;
  EvalReduceParens(text, chara);
  if (g_bCodeError) return 0;
  if (chara) {
    if (chara->m_nLife != oldLife) chara->StartLifeGaugeAnim(chara->m_nLife - oldLife);
    if (chara->m_nSP != oldSP) chara->StartGauge2Anim(chara->m_nSP - oldSP);
  }
  return 1;
}

int StrSyncLength(std::string& s) {
  const size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return static_cast<int>(s.size());
}

std::string StrMid(std::string_view s, int start, int count) {
  if (start < 0) {
    if (count != -1) {
      count += start;
      if (count <= 0) return {};
    }
    start = 0;
  }
  if (count == 0 || static_cast<size_t>(start) >= s.size()) return {};
  if (count < 0 || static_cast<size_t>(start) + static_cast<size_t>(count) > s.size()) return std::string(s.substr(static_cast<size_t>(start)));
  return std::string(s.substr(static_cast<size_t>(start), static_cast<size_t>(count)));
}
