// Members' names as the user reads them.
#pragma once

#include <string>
#include <string_view>

namespace vsk {

// UTF-8 when flagged so or valid as such, else the DOS code page 866 that
// Russian archivers write.
std::wstring ZipMemberName(std::string_view bytes, bool utf8);
// UTF-8 when valid as such, else Latin-1 as the format says.
std::wstring GzipMemberName(std::string_view bytes);

}  // namespace vsk
