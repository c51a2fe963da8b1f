// The show the program puts on the desktop: the gift box opens, the
// character rises, walks, dances and comes back, then holds up the tag with
// the greeting until it is clicked.
#pragma once

#include "stage/message_scene.h"

class FigureSprite;
class GiftBoxSprite;

class GreetingScene : public MessageScene {
public:
  GreetingScene(HINSTANCE instance, HWND hostWindow, void* userData);

  int GetSpriteCount() override;
  // The gift box for index 0, the figure for any other.
  Sprite* GetSprite(int index) override;
  int Tick() override;

  FigureSprite* figure = nullptr;    // owned through the sprite list
  GiftBoxSprite* giftBox = nullptr;  // owned through the sprite list
};
