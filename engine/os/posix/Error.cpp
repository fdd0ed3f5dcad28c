#include <cerrno>

#include "engine/os/Error.h"

namespace vsk::os {

Error ErrorOf(int code) {
  switch (code) {
    case ENOENT:
    case ENOTDIR:
      return Error::Missing;
    case ELOOP:
      return Error::Link;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return Error::NotAFile;
    case EACCES:
    case EPERM:
    case EROFS:
      return Error::Denied;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
      return Error::Busy;
    case EIO:
      return Error::ReadFailed;
    default:
      return Error::Failed;
  }
}

}  // namespace vsk::os
