// The run state of one flow of a chara (cFlowState) and of one command in it
// (cCmdState). The states are built, numbered and linked to their flows and
// commands by the chara that owns them (chara_flows.cpp).
#pragma once
#include <cstdint>
#include <list>
#include <vector>

#include "records/checked.h"

class cCharaBase;
class cFlow;
class cFlowCmd;
class cKeyTrigger;

// One animation a flow's commands play, by the sub-step it starts at.
struct ANIMESCHEDULE {
  int nStart = 0;           // sub-steps since the flow started
  int16_t sAnime = 0;       // Anime database entry
  int16_t sSkip = 0;        // frames left out at the beginning
  int16_t sLength = 0;      // frames
  int16_t sHoldFrames = 0;  // frames the held pose lasts through the command
  int bHold = 0;
};

// A parameter change recorded by the arrange command for the next command
// that starts.
struct ARRANGEENTRY {
  int nKind = 0;      // unified command kind the change is for
  int nParam = 0;     // descriptor index within that kind
  int nOp = 0;        // 0 set, 1 add, 2 subtract, 3 multiply, 4 divide, 5 remainder, 6 percent
  int nSource = 0;    // the operand: 0 common, 1 stage, 2 chara variable
  int nVarIndex = 0;  // of that variable
};

class cCmdState {
 public:
  cFlowCmd* m_pCmd = nullptr;
  int m_bDone = 0;
  int m_nDuration = 0;     // sub-steps
  int m_nFramesLeft = 0;   // sub-steps left; 0 = not started
  BYTE m_byDir = 0;        // direction code; circle moves: rotation sense
  int m_nTargetX = 0;
  int m_nTargetY = 0;
  double m_dSpeed = 0.0;   // pixels per sub-step
  int m_nAngle = 0;
  int m_nRadius = 0;       // circle radius, or homing slowness
  int m_nStartAngle = 0;
  int m_nArc = 0;
  std::vector<std::pair<int, int>> m_vecHomingPoint;
  double m_dVX = 0.0;
  double m_dVY = 0.0;
  int m_nFacingReq = 0;    // 0 none, 1 face left, 2 face right
  int m_nSubStep = 0;
  int m_bFirst = 0;
  double m_dAccX = 0.0;
  double m_dAccY = 0.0;
  double m_dSpeed2 = 0.0;  // second (maximum) speed, pixels per sub-step
  int m_nLastFacing = 0;

  // --- flow_runner.cpp ---
  // Prepares the command for a new run; applies and empties the current
  // flow's arrange list unless the command is an arrange itself.
  void Reset();
  // One sub-step of the command: 1 when it has finished.
  int Run();
};

class cFlowState {
 public:
  int m_nIndex = 0;
  int m_nId = 0;
  cFlow* m_pFlow = nullptr;
  BYTE m_bCondHeld = 0;
  std::vector<cKeyTrigger*> m_vecKeyTrigger;
  int m_bKeyMatched = 0;
  int m_bKeyHeld = 0;
  cCheckedVector<cCmdState> m_vecCmdState;
  std::vector<ANIMESCHEDULE> m_vecAnimeSchedule;
  int m_bRunning = 0;
  int m_bPaused = 0;
  int m_bHalted = 0;
  int m_bDeleteMark = 0;
  int m_nCurCmd = 0;
  int m_nSubStep = 0;
  int m_nInputDir = 0;
  int m_bTriggered = 0;
  int m_bStarted = 0;
  int m_bMessageWait = 0;
  int m_bInterrupted = 0;
  std::list<ARRANGEENTRY> m_lstArrange;

  // --- flow_runner.cpp ---
  void Start();
  // One sub-step of a running flow: 1 when it has finished.
  int Step();

  // Ends a running flow: the arrange list emptied, every command's frames
  // left 0, the flow's switch set on the chara. Nothing when not running.
  void Stop(cCharaBase* chara);
  void Pause() { m_bPaused = 1; }
  void Resume() { m_bPaused = 0; }
  // Halts the flow for good; a running one releases its switch as Stop does.
  void Halt(cCharaBase* chara);
};

// Distance, speed and time of a move command from its move settings: speed
// from time (speed mode 1) or time from speed (mode 2).
void ConvertMoveParams(cCmdState& state, const cFlowCmd& cmd, int cloneValue);
