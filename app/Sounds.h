// Wave resources of the executable played from memory.
#pragma once

#include <windows.h>

#include "engine/scan/Waves.h"

namespace vsk {

// Plays wave resource `id` with `flags` (SND_ASYNC or SND_SYNC) plus
// SND_MEMORY and SND_NODEFAULT; 0 when the resource is missing.
int PlayWave(int id, UINT flags);

class CWaveSoundPlayer : public ISoundPlayer {
 public:
  int PlayWave(int waveId, SoundMode mode) override;
};

}  // namespace vsk
