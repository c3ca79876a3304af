#include "flow/cmd_param_table.h"

cCheckedVector<cCheckedVector<PARAMDESC>> g_CmdParamTable;

void PARAMDESC::Set(const char* name, int32_t min, int32_t max) {
  m_strName = name ? name : "";
  m_nMin = min;
  m_nMax = max;
}

namespace {

struct ParamRow {
  const char* name;
  int32_t min;
  int32_t max;
};

// Formation and trajectory parameters are stored wide here; the arrange
// command narrows them to the schema of the command's formation or
// trajectory kind.
constexpr int32_t kSchemaMax = 2147483647;

// Straight move (2) and charge move (5) share this list.
constexpr ParamRow kMoveTargetAngle[] = {
    {"目標X(bl)", -640, 640},
    {"目標X(dot)", -640, 640},
    {"目標Y(bl)", -640, 640},
    {"目標Y(dot)", -640, 640},
    {"角度", -7200, 7200},
    {"分身値による増加角度", -7200, 7200},
};

constexpr ParamRow kHomingMove[] = {
    {"誘導性能の悪さ", 0, 10},
    {"分身値による増加誘導性能の悪さ", 0, 10},
    {"目標X(bl)", -640, 640},
    {"目標X(dot)", -640, 640},
    {"目標Y(bl)", -640, 640},
    {"目標Y(dot)", -640, 640},
};

constexpr ParamRow kShot[] = {
    {"グラフィック", 1, 120},
    {"Z座標", 0, 7},
    {"フォーメーション固有1", 0, kSchemaMax},
    {"フォーメーション固有2", 0, kSchemaMax},
    {"フォーメーション固有3", 0, kSchemaMax},
    {"発射数", 1, 127},
    {"発射数に対する分身数", 0, 20},
    {"角度のズレ", -7200, 7200},
    {"分身値による角度のズレ", -7200, 7200},
    {"分散角度", 0, 180},
    {"発射位置のズレX(dot)", -640, 640},
    {"分身値による発射位置のズレX(dot)", -640, 640},
    {"発射位置のズレY(dot)", -640, 640},
    {"分身値による発射位置のズレY(dot)", -640, 640},
    {"勢力", 0, 7},
    {"移動タイプ固有1", 0, kSchemaMax},
    {"移動タイプ固有2", 0, kSchemaMax},
    {"移動タイプ固有3", 0, kSchemaMax},
    {"速度", -200, 200},
    {"分身値による増加速度", -200, 200},
    {"加速度", -200, 200},
    {"分身値による増加加速度", -200, 200},
    {"飛距離(hbl)", 0, 64},
    {"分身値による増加飛距離", -40, 40},
    {"存在時間(1/10s)", 1, 999},
    // Spelled without "に", as authors have always seen it.
    {"分身値よる増加存在時間", -99, 99},
    {"消滅値", 1, 9},
    {"威力", -999999, 999999},
    {"衝撃", -20, 20},
};

constexpr ParamRow kSword[] = {
    {"勢力", 0, 7},
    {"Z座標", 0, 7},
    {"威力", -999999, 999999},
    {"衝撃", -20, 20},
};

constexpr ParamRow kSummonBlock[] = {
    {"フォーメーション固有1", 0, kSchemaMax},
    {"フォーメーション固有2", 0, kSchemaMax},
    {"フォーメーション固有3", 0, kSchemaMax},
    {"数", 1, 127},
    {"召喚位置のズレX(dot)", -640, 640},
    {"召喚位置のズレY(dot)", -640, 640},
};

constexpr ParamRow kSummonChara[] = {
    {"存在時間(1/10s)", 1, 9999},
    {"勢力", 0, 7},
    {"フォーメーション固有1", 0, kSchemaMax},
    {"フォーメーション固有2", 0, kSchemaMax},
    {"フォーメーション固有3", 0, kSchemaMax},
    {"数", 1, 127},
    {"召喚位置のズレX(dot)", -640, 640},
    {"召喚位置のズレY(dot)", -640, 640},
};

constexpr ParamRow kSummonItem[] = {
    {"存在時間(1/10s)", 1, 9999},
    {"フォーメーション固有1", 0, kSchemaMax},
    {"フォーメーション固有2", 0, kSchemaMax},
    {"フォーメーション固有3", 0, kSchemaMax},
    {"数", 1, 127},
    {"召喚位置のズレX(dot)", -640, 640},
    {"召喚位置のズレY(dot)", -640, 640},
};

constexpr ParamRow kStageClear[] = {
    {"次のステージの番号", 1, 99},
    {"次のステージの初期位置X(bl)", 0, 999},
    {"次のステージの初期位置Y(bl)", 0, 999},
    {"クリア後のワールドマップの位置X", 0, 999},
    {"クリア後のワールドマップの位置Y", 0, 999},
};

constexpr ParamRow kMessage[] = {
    {"メッセージID", 0, 999},
    {"座標X(bl)", 0, 20},
    {"座標Y(bl)", 0, 15},
    {"表示位置のズレX(dot)", -999, 999},
    {"表示位置のズレY(dot)", -999, 999},
};

constexpr ParamRow kWarp[] = {
    {"距離(hbl)", 0, 64},
    {"分身値による増加距離(hbl)", -40, 40},
    {"目標X(bl)", -640, 640},
    {"目標Y(bl)", -640, 640},
    {"目標Xのズレ(dot)", -640, 640},
    {"目標Yのズレ(dot)", -640, 640},
};

constexpr ParamRow kSetTarget[] = {
    {"対象勢力", 0, 7},
    {"対象キャラID", 0, 99},
    {"キャラ変数と比較する数値", -999999, 999999},
};

constexpr ParamRow kStatusOp[] = {
    {"乱数の最小値", -999999, 999999},
    {"乱数の最大値", -999999, 999999},
};

constexpr ParamRow kVanish[] = {
    {"対象勢力", 0, 7},
};

constexpr ParamRow kChangeGraphic[] = {
    {"グラフィック", 1, 119},
    {"ズレ", -999, 999},
};

constexpr ParamRow kRunEffect[] = {
    {"座標X(bl)", 0, 511},
    {"座標Y(bl)", 0, 511},
    {"表示位置のズレX(dot)", -999, 999},
    {"表示位置のズレY(dot)", -999, 999},
    {"表示倍率(%)", 1, 1000},
};

constexpr ParamRow kShowPicture[] = {
    {"ピクチャーID", 0, 999},
    {"座標X(bl)", 0, 511},
    {"座標Y(bl)", 0, 511},
    {"表示位置のズレX(dot)", -999, 999},
    {"表示位置のズレY(dot)", -999, 999},
    {"表示倍率(%)", 1, 1000},
};

constexpr ParamRow kScreenColour[] = {
    {"R", 0, 255},
    {"G", 0, 255},
    {"B", 0, 255},
    {"%", 0, 100},
};

constexpr ParamRow kBackground[] = {
    {"背景番号", 1, 8},
};

struct KindRows {
  int kind;
  const ParamRow* rows;
  int count;
};

template <size_t N>
constexpr KindRows Rows(int kind, const ParamRow (&rows)[N]) {
  return {kind, rows, static_cast<int>(N)};
}

// Kinds not named here have no changeable parameters.
constexpr KindRows kKinds[] = {
    Rows(2, kMoveTargetAngle), Rows(5, kMoveTargetAngle), Rows(6, kHomingMove),
    Rows(11, kShot),           Rows(12, kSword),          Rows(13, kSummonBlock),
    Rows(14, kSummonChara),    Rows(15, kSummonItem),     Rows(17, kStageClear),
    Rows(19, kMessage),        Rows(20, kWarp),           Rows(21, kSetTarget),
    Rows(22, kStatusOp),       Rows(24, kVanish),         Rows(26, kChangeGraphic),
    Rows(29, kRunEffect),      Rows(32, kShowPicture),    Rows(33, kScreenColour),
    Rows(34, kBackground),
};

}  // namespace

void InitCmdParamTable() {
  g_CmdParamTable.resize(kCmdParamKindCount);
  // Kinds without parameters are emptied too, so a second call always gives
  // the same table.
  for (auto& list : g_CmdParamTable) list.clear();
  for (const KindRows& k : kKinds) {
    cCheckedVector<PARAMDESC>& list = g_CmdParamTable.At(k.kind);
    list.resize(static_cast<size_t>(k.count));
    for (int i = 0; i < k.count; ++i) list.At(i).Set(k.rows[i].name, k.rows[i].min, k.rows[i].max);
  }
}
