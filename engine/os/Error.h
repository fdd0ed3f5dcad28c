// Why an operation of the seam failed.
#pragma once

namespace vsk::os {

// Why an open or a read failed: None when it did not. Link: the name is a
// link where none is followed. NotAFile: a folder, a device or a FIFO.
// Busy: another program holds it. Failed: any other reason.
enum class Error { None, Missing, Link, NotAFile, Denied, Busy, ReadFailed, Failed };
// The reason for a code of the system (errno, or GetLastError's).
Error ErrorOf(int code);

}  // namespace vsk::os
