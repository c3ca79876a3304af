// Run code: the one-line integer language of the run-code command, such as
//   C12 = C12 + rand(1, 6)        tg1.hp = tg1.hp - 10
// Brackets and calls are evaluated innermost first and replaced by their
// decimal value; the flat statement left is cut at spaces into tokens and
// reduced by precedence (* / %, then + -, then =).
#pragma once
#include <string>
#include <string_view>

class cCharaBase;

// Set by every evaluation error; RunCode clears it first.
extern int g_bCodeError;

// Texts of more characters, or brackets nested deeper, are refused whole.
inline constexpr size_t kMaxCodeLength = 5119;
inline constexpr int kMaxCodeNesting = 64;

// 1 when the text ran without an error. Assignments made before or after
// an error stay made. A change of the running chara's life or SP starts
// its gauge animation.
int RunCode(std::string_view text, cCharaBase* chara);
// Brackets and calls first, then the statement; errors inside a bracket
// count that bracket as 0 and the evaluation goes on around it.
int EvalReduceParens(std::string_view text, cCharaBase* chara);
int EvalStatement(std::string_view text, cCharaBase* chara);

// The length up to the first NUL, the string cut there.
int StrSyncLength(std::string& s);
// start below 0 shortens count by the excess; start past the end or count
// 0 gives ""; count -1 or past the end takes the rest.
std::string StrMid(std::string_view s, int start, int count);
