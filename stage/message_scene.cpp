#include "stage/message_scene.h"

#include <cstdlib>
#include <cstring>

#include "card/card_dialog.h"
#include "stage/sprite.h"

void ReadMessageResource(HINSTANCE instance, char* buffer) {
  buffer[0] = '\0';
  HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(kMessageTextId), "MSGTEXT");
  if (!info) {
    return;
  }
  DWORD size = SizeofResource(instance, info);
  HGLOBAL resource = LoadResource(instance, info);
  const char* data = resource ? static_cast<const char*>(LockResource(resource)) : nullptr;
  if (data && size > 0) {
    // The text ends at its first NUL, or at the resource's end when it has none.
    size_t length = strnlen(data, size < DWORD(kMaxMessageLength) ? size : kMaxMessageLength);
    memcpy(buffer, data, length);
    buffer[length] = '\0';
  }
  if (resource) {
    FreeResource(resource);
  }
}

char* ParseCharacterSetName(const char* sourcePath) {
  if (!sourcePath) {
    return _strdup("UNKNOWN");
  }
  const char* last = strrchr(sourcePath, '\\');
  if (!last) {
    return _strdup("UNKNOWN");
  }
  // The directory starts after the backslash before the last one, or at the
  // path's start when there is only one.
  const char* start = sourcePath;
  for (const char* c = sourcePath; c < last; c++) {
    if (*c == '\\') {
      start = c + 1;
    }
  }
  size_t length = size_t(last - start);
  if (length < 2) {
    return _strdup("UNKNOWN");
  }
  char* name = static_cast<char*>(malloc(length + 1));
  if (name) {
    memcpy(name, start, length);
    name[length] = '\0';
  }
  return name;
}

MessageScene::MessageScene(HINSTANCE instance, HWND hostWindow, void* userData,
                           const char* name, const char* sourcePath)
    : Scene(instance, hostWindow, userData) {
  lstrcpynA(sceneName, name, sizeof(sceneName));
  characterSetName = ParseCharacterSetName(sourcePath);
  ReadMessageText();
}

MessageScene::~MessageScene() {
  free(characterSetName);
}

void MessageScene::ReadMessageText() {
  ReadMessageResource(instance, messageText);
}

int MessageScene::Tick() {
  // A finished scene's sprites stay as Finish left them.
  if (finished) {
    return 0;
  }
  int finishedCount = 0;
  while (finishedCount < spriteCount && sprites[finishedCount]->state == kSpriteFinished) {
    finishedCount++;
  }
  if (finishedCount == spriteCount) {
    Finish();
    return 0;
  }
  for (int i = 0; i < spriteCount; i++) {
    MoveSprite(sprites[i], sprites[i]->Tick());
  }
  return 0;
}

void MessageScene::Finish() {
  if (finished) {
    return;
  }
  for (int i = 0; i < spriteCount; i++) {
    sprites[i]->Hide();
  }
  if (callback) {
    for (int i = 0; i < spriteCount; i++) {
      callback(userData, kSceneSpriteChanged, sprites[i]);
    }
  }
  // Set before the card's modal loop, so a right click during it can't
  // finish the scene a second time.
  finished = TRUE;
  ShowCardDialog(instance, hostWindow, sceneName, characterSetName);
}

void MessageScene::MoveSprite(Sprite* sprite, int packedDelta) {
  RECT rect;
  sprite->GetScreenRect(&rect);
  OffsetRect(&rect, PackedX(packedDelta), PackedY(packedDelta));
  sprite->SetScreenRect(&rect);
}
