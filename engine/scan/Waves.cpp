#include "engine/scan/Waves.h"

#include "engine/settings/Options.h"

namespace vsk {

void PlayIfOn(const Options& options, ISoundPlayer& player, int waveId, SoundMode mode) {
  if (options.Sound) player.PlayWave(waveId, mode);
}

}  // namespace vsk
