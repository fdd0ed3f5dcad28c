#include "app/Sounds.h"

#include <mmsystem.h>

namespace vsk {

int PlayWave(int id, UINT flags) {
  HINSTANCE inst = ::GetModuleHandleW(nullptr);
  HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(id), L"wave");
  if (!res) return 0;
  HGLOBAL mem = ::LoadResource(inst, res);
  const void* data = mem ? ::LockResource(mem) : nullptr;
  if (!data) return 0;
  // A resource stays mapped for the life of the module, so an asynchronous
  // sound may go on playing from it after we return.
  return ::sndPlaySoundW(static_cast<const wchar_t*>(data), flags | SND_MEMORY | SND_NODEFAULT);
}

int CWaveSoundPlayer::PlayWave(int waveId, SoundMode mode) {
  return vsk::PlayWave(waveId, mode == SoundMode::Sync ? SND_SYNC : SND_ASYNC);
}

}  // namespace vsk
