// The rewriter core on PE files built in memory: a rewritten file must equal
// the file the linker would have built from the new resources (apart from
// the filler the rewriter writes), and anything unsafe is refused.

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "peimage/exe_rewriter.h"
#include "tests/peimage/pe_builder.h"
#include "tools/personalise/personalise.h"

namespace {

const char* const kMessage = "MSGTEXT";
const std::string kGreeting = "Joyeux No\xebl\r\n---------------------\r\n";

std::vector<BuiltResource> CardResources(const std::string& greeting) {
  std::vector<uint8_t> palette(1064);
  for (size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<uint8_t>(i * 7);
  return {
      {"#14", "#100", 1033, Bytes("icon group")},
      {"FIG", "#201", 1033, std::vector<uint8_t>(517, 0x5A)},
      {kMessage, "#101", 1033, Bytes(greeting)},
      {kMessage, "#101", 1036, Bytes("Deuxieme langue")},
      {"CONFIG", "#1200", 1033, Bytes("G")},
      {"#2", "IDB_PAL", 1033, palette},
      {"MIDI", "IDM_MUSIC", 1033, Bytes("MThd tune")},
  };
}

BuiltPe BuildCard(const std::string& greeting, const PeBuildOptions& options) {
  return BuildPe(CardResources(greeting), options);
}

std::vector<uint8_t> Rewrite(const std::vector<uint8_t>& file, const std::string* greeting,
                             std::string* error = nullptr) {
  ExeRewriter image;
  MemorySink sink;
  bool ok = image.Open({file.data(), file.size()});
  if (ok && greeting)
    ok = image.ReplaceResourceData(kMessage, ResourceIdKey(101), greeting->data(),
                                   static_cast<uint32_t>(greeting->size()));
  ok = ok && image.Write(sink);
  if (error) *error = image.Error();
  return ok ? sink.Bytes() : std::vector<uint8_t>();
}

// Where the linker leaves zeros the rewriter writes "PADDINGPADDINGXX": after
// a replaced item up to its 8-byte step, and after the data up to the end of
// the section.
void FillLikeRewriter(BuiltPe* built, size_t greetingSize) {
  ExeRewriter image;
  ASSERT_TRUE(image.Open({built->bytes.data(), built->bytes.size()}));
  const uint8_t* greeting = image.FindResourceData(kMessage, ResourceIdKey(101), nullptr);
  size_t at = greeting - built->bytes.data() + greetingSize;
  for (size_t i = 0; at + i < (at + 7) / 8 * 8; ++i) built->bytes[at + i] = kResourcePadding[i];
  PeFields fields = ReadPeFields(built->bytes);
  const PeSection* resources = fields.Find(".rsrc");
  for (size_t i = built->resourceInUse; i < resources->rawSize; ++i)
    built->bytes[resources->rawPointer + i] = kResourcePadding[(i - built->resourceInUse) % 16];
}

struct LayoutCase {
  const char* label;
  PeBuildOptions options;
};

std::vector<LayoutCase> Layouts() {
  PeBuildOptions windres;
  windres.depthFirst = true;
  windres.relocations = true;
  windres.stringTable = true;
  PeBuildOptions levelOrder;
  PeBuildOptions pageAligned;
  pageAligned.fileAlignment = 0x1000;
  return {{"windres layout, .reloc and string table after .rsrc", windres},
          {"level-order layout, .rsrc last", levelOrder},
          {"FileAlignment 0x1000", pageAligned}};
}

TEST(ExeRewriter, RewrittenFileEqualsTheLinkersFileForTheNewGreeting) {
  const std::string greetings[] = {
      kGreeting,                       // the same text
      std::string(40, 'x'),            // the same aligned size
      std::string(255, 'y'),           // grows across a FileAlignment step
      "Hi!",                           // shrinks
      std::string(1, 'z'),
  };
  for (const LayoutCase& layout : Layouts()) {
    BuiltPe original = BuildCard(kGreeting, layout.options);
    for (const std::string& greeting : greetings) {
      SCOPED_TRACE(std::string(layout.label) + ", greeting of " + std::to_string(greeting.size()));
      BuiltPe expected = BuildCard(greeting, layout.options);
      FillLikeRewriter(&expected, greeting.size());
      std::string error;
      std::vector<uint8_t> copy = Rewrite(original.bytes, &greeting, &error);
      ASSERT_EQ(copy.size(), expected.bytes.size()) << error;
      EXPECT_TRUE(copy == expected.bytes);
      EXPECT_TRUE(ExeBytesHoldResource({copy.data(), copy.size()}, kMessage, ResourceIdKey(101),
                                       greeting.data(), static_cast<uint32_t>(greeting.size())));
    }
  }
}

TEST(ExeRewriter, OnePassMakesAFixedPoint) {
  for (const LayoutCase& layout : Layouts()) {
    SCOPED_TRACE(layout.label);
    std::vector<uint8_t> shipped = Rewrite(BuildCard(kGreeting, layout.options).bytes, &kGreeting);
    ASSERT_FALSE(shipped.empty());
    EXPECT_TRUE(Rewrite(shipped, nullptr) == shipped);
    EXPECT_TRUE(Rewrite(shipped, &kGreeting) == shipped);
    std::string longer(255, 'L');
    EXPECT_TRUE(Rewrite(Rewrite(shipped, &longer), &kGreeting) == shipped);
  }
}

TEST(ExeRewriter, ReplacingMovesLaterItemsByTheChangeOfAlignedSize) {
  struct Case {
    size_t size;
    int64_t delta;
    const char* padding;
  } cases[] = {{255, 216, "P"}, {40, 0, ""}, {3, -32, "PADDI"}, {36, 0, "PADD"}};
  BuiltPe original = BuildCard(kGreeting, {});
  ExeRewriter before;
  ASSERT_TRUE(before.Open({original.bytes.data(), original.bytes.size()}));
  uint32_t paletteSize = 0;
  const uint8_t* palette = before.FindResourceData(ResourceIdKey(2), "IDB_PAL", &paletteSize);
  ptrdiff_t paletteAt = palette - original.bytes.data();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string greeting(c.size, 'g');
    std::vector<uint8_t> copy = Rewrite(original.bytes, &greeting);
    ExeRewriter after;
    ASSERT_TRUE(after.Open({copy.data(), copy.size()}));
    uint32_t size = 0;
    const uint8_t* stored = after.FindResourceData(kMessage, ResourceIdKey(101), &size);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored) + size, std::strlen(c.padding)),
              c.padding);
    const uint8_t* moved = after.FindResourceData(ResourceIdKey(2), "IDB_PAL", &size);
    EXPECT_EQ(moved - copy.data(), paletteAt + c.delta);
    EXPECT_EQ(0, std::memcmp(moved, palette, paletteSize));
  }
}

TEST(ExeRewriter, FindsTextTypesOnlyInNamedEntriesAndTheFirstLanguage) {
  std::vector<BuiltResource> resources = CardResources(kGreeting);
  resources.push_back({"#101", "#101", 1033, Bytes("id type 101")});
  BuiltPe built = BuildPe(resources);
  ExeRewriter image;
  ASSERT_TRUE(image.Open({built.bytes.data(), built.bytes.size()}));
  uint32_t size = 0;
  const uint8_t* found = image.FindResourceData(kMessage, ResourceIdKey(101), &size);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(found), size), kGreeting);
  found = image.FindResourceData(ResourceIdKey(101), ResourceIdKey(101), &size);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(found), size), "id type 101");
  EXPECT_EQ(image.FindResourceData("msgtext", ResourceIdKey(101), &size), nullptr);
  EXPECT_EQ(image.FindResourceData(kMessage, "101", &size), nullptr);
  EXPECT_NE(image.FindResourceData("MIDI", "IDM_MUSIC", &size), nullptr);
  EXPECT_FALSE(image.ReplaceResourceData("MISSING", ResourceIdKey(1), "x", 1));
  // An empty item would share its address with the next one.
  EXPECT_FALSE(image.ReplaceResourceData(kMessage, ResourceIdKey(101), "", 0));
}

// FileAlignment and SectionAlignment 0x1000, raw size 0x24000 of which
// 0x23F68 in use, SizeOfImage 0x3D000; the 36-byte greeting becomes 255 bytes.
TEST(ExeRewriter, GrowsAPageAlignedSectionByOneStep) {
  PeBuildOptions options;
  options.fileAlignment = 0x1000;
  options.sectionAlignment = 0x1000;
  options.codeVirtualSize = 0x18000;
  const uint32_t directory = 0x98;  // two tables of one entry, two of two, entries, one name
  std::vector<BuiltResource> resources = {
      {kMessage, "#101", 1033, Bytes(kGreeting)},
      {kMessage, "#102", 1033, std::vector<uint8_t>(0x23F68 - directory - 40, 0x11)}};
  BuiltPe original = BuildPe(resources, options);
  PeFields before = ReadPeFields(original.bytes);
  ASSERT_EQ(before.Find(".rsrc")->rawSize, 0x24000u);
  ASSERT_EQ(before.Find(".rsrc")->virtualSize, 0x23F68u);
  ASSERT_EQ(before.sizeOfImage, 0x3D000u);

  std::string greeting(255, 'w');
  std::vector<uint8_t> copy = Rewrite(original.bytes, &greeting);
  PeFields after = ReadPeFields(copy);
  const PeSection* resourceSection = after.Find(".rsrc");
  EXPECT_EQ(resourceSection->rawSize, 0x25000u);
  EXPECT_EQ(resourceSection->virtualSize, 0x24040u);
  EXPECT_EQ(after.directorySize[2], 0x24040u);
  EXPECT_EQ(after.sizeOfInitializedData, before.sizeOfInitializedData + 0x1000);
  EXPECT_EQ(after.sizeOfImage, 0x3E000u);
  EXPECT_EQ(copy.size(), resourceSection->rawPointer + 0x25000u);
  EXPECT_EQ(std::string(copy.end() - 0xFC0, copy.end() - 0xFC0 + 20), "PADDINGPADDINGXXPADD");
}

uint32_t At(const std::vector<uint8_t>& file, size_t at) {
  return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
}

std::vector<uint8_t> Patched(std::vector<uint8_t> file, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
  return file;
}

TEST(ExeRewriter, RefusesWhatItCantCopySafely) {
  PeBuildOptions windres;
  windres.depthFirst = true;
  windres.relocations = true;
  BuiltPe good = BuildCard(kGreeting, windres);
  const size_t opt = 0x98, root = good.resourceFileOffset;
  PeBuildOptions withOverlay = windres;
  withOverlay.overlay = Bytes("appended data or a signature");
  std::vector<uint8_t> random(4096);
  std::mt19937 generator(7);
  for (uint8_t& byte : random) byte = static_cast<uint8_t>(generator());
  std::vector<uint8_t> randomWithMz = random;
  randomWithMz[0] = 'M';
  randomWithMz[1] = 'Z';
  randomWithMz[60] = 0x40;
  randomWithMz[61] = randomWithMz[62] = randomWithMz[63] = 0;
  std::vector<uint8_t> pe32Plus = good.bytes;
  pe32Plus[opt] = 0x0B;
  pe32Plus[opt + 1] = 0x02;
  // The data entry of the first resource, found by the RVA it holds.
  uint32_t firstDataEntry = 0;
  {
    ExeRewriter image;
    image.Open({good.bytes.data(), good.bytes.size()});
    const uint8_t* icon = image.FindResourceData(ResourceIdKey(14), ResourceIdKey(100), nullptr);
    uint32_t rva = good.resourceRva + static_cast<uint32_t>(icon - good.bytes.data() - root);
    for (size_t at = root; at < root + 0x400 && !firstDataEntry; at += 4)
      if (At(good.bytes, at) == rva) firstDataEntry = static_cast<uint32_t>(at);
    ASSERT_NE(firstDataEntry, 0u);
  }
  // The language table entry that leads to that data entry.
  uint32_t languageEntry = 0;
  for (size_t at = root + 16; at < firstDataEntry && !languageEntry; at += 4)
    if (At(good.bytes, at) == firstDataEntry - root) languageEntry = static_cast<uint32_t>(at);
  ASSERT_NE(languageEntry, 0u);

  struct Case {
    const char* label;
    std::vector<uint8_t> file;
    const char* reason;
  } cases[] = {
      {"empty", {}, "no MZ"},
      {"truncated in the DOS header", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 40), "no MZ"},
      {"truncated in the PE headers", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 0x100), "224 bytes"},
      {"truncated in the section table", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 0x1A0), "section table"},
      {"truncated in the resource section", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + root + 0x100), "outside the file"},
      {"one byte short", std::vector<uint8_t>(good.bytes.begin(), good.bytes.end() - 1), "outside the file"},
      {"random bytes", random, "no MZ"},
      {"random bytes after an MZ header", randomWithMz, "PE signature"},
      {"PE32+", pe32Plus, "PE32+"},
      {"a file alignment of 2 GB", Patched(good.bytes, opt + 36, 0x80000000u), "over 64 KB"},
      {"an overlay", BuildCard(kGreeting, withOverlay).bytes, "overlay"},
      {"a signature", Patched(good.bytes, opt + 96 + 32, 0x200), "signed"},
      {"no resource directory", Patched(good.bytes, opt + 96 + 16, 0), "no resource directory"},
      {"a resource table outside the section", Patched(good.bytes, root + 20, 0x80000000u | 0x7FFF0000u), "outside the resource section"},
      {"a subtable pointing back at the root", Patched(good.bytes, root + 20, 0x80000000u), "overlap"},
      {"a data entry on the root table", Patched(good.bytes, languageEntry, 0), "overlap"},
      {"a name outside the section", Patched(good.bytes, root + 16, 0x80000000u | 0x00FFFFF0u), "outside the resource section"},
      {"a data entry outside the section", Patched(good.bytes, root + 20, 0x7FFFFFF0u), "outside the resource section"},
      {"data not packed on 8-byte steps", Patched(good.bytes, firstDataEntry, At(good.bytes, firstDataEntry) + 8), "packed"},
      {"a data item larger than its place", Patched(good.bytes, firstDataEntry + 4, 0x10000), "packed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ExeRewriter image;
    EXPECT_FALSE(image.Open({c.file.data(), c.file.size()}));
    EXPECT_NE(std::strstr(image.Error(), c.reason), nullptr) << image.Error();
    MemorySink sink;
    EXPECT_FALSE(image.Write(sink));
    EXPECT_TRUE(sink.Bytes().empty());
  }
}

// Found by the fuzzer: a resource directory recorded with size 0 would wrap
// round to 4 GB when the greeting shrinks.
TEST(ExeRewriter, RefusesToShrinkBelowTheRecordedSizes) {
  PeBuildOptions windres;
  windres.depthFirst = true;
  windres.relocations = true;
  std::vector<uint8_t> file = Patched(BuildCard(kGreeting, windres).bytes, 0x98 + 96 + 16 + 4, 0);
  ExeRewriter image;
  ASSERT_TRUE(image.Open({file.data(), file.size()}));
  ASSERT_TRUE(image.ReplaceResourceData(kMessage, ResourceIdKey(101), "Hi", 2));
  MemorySink sink;
  EXPECT_FALSE(image.Write(sink));
  EXPECT_NE(std::strstr(image.Error(), "recorded sizes"), nullptr) << image.Error();
}

TEST(ExeRewriter, RefusesToMoveSectionsOtherThanTheRelocations) {
  PeBuildOptions options;
  options.relocations = true;
  BuiltPe built = BuildCard(kGreeting, options);
  // The base relocation directory now claims to be elsewhere: the section
  // after .rsrc holds something unknown, which can't change address.
  std::vector<uint8_t> file = Patched(built.bytes, 0x98 + 96 + 40, 0);
  ExeRewriter image;
  ASSERT_TRUE(image.Open({file.data(), file.size()}));
  std::string small = "short";
  ASSERT_TRUE(image.ReplaceResourceData(kMessage, ResourceIdKey(101), small.data(), 5));
  MemorySink kept;
  EXPECT_TRUE(image.Write(kept));  // same page: nothing moves in memory

  std::string huge(0x1800, 'h');
  ASSERT_TRUE(image.ReplaceResourceData(kMessage, ResourceIdKey(101), huge.data(), 0x1800));
  MemorySink sink;
  EXPECT_FALSE(image.Write(sink));
  EXPECT_NE(std::strstr(image.Error(), "can't move"), nullptr) << image.Error();
  EXPECT_TRUE(sink.Bytes().empty());
}

class FailingSink : public ByteSink {
 public:
  explicit FailingSink(size_t room) : room_(room) {}
  bool Write(const void*, size_t count) override {
    if (count > room_) return false;
    room_ -= count;
    return true;
  }

 private:
  size_t room_;
};

TEST(ExeRewriter, ReportsWriteErrors) {
  BuiltPe built = BuildCard(kGreeting, {});
  for (size_t room : {size_t{0}, size_t{0x300}, built.bytes.size() - 1}) {
    SCOPED_TRACE(room);
    ExeRewriter image;
    ASSERT_TRUE(image.Open({built.bytes.data(), built.bytes.size()}));
    FailingSink sink(room);
    EXPECT_FALSE(image.Write(sink));
  }
}

TEST(Personalise, TurnsLoneLineFeedsIntoCrLf) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"a\nb", "a\r\nb"}, {"a\r\nb", "a\r\nb"}, {"\n", "\r\n"}, {"\n\n", "\r\n\r\n"},
               {"a\r", "a\r"},     {"a\r\r\n", "a\r\r\n"}, {"plain", "plain"}};
  for (const Case& c : cases) EXPECT_EQ(WithCrLf(c.in), c.out) << c.in;
}

TEST(Personalise, ChecksTheMessageAndReadsItBack) {
  BuiltPe built = BuildCard(kGreeting, {});
  ByteView file{built.bytes.data(), built.bytes.size()};
  std::string message, error;
  ASSERT_TRUE(ReadMessage(file, &message, &error));
  EXPECT_EQ(message, kGreeting);
  for (const std::string& bad : {std::string(), std::string(256, 'x'), std::string("a\0b", 3)}) {
    MemorySink copy;
    EXPECT_FALSE(PersonaliseCopy(file, bad, &copy, &error));
    EXPECT_TRUE(copy.Bytes().empty());
  }
  MemorySink copy;
  ASSERT_TRUE(PersonaliseCopy(file, std::string(255, 'm'), &copy, &error)) << error;
  ASSERT_TRUE(ReadMessage(copy.View(), &message, &error));
  EXPECT_EQ(message, std::string(255, 'm'));
}

}  // namespace
