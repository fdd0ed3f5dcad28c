#include "engine/Sound.h"

#include "engine/Options.h"

namespace vsk {

void PlayIfOn(const Options& options, ISoundPlayer& player, int waveId, SoundMode mode) {
  if (options.Sound) player.PlayWave(waveId, mode);
}

}  // namespace vsk
