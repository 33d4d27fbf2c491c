#pragma once

// File storage of the desktop host: the card volume is a writable folder
// ("sdcard" below the working directory unless chosen at start), optionally
// backed by a read-only folder of shipped content; a file is a C-library
// stream.

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <functional>
#include <utility>

#include "host/runtime.h"
#include "host/wstring.h"

#ifndef FILE_READ
#define FILE_READ "r"
#endif
#ifndef FILE_WRITE
#define FILE_WRITE "w"
#endif
#ifndef FILE_APPEND
#define FILE_APPEND "a"
#endif

namespace fs {

// One open file of the storage volume. Owns its stream; movable, not copyable.
class File : public Stream {
 public:
  File();
  ~File() override;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens the local path with the C mode ("rb" when mode is null); write modes
  // create the parent folders first. True when a stream is open afterwards.
  bool open(const String& localPath, const char* mode);
  // True while a stream is open.
  explicit operator bool() const { return f_ != nullptr; }

  // One byte written: 1, or 0 when closed.
  size_t write(uint8_t b) override;
  // n bytes written: the count, 0 when closed, buf null or n = 0.
  size_t write(const uint8_t* buf, size_t n) override;
  using Print::write;
  // Bytes from the current position to the end; 0 when closed.
  int available() override;
  // Next byte 0..255, or -1 at the end or when closed.
  int read() override;
  // Up to n bytes into buf; the count read (0 when closed, buf null or n = 0).
  size_t read(uint8_t* buf, size_t n);
  // Same as read(buf, n).
  size_t readBytes(uint8_t* buf, size_t n) override;
  using Stream::readBytes;
  // Total size in bytes without moving the position; 0 when closed.
  size_t size();
  // Current read/write position; 0 when closed.
  size_t position();
  // Moves to pos from the start; false when closed or on failure.
  bool seek(uint32_t pos);
  // Bytes up to c or the end; c is consumed and not included.
  String readStringUntil(char c);
  // The rest of the file.
  String readString();
  // Pushes buffered writes to the operating system.
  void flush();
  // Closes the stream when open.
  void close();
  // The mapped local path given to open.
  const char* path() const { return path_.c_str(); }
  // The file name part of the path.
  const char* name() const;

 private:
  FILE* f_;
  String path_;
  bool writeMode_;
};

// A storage volume: a folder on the local disk standing in for the card,
// optionally backed by a read-only folder of shipped content (flags, icons,
// symbols, tables). Reads look in the writable folder first, then in the
// shipped one; writes, removals and renames only ever touch the writable one.
class FS {
 public:
  explicit FS(const char* root);

  // Creates the root folder and its parents; true when it exists afterwards.
  // The board's mount arguments (pins, bus, frequency, mount point) are ignored.
  template <typename... Args>
  bool begin(Args&&...) {
    return beginRoot();
  }
  // Opens a card path ("rb" when mode is null). Read modes look in the
  // writable folder, then the shipped one, each with a case-insensitive match
  // of each path part; write modes open in the writable folder only; paths
  // with ".." give a closed File.
  File open(const String& path, const char* mode = FILE_READ);
  // True when a file or folder is at the card path in the writable or the
  // shipped folder (case-insensitive fallback).
  bool exists(const String& path);
  // Deletes the file of the writable folder; true when it was deleted or the
  // writable folder holds nothing there afterwards (a shipped file of the
  // same name is never touched and shows through again).
  bool remove(const String& path);
  // Creates the folder and its missing parents; true on success or when present.
  bool mkdir(const String& path);
  // Creates the parent folders of `to`, then renames within the writable
  // folder; true on success (a file only shipped is never moved).
  bool rename(const String& from, const String& to);
  // Removes an empty folder; true when it is gone afterwards.
  bool rmdir(const String& path);

  // Card path to local path: backslashes become "/", leading "/" are dropped,
  // the rest is placed under the root ("" maps to the root itself).
  String mapPath(const char* path) const;
  // The local folder holding the volume.
  const String& root() const { return root_; }
  // Moves the volume to another local folder (tests and tools).
  void setRoot(const char* root);
  // The read-only folder consulted when a read finds nothing in the writable
  // one; null or "" (the default) means none. The same folder as the root
  // counts as none.
  void setShippedRoot(const char* root);
  // The shipped folder ("" when there is none).
  const String& shippedRoot() const { return shippedRoot_; }

 private:
  bool beginRoot();
  String resolveForRead(const String& cardPath) const;
  String resolveForChange(const String& cardPath) const;

  String root_;
  String shippedRoot_;
};

}  // namespace fs

using fs::File;
using fs::FS;

// The card volume used by the firmware, and the board's second slot.
extern fs::FS SD;
extern fs::FS SD_MMC;
// "SD" when the volume mounted at start-up, else "FLASH".
extern String activeStorageLabel;

// True when the writable storage folder could not be created or written at
// start-up: the program then runs read-only (saves fail and say so).
extern bool storageReadOnly;
// True when the storage folder was chosen at start (--storage or
// QSODECK_STORAGE): everything the program keeps lives in it alone, with no
// fallback to files of the working directory.
extern bool storageFolderChosen;

// True when a card path has a ".." part (such paths are refused).
bool storagePathHasParentRef(const char* cardPath);

// p with every backslash replaced by a forward slash.
String desktopNormalizePath(const String& p);
// True when the platform reports a file or folder at p.
bool desktopPathExists(const String& p);
// Creates p and all missing parents; true when empty or created/present.
bool desktopCreateDirs(const String& p);
// Creates the folders before the last "/" of p; true when p has no "/".
bool desktopCreateParentDirs(const String& p);
// Whole file as raw bytes; ok tells whether it could be opened.
String desktopReadWholeFile(const String& p, bool& ok);

// How a piecewise read of a local file ended.
enum class DesktopFileRead { DONE, NOT_READABLE, READ_FAILED, STOPPED };
// Reads a regular file in pieces of up to 8 KiB, handing each to `piece` in
// order; `piece` returning false stops the reading (STOPPED). NOT_READABLE
// when p cannot be opened or is no regular file (a folder, a named pipe:
// the open never waits), READ_FAILED when a read broke off.
DesktopFileRead desktopReadFileInPieces(const String& p,
                                        const std::function<bool(const char*, size_t)>& piece);

// The mode to use for storage opens ("rb", "wb", "ab" and others pass through).
const char* storageOpenMode(const char* mode);
// Opens a card path on SD.
File storageOpen(const String& path, const char* mode);
// True when a file or folder is at the card path.
bool storageExists(const String& path);
// True when nothing exists at path afterwards.
bool storageRemove(const String& path);
// True when the folder exists afterwards.
bool storageMkdir(const String& path);
// Renames a file on SD; true on success.
bool storageRename(const String& from, const String& to);
