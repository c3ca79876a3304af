#include "flow/flow_words.h"

const CMDNAME g_CharaCmdName[kCharaCmdCount] = {
    {"", 0},
    {"ウエイト", 0},
    {"直線移動", 0},
    {"地上折り返し移動", 0},
    {"円移動", 0},
    {"突撃移動", 0},
    {"誘導移動", 0},
    {"画面外回避移動", 0},
    {"移動の無効化", 0},
    {"向き変更", 1},
    {"ジャンプ", 5},
    {"ショット", 0},
    {"ソード", 0},
    {"ブロック召喚", 0},
    {"キャラ召喚", 0},
    {"アイテム召喚", 0},
    {"フローの操作", 4},
    {"ステージクリア", 9},
    {"ゲームウエイト", 1},
    {"メッセージ", 18},
    {"ワープ", 0},
    {"ターゲットの設定", 16},
    {"ステータスの操作", 18},
    {"ステータスの操作2", 3},
    {"消滅", 3},
    {"アイテムの取得", 2},
    {"グラフィックの変更", 3},
    {"基本アニメセットの変更", 1},
    {"アニメの実行", 1},
    {"エフェクトの実行", 8},
    {"キャラエフェクトの実行", 3},
    {"画面エフェクトの実行", 3},
    {"ピクチャーの表示", 15},
    {"画面の色を変更", 8},
    {"背景の変更", 2},
    {"効果音の再生", 1},
    {"BGMの再生", 2},
    {"コードの実行", 0},
    {"アレンジ", 5},
    {"ループ", 2},
};

const CMDNAME g_ItemCmdName[kItemCmdCount] = {
    {"", 0},
    {"フローの変更", 2},
    {"ステージクリア", 9},
    {"ゲームウエイト", 1},
    {"メッセージ", 18},
    {"ワープ", 0},
    {"ターゲットの設定", 16},
    {"ステータスの操作", 18},
    {"ステータスの操作2", 3},
    {"消滅", 3},
    {"アイテムの取得", 2},
    {"グラフィックの変更", 3},
    {"基本アニメセットの変更", 1},
    {"アニメの実行", 1},
    {"エフェクトの実行", 8},
    {"キャラエフェクトの実行", 3},
    {"画面エフェクトの実行", 3},
    {"ピクチャーの表示", 15},
    {"画面の色を変更", 8},
    {"背景の変更", 2},
    {"効果音の再生", 1},
    {"BGMの再生", 2},
    {"コードの実行", 0},
    {"アレンジ", 5},
    {"ループ", 2},
};

const CMDNAME* FindCmdName(int category, int kind) {
  if (kind < 0) return nullptr;
  if (category == kCmdCategoryChara && kind < kCharaCmdCount) return &g_CharaCmdName[kind];
  if (category == kCmdCategoryItem && kind < kItemCmdCount) return &g_ItemCmdName[kind];
  return nullptr;
}

const char* const g_RunCodeFunctions[] = {"rand", ""};
const RUNCODEOPERATOR g_RunCodeOperators[] = {
    {"=", 2}, {"+", 1}, {"-", 1}, {"*", 0}, {"/", 0}, {"%", 0}, {"", 0},
};
const char* const g_RunCodeObjects[] = {"my", "tg", "tg1", "tg2", "tg3", "tg4", "pl", "sys", ""};
const char* const g_RunCodeVariables[] = {"C", "S", ""};
const char* const g_RunCodeMembers[] = {
    "v1", "v2",  "v3",  "v4",  "v5",  "v6",    "v7",    "v8",  "hp",  "sp",   "mhp", "msp",
    "cid", "z", "mark", "sight", "power", "imp", "def", "impd", "stop", "getsc", "",
};
const char* const g_RunCodeSystemValues[] = {"time", "scrlx", "scrly", "score", "life", ""};

int FindRunCodeWord(const char* const* table, std::string_view word) {
  for (int i = 0; table[i][0] != '\0'; ++i)
    if (word == table[i]) return i;
  return -1;
}

int FindRunCodeOperator(std::string_view word) {
  for (int i = 0; g_RunCodeOperators[i].m_szWord[0] != '\0'; ++i)
    if (word == g_RunCodeOperators[i].m_szWord) return i;
  return -1;
}
