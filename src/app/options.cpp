#include "app/options.h"

#include <cstdlib>
#include <cstring>

namespace {
bool ParseCount(const char* s, uint64_t* out) {
  if (!s || !*s || *s == '-') return false;
  char* end = nullptr;
  unsigned long long v = std::strtoull(s, &end, 10);
  if (*end != '\0') return false;
  *out = v;
  return true;
}
}  // namespace

const char* UsageText() {
  return "usage: tarvamo4 [options] [stage file]\n"
         "\n"
         "Plays the game project in the current folder (or --project DIR).\n"
         "A stage file given as argument is played at once.\n"
         "\n"
         "  --project DIR          run the project in DIR\n"
         "  --headless             no window or sound device; virtual clock, no pacing;\n"
         "                         message boxes take their default (or scripted) answer\n"
         "  --frames N             close in order after N presented frames\n"
         "  --input FILE           scripted keyboard and joystick state per frame\n"
         "  --answers FILE         scripted answers for boxes and dialogs, one per line\n"
         "  --screenshot N:FILE    write presented frame N as PNG (repeatable)\n"
         "  --frame-hashes FILE    one line per presented frame: number and pixel hash\n"
         "  --state-log FILE       while a stage plays, one JSON line of its state per presented frame\n"
         "  --audio-out FILE       write everything the player sounds as a WAV file\n"
         "  --soundfont FILE       SoundFont for MIDI music (default: TimGM6mb)\n"
         "  --test-play            start as the editor's test play\n"
         "  --editor-socket PATH   send the test play's start and end notices there\n"
         "  --help                 this text\n";
}

bool ParseCommandLine(int argc, char** argv, CommandLine* out, std::string* error) {
  *out = CommandLine{};
  auto need = [&](int& i, const char* opt) -> const char* {
    if (i + 1 >= argc) {
      *error = std::string(opt) + " needs a value";
      return nullptr;
    }
    return argv[++i];
  };
  // Options whose value is kept as it is given.
  const struct {
    const char* name;
    std::string CommandLine::*field;
  } textOptions[] = {
      {"--project", &CommandLine::project},         {"--input", &CommandLine::inputScript},
      {"--answers", &CommandLine::answers},         {"--frame-hashes", &CommandLine::frameHashes},
      {"--state-log", &CommandLine::stateLog},
      {"--audio-out", &CommandLine::audioOut},     {"--soundfont", &CommandLine::soundFont},
      {"--editor-socket", &CommandLine::editorSocket},
  };
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    bool taken = false;
    for (const auto& opt : textOptions) {
      if (std::strcmp(a, opt.name) != 0) continue;
      const char* v = need(i, a);
      if (!v) return false;
      out->*opt.field = v;
      taken = true;
    }
    if (taken) continue;
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      out->help = true;
    } else if (std::strcmp(a, "--headless") == 0) {
      out->headless = true;
    } else if (std::strcmp(a, "--test-play") == 0) {
      out->testPlay = true;
    } else if (std::strcmp(a, "--frames") == 0) {
      const char* v = need(i, a);
      if (!v) return false;
      if (!ParseCount(v, &out->frames) || out->frames == 0) {
        *error = std::string("--frames needs a positive number, not '") + v + "'";
        return false;
      }
    } else if (std::strcmp(a, "--screenshot") == 0) {
      const char* v = need(i, a);
      if (!v) return false;
      const char* colon = std::strchr(v, ':');
      uint64_t frame = 0;
      if (!colon || colon[1] == '\0' || !ParseCount(std::string(v, colon).c_str(), &frame) || frame == 0) {
        *error = std::string("--screenshot needs N:FILE with N counted from 1, not '") + v + "'";
        return false;
      }
      out->screenshots.emplace_back(frame, colon + 1);
    } else if (a[0] == '-' && a[1] == '-') {
      *error = std::string("unknown option ") + a;
      return false;
    } else {
      if (!out->stageFile.empty()) {
        *error = std::string("only one stage file may be given, not also ") + a;
        return false;
      }
      out->stageFile = a;
    }
  }
  return true;
}
