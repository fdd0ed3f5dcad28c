#include "app/Sounds.h"

#include <mmsystem.h>

#include "res/resource.h"

namespace vsk {

// The engine names the waves it asks for; these are the resources they are.
static_assert(wave::kClick == IDR_WAVE_CLICK);
static_assert(wave::kVirusFound == IDR_WAVE_VIRUS_FOUND);
static_assert(wave::kCured == IDR_WAVE_CURED);
static_assert(wave::kDeleted == IDR_WAVE_DELETED);
static_assert(wave::kFailed == IDR_WAVE_FAILED);
static_assert(wave::kScanEnded == IDR_WAVE_SCAN_ENDED);
static_assert(wave::kMoved == IDR_WAVE_MOVED);
static_assert(wave::kRenamed == IDR_WAVE_RENAMED);
static_assert(wave::kWindowOpened == IDR_WAVE_OPENED);
static_assert(wave::kClosing == IDR_WAVE_CLOSING);

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
