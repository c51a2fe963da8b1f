#include "stage/scene.h"

#include "stage/sprite.h"

Scene::Scene(HINSTANCE instance, HWND hostWindow, void* userData)
    : instance(instance), userData(userData), hostWindow(hostWindow) {
  HDC screen = GetDC(nullptr);
  screenWidth = GetDeviceCaps(screen, HORZRES);
  int screenHeight = GetDeviceCaps(screen, VERTRES);
  ReleaseDC(nullptr, screen);

  RECT taskbarRect;
  HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
  BOOL haveTaskbar = taskbar && GetWindowRect(taskbar, &taskbarRect);
  floorY = FloorAboveTaskbar(screenWidth, screenHeight, haveTaskbar ? &taskbarRect : nullptr);
}

Scene::~Scene() {
  for (int i = 0; i < spriteCount; i++) {
    delete sprites[i];
  }
  delete[] sprites;
}

void Scene::AddSprite(Sprite* sprite) {
  if (!sprite) {
    return;
  }
  Sprite** grown = new Sprite*[spriteCount + 1];
  for (int i = 0; i < spriteCount; i++) {
    grown[i] = sprites[i];
  }
  grown[spriteCount] = sprite;
  delete[] sprites;
  sprites = grown;
  spriteCount++;
}

int Scene::GetSpriteCount() {
  return spriteCount;
}

Sprite* Scene::GetSprite(int index) {
  if (index < 0 || index >= spriteCount) {
    return nullptr;
  }
  return sprites[index];
}

Sprite* Scene::FindSprite(int spriteId) {
  for (int i = 0; i < spriteCount; i++) {
    if (sprites[i] && sprites[i]->id == spriteId) {
      return sprites[i];
    }
  }
  return nullptr;
}

void Scene::Finish() {}

int FloorAboveTaskbar(int screenWidth, int screenHeight, const RECT* taskbar) {
  if (taskbar && taskbar->right - taskbar->left >= screenWidth) {
    return screenHeight - (taskbar->bottom - taskbar->top);
  }
  return screenHeight;
}
