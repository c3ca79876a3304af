// The fire patterns of the shot command and the three summon commands: one
// of six formations lays the objects out beside the shooter, across the
// screen edge or around a chara, and each placed object becomes a shot or a
// summoned chara, item or block. A launch record (SHOTLAUNCH) carries the
// speed, angle, size and placement from the entry to the formation and on to
// the object.
//
// Directions are the move-direction numbers (2 left, 3 right, 6 up, 7 down,
// 8..11 the diagonals); an angle of 0 degrees points left and angles grow
// toward up, so a speed v at angle a is the velocity (-v cos a, -v sin a).
#pragma once

class cCharaBase;
class cCmdState;
class cEdShot;
class cGameScene;
struct SHOTLAUNCH;

inline constexpr int kFormationStraightA = 0;  // a row across the firing line
inline constexpr int kFormationStraightB = 1;  // a column on the foot line
inline constexpr int kFormationFan = 2;
inline constexpr int kFormationLightning = 3;  // columns entering from the screen edge
inline constexpr int kFormationBurst = 4;      // a ring flying out
inline constexpr int kFormationSurround = 5;   // a ring closing in

// The shot command: every clone of the formation, shots going into the
// scene's shot lists.
void FireShotPattern(cGameScene& scene, cCharaBase* shooter, cCmdState* state, const cEdShot& settings);
// The summon commands: one formation of the template chosen by the settings;
// a template outside its palette list, or a chara template that is not
// computer-operated, summons nothing.
void FireCharaPattern(cCharaBase* caller, cCmdState* state, const cEdShot& settings);
void FireItemPattern(cCharaBase* caller, cCmdState* state, const cEdShot& settings);
void FireBlockPattern(cCharaBase* caller, cCmdState* state, const cEdShot& settings);

// One formation call; `shots` is null for the summons. A formation number
// outside the table fires nothing.
using FORMATIONFN = void (*)(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings,
                             SHOTLAUNCH& launch);
void FireStraightA(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings,
                   SHOTLAUNCH& launch);
void FireStraightB(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings,
                   SHOTLAUNCH& launch);
void FireFan(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings, SHOTLAUNCH& launch);
void FireLightning(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings,
                   SHOTLAUNCH& launch);
void FireBurst(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings, SHOTLAUNCH& launch);
void FireSurround(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings,
                  SHOTLAUNCH& launch);
void RunFormation(cGameScene* shots, cCharaBase* shooter, cCmdState* state, const cEdShot& settings,
                  SHOTLAUNCH& launch);

// The direction number the settings fire in for this shooter.
int GetPatternDirection(const cCharaBase& shooter, const cEdShot& settings);
// The angle of a direction number; numbers without one give 0.
int GetDirectionAngle(int dir);
// The angle from world pixel (x, y) toward the image centre of the chara in
// the shooter's aim slot; with none, the shooter's facing. While the aimed
// chara rides an automatic scroll the aim allows for the scroll and the
// launch speed becomes the speed of that course.
int GetAimAngle(int x, int y, cCharaBase* shooter, const cEdShot& settings, SHOTLAUNCH& launch);
// Creates one object at the launch position by the running command's kind:
// a shot (11; only with `shots`), a block (13), a chara (14) or an item (15).
void SpawnPatternObject(cGameScene* shots, const SHOTLAUNCH& launch, cCharaBase* shooter, cCmdState* state,
                        const cEdShot& settings);
