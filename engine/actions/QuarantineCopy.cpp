#include "engine/actions/QuarantineCopy.h"

#include "engine/actions/QuarantineRecord.h"
#include "engine/actions/Sha256.h"
#include "engine/os/AtomicWrite.h"

namespace vsk {

namespace {

os::MoveResult CopyLink(const os::Folder& from, const os::NativeName& name, const os::Folder& to,
                        const os::NativeName& toName, bool replace) {
  os::NativeName target;
  if (!from.ReadLink(name, target)) return os::MoveResult::Failed;
  const os::NativeName prefix = os::NewNamePrefix(toName);
  const os::NativeName suffix = os::FromAscii(os::kAtomicWriteSuffix);
  os::NativeName temp;
  bool made = false;
  for (int attempt = 0; attempt < 100 && !made; ++attempt)
    made = to.MakeLink(temp = prefix + os::RandomHex(8) + suffix, target);
  if (!made) return os::MoveResult::Failed;
  const os::FileId id = to.Inspect(temp).id;
  const os::MoveResult placed = to.Move(temp, id, to, toName, replace);
  if (placed != os::MoveResult::Moved) to.Remove(temp, id);
  return placed;
}

}  // namespace

bool DescribeEntry(const os::Folder& folder, const os::NativeName& name, bool link,
                   const os::File& content, uint64_t& size, std::string& sha256) {
  if (os::NativeName text; link && folder.ReadLink(name, text)) {
    const std::string bytes = NativeBytes(text);
    Sha256 hash;
    hash.Add(bytes.data(), bytes.size());
    size = bytes.size();
    sha256 = hash.HexDigest();
    return true;
  }
  const long long length = content.IsOpen() ? content.Size() : -1;
  if (length < 0) return false;
  size = static_cast<uint64_t>(length);
  sha256 = HashContent(content, size);
  return !sha256.empty();
}

os::MoveResult CopyAcross(const os::Folder& from, const os::NativeName& name, bool link,
                          const os::File& content, uint64_t size, const std::string& sha256,
                          const os::Folder& to, const os::NativeName& toName, bool replace) {
  if (link) return CopyLink(from, name, to, toName, replace);
  const auto write = [&](os::File& copy) {
    return os::CopyBytes(content, copy, size) && HashContent(copy, size) == sha256;
  };
  switch (os::WriteAtomically(to, toName, replace, write, &content)) {
    case os::AtomicResult::Written: return os::MoveResult::Moved;
    case os::AtomicResult::Exists: return os::MoveResult::Exists;
    case os::AtomicResult::MetadataNotGiven:
    case os::AtomicResult::Failed: break;
  }
  return os::MoveResult::Failed;
}

}  // namespace vsk
