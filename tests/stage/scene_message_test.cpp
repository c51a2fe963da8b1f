// The scene base and the message scene: the sprite list, ticking and moving,
// the MSGTEXT resource as copies of this test program carry it, the
// character-set name, the floor above the taskbar, and the end of the scene.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stage/message_scene.h"
#include "stage/sprite.h"
#include "tests/stage/scene_card_closer.h"

namespace {

class ScriptedSprite : public Sprite {
public:
  ScriptedSprite(int initialState, int packedDelta, int* deaths = nullptr, int spriteId = 0)
      : Sprite(nullptr, GetModuleHandleA(nullptr), spriteId), delta(packedDelta), deaths(deaths) {
    state = initialState;
    SetBounds(100, 200, 120, 150);
  }
  ~ScriptedSprite() override {
    if (deaths) {
      ++*deaths;
    }
  }
  int Tick() override {
    ticks++;
    return delta;
  }
  void SetState(int newState) override { state = newState; }

  int ticks = 0;
  int delta;
  int* deaths;
};

struct Event {
  void* userData;
  int event;
  void* data;
};
std::vector<Event> events;

int RecordEvent(void* userData, int event, void* data) {
  events.push_back({userData, event, data});
  return 0;
}

// A copy of this program whose MSGTEXT 101 holds `bytes`, loaded as data.
class MessageModule {
public:
  explicit MessageModule(const std::string& bytes) {
    HMODULE self = GetModuleHandleA(nullptr);
    WORD language = 0;
    EnumResourceLanguagesA(self, "MSGTEXT", MAKEINTRESOURCEA(kMessageTextId), TakeLanguage,
                           LONG_PTR(&language));
    char selfPath[MAX_PATH];
    GetModuleFileNameA(self, selfPath, MAX_PATH);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "msg", 0, path);
    EXPECT_TRUE(CopyFileA(selfPath, path, FALSE));
    HANDLE update = BeginUpdateResourceA(path, FALSE);
    EXPECT_NE(update, nullptr);
    EXPECT_TRUE(UpdateResourceA(update, "MSGTEXT", MAKEINTRESOURCEA(kMessageTextId), language,
                                const_cast<char*>(bytes.data()), DWORD(bytes.size())));
    EXPECT_TRUE(EndUpdateResourceA(update, FALSE));
    module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, nullptr);
  }
  ~MessageModule() {
    FreeLibrary(module);
    DeleteFileA(path);
  }
  MessageModule(const MessageModule&) = delete;
  MessageModule& operator=(const MessageModule&) = delete;

  HINSTANCE instance() const { return HINSTANCE(module); }

private:
  static BOOL CALLBACK TakeLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
    *reinterpret_cast<WORD*>(out) = language;
    return FALSE;
  }

  char path[MAX_PATH] = {};
  HMODULE module = nullptr;
};

const char kOwnMessage[] = "Joyeux No\xEBl\r\n---------------------\r\n";

TEST(ReadMessageResource, TheProgramsOwnMessage) {
  char text[kMaxMessageLength + 1];
  memset(text, 'x', sizeof(text));
  ReadMessageResource(GetModuleHandleA(nullptr), text);
  EXPECT_EQ(strlen(text), 36u) << "nothing from the bytes after the resource";
  EXPECT_STREQ(text, kOwnMessage);
}

TEST(ReadMessageResource, NoResourceGivesAnEmptyMessage) {
  char text[kMaxMessageLength + 1] = "stale";
  ReadMessageResource(GetModuleHandleA("kernel32.dll"), text);
  EXPECT_STREQ(text, "");
}

TEST(ReadMessageResource, LengthAndNulRules) {
  std::string withNulAt10 = std::string(300, 'b');
  withNulAt10[10] = '\0';
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"300 bytes without NUL", std::string(300, 'a'), std::string(255, 'a')},
      {"a NUL at position 10", withNulAt10, std::string(10, 'b')},
      {"exactly 255 bytes", std::string(255, 'c'), std::string(255, 'c')},
      {"256 bytes", std::string(256, 'd'), std::string(255, 'd')},
      {"NUL terminated", std::string("Hello\0", 6), "Hello"},
      {"a single byte", "Z", "Z"},
  };
  for (const Case& c : cases) {
    MessageModule module(c.bytes);
    char text[kMaxMessageLength + 1];
    memset(text, 'x', sizeof(text));
    ReadMessageResource(module.instance(), text);
    EXPECT_EQ(std::string(text), c.expected) << c.name;
  }
}

TEST(ParseCharacterSetName, TheLastDirectoryOfThePath) {
  struct Case {
    const char* path;
    const char* name;
  } cases[] = {
      {"C:\\cards\\xgirl\\GRLSCENE", "xgirl"},
      {"\\xgirl\\GRLSCENE", "xgirl"},
      {"scenes\\xgirl\\GRLSCENE", "xgirl"},
      {"x\\ab\\scene", "ab"},
      {"x\\a\\scene", "UNKNOWN"},
      {"x\\\\scene", "UNKNOWN"},
      {"noslashes", "UNKNOWN"},
      {"xgirl\\GRLSCENE", "xgirl"},
      {"a\\scene", "UNKNOWN"},
      {"\\scene", "UNKNOWN"},
      {"C:/forward/slashes/only", "UNKNOWN"},
      {nullptr, "UNKNOWN"},
  };
  for (const Case& c : cases) {
    char* name = ParseCharacterSetName(c.path);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, c.name) << (c.path ? c.path : "(null)");
    free(name);
  }
}

TEST(FloorAboveTaskbar, OnlyAFullWidthTaskbarRaisesTheFloor) {
  struct Case {
    const char* name;
    bool present;
    RECT taskbar;
    int floor;
  } cases[] = {
      {"bottom, full width", true, {0, 740, 1024, 768}, 740},
      {"top, full width", true, {0, 0, 1024, 28}, 740},
      {"wider than the screen", true, {-2, 738, 1026, 770}, 736},
      {"left edge", true, {0, 0, 60, 768}, 768},
      {"right edge", true, {964, 0, 1024, 768}, 768},
      {"hidden, empty rectangle", true, {0, 0, 0, 0}, 768},
      {"none", false, {}, 768},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FloorAboveTaskbar(1024, 768, c.present ? &c.taskbar : nullptr), c.floor) << c.name;
  }
}

class MessageSceneTest : public testing::Test {
protected:
  void SetUp() override { events.clear(); }
  HostWindow host;
  MessageScene scene{GetModuleHandleA(nullptr), host.window, &host, "vic1",
                     "C:\\cards\\xgirl\\GRLSCENE"};
};

TEST_F(MessageSceneTest, ConstructionReadsNameMessageAndScreen) {
  EXPECT_STREQ(scene.sceneName, "vic1");
  EXPECT_STREQ(scene.characterSetName, "xgirl");
  EXPECT_STREQ(scene.messageText, kOwnMessage);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(scene.screenWidth, GetDeviceCaps(screen, HORZRES));
  EXPECT_LE(scene.floorY, GetDeviceCaps(screen, VERTRES));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(scene.GetCaptureSprite(), nullptr);
  EXPECT_FALSE(scene.finished);
}

TEST_F(MessageSceneTest, SpriteListLookups) {
  scene.AddSprite(new ScriptedSprite(1, 0, nullptr, 7));
  scene.AddSprite(new ScriptedSprite(1, 0, nullptr, 9));
  scene.AddSprite(new ScriptedSprite(1, 0, nullptr, 7));
  EXPECT_EQ(scene.GetSpriteCount(), 3);
  EXPECT_EQ(scene.GetSprite(-1), nullptr);
  EXPECT_EQ(scene.GetSprite(3), nullptr);
  EXPECT_EQ(scene.GetSprite(1)->id, 9);
  EXPECT_EQ(scene.FindSprite(7), scene.GetSprite(0));
  EXPECT_EQ(scene.FindSprite(9), scene.GetSprite(1));
  EXPECT_EQ(scene.FindSprite(8), nullptr);
}

TEST_F(MessageSceneTest, TickMovesEverySpriteByItsSignedDelta) {
  ScriptedSprite* left = new ScriptedSprite(kSpriteFinished, 0x0000FFF8);  // dx -8
  ScriptedSprite* up = new ScriptedSprite(5, int(0xFFFF0000));              // dy -1
  ScriptedSprite* hidden = new ScriptedSprite(kSpriteFinished, 0x00020003);
  hidden->Hide();
  scene.AddSprite(left);
  scene.AddSprite(up);
  scene.AddSprite(hidden);
  EXPECT_EQ(scene.Tick(), 0);
  EXPECT_FALSE(scene.finished) << "one sprite is still playing";
  for (ScriptedSprite* s : {left, up, hidden}) {
    EXPECT_EQ(s->ticks, 1);
  }
  EXPECT_EQ(left->screenRect.left, 92);
  EXPECT_EQ(left->screenRect.top, 200);
  EXPECT_EQ(left->screenRect.right, 212);
  EXPECT_EQ(up->screenRect.left, 100);
  EXPECT_EQ(up->screenRect.top, 199);
  EXPECT_EQ(up->screenRect.bottom, 349);
  EXPECT_EQ(hidden->screenRect.left, 103);
  EXPECT_EQ(hidden->screenRect.top, 202);
  EXPECT_TRUE(events.empty());
}

TEST_F(MessageSceneTest, FinishesOnceWhenEverySpriteIsFinished) {
  ScriptedSprite* first = new ScriptedSprite(kSpriteFinished, 0x0000FFF8);
  ScriptedSprite* second = new ScriptedSprite(kSpriteFinished, 0);
  scene.AddSprite(first);
  scene.AddSprite(second);
  scene.SetCallback(RecordEvent);
  bool checkedAtCard = false;
  CardCloser closer([&] {
    // By the time the card is up the sprites are hidden and reported.
    EXPECT_FALSE(first->shown);
    EXPECT_FALSE(second->shown);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_TRUE(scene.finished);
    checkedAtCard = true;
  });
  scene.Tick();
  EXPECT_EQ(closer.cardsClosed, 1);
  EXPECT_TRUE(checkedAtCard);
  EXPECT_EQ(first->ticks, 0) << "a finishing scene does not tick its sprites";
  EXPECT_EQ(first->screenRect.left, 100);
  ASSERT_EQ(events.size(), 2u);
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(events[i].userData, &host);
    EXPECT_EQ(events[i].event, kSceneSpriteChanged);
    EXPECT_EQ(events[i].data, scene.GetSprite(i));
  }

  scene.Tick();
  scene.Finish();
  EXPECT_EQ(closer.cardsClosed, 1) << "the card opens once";
  EXPECT_EQ(events.size(), 2u) << "the sprites are reported once";
}

TEST_F(MessageSceneTest, FinishedOnlyWhenTheFinishedRunCoversTheList) {
  ScriptedSprite* playing = new ScriptedSprite(3, 0);
  scene.AddSprite(playing);
  scene.AddSprite(new ScriptedSprite(kSpriteFinished, 0));
  CardCloser closer;
  scene.Tick();
  EXPECT_EQ(closer.cardsClosed, 0);
  playing->state = kSpriteFinished;
  scene.Tick();
  EXPECT_EQ(closer.cardsClosed, 1);
}

TEST_F(MessageSceneTest, ASceneWithoutSpritesFinishesOnItsFirstTick) {
  CardCloser closer;
  scene.Tick();
  EXPECT_TRUE(scene.finished);
  EXPECT_EQ(closer.cardsClosed, 1);
}

TEST_F(MessageSceneTest, FinishWithoutACallbackHidesAndOpensTheCard) {
  ScriptedSprite* sprite = new ScriptedSprite(2, 0);
  scene.AddSprite(sprite);
  CardCloser closer;
  scene.Finish();
  EXPECT_FALSE(sprite->shown);
  EXPECT_EQ(closer.cardsClosed, 1);
  EXPECT_TRUE(events.empty());
}

TEST(Scene, DestructionDeletesEverySpriteOnce) {
  int deaths = 0;
  {
    MessageScene scene(GetModuleHandleA(nullptr), nullptr, nullptr, "vic1", nullptr);
    EXPECT_STREQ(scene.characterSetName, "UNKNOWN");
    for (int i = 0; i < 3; i++) {
      scene.AddSprite(new ScriptedSprite(1, 0, &deaths));
    }
  }
  EXPECT_EQ(deaths, 3);
}

TEST(Scene, LongSceneNamesAreCut) {
  std::string longName(100, 'n');
  MessageScene scene(GetModuleHandleA(nullptr), nullptr, nullptr, longName.c_str(), nullptr);
  EXPECT_EQ(strlen(scene.sceneName), size_t(kMaxSceneNameLength));
}

}  // namespace
