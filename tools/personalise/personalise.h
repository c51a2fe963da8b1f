// What the command-line personaliser does to bytes: reads a card's greeting
// and writes a copy with a new one. The file handling lives in main.cpp.
#pragma once

#include <string>

#include "peimage/byte_sink.h"

// The greeting resource of the card.
constexpr const char kMessageType[] = "MSGTEXT";
constexpr uint16_t kMessageId = 101;
// The card shows at most this many bytes of its greeting.
constexpr size_t kMaxMessageBytes = 255;

// The text with every lone LF turned into CR LF, as the card stores lines.
std::string WithCrLf(const std::string& text);

// The stored greeting of the executable `file`, up to its first NUL.
bool ReadMessage(ByteView file, std::string* message, std::string* error);

// Writes into `copy` the executable `file` with `message` as its greeting,
// and checks that the copy reads back with exactly that greeting.
bool PersonaliseCopy(ByteView file, const std::string& message, MemorySink* copy,
                     std::string* error);
