// The flow vocabulary the player reads while it runs: the command names with
// their parameter counts, and the words of the run-code language.
#pragma once
#include <string_view>

// A command kind's name and the number of int parameters it carries.
struct CMDNAME {
  const char* m_szName;
  int m_nParamCount;
};

inline constexpr int kCharaCmdCount = 40;
inline constexpr int kItemCmdCount = 25;
inline constexpr int kCmdCategoryChara = 0;
inline constexpr int kCmdCategoryItem = 1;
// Item kind k and chara kind k + 15 are the same command (k >= 2).
inline constexpr int kItemKindOffset = 15;

extern const CMDNAME g_CharaCmdName[kCharaCmdCount];
extern const CMDNAME g_ItemCmdName[kItemCmdCount];

// The entry of a command kind, or null for a category or kind outside the tables.
const CMDNAME* FindCmdName(int category, int kind);

// Run-code words. Each table ends with an empty entry, where a search stops.
struct RUNCODEOPERATOR {
  const char* m_szWord;
  int m_nPrecedence;  // 0 is reduced first
};
extern const char* const g_RunCodeFunctions[];
extern const RUNCODEOPERATOR g_RunCodeOperators[];
extern const char* const g_RunCodeObjects[];
extern const char* const g_RunCodeVariables[];
extern const char* const g_RunCodeMembers[];
extern const char* const g_RunCodeSystemValues[];

// Index of `word` in a word table, or -1 when the search reaches the end entry.
int FindRunCodeWord(const char* const* table, std::string_view word);
int FindRunCodeOperator(std::string_view word);
