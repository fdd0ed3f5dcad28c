// The engine shows no windows: what it has to tell the user goes through
// IMessageSink, which the program turns into message boxes and the
// command-line scanner into lines on stderr.
#pragma once

#include <string>

namespace vsk {

class IMessageSink {
 public:
  virtual ~IMessageSink() = default;
  virtual void ShowMessage(const std::wstring& text) = 0;
};

}  // namespace vsk
