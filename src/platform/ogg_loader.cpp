#include "platform/ogg_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/audio.h"

static_assert(kVoxRate == plat::kAudioRate && kVoxChannels == plat::kAudioChannels,
              "the Ogg library renders in the mixer's format");

namespace plat {
namespace {

std::mutex g_lock;
std::string g_path;
// Attachments that opened the audio device, to close it again.
std::unordered_map<int, bool> g_opened;

std::string ExecutableFolder() {
  std::string buf(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  buf.resize(static_cast<size_t>(n));
  size_t slash = buf.rfind('/');
  return slash == std::string::npos ? std::string(".") : buf.substr(0, slash);
}

}  // namespace

void SetVoxLibraryPath(const std::string& osPath) {
  std::lock_guard<std::mutex> g(g_lock);
  g_path = osPath;
}

std::string VoxLibraryPath() {
  {
    std::lock_guard<std::mutex> g(g_lock);
    if (!g_path.empty()) return g_path;
  }
  if (const char* env = std::getenv(kVoxLibraryEnv); env && *env) return env;
  return ExecutableFolder() + "/" + kVoxLibraryName;
}

ModuleHandle LoadVoxLibrary() {
  std::string path = VoxLibraryPath();
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* GetLibraryEntry(ModuleHandle module, const char* name) {
  if (!module || !name) return nullptr;
  return dlsym(module, name);
}

void FreeLibrary(ModuleHandle module) {
  if (module) dlclose(module);
}

int AttachVoxPlayer(IVox* player) {
  if (!player) return 0;
  std::string error;
  bool opened = OpenAudio(&error);
  int id = AddStream([player](int16_t* stereo, int frames) { player->Read(stereo, frames); });
  std::lock_guard<std::mutex> g(g_lock);
  g_opened[id] = opened;
  return id;
}

void DetachVoxPlayer(int attachment) {
  if (attachment <= 0) return;
  RemoveStream(attachment);
  bool opened = false;
  {
    std::lock_guard<std::mutex> g(g_lock);
    auto it = g_opened.find(attachment);
    if (it != g_opened.end()) {
      opened = it->second;
      g_opened.erase(it);
    }
  }
  if (opened) CloseAudio();
}

}  // namespace plat
