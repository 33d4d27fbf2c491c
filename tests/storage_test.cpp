// Storage volume: card paths mapped into a local folder, files as streams.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "host/storage.h"
#include "support/temp_files.h"

namespace {

// Each test gets its own empty folder as the card.
class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("/tmp/qsodeck-storage-");
    ASSERT_FALSE(dir_.empty());
    SD.setRoot((dir_ + "/sdcard").c_str());
    ASSERT_TRUE(SD.begin());
  }
  void TearDown() override { ASSERT_TRUE(removeTempDir(dir_)); }
  std::string local(const std::string& rel) const { return dir_ + "/sdcard/" + rel; }
  void writeLocal(const std::string& rel, const std::string& data) {
    std::string p = local(rel);
    ASSERT_TRUE(desktopCreateParentDirs(String(p)));
    FILE* f = fopen(p.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(data.data(), 1, data.size(), f);
    fclose(f);
  }
  std::string readLocal(const std::string& rel) {
    bool ok = false;
    String s = desktopReadWholeFile(String(local(rel)), ok);
    return ok ? s.str() : std::string("<missing>");
  }
  static bool isDir(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  std::string dir_;
};

// Path mapping

TEST(StorageMapping, DefaultRootIsSdcardFolder) {
  EXPECT_STREQ(SD.root().c_str(), "sdcard");
  EXPECT_STREQ(SD_MMC.root().c_str(), "sdcard");
  EXPECT_STREQ(SD.mapPath("/config.json").c_str(), "sdcard/config.json");
}

TEST(StorageMapping, RootForms) {
  EXPECT_STREQ(SD.mapPath("/").c_str(), "sdcard");
  EXPECT_STREQ(SD.mapPath("").c_str(), "sdcard");
  EXPECT_STREQ(SD.mapPath(nullptr).c_str(), "sdcard");
  EXPECT_STREQ(SD.mapPath("///").c_str(), "sdcard");
}

TEST(StorageMapping, SlashesAndBackslashes) {
  EXPECT_STREQ(SD.mapPath("//a\\b.txt").c_str(), "sdcard/a/b.txt");
  EXPECT_STREQ(SD.mapPath("\\lookup\\dmr.txt").c_str(), "sdcard/lookup/dmr.txt");
  EXPECT_STREQ(SD.mapPath("flags/de.bmp").c_str(), "sdcard/flags/de.bmp");
}

TEST(StorageMapping, RootWithBackslashesAndTrailingSlash) {
  fs::FS vol("C:\\cards\\one\\");
  EXPECT_STREQ(vol.root().c_str(), "C:/cards/one");
  EXPECT_STREQ(vol.mapPath("/x").c_str(), "C:/cards/one/x");
}

TEST(StorageMapping, OpenModePassesThrough) {
  EXPECT_STREQ(storageOpenMode("rb"), "rb");
  EXPECT_STREQ(storageOpenMode("wb"), "wb");
  EXPECT_STREQ(storageOpenMode("ab"), "ab");
  EXPECT_STREQ(storageOpenMode("r+"), "r+");
}

// Reading and writing

TEST_F(StorageTest, WriteCreatesParentsAndReadsBack) {
  {
    File f = storageOpen("/x/y/z.txt", "wb");
    ASSERT_TRUE(f);
    EXPECT_EQ(f.write((const uint8_t*)"hello\nworld", 11), 11u);
    EXPECT_EQ(f.write('!'), 1u);
  }
  EXPECT_TRUE(isDir(local("x/y")));
  EXPECT_EQ(readLocal("x/y/z.txt"), "hello\nworld!");

  File r = storageOpen("/x/y/z.txt", "rb");
  ASSERT_TRUE(r);
  EXPECT_EQ(r.size(), 12u);
  EXPECT_STREQ(r.readStringUntil('\n').c_str(), "hello");
  EXPECT_EQ(r.available(), 6);
  EXPECT_EQ(r.read(), 'w');
  char buf[16] = {0};
  EXPECT_EQ(r.readBytes(buf, sizeof(buf)), 5u);
  EXPECT_STREQ(buf, "orld!");
  EXPECT_EQ(r.read(), -1);
  EXPECT_EQ(r.available(), 0);
}

TEST_F(StorageTest, MissingFileReadCreatesNothing) {
  File f = storageOpen("/x/y/z.txt", "rb");
  EXPECT_FALSE(f);
  EXPECT_FALSE(isDir(local("x")));
}

TEST_F(StorageTest, SizeDoesNotMovePosition) {
  writeLocal("a.bin", std::string("0123456789"));
  File f = storageOpen("/a.bin", "rb");
  ASSERT_TRUE(f);
  ASSERT_TRUE(f.seek(4));
  EXPECT_EQ(f.size(), 10u);
  EXPECT_EQ(f.read(), '4');
  EXPECT_EQ(f.available(), 5);
}

TEST_F(StorageTest, BinaryBytesSurvive) {
  std::string data("a\0b\xff\x80z", 6);
  writeLocal("bin.dat", data);
  File f = storageOpen("/bin.dat", "rb");
  ASSERT_TRUE(f);
  uint8_t buf[8];
  ASSERT_EQ(f.read(buf, sizeof(buf)), 6u);
  EXPECT_EQ(buf[1], 0);
  EXPECT_EQ(buf[3], 0xff);
  EXPECT_EQ(buf[4], 0x80);
  bool ok = false;
  EXPECT_EQ(desktopReadWholeFile(String(local("bin.dat")), ok).str(), data);
  EXPECT_TRUE(ok);
}

TEST_F(StorageTest, AppendKeepsEarlierBytes) {
  writeLocal("log.txt", "one\n");
  {
    File f = storageOpen("/log.txt", "ab");
    ASSERT_TRUE(f);
    f.print("two\n");
  }
  EXPECT_EQ(readLocal("log.txt"), "one\ntwo\n");
}

TEST_F(StorageTest, ClosedFileIsInert) {
  File f;
  EXPECT_FALSE(f);
  EXPECT_EQ(f.read(), -1);
  EXPECT_EQ(f.write('a'), 0u);
  EXPECT_EQ(f.write((const uint8_t*)"ab", 2), 0u);
  EXPECT_EQ(f.available(), 0);
  EXPECT_EQ(f.size(), 0u);
  EXPECT_FALSE(f.seek(0));
  uint8_t b;
  EXPECT_EQ(f.read(&b, 1), 0u);
  EXPECT_STREQ(f.readStringUntil('x').c_str(), "");
  f.close();
}

TEST_F(StorageTest, NullBufferAndZeroCount) {
  writeLocal("a.txt", "abc");
  File f = storageOpen("/a.txt", "rb");
  ASSERT_TRUE(f);
  EXPECT_EQ(f.read(nullptr, 3), 0u);
  uint8_t b[4];
  EXPECT_EQ(f.read(b, 0), 0u);
  EXPECT_EQ(f.available(), 3);
}

TEST_F(StorageTest, MoveTransfersStream) {
  writeLocal("a.txt", "abc");
  File a = storageOpen("/a.txt", "rb");
  ASSERT_TRUE(a);
  File b(std::move(a));
  EXPECT_FALSE(a);
  ASSERT_TRUE(b);
  EXPECT_EQ(b.read(), 'a');
  File c;
  c = std::move(b);
  EXPECT_FALSE(b);
  EXPECT_EQ(c.read(), 'b');
}

TEST_F(StorageTest, DirectoryDoesNotOpenAsFile) {
  ASSERT_TRUE(storageMkdir("/lookup"));
  File f = storageOpen("/lookup", "rb");
  EXPECT_FALSE(f);
}

// A named pipe in the card folder would block a read open for ever.
TEST_F(StorageTest, PipeDoesNotOpenForReading) {
  ASSERT_EQ(mkfifo(local("pipe").c_str(), 0600), 0);
  alarm(20);  // a hang ends the test process instead of the whole run
  File f = storageOpen("/pipe", "rb");
  alarm(0);
  EXPECT_FALSE(f);
  EXPECT_TRUE(storageExists("/pipe"));
}

// Entry points

TEST_F(StorageTest, RemoveMkdirRename) {
  EXPECT_TRUE(storageRemove("/nothing.txt"));
  EXPECT_TRUE(storageMkdir("/lookup/deep"));
  EXPECT_TRUE(isDir(local("lookup/deep")));
  EXPECT_TRUE(storageMkdir("/lookup/deep"));

  writeLocal("lookup/dmr.tmp", "262|Germany\n");
  EXPECT_TRUE(storageRename("/lookup/dmr.tmp", "/lists/new/dmr.txt"));
  EXPECT_FALSE(storageExists("/lookup/dmr.tmp"));
  EXPECT_EQ(readLocal("lists/new/dmr.txt"), "262|Germany\n");
  EXPECT_FALSE(storageRename("/missing.tmp", "/other.txt"));

  EXPECT_TRUE(storageExists("/lists/new/dmr.txt"));
  EXPECT_TRUE(storageRemove("/lists/new/dmr.txt"));
  EXPECT_FALSE(storageExists("/lists/new/dmr.txt"));
}

TEST_F(StorageTest, ExistsSeesFilesAndFolders) {
  writeLocal("flags/de.bmp", "x");
  EXPECT_TRUE(storageExists("/flags"));
  EXPECT_TRUE(storageExists("/flags/de.bmp"));
  EXPECT_TRUE(storageExists("/"));
  EXPECT_FALSE(storageExists("/flags/fr.bmp"));
}

TEST_F(StorageTest, BeginCreatesNestedRoot) {
  SD.setRoot((dir_ + "/a/b/card").c_str());
  EXPECT_TRUE(SD.begin(5, 1000000));
  EXPECT_TRUE(isDir(dir_ + "/a/b/card"));
}

TEST_F(StorageTest, BeginFailsWhenRootIsAFile) {
  writeLocal("plainfile", "x");
  SD.setRoot(local("plainfile").c_str());
  EXPECT_FALSE(SD.begin());
  File f = storageOpen("/config.json", "wb");
  EXPECT_FALSE(f);
}

// Hostile: paths that climb out of the card

TEST_F(StorageTest, ParentReferencesAreRefused) {
  writeLocal("inside.txt", "in");
  std::string outside = dir_ + "/outside.txt";
  FILE* o = fopen(outside.c_str(), "wb");
  ASSERT_NE(o, nullptr);
  fputs("secret", o);
  fclose(o);

  EXPECT_FALSE(storageOpen("/../outside.txt", "rb"));
  EXPECT_FALSE(storageOpen("..\\outside.txt", "rb"));
  EXPECT_FALSE(storageOpen("/lookup/../../outside.txt", "rb"));
  EXPECT_FALSE(storageExists("/../outside.txt"));
  EXPECT_FALSE(storageRemove("/../outside.txt"));
  EXPECT_FALSE(storageMkdir("/../newdir"));
  EXPECT_FALSE(storageRename("/inside.txt", "/../moved.txt"));
  EXPECT_FALSE(storageRename("/../outside.txt", "/stolen.txt"));
  EXPECT_FALSE(storageOpen("/../written.txt", "wb"));

  struct stat st;
  EXPECT_EQ(stat(outside.c_str(), &st), 0);
  EXPECT_NE(stat((dir_ + "/written.txt").c_str(), &st), 0);
  EXPECT_NE(stat((dir_ + "/newdir").c_str(), &st), 0);
  EXPECT_EQ(readLocal("inside.txt"), "in");
}

TEST_F(StorageTest, DotsInsideNamesAreFine) {
  writeLocal("a..b/c...txt", "ok");
  File f = storageOpen("/a..b/c...txt", "rb");
  ASSERT_TRUE(f);
  EXPECT_EQ(f.read(), 'o');
  EXPECT_TRUE(storagePathHasParentRef("a/.."));
  EXPECT_FALSE(storagePathHasParentRef("a/..b"));
  EXPECT_FALSE(storagePathHasParentRef(nullptr));
}

// Card folders copied from other systems: letter case differs

TEST_F(StorageTest, ReadsFallBackToCaseInsensitiveMatch) {
  writeLocal("Lookup/DMR.TXT", "91|World-wide\n");
  EXPECT_TRUE(storageExists("/lookup/dmr.txt"));
  File f = storageOpen("/lookup/dmr.txt", "rb");
  ASSERT_TRUE(f);
  EXPECT_STREQ(f.readStringUntil('\n').c_str(), "91|World-wide");
  EXPECT_FALSE(storageExists("/lookup/dmr.tx"));
  EXPECT_FALSE(storageOpen("/lookup/nxdn.txt", "rb"));
}

TEST_F(StorageTest, ExactNameWinsOverCaseVariant) {
  writeLocal("flags/DE.bmp", "upper");
  writeLocal("flags/de.bmp", "lower");
  File f = storageOpen("/flags/de.bmp", "rb");
  ASSERT_TRUE(f);
  EXPECT_STREQ(f.readStringUntil('\n').c_str(), "lower");
  File g = storageOpen("/FLAGS/De.BMP", "rb");
  ASSERT_TRUE(g);
  EXPECT_STREQ(g.readStringUntil('\n').c_str(), "upper");  // byte-wise smallest match
}

TEST_F(StorageTest, WritesUseTheNameAsGiven) {
  writeLocal("Config.JSON", "old");
  {
    File f = storageOpen("/config.json", "wb");
    ASSERT_TRUE(f);
    f.print("new");
  }
  EXPECT_EQ(readLocal("Config.JSON"), "old");
  EXPECT_EQ(readLocal("config.json"), "new");
  // Now the exact name exists and is what reads see.
  File r = storageOpen("/config.json", "rb");
  ASSERT_TRUE(r);
  EXPECT_STREQ(r.readStringUntil('\n').c_str(), "new");
}

TEST_F(StorageTest, PlusModeCountsAsWrite) {
  writeLocal("Data.txt", "abc");
  File f = storageOpen("/data.txt", "r+");
  EXPECT_FALSE(f);  // the exact name does not exist and r+ does not create
  EXPECT_EQ(readLocal("Data.txt"), "abc");
}

TEST_F(StorageTest, RemoveFindsCaseVariant) {
  writeLocal("Lookup/DMR.TXT", "x");
  EXPECT_TRUE(storageRemove("/lookup/dmr.txt"));
  EXPECT_FALSE(storageExists("/lookup/dmr.txt"));
}

// Desktop file utilities

TEST_F(StorageTest, CreateDirsEdges) {
  EXPECT_TRUE(desktopCreateDirs(String("")));
  EXPECT_TRUE(desktopCreateDirs(String(dir_ + "\\p\\q\\")));
  EXPECT_TRUE(isDir(dir_ + "/p/q"));
  EXPECT_TRUE(desktopCreateDirs(String(dir_ + "/p/q")));
  EXPECT_TRUE(desktopCreateParentDirs(String("nofolder.txt")));
  EXPECT_TRUE(desktopCreateParentDirs(String(dir_ + "/r/s/file.txt")));
  EXPECT_TRUE(isDir(dir_ + "/r/s"));
  EXPECT_FALSE(isDir(dir_ + "/r/s/file.txt"));
  EXPECT_STREQ(desktopNormalizePath(String("a\\b\\c")).c_str(), "a/b/c");
}

TEST_F(StorageTest, ReadWholeFileMissing) {
  bool ok = true;
  EXPECT_STREQ(desktopReadWholeFile(String(dir_ + "/none"), ok).c_str(), "");
  EXPECT_FALSE(ok);
  writeLocal("empty.txt", "");
  EXPECT_STREQ(desktopReadWholeFile(String(local("empty.txt")), ok).c_str(), "");
  EXPECT_TRUE(ok);
}

// A folder opens with fopen on Linux and reports a nonsense size; reading it
// must fail quietly instead of throwing out of the program.
TEST_F(StorageTest, ReadWholeFileRefusesFolder) {
  ASSERT_TRUE(desktopCreateParentDirs(String(dir_ + "/folder/x")));
  bool ok = true;
  EXPECT_STREQ(desktopReadWholeFile(String(dir_ + "/folder"), ok).c_str(), "");
  EXPECT_FALSE(ok);
}


// Shipped content: a read-only folder behind the writable one. Reads look in
// the writable folder first; nothing done through the volume changes the
// shipped folder.

class ShippedStorageTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    shipped_ = dir_ + "/shipped";
    SD.setShippedRoot(shipped_.c_str());
    writeShipped("flags/de.bmp", "shipped flag");
    writeShipped("adsb/airlines.dat", "shipped table");
    writeShipped("Weather/01D.png", "shipped icon");
  }
  void TearDown() override {
    SD.setShippedRoot(nullptr);
    StorageTest::TearDown();
  }
  void writeShipped(const std::string& rel, const std::string& data) {
    ASSERT_TRUE(desktopCreateParentDirs(String(shipped_ + "/" + rel)));
    ASSERT_TRUE(writeWholeFile(shipped_ + "/" + rel, data));
  }
  std::string readCard(const char* path) {
    File f = storageOpen(path, "rb");
    return f ? f.readString().str() : std::string("<closed>");
  }
  std::string shipped_;
};

TEST_F(ShippedStorageTest, ReadsPreferTheWritableFolderThenTheShippedOne) {
  writeLocal("adsb/airlines.dat", "own table");
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"/adsb/airlines.dat", "own table"},   // the user's copy overrides
      {"/flags/de.bmp", "shipped flag"},     // only shipped
      {"/weather/01d.png", "shipped icon"},  // shipped, other letter case
      {"/flags/xx.bmp", "<closed>"},         // nowhere
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readCard(c.path), c.expected) << c.path;
    EXPECT_EQ(storageExists(c.path), std::string(c.expected) != "<closed>") << c.path;
  }
  SD.setShippedRoot("");
  EXPECT_EQ(readCard("/flags/de.bmp"), "<closed>");
}

TEST_F(ShippedStorageTest, WritesNeverReachTheShippedFolder) {
  {
    File f = storageOpen("/flags/de.bmp", "wb");
    ASSERT_TRUE(f);
    f.print("own flag");
  }
  {
    File f = storageOpen("/adsb/airlines.dat", "ab");
    ASSERT_TRUE(f);
    f.print("+");
  }
  EXPECT_FALSE(storageOpen("/weather/01d.png", "r+"));  // only shipped: nothing to update
  EXPECT_EQ(readLocal("flags/de.bmp"), "own flag");
  EXPECT_EQ(readLocal("adsb/airlines.dat"), "+");
  EXPECT_EQ(readCard("/flags/de.bmp"), "own flag");

  // Removing the user's copy shows the shipped one again; removing or
  // renaming what is only shipped leaves it where it is.
  EXPECT_TRUE(storageRemove("/flags/de.bmp"));
  EXPECT_EQ(readCard("/flags/de.bmp"), "shipped flag");
  EXPECT_TRUE(SD.remove("/weather/01d.png"));
  EXPECT_FALSE(storageRename("/weather/01d.png", "/moved.png"));
  EXPECT_TRUE(SD.mkdir("/flags/new"));
  EXPECT_TRUE(isDir(local("flags/new")));
  EXPECT_EQ(readWholeFile(shipped_ + "/flags/de.bmp"), "shipped flag");
  EXPECT_EQ(readWholeFile(shipped_ + "/adsb/airlines.dat"), "shipped table");
  EXPECT_EQ(readWholeFile(shipped_ + "/Weather/01D.png"), "shipped icon");
  EXPECT_FALSE(isDir(shipped_ + "/flags/new"));
}

TEST_F(ShippedStorageTest, TheSameFolderAsShippedAndWritableIsReadOnce) {
  SD.setShippedRoot((dir_ + "/sdcard/").c_str());
  EXPECT_EQ(readCard("/flags/de.bmp"), "<closed>");
  writeLocal("flags/de.bmp", "own");
  EXPECT_EQ(readCard("/flags/de.bmp"), "own");
}

}  // namespace
