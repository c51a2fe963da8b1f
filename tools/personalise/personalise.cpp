#include "tools/personalise/personalise.h"

#include <cstring>

#include "peimage/exe_rewriter.h"

std::string WithCrLf(const std::string& text) {
  std::string result;
  result.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result += '\r';
    result += text[i];
  }
  return result;
}

bool ReadMessage(ByteView file, std::string* message, std::string* error) {
  ExeRewriter image;
  if (!image.Open(file)) {
    *error = image.Error();
    return false;
  }
  uint32_t size = 0;
  const uint8_t* stored = image.FindResourceData(kMessageType, ResourceIdKey(kMessageId), &size);
  if (!stored) {
    *error = "the executable has no MSGTEXT 101 greeting";
    return false;
  }
  const void* nul = std::memchr(stored, 0, size);
  size_t length = nul ? static_cast<const uint8_t*>(nul) - stored : size;
  message->assign(reinterpret_cast<const char*>(stored), length);
  return true;
}

bool PersonaliseCopy(ByteView file, const std::string& message, MemorySink* copy,
                     std::string* error) {
  if (message.empty()) {
    *error = "the message is empty";
    return false;
  }
  if (message.size() > kMaxMessageBytes) {
    *error = "the message is longer than 255 bytes";
    return false;
  }
  if (message.find('\0') != std::string::npos) {
    *error = "the message contains a NUL byte";
    return false;
  }
  ExeRewriter image;
  if (!image.Open(file)) {
    *error = image.Error();
    return false;
  }
  const char* name = ResourceIdKey(kMessageId);
  if (!image.ReplaceResourceData(kMessageType, name, message.data(),
                                 static_cast<uint32_t>(message.size()))) {
    *error = "the executable has no MSGTEXT 101 greeting";
    return false;
  }
  if (!image.Write(*copy)) {
    *error = image.Error();
    return false;
  }
  if (!ExeBytesHoldResource(copy->View(), kMessageType, name, message.data(),
                            static_cast<uint32_t>(message.size()))) {
    *error = "the copy does not read back with the new message";
    return false;
  }
  return true;
}
