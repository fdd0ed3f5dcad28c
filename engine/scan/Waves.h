// Sound effects are wave resources of the program, addressed by id. The
// engine asks for them through ISoundPlayer; the Sound option is the
// caller's to check (PlayIfOn).
#pragma once

namespace vsk {

enum class SoundMode { Async, Sync };

namespace wave {
inline constexpr int kClick = 130;
inline constexpr int kVirusFound = 176;
inline constexpr int kCured = 177;
inline constexpr int kDeleted = 178;
inline constexpr int kFailed = 179;
inline constexpr int kScanEnded = 180;
inline constexpr int kMoved = 181;
inline constexpr int kRenamed = 182;
inline constexpr int kWindowOpened = 185;
inline constexpr int kClosing = 186;
}  // namespace wave

class ISoundPlayer {
 public:
  virtual ~ISoundPlayer() = default;
  // Returns what the platform player returned; 0 when the wave is missing.
  virtual int PlayWave(int waveId, SoundMode mode) = 0;
};

struct Options;
void PlayIfOn(const Options& options, ISoundPlayer& player, int waveId,
              SoundMode mode = SoundMode::Async);

}  // namespace vsk
