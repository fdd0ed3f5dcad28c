#include "engine/containers/ArchiveSearch.h"

#include "engine/containers/Gzip.h"
#include "engine/containers/Texts.h"
#include "engine/containers/Zip.h"

namespace vsk {

ArchiveKind KindOf(const uint8_t* head, size_t size) {
  if (size < 4) return ArchiveKind::None;
  // A local header, or the end record of an empty archive.
  if (head[0] == 'P' && head[1] == 'K' && ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6)))
    return ArchiveKind::Zip;
  // Deflate is the one method GZIP defines.
  if (head[0] == 0x1F && head[1] == 0x8B && head[2] == 8) return ArchiveKind::Gzip;
  return ArchiveKind::None;
}

void ArchiveSearch::Look(ArchiveKind kind, const Source& source, int level,
                         const std::wstring& prefix) {
  if (kind == ArchiveKind::Zip) LookIntoZip(*this, source, level, prefix);
  if (kind == ArchiveKind::Gzip) LookIntoGzip(*this, source, level, prefix);
}

bool ArchiveSearch::Running() {
  if (running_ && !running_->load(std::memory_order_relaxed)) stopped_ = true;
  return !stopped_;
}

bool ArchiveSearch::Charge(size_t size, const std::wstring& path) {
  archiveBytes_ += size;
  if (archiveBytes_ > limits.archiveBytes) {
    Fail(Problem::ArchiveBytes, path);
    over_ = true;
  } else if (scanBytes_.fetch_add(size, std::memory_order_relaxed) + size > limits.scanBytes) {
    Fail(Problem::ScanBytes, path);
    over_ = true;
  }
  return !over_;
}

void ArchiveSearch::Found(int index, const std::wstring& path) {
  if (index < 0 || found_ >= 0) return;
  found_ = index;
  foundIn_ = path;
}

void ArchiveSearch::Fail(Problem problem, const std::wstring& path) {
  if (problem_ != Problem::None) return;
  problem_ = problem;
  problemIn_ = path;
}

bool ArchiveSearch::TakeMemory(size_t size) {
  if (memory_ + size > ArchiveLimits::kNestedMemory) return false;
  memory_ += size;
  return true;
}

int ArchiveSearch::Result(std::wstring& inside) const {
  if (found_ >= 0) {
    inside = foundIn_;
    return found_;
  }
  if (stopped_) return kMatchStopped;
  if (problem_ == Problem::None) return kMatchClean;
  inside = problemIn_.empty() ? ProblemText(problem_) : problemIn_ + L": " + ProblemText(problem_);
  return kMatchUnreadable;
}

}  // namespace vsk
