#include "client/support/message_text.h"

#include "platform/system.h"

namespace tolvar::client {

TMessageText& TMessageText::Own(std::string_view sjis) {
  parts_.push_back(Part{true, std::string(sjis)});
  return *this;
}

TMessageText& TMessageText::Data(std::string_view bytes) {
  parts_.push_back(Part{false, std::string(bytes)});
  return *this;
}

std::string TMessageText::Bytes() const {
  std::string out;
  for (const Part& p : parts_) out += p.bytes;
  return out;
}

std::string TMessageText::ForUser() const {
  std::string out;
  for (const Part& p : parts_) out += p.own ? platform::ToUserText(p.bytes) : p.bytes;
  return out;
}

}  // namespace tolvar::client
