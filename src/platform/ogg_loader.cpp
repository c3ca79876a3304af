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

struct LoaderState {
  std::mutex lock;
  std::string path;
  // Attachments that opened the audio device, to close it again.
  std::unordered_map<int, bool> opened;
};
LoaderState& L() {
  // Never destroyed: the global music manager releases its players after
  // the other globals may be gone.
  static LoaderState* s = new LoaderState;
  return *s;
}

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
  std::lock_guard<std::mutex> g(L().lock);
  L().path = osPath;
}

std::string VoxLibraryPath() {
  {
    std::lock_guard<std::mutex> g(L().lock);
    if (!L().path.empty()) return L().path;
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
  std::lock_guard<std::mutex> g(L().lock);
  L().opened[id] = opened;
  return id;
}

void DetachVoxPlayer(int attachment) {
  if (attachment <= 0) return;
  RemoveStream(attachment);
  bool opened = false;
  {
    std::lock_guard<std::mutex> g(L().lock);
    auto it = L().opened.find(attachment);
    if (it != L().opened.end()) {
      opened = it->second;
      L().opened.erase(it);
    }
  }
  if (opened) CloseAudio();
}

}  // namespace plat
