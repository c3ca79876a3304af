#include "app/player.h"

#include <cstdio>
#include <vector>

#include "app/editor_link.h"
#include "app/game_threads.h"
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
#include "services/file_chooser_ui.h"
#include "services/log.h"
#include "services/strings.h"
#include "services/timing.h"


namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr int kFps = 60;

// Until the scenes exist: a calm pattern that moves with the frame count,
// so a run shows it is alive and frame hashes differ frame to frame.
void DrawPlaceholder(std::vector<uint32_t>& px, uint64_t frame) {
  for (int y = 0; y < kScreenH; ++y) {
    uint32_t shade = static_cast<uint32_t>(32 + y * 96 / kScreenH);
    for (int x = 0; x < kScreenW; ++x) px[static_cast<size_t>(y * kScreenW + x)] = 0xFF000000u | (shade / 2) << 8 | shade;
  }
  int bx = static_cast<int>(frame * 4 % (kScreenW - 32));
  for (int y = 224; y < 256; ++y)
    for (int x = bx; x < bx + 32; ++x) px[static_cast<size_t>(y * kScreenW + x)] = 0xFFFFD040u;
}

unsigned GameLoop(void*) {
  std::vector<uint32_t> frame(static_cast<size_t>(kScreenW * kScreenH));
  uint64_t count = 0;
  bool closeSent = false;
  for (;;) {
    MSG m;
    while (plat::PeekMessage(&m, true)) {
      if (m.message == WM_QUIT) {
        WriteECLogf("GameLoop WM_QUIT!");
        return 0;
      }
    }
    if (plat::QuitRequested()) return 0;
    if (!plat::IsWindowActive()) {
      plat::Sleep(1);
      continue;
    }
    TimerStart();
    while (!FrameLimit(kFps)) {
      if (plat::QuitRequested()) return 0;
      plat::Sleep(1);
    }
    if (plat::IsKeyDown(VK_ESCAPE) && !closeSent) {
      closeSent = true;
      plat::PostMessage(plat::MainWindowHandle(), WM_CLOSE, 0, 0);
    }
    GetFPS(1);
    TimerElapsed(1);
    DrawPlaceholder(frame, count++);
    plat::PresentFrame(frame.data(), kScreenW, kScreenH, kScreenW);
  }
}

bool g_closed = false;  // window thread only

LRESULT MainWindowProc(HWND hwnd, uint32_t msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_CLOSE:
      plat::BeginClosing();
      if (plat::InSentMessage()) {
        // A modal loop inside a send sees the close and returns; the close
        // is finished at the top of the message loop.
        plat::PostMessage(hwnd, WM_CLOSE, 0, 0);
        return 0;
      }
      if (g_closed) return 0;
      g_closed = true;
      thLoad.Exit();
      thPause.Exit();
      thRanking.Exit();
      thGame.Exit();
      plat::DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      if (g_bTestPlay) NotifyEditorEnd(1);
      plat::PostQuitMessage(0);
      return 0;
    default:
      return 0;
  }
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
  cl.audioOut = Absolute(cl.audioOut);
  cl.soundFont = Absolute(cl.soundFont);
  cl.editorSocket = Absolute(cl.editorSocket);
  for (auto& shot : cl.screenshots) shot.second = Absolute(shot.second);

  plat::RegisterMainThread();
  plat::SetHeadless(cl.headless);
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
  HWND hwnd = plat::CreateMainWindow("Tarvamo4", kScreenW, kScreenH, MainWindowProc);
  if (!hwnd) {
    ReportError("ウィンドウを作成できません");
    plat::ShutdownVideo();
    return 1;
  }
  plat::ShowWindow(hwnd);
  if (g_bTestPlay) NotifyEditorStart();
  InstallDrawnFileChooser();
  plat::ApplyInputScript(1);

  if (!thGame.Start(GameLoop, nullptr)) {
    if (g_bTestPlay) NotifyEditorEnd(0);
    plat::ShutdownVideo();
    return 1;
  }
  while (!plat::PostThreadMessage(thGame.m_dwThreadId, WM_APP, 0, 0)) {
  }
  int code = plat::RunMessageLoop();
  plat::SetAudioCaptureFile("");
  plat::ShutdownVideo();
  return code;
}
