#include <windows.h>

#include "engine/os/Error.h"

namespace vsk::os {

Error ErrorOf(int code) {
  switch (static_cast<DWORD>(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return Error::Missing;
    case ERROR_ACCESS_DENIED:
      return Error::Denied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Error::Busy;
    default:
      return Error::Failed;
  }
}

}  // namespace vsk::os
