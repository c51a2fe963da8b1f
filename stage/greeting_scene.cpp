#include "stage/greeting_scene.h"

#include <new>

#include "stage/figure_sprite.h"
#include "stage/gift_box_sprite.h"

// The scene's script lives in the directory of its character set, which
// names the set in the card's links.
static const char kGreetingScript[] = "scenes\\xgirl\\GRLSCENE";

GreetingScene::GreetingScene(HINSTANCE instance, HWND hostWindow, void* userData)
    : MessageScene(instance, hostWindow, userData, "vic1", kGreetingScript) {
  figure = new FigureSprite(this, instance, kFigureWalkLeft);
  figure->Hide();
  giftBox = new GiftBoxSprite(this, instance, kBoxClosed);
  // Centred, its bottom edge 40 pixels above the floor.
  giftBox->SetBounds((screenWidth - 120) / 2, floorY - 190, 120, 150);
  giftBox->SetMessage(messageText);
  AddSprite(giftBox);
  AddSprite(figure);
}

int GreetingScene::GetSpriteCount() {
  return 2;
}

Sprite* GreetingScene::GetSprite(int index) {
  if (index == 0) {
    return giftBox;
  }
  return figure;
}

int GreetingScene::Tick() {
  // Once finished, the figure must not be placed and shown again.
  if (finished) {
    return 0;
  }
  if (giftBox->state == kSpriteFinished && figure->state == kSpriteFinished) {
    Finish();
    return 0;
  }
  MoveSprite(giftBox, giftBox->Tick());
  // Her turn comes when the box stands open and empty; she starts 17 pixels
  // into it, where the rising character stood.
  if (giftBox->state == kBoxEmpty && !figure->IsShown()) {
    RECT box;
    giftBox->GetScreenRect(&box);
    figure->SetBounds(box.left + 17, box.top, 120, 150);
    figure->Show();
  }
  if (!figure->IsShown()) {
    return 0;
  }
  MoveSprite(figure, figure->Tick());
  if (!figure->IsShown()) {
    giftBox->SetState(kBoxFetchingTag);
  }
  return 0;
}

Scene* CreateScene(HINSTANCE instance, HWND hostWindow, void* userData, int) {
  return new (std::nothrow) GreetingScene(instance, hostWindow, userData);
}
