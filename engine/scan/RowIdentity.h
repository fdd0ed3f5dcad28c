// Which file a row's scan read, and the folder that held its name: an
// action acts only while the name still leads to both.
#pragma once

#include <string>

#include "engine/os/Kind.h"

namespace vsk {

struct RowIdentity {
  // The content read: for a link, what it led to.
  os::FileId file;
  os::FileId folder;
  // False for rows of no file read (a folder or a file that could not be
  // opened, or one whose identity the system did not give).
  bool known = false;
  // For a file whose content is an archive: the member the result is
  // about (levels joined by "::"), and for a member not read, why.
  // Empty when the result is about the file's own bytes.
  std::wstring inside;
};

}  // namespace vsk
