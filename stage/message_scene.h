// What every greeting scene shares: the message from the program's MSGTEXT
// resource, the scene's name, the name of its character set, and the end of
// the show, which hides the sprites and opens the card window.
#pragma once

#include "stage/scene.h"

// The greeting message: resource type "MSGTEXT", integer name 101.
constexpr int kMessageTextId = 101;
constexpr int kMaxMessageLength = 255;
constexpr int kMaxSceneNameLength = 31;

// Copies the MSGTEXT resource into `buffer` (kMaxMessageLength + 1 bytes):
// the text up to its first NUL or the resource's end, at most
// kMaxMessageLength characters. Empty when the resource is missing or empty.
void ReadMessageResource(HINSTANCE instance, char* buffer);

// Heap copy of the last directory of `sourcePath` (backslash separated);
// "UNKNOWN" when the path is null or that directory has fewer than two
// characters. The caller frees it with free().
char* ParseCharacterSetName(const char* sourcePath);

class MessageScene : public Scene {
public:
  MessageScene(HINSTANCE instance, HWND hostWindow, void* userData, const char* sceneName,
               const char* sourcePath);
  ~MessageScene() override;

  // Finishes when every sprite is finished; otherwise ticks and moves each.
  int Tick() override;
  // Once only: hides the sprites, reports each, then runs the card window.
  void Finish() override;
  // Moves the sprite by a packed movement (signed halves).
  virtual void MoveSprite(Sprite* sprite, int packedDelta);

  void ReadMessageText();

  char messageText[kMaxMessageLength + 1] = {};
  char sceneName[kMaxSceneNameLength + 1] = {};
  char* characterSetName = nullptr;  // owned
};
