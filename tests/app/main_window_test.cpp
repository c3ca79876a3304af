// The main window's procedure in process: the private messages, the close
// with its placement save, and what sends answer once closing has begun.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "services/game_threads.h"
#include "app/main_window.h"
#include "stage/game_scene.h"
#include "records/start_option.h"
#include "records/window_data.h"
#include "platform/answers.h"
#include "platform/dialog_input.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/ogg_loader.h"
#include "platform/midi_device.h"
#include "platform/video.h"
#include "platform/video_window.h"
#include "records/database.h"
#include "records/option_data.h"
#include "records/stage_data.h"
#include "records/system_data.h"
#include "services/bgm.h"
#include "services/file_chooser.h"
#include "services/log.h"
#include "services/sound.h"
#include "graphics/display_fixture.h"
#include "graphics/restore.h"
#include "support/background_player.h"
#include "support/music_test_support.h"
#include "support/wave_bytes.h"

namespace {

using namespace std::chrono_literals;

HWND const kWnd = reinterpret_cast<HWND>(0x4711);

class MainWindowProc : public music_test::MusicTest {
 protected:
  void SetUp() override {
    MusicTest::SetUp();
    ASSERT_TRUE(folder_.Enter());
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    g_MainWindow.ResetForTest();
    g_MainWindow.Setup(kWnd);
    g_hWnd = kWnd;
    option_ = g_StartOption;
    g_StartOption = STARTOPTION{};
  }
  void TearDown() override {
    g_Bgm.Release();
    DS_UnInit();
    g_vecSound.clear();
    g_StartOption = option_;
    g_bRunning = 0;
    g_bActive = 0;
    g_hWnd = nullptr;
    g_MainWindow.ResetForTest();
    plat::ResetRuntimeForTest();
    MusicTest::TearDown();
  }
  // Messages posted to the window since the last call.
  static std::vector<uint32_t> Posted() {
    std::vector<uint32_t> out;
    MSG m;
    while (plat::PeekMessage(&m, true)) out.push_back(m.message);
    return out;
  }
  static LRESULT Send(uint32_t msg, WPARAM w = 0, LPARAM l = 0) { return WndProc(kWnd, msg, w, l); }
  void Answers(const std::string& lines) {
    std::ofstream(dir_ / "answers.txt") << lines;
    std::string error;
    ASSERT_TRUE(plat::LoadAnswers((dir_ / "answers.txt").string(), &error)) << error;
  }

  STARTOPTION option_;
};

// ---- sound effects ---------------------------------------------------------

TEST_F(MainWindowProc, SoundEffectsPlayTheirSlotAndABadSlotIsReported) {
  ASSERT_TRUE(DS_Init(nullptr, 22050, 8, 1));
  using namespace wave_test;
  const std::string wav = Write("se.wav", Riff({Fmt(1, 1, 22050, 8), Chunk("data", {1, 2, 3, 4})}));
  DSSOUNDDEF def{};
  std::strncpy(def.szFileName, wav.c_str(), sizeof def.szFileName - 1);
  def.nBufferNum = 2;
  std::vector<DSSOUNDDEF> defs(20, def);
  g_vecSound.resize(20);
  ASSERT_EQ(DSCreate(&g_vecSound, &defs, 0), 1);
  TakeReport();
  const int slotSize = static_cast<int>(sizeof(DSSOUNDDATA));

  struct Case {
    const char* name;
    void (*play)();
    int slot;           // the slot that sounds, -1 none
    const char* error;  // the report line's start, null none
  } cases[] = {
      {"system sound 5", [] { PlaySE(5); }, 5, nullptr},
      {"database sound 3 is slot 19", [] { PlayDbSE(3); }, 19, nullptr},
      {"database sound 0 plays nothing", [] { PlayDbSE(0); }, -1, nullptr},
      {"past the last slot", [] { PlaySE(20); }, 0, "err V[20] ( 20 , "},
      {"negative", [] { PlaySE(-1); }, 0, "err V[-1] ( 20 , "},
      {"database sound past the list", [] { PlayDbSE(100); }, 0, "err V[116] ( 20 , "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (DSSOUNDDATA& s : g_vecSound) s.nNext = 0;
    c.play();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(g_vecSound[static_cast<size_t>(i)].nNext, i == c.slot ? 1 : 0) << i;
    const std::string report = TakeReport();
    const std::vector<uint32_t> posted = Posted();
    if (c.error) {
      EXPECT_NE(report.find(std::string(c.error) + std::to_string(slotSize) + " )"), std::string::npos) << report;
      EXPECT_EQ(posted, std::vector<uint32_t>{WM_CLOSE});
    } else {
      EXPECT_EQ(report, "");
      EXPECT_TRUE(posted.empty());
    }
  }

  // No slots at all: reported and closed, nothing played, no crash.
  DS_UnInit();
  g_vecSound.clear();
  PlaySE(0);
  EXPECT_NE(TakeReport().find("err V[0] ( 0 , " + std::to_string(slotSize) + " )"), std::string::npos);
  EXPECT_EQ(Posted(), std::vector<uint32_t>{WM_CLOSE});
}

// ---- music -----------------------------------------------------------------

TEST_F(MainWindowProc, MusicSlotsTakeTheProjectsChoices) {
  using namespace music_test;
  plat::SetVoxLibraryPath(T4_VOX_LIBRARY_PATH);
  plat::SetMidiEventObserverForTest([](uint64_t, const uint8_t*, size_t) {});
  char ogg[kBgmSlotCount][kBgmOggNameSize];
  char midi[kBgmSlotCount][kBgmMidiNameSize];
  std::memcpy(ogg, g_szBgmOggFile, sizeof ogg);
  std::memcpy(midi, g_szBgmMidiFile, sizeof midi);
  ASSERT_EQ(g_Bgm.Init(1, ogg, midi, kBgmSlotCount), 1);

  const auto systemBgm = g_SystemData.m_vecBgm;
  const auto systemLoop = g_SystemData.m_vecBgmLoop;
  const auto databaseBgm = g_Database.m_vecBgm;
  g_SystemData.m_vecBgm = {2, 0, 1, 7};  // 7: past the Bgm list
  g_SystemData.m_vecBgmLoop = {1, 1, 0, 1};
  g_Database.m_vecBgm.resize(3);
  ASSERT_TRUE(folder_.MakeDir("bgm"));
  const char* files[] = {"bgm\\Zero.mid", "bgm\\One.mid", "bgm\\Two.mid"};
  for (const char* name : {"Zero.mid", "One.mid", "Two.mid"})
    Write(std::string("bgm/") + name, Header(0, 1, 96) + Track(Ev(0, {0x90, 0x3C, 0x64}) + EndOfTrack(960)));
  for (int i = 0; i < 3; ++i) g_Database.m_vecBgm[static_cast<size_t>(i)].m_strFile = files[i];
  TakeReport();

  struct Case {
    const char* name;
    WPARAM slot;
    LPARAM number;
    int current;       // the manager's current slot afterwards
    int filledSlot;    // the slot whose file was set, -1 none
    const char* file;  // and its file (Ogg or MIDI table)
    bool badIndex;
  } cases[] = {
      {"title: Bgm entry 2", 0, 0, 0, 0, "bgm\\Two.mid", false},
      {"world map: 0 stops, the slot keeps its file", 1, 0, 0, -1, nullptr, false},
      {"challenge: Bgm entry 1", 2, 0, 2, 2, "bgm\\One.mid", false},
      {"option: an entry past the list is reported", 3, 0, 3, 3, "bgm\\Zero.mid", true},
      {"stage music 2", 4, 2, 4, 4, "bgm\\Two.mid", false},
      {"stage music 0 sets entry 0 and stops", 4, 0, 4, 4, "bgm\\Zero.mid", false},
      {"slot 5 does nothing", 5, 1, 4, -1, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char oggBefore[kBgmSlotCount][kBgmOggNameSize];
    char midiBefore[kBgmSlotCount][kBgmMidiNameSize];
    std::memcpy(oggBefore, ogg, sizeof ogg);
    std::memcpy(midiBefore, midi, sizeof midi);
    EXPECT_EQ(Send(WM_T4_PLAYBGM, c.slot, c.number), 0);
    EXPECT_EQ(g_Bgm.CurrentSlot(), c.current);
    for (int s = 0; s < kBgmSlotCount; ++s) {
      if (s == c.filledSlot) {
        EXPECT_STREQ(midi[s], c.file);
      } else {
        EXPECT_STREQ(ogg[s], oggBefore[s]) << s;
        EXPECT_STREQ(midi[s], midiBefore[s]) << s;
      }
    }
    if (c.slot == 4) {
      EXPECT_EQ(g_nStageBgm, c.number);
    }
    const std::string report = TakeReport();
    EXPECT_EQ(report.find("err V[7] ( 3 , ") != std::string::npos, c.badIndex) << report;
    Posted();
  }
  g_Bgm.Release();
  g_SystemData.m_vecBgm = systemBgm;
  g_SystemData.m_vecBgmLoop = systemLoop;
  g_Database.m_vecBgm = databaseBgm;
  plat::SetMidiEventObserverForTest(nullptr);
  plat::SetVoxLibraryPath("");
}

// ---- file choosers ---------------------------------------------------------

TEST_F(MainWindowProc, StageAndReplayChoosersAnswerZeroWhenCancelledOrFailedAndKeepRunning) {
  ASSERT_TRUE(folder_.MakeDir("data"));
  ASSERT_TRUE(folder_.MakeDir("data/stg4"));
  ASSERT_TRUE(folder_.MakeDir("user_data"));
  ASSERT_TRUE(folder_.MakeDir("user_data/rpl4"));
  // Files that name a stage and a replay but hold nothing of the kind.
  // A stage file with its version and end marker but nothing readable
  // between: the loader reports it and play goes on.
  const std::string brokenStage("\x0a\x03\0\0" "not a stage" "\x15\xcd\x5b\x07", 19);
  ASSERT_TRUE(folder_.MakeFile("data/stg4/town.stg4_000", brokenStage));
  ASSERT_TRUE(folder_.MakeFile("user_data/rpl4/run.rpl4_778", "not a replay"));
  plat::FlushPathCache();
  Answers("cancel\ntown.stg4_000\nok\ncancel\nrun.rpl4_778\ncancel\n");
  TakeReport();

  struct Case {
    const char* name;
    uint32_t msg;
    int english;
    const char8_t* line;  // the chooser's report line
  } cases[] = {
      {"stage, cancelled", WM_T4_LOADSTAGE, 0, u8"[ステージファイルの読み込み] cancel"},
      {"stage, chosen but not loadable", WM_T4_LOADSTAGE, 0, u8"[ステージファイルの読み込み] data\\stg4\\town.stg4_000"},
      {"replay, cancelled, English", WM_T4_LOADREPLAY, 1, u8"[Load replay file] cancel"},
      {"replay, chosen but not loadable", WM_T4_LOADREPLAY, 0,
       u8"[リプレイファイルの読み込み] user_data\\rpl4\\run.rpl4_778"},
      {"stage, cancelled, English", WM_T4_LOADSTAGE, 1, u8"[Load stage file] cancel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_StartOption.English = c.english;
    g_bReplyDone = 0;
    g_nReplyResult = 1;
    g_Stage.m_strPath = "data\\stg4\\before.stg4_000";
    EXPECT_EQ(Send(c.msg), 0);
    EXPECT_EQ(g_bReplyDone.load(), 1);
    EXPECT_EQ(g_nReplyResult.load(), 0);
    const std::string report = TakeReport();
    EXPECT_NE(report.find(t4test::U8(c.line)), std::string::npos) << report;
    // The title goes on: nothing asks the window to close.
    EXPECT_TRUE(Posted().empty());
    // A replay that failed to load does not become the stage path.
    if (c.msg == WM_T4_LOADREPLAY) {
      EXPECT_EQ(g_Stage.m_strPath, "data\\stg4\\before.stg4_000");
    }
  }
  Answers("");
}

TEST_F(MainWindowProc, NameEntryAndReplaySaveSetTheirDoneFlags) {
  const std::string name = g_OptionData.m_strPlayerName;
  g_bNameDone = 0;
  EXPECT_EQ(Send(WM_T4_NAMEENTRY), 0);
  EXPECT_EQ(g_bNameDone.load(), 1);
  EXPECT_EQ(g_OptionData.m_strPlayerName, name);

  for (WPARAM which : {WPARAM{0}, WPARAM{1}}) {
    g_bReplyDone = 0;
    g_nReplyResult = 1;
    Send(WM_T4_SAVEREPLAY, which);
    EXPECT_EQ(g_bReplyDone.load(), 1);
    EXPECT_EQ(g_nReplyResult.load(), 0);
  }
  EXPECT_TRUE(Posted().empty());
}

// ---- closing ---------------------------------------------------------------

TEST_F(MainWindowProc, SendsAfterClosingBeganAnswerAtOnceWithTheirFlagsSet) {
  // One send already waiting when the close begins, the others made after it.
  int waitingResult = -1;
  g_nReplyResult = 1;
  std::thread waiting([&] { waitingResult = SendWindowRequest(WM_T4_LOADSTAGE); });
  std::this_thread::sleep_for(50ms);
  plat::BeginClosing();
  waiting.join();
  EXPECT_EQ(waitingResult, 0);
  EXPECT_EQ(g_bReplyDone.load(), 1);

  struct Case {
    const char* name;
    uint32_t msg;
    std::atomic<int>* done;
  } cases[] = {
      {"name entry", WM_T4_NAMEENTRY, &g_bNameDone},
      {"stage", WM_T4_LOADSTAGE, &g_bReplyDone},
      {"replay", WM_T4_LOADREPLAY, &g_bReplyDone},
      {"replay save", WM_T4_SAVEREPLAY, &g_bReplyDone},
      {"sound", WM_T4_PLAYSE, nullptr},
      {"music", WM_T4_PLAYBGM, nullptr},
      {"restore", WM_T4_RESTORE, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_nReplyResult = 1;
    if (c.done) *c.done = 0;
    auto start = std::chrono::steady_clock::now();
    std::thread sender([&] { plat::SendMessage(kWnd, c.msg, 0, 0); });
    sender.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    if (c.done) {
      EXPECT_EQ(c.done->load(), 1);
    }
    if (c.done == &g_bReplyDone) {
      EXPECT_EQ(g_nReplyResult.load(), 0);
    }
  }
}

// A drawn chooser that stays open until the program closes.
std::atomic<bool> g_chooserOpen{false};
int ChooserOpenUntilClosing(cFileChooser&, const char*) {
  g_chooserOpen = true;
  while (!plat::IsClosing() && plat::PumpMessages(5)) {
  }
  g_chooserOpen = false;
  return 0;
}

std::atomic<int> g_gameStageResult{-1};
std::atomic<int> g_gameNameResult{-1};
unsigned GameWaitingInAChooser(void*) {
  g_gameStageResult = SendWindowRequest(WM_T4_LOADSTAGE);
  // Asked after the close began: answered at once.
  g_gameNameResult = SendWindowRequest(WM_T4_NAMEENTRY);
  PlaySE(1);
  while (!plat::QuitRequested()) plat::Sleep(1);
  return 1;
}

TEST_F(MainWindowProc, CloseWhileTheGameThreadWaitsInAChooserEndsInOrder) {
  plat::SetHeadless(false);  // the drawn chooser runs only with a display
  SetFileChooserUi(ChooserOpenUntilClosing);
  g_bRunning = 1;
  g_gameStageResult = g_gameNameResult = -1;
  ASSERT_EQ(thGame.Start(GameWaitingInAChooser, nullptr), 1);
  std::thread closer([] {
    if (t4test::WaitUntil([] { return g_chooserOpen.load(); }, 5s))
      plat::PostMessage(kWnd, WM_CLOSE, 0, 0);
  });
  const auto start = std::chrono::steady_clock::now();
  const int code = plat::RunMessageLoop();
  const auto took = std::chrono::steady_clock::now() - start;
  closer.join();
  SetFileChooserUi(nullptr);

  EXPECT_EQ(code, 0);
  EXPECT_LT(took, 2s);
  EXPECT_FALSE(thGame.IsRunning());
  EXPECT_EQ(g_gameStageResult.load(), 0);
  EXPECT_EQ(g_gameNameResult.load(), 1);
  EXPECT_EQ(g_hWnd.load(), nullptr);
  EXPECT_TRUE(g_MainWindow.m_bClosing);
}

TEST_F(MainWindowProc, CloseKeepsThePlacementInWindowModeOnceRunningAndNotMinimised) {
  ASSERT_TRUE(folder_.MakeDir("user_data"));
  struct Case {
    const char* name;
    int windowMode;
    int running;
    bool minimise;
    bool maximise;
    bool saved;
  } cases[] = {
      {"window", 1, 1, false, false, true},
      {"resizable window, maximised", 2, 1, false, true, true},
      {"full screen", 0, 1, false, false, false},
      {"start-up not finished", 1, 0, false, false, false},
      {"minimised", 1, 1, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir_ / "user_data" / "Window.dat");
    plat::ResetRuntimeForTest();
    g_MainWindow.ResetForTest();
    g_MainWindow.Setup(kWnd);
    g_hWnd = kWnd;
    plat::detail::ResetVirtualPlacement(640, 480);
    plat::SetWindowPos(kWnd, 150, 60);
    plat::SetClientSize(kWnd, 700, 500);
    if (c.minimise) plat::MinimizeWindow(kWnd);
    if (c.maximise) plat::MaximizeWindow(kWnd);
    g_StartOption.WindowMode = c.windowMode;
    g_bRunning = c.running;

    EXPECT_EQ(Send(WM_CLOSE), 0);
    // Closed in every case: destroyed, the quit posted.
    EXPECT_EQ(g_hWnd.load(), nullptr);
    EXPECT_EQ(Posted(), std::vector<uint32_t>{WM_QUIT});

    const auto file = dir_ / "user_data" / "Window.dat";
    ASSERT_EQ(std::filesystem::exists(file), c.saved);
    if (!c.saved) continue;
    EXPECT_EQ(std::filesystem::file_size(file), 32u);
    cWindowData read;
    ASSERT_TRUE(read.LoadFromFile("user_data\\Window.dat"));
    int desktopW = 0, desktopH = 0;
    plat::GetDesktopSize(&desktopW, &desktopH);
    EXPECT_EQ(read.m_nX, 150);
    EXPECT_EQ(read.m_nY, 60);
    EXPECT_EQ(read.m_nWidth, c.maximise ? desktopW : 700);
    EXPECT_EQ(read.m_nHeight, c.maximise ? desktopH : 500);
    EXPECT_EQ(read.m_bMaximized, c.maximise ? 1 : 0);
  }
}

TEST_F(MainWindowProc, CloseIsDeferredInsideASendAndHappensOnce) {
  // Inside a send (a modal loop of a private message) the close only begins
  // and comes back through the queue.
  bool deferred = false;
  std::thread sender([&] {
    plat::CallOnMainThread([&] {
      WndProc(kWnd, WM_CLOSE, 0, 0);
      deferred = g_hWnd.load() == kWnd && plat::IsClosing();
    });
  });
  while (!plat::IsClosing()) plat::PumpMessages(5);
  sender.join();
  EXPECT_TRUE(deferred);
  // The re-posted close destroys the window; a second one changes nothing.
  EXPECT_EQ(Posted(), std::vector<uint32_t>{WM_CLOSE});
  Send(WM_CLOSE);
  EXPECT_EQ(g_hWnd.load(), nullptr);
  Send(WM_CLOSE);
  EXPECT_EQ(Posted(), std::vector<uint32_t>{WM_QUIT});
}

// A modal sequence of stage play: its own frame loop until WM_QUIT.
std::atomic<bool> g_sequenceEnded{false};
unsigned ModalSequence(void*) {
  MSG m;
  while (plat::GetMessage(&m)) {
  }
  g_sequenceEnded = true;
  return 1;
}

TEST_F(MainWindowProc, CloseDuringAModalSequenceOnlyAsksThePlaySceneToQuit) {
  cGameScene scene;
  cGameScene* saved = g_pGameScene;
  g_pGameScene = &scene;
  g_sequenceEnded = false;
  ASSERT_EQ(thPause.Start(ModalSequence, nullptr), 1);
  Send(WM_CLOSE);
  // The sequence is asked to end and the play scene to quit; the window stays.
  EXPECT_EQ(scene.m_bQuit.load(), 1);
  ASSERT_TRUE(t4test::WaitUntil([] { return g_sequenceEnded.load(); }, 2s));
  thPause.Wait();
  EXPECT_FALSE(plat::IsClosing());
  EXPECT_EQ(g_hWnd.load(), kWnd);
  EXPECT_TRUE(Posted().empty());
  // The play scene, seeing its flag, asks again: now the program closes.
  Send(WM_CLOSE);
  EXPECT_TRUE(plat::IsClosing());
  EXPECT_EQ(g_hWnd.load(), nullptr);
  EXPECT_EQ(Posted(), std::vector<uint32_t>{WM_QUIT});
  g_pGameScene = saved;
}

// ---- the window's own messages -----------------------------------------------

TEST_F(MainWindowProc, EscapeAsksToCloseAndActivationSetsTheFlag) {
  Send(WM_KEYDOWN, 'A');
  EXPECT_TRUE(Posted().empty());
  Send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Posted(), std::vector<uint32_t>{WM_CLOSE});

  g_bActive = 0;
  Send(WM_ACTIVATEAPP, 1);
  EXPECT_EQ(g_bActive.load(), 1);
  Send(WM_ACTIVATEAPP, 0);
  EXPECT_EQ(g_bActive.load(), 0);

  g_MainWindow.m_bCreated = false;
  Send(WM_CREATE);
  EXPECT_TRUE(g_MainWindow.m_bCreated);
}

// While a box or dialog is up the keyboard is its own: an Escape that still
// reaches the window (a scripted press, one queued before the box) answers
// the box only, and does not close the game as well.
TEST_F(MainWindowProc, EscapeWhileABoxIsUpDoesNotClose) {
  plat::BeginDialogInput();
  Send(WM_KEYDOWN, VK_ESCAPE);
  plat::EndDialogInput();
  EXPECT_TRUE(Posted().empty());
  Send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(Posted(), std::vector<uint32_t>{WM_CLOSE});
}

}  // namespace

// ---- activation and the Direct3D device ------------------------------------

namespace {

class MainWindowActivation : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    plat::RegisterMainThread();
    plat::ResetRuntimeForTest();
    g_MainWindow.ResetForTest();
    g_MainWindow.Setup(kWnd);
  }
  void TearDown() override {
    g_bActive = 0;
    g_MainWindow.ResetForTest();
    plat::ResetRuntimeForTest();
    DisplayTest::TearDown();
  }
};

TEST_F(MainWindowActivation, ComingBackToFullScreenDirect3DResetsALostDeviceOnly) {
  struct Case {
    const char* name;
    const DisplayMode& mode;
    bool lose;
    bool restored;  // reset by the activation
  } cases[] = {
      {"full screen, device lost meanwhile", kDisplayModes[6], true, true},
      {"full screen, device intact", kDisplayModes[6], false, false},
      {"window: the frame step restores it", kDisplayModes[7], true, false},
      {"DirectDraw full screen", kDisplayModes[2], false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Init(c.mode));
    g_bActive = 1;
    WndProc(kWnd, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(g_bActive.load(), 0);
    // Back from elsewhere, the device can be reset.
    if (c.lose) DDSetDeviceStateForTest(DeviceState::NotReset);
    const PixelBuffer* back = BackBuffer.Pixels();
    WndProc(kWnd, WM_ACTIVATEAPP, 1, 0);
    EXPECT_EQ(g_bActive.load(), 1);
    if (c.restored) {
      EXPECT_EQ(DDGetDeviceStateForTest(), DeviceState::Ok);
      EXPECT_NE(BackBuffer.Pixels(), nullptr);
    } else {
      EXPECT_EQ(DDGetDeviceStateForTest(), c.lose ? DeviceState::NotReset : DeviceState::Ok);
      // Nothing was released.
      EXPECT_EQ(BackBuffer.Pixels(), back);
    }
    DDRelease();
    DDSetDeviceStateForTest(DeviceState::Ok);
  }
}

}  // namespace
