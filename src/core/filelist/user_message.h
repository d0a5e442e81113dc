// A message for the user, returned as data: the window shows it in a message box,
// the command line prints it. The text is GB18030.
#pragma once

#include <string>

namespace tessarn {

// The icon of the box: information for completed work, warning for partial
// results and refusals, error for failures.
enum class MessageKind { kInformation, kWarning, kError };

struct UserMessage {
  std::string text;
  MessageKind kind = MessageKind::kInformation;
};

}  // namespace tessarn
