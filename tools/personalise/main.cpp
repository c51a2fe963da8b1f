// cardling-personalise: writes a copy of the card with a new greeting, or
// prints the greeting of a card, without Windows and without the card's UI.
//   cardling-personalise INPUT OUTPUT --message TEXT
//   cardling-personalise INPUT OUTPUT --message-file FILE
//   cardling-personalise --print-message INPUT
// OUTPUT appears only once the whole copy is written and read back; INPUT is
// never written. Errors: one line on stderr, exit code 2 (usage errors: 1).

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "peimage/exe_rewriter.h"
#include "tools/personalise/file_system.h"
#include "tools/personalise/personalise.h"

namespace {

constexpr int kUsageError = 1;
constexpr int kFailure = 2;

constexpr char kUsage[] =
    "usage: cardling-personalise INPUT OUTPUT (--message TEXT | --message-file FILE)"
    " | --print-message INPUT";

int UsageError(const char* problem) {
  std::fprintf(stderr, "cardling-personalise: %s; %s\n", problem, kUsage);
  return kUsageError;
}

int Failure(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "cardling-personalise: %s: %s\n", path.c_str(), reason.c_str());
  return kFailure;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  bytes->clear();
  uint8_t block[1 << 16];
  size_t count;
  while ((count = std::fread(block, 1, sizeof block, file)) > 0)
    bytes->insert(bytes->end(), block, block + count);
  bool read = !std::ferror(file);
  std::fclose(file);
  return read;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return (std::fclose(file) == 0) && written;
}

// True when the file holds exactly `copy`, with `message` as its greeting.
bool ReadsBackAs(const std::string& path, const std::vector<uint8_t>& copy,
                 const std::string& message) {
  std::vector<uint8_t> reread;
  return ReadWholeFile(path, &reread) && reread == copy &&
         ExeBytesHoldResource({reread.data(), reread.size()}, kMessageType,
                              ResourceIdKey(kMessageId), message.data(),
                              static_cast<uint32_t>(message.size()));
}

// Writes the copy beside OUTPUT, reads it back, and only then puts it in
// OUTPUT's place, so OUTPUT is either the checked copy or left as it was.
bool StoreCheckedCopy(const std::string& input, const std::string& output,
                      const std::vector<uint8_t>& copy, const std::string& message,
                      std::string* error) {
  std::string partial = output + ".partial";
  if (!WriteWholeFile(partial, copy)) {
    *error = "the copy could not be written";
  } else if (!ReadsBackAs(partial, copy, message)) {
    *error = "the written copy does not read back as written";
  } else {
    CopyFileMode(input.c_str(), partial.c_str());
    if (ReplaceFileWith(partial.c_str(), output.c_str())) return true;
    *error = "the copy could not be moved into place";
  }
  std::remove(partial.c_str());
  return false;
}

int PrintMessage(const std::string& input) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(input, &bytes)) return Failure(input, "can't read the file");
  std::string message, error;
  if (!ReadMessage({bytes.data(), bytes.size()}, &message, &error)) return Failure(input, error);
  SetBinaryStandardOutput();
  if (std::fwrite(message.data(), 1, message.size(), stdout) != message.size() ||
      std::fflush(stdout) != 0)
    return Failure("standard output", "write failed");
  return 0;
}

int WriteCopy(const std::string& input, const std::string& output, std::string message) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(input, &bytes)) return Failure(input, "can't read the file");
  if (IsSameFile(input.c_str(), output.c_str()) ||
      IsSameFile(input.c_str(), (output + ".partial").c_str()))
    return Failure(output, "is the input file, which is never overwritten");
  message = WithCrLf(message);
  MemorySink copy;
  std::string error;
  if (!PersonaliseCopy({bytes.data(), bytes.size()}, message, &copy, &error))
    return Failure(input, error);
  if (!StoreCheckedCopy(input, output, copy.Bytes(), message, &error))
    return Failure(output, error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> paths;
  std::string message, messageFile;
  bool haveMessage = false, haveMessageFile = false, printMessage = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--message" || argument == "--message-file") {
      if (i + 1 >= argc) return UsageError((argument + " needs a value").c_str());
      bool& seen = argument == "--message" ? haveMessage : haveMessageFile;
      if (seen) return UsageError((argument + " is given twice").c_str());
      seen = true;
      (argument == "--message" ? message : messageFile) = argv[++i];
    } else if (argument == "--print-message") {
      printMessage = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return UsageError(("unknown option " + argument).c_str());
    } else {
      paths.push_back(argument);
    }
  }

  if (printMessage) {
    if (haveMessage || haveMessageFile || paths.size() != 1)
      return UsageError("--print-message takes one INPUT and nothing else");
    return PrintMessage(paths[0]);
  }
  if (paths.size() != 2) return UsageError("INPUT and OUTPUT are needed");
  if (haveMessage == haveMessageFile)
    return UsageError("give exactly one of --message and --message-file");
  if (haveMessageFile) {
    std::vector<uint8_t> text;
    if (!ReadWholeFile(messageFile, &text)) return Failure(messageFile, "can't read the file");
    message.assign(text.begin(), text.end());
  }
  return WriteCopy(paths[0], paths[1], message);
}
