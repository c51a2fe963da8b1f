// The script of one performer on the desktop: the sprites it owns, what
// moves them each host tick, and the callback through which it reports.
#pragma once

#include <windows.h>

class Sprite;

// What a scene tells its owner; the return value is ignored.
typedef int (*SceneCallback)(void* userData, int event, void* data);

// Scene events. Scenes of this program send only kSceneSpriteChanged.
constexpr int kSceneSpriteChanged = 1;  // data: the Sprite* whose look or visibility changed
constexpr int kScenePlayMusic = 2;      // data: MIDI resource name, null for the default tune
constexpr int kSceneToggleTopmost = 3;  // data: unused

class Scene {
public:
  Scene(HINSTANCE instance, HWND hostWindow, void* userData);

  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  virtual ~Scene();
  // The scene owns the sprite from then on.
  virtual void AddSprite(Sprite* sprite);
  virtual int GetSpriteCount();
  // Null outside 0 .. count-1.
  virtual Sprite* GetSprite(int index);
  virtual Sprite* FindSprite(int id);
  virtual int Tick() = 0;
  virtual void Finish();

  void SetCallback(SceneCallback newCallback) { callback = newCallback; }
  Sprite* GetCaptureSprite() { return captureSprite; }

  HINSTANCE instance = nullptr;
  void* userData = nullptr;     // first argument of every callback
  int screenWidth = 0;
  int floorY = 0;               // screen height above a full-width taskbar
  HWND hostWindow = nullptr;
  SceneCallback callback = nullptr;
  Sprite** sprites = nullptr;
  int spriteCount = 0;
  BOOL finished = FALSE;
  Sprite* captureSprite = nullptr;  // receives all mouse input when set
};

// The lowest row sprites stand on: the screen height, less the height of a
// taskbar (window rectangle `taskbar`, null when there is none) that spans
// the whole screen width, whether docked at the bottom or at the top.
int FloorAboveTaskbar(int screenWidth, int screenHeight, const RECT* taskbar);

// The scene factory: a new greeting scene, or null. `reserved` is not used.
Scene* CreateScene(HINSTANCE instance, HWND hostWindow, void* userData, int reserved);
