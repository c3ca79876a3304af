#include "app/player.h"

#include <algorithm>
#include <cstdio>

#include "app/editor_link.h"
#include "services/game_threads.h"
#include "app/init_game.h"
#include "app/main_window.h"
#include "app/options.h"
#include "app/single_instance.h"
#include "platform/answers.h"
#include "platform/audio.h"
#include "platform/input.h"
#include "platform/midi_device.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/signals.h"
#include "platform/text.h"
#include "platform/video.h"
#include "stage/state_log.h"
#include "services/file_chooser_ui.h"
#include "services/gui_msgbox.h"
#include "services/log.h"
#include "services/strings.h"


namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
// The window's style: a popup with a dialog frame and the minimise and
// maximise boxes.
constexpr uint32_t kMainWindowStyle = 0x80CB0000u;
// Show commands: a normal start, and the editor's test play.
constexpr int kShowNormal = 1;
constexpr int kShowTestPlay = 5;

void CenterOnDesktop(HWND hwnd) {
  int w = 0, h = 0;
  plat::GetDesktopSize(&w, &h);
  plat::SetWindowPos(hwnd, std::max(0, (w - kScreenW) / 2), std::max(0, (h - kScreenH) / 2));
}

bool ApplyCaptureOptions(const CommandLine& cl) {
  std::string error;
  if (!cl.inputScript.empty() && !plat::LoadInputScript(cl.inputScript, &error)) {
    std::fprintf(stderr, "tarvamo4: %s\n", error.c_str());
    return false;
  }
  if (!cl.answers.empty() && !plat::LoadAnswers(cl.answers, &error)) {
    std::fprintf(stderr, "tarvamo4: %s\n", error.c_str());
    return false;
  }
  if (!cl.frameHashes.empty() && !plat::SetFrameHashFile(cl.frameHashes)) {
    std::fprintf(stderr, "tarvamo4: cannot write frame hashes to %s\n", cl.frameHashes.c_str());
    return false;
  }
  if (!cl.stateLog.empty()) {
    if (!OpenStateLog(cl.stateLog)) {
      std::fprintf(stderr, "tarvamo4: cannot write the state log to %s\n", cl.stateLog.c_str());
      return false;
    }
    plat::SetFramePresentedHook(WriteStateLog);
  }
  if (!cl.audioOut.empty() && !plat::SetAudioCaptureFile(cl.audioOut)) {
    std::fprintf(stderr, "tarvamo4: cannot write the sound dump %s\n", cl.audioOut.c_str());
    return false;
  }
  if (!cl.soundFont.empty()) plat::SetMidiSoundFont(cl.soundFont);
  for (const auto& [n, path] : cl.screenshots) plat::AddScreenshot(n, path);
  if (cl.frames) plat::SetFrameLimit(cl.frames);
  return true;
}

// Paths given on the command line are the operating system's; make them
// absolute before the player moves into the project folder.
std::string Absolute(const std::string& osPath) {
  if (osPath.empty() || osPath[0] == '/') return osPath;
  return plat::ResolvePath(plat::GetCurrentDirectory()) + "/" + osPath;
}

}  // namespace

int RunPlayer(int argc, char** argv) {
  CommandLine cl;
  std::string error;
  if (!ParseCommandLine(argc, argv, &cl, &error)) {
    std::fprintf(stderr, "tarvamo4: %s\n\n%s", error.c_str(), UsageText());
    return 2;
  }
  if (cl.help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  cl.inputScript = Absolute(cl.inputScript);
  cl.answers = Absolute(cl.answers);
  cl.frameHashes = Absolute(cl.frameHashes);
  cl.stateLog = Absolute(cl.stateLog);
  cl.audioOut = Absolute(cl.audioOut);
  cl.soundFont = Absolute(cl.soundFont);
  cl.editorSocket = Absolute(cl.editorSocket);
  for (auto& shot : cl.screenshots) shot.second = Absolute(shot.second);
  // Entering the project folder below must not change which stage file a
  // relative path names.
  if (!cl.project.empty()) cl.stageFile = Absolute(cl.stageFile);

  plat::RegisterMainThread();
  plat::SetHeadless(cl.headless);
  // From the first question on (the single-instance one comes before the
  // game window), boxes are drawn with our own fonts.
  InstallDrawnMessageBoxes();
  if (cl.headless) plat::UseVirtualClock(0);
  if (!cl.project.empty() && !plat::SetCurrentDirectory(plat::Utf8ToCp932(cl.project))) {
    std::fprintf(stderr, "tarvamo4: cannot enter the project folder %s\n", cl.project.c_str());
    return 1;
  }
  g_bTestPlay = cl.testPlay ? 1 : 0;
  g_strCmdLineStage = plat::Utf8ToCp932(cl.stageFile);
  SetEditorSocket(cl.editorSocket);
  // Before anything can ask us to close: a SIGTERM that comes early waits
  // for the window and closes it.
  plat::InstallCloseOnTerm();
  struct TermGuard {
    ~TermGuard() { plat::UninstallCloseOnTerm(); }
  } termGuard;

  InitECLog(0, "EC_Game.txt");
  std::string report = "Report_Game.txt";
  RelToAbsPath(report);
  if (!InitReportLog(report.c_str())) {
    std::fprintf(stderr, "tarvamo4: cannot create %s\n", plat::ResolvePath(report).c_str());
    return 1;
  }
  WriteReport("App : ver %s", "778");
  WriteSystemReport();

  if (!ApplyCaptureOptions(cl)) return 2;
  // After the scripted answers are loaded: the question may need one.
  plat::InstanceLock instanceLock;
  if (!TakeSingleInstance(instanceLock)) return 0;

  plat::VideoSettings video;
  video.headless = cl.headless;
  if (!plat::InitVideo(video, &error)) {
    ReportError("画面を初期化できません: %s", error.c_str());
    std::fprintf(stderr, "tarvamo4: cannot open the display: %s\n", error.c_str());
    return 1;
  }
  // Headless, a frame is only converted for its hash or a screenshot.
  if (cl.headless) plat::SetUnseenHeadlessFrames(true);
  HWND hwnd = plat::CreateMainWindow("", kScreenW, kScreenH, WndProc);
  if (!hwnd) {
    ErrorBox("ウインドウが生成出来ません！");
    plat::ShutdownVideo();
    return 1;
  }
  g_MainWindow.SetLayout(kScreenW, kScreenH, 100, 100, kScreenW, kScreenH, kMainWindowStyle, 0, 0, 0, 0, 0);
  g_MainWindow.m_hWnd = hwnd;
  CenterOnDesktop(hwnd);
  WriteECLog("G");
  if (g_bTestPlay) g_MainWindow.NotifyEditorStart();
  WriteECLog("H");
  InstallDrawnFileChooser();

  if (!InitGame(g_strCmdLineStage.c_str(), g_bTestPlay ? kShowTestPlay : kShowNormal)) {
    UnInitGame();
    if (g_bTestPlay) g_MainWindow.NotifyEditorEnd(0);
    plat::SetAudioCaptureFile("");
    plat::ShutdownVideo();
    // A start-up that failed is not a normal end; one the user closed while
    // it asked (the window closed, SIGTERM) is.
    return plat::IsClosing() ? 0 : 1;
  }
  g_bRunning = 1;
  WriteECLog("I");
  plat::ApplyInputScript(1);
  if (!thGame.Start(GameLoop, nullptr)) {
    UnInitGame();
    if (g_bTestPlay) g_MainWindow.NotifyEditorEnd(0);
    plat::SetAudioCaptureFile("");
    plat::ShutdownVideo();
    return 1;
  }
  // The game thread's queue exists before anything is posted to it.
  while (!plat::PostThreadMessage(thGame.m_dwThreadId, WM_APP, 0, 0)) {
  }
  WriteECLog("J");
  int code = plat::RunMessageLoop();
  UnInitGame();
  WriteECLog("UnInitGame後");
  plat::SetAudioCaptureFile("");
  plat::ShutdownVideo();
  return code;
}
