#include "host/storage.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>
#include <vector>

fs::FS SD("sdcard");
fs::FS SD_MMC("sdcard");
String activeStorageLabel;
bool storageReadOnly = false;
bool storageFolderChosen = false;

namespace {

const mode_t DIR_CREATE_MODE = 0755;

bool isWriteMode(const char* mode) { return mode != nullptr && strpbrk(mode, "wa+") != nullptr; }

// The card path with backslashes turned into "/" and leading "/" removed.
std::string cardRelative(const char* path) {
  std::string s = path ? path : "";
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  size_t start = s.find_first_not_of('/');
  return start == std::string::npos ? std::string() : s.substr(start);
}

std::vector<std::string> splitParts(const std::string& rel) {
  std::vector<std::string> parts;
  size_t pos = 0;
  while (pos <= rel.size()) {
    size_t slash = rel.find('/', pos);
    if (slash == std::string::npos) slash = rel.size();
    if (slash > pos) parts.push_back(rel.substr(pos, slash - pos));
    pos = slash + 1;
  }
  return parts;
}

bool isDirectory(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool sameIgnoringAsciiCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char ca = (unsigned char)*a;
    unsigned char cb = (unsigned char)*b;
    if (ca >= 'A' && ca <= 'Z') ca = (unsigned char)(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = (unsigned char)(cb - 'A' + 'a');
    if (ca != cb) return false;
    if (ca == 0) return true;
  }
}

// The entry of folder dir whose name matches part ignoring ASCII case; the
// byte-wise smallest one when several do, so the choice is stable. Empty: none.
std::string findEntryIgnoringCase(const std::string& dir, const std::string& part) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return std::string();
  std::string best;
  while (struct dirent* e = readdir(d)) {
    if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
    if (!sameIgnoringAsciiCase(e->d_name, part.c_str())) continue;
    if (best.empty() || strcmp(e->d_name, best.c_str()) < 0) best = e->d_name;
  }
  closedir(d);
  return best;
}

bool makeOneDir(const std::string& p) {
  if (isDirectory(p)) return true;
  if (::mkdir(p.c_str(), DIR_CREATE_MODE) == 0) return true;
  return errno == EEXIST;
}

}  // namespace

bool storagePathHasParentRef(const char* cardPath) {
  for (const std::string& part : splitParts(cardRelative(cardPath))) {
    if (part == "..") return true;
  }
  return false;
}

String desktopNormalizePath(const String& p) {
  std::string s = p.str();
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  return String(std::move(s));
}

bool desktopPathExists(const String& p) {
  struct stat st;
  return !p.isEmpty() && stat(p.c_str(), &st) == 0;
}

bool desktopCreateDirs(const String& p) {
  std::string s = desktopNormalizePath(p).str();
  if (s.empty()) return true;
  size_t start = 0;
  if (s.size() >= 2 && s[1] == ':') start = 2;  // a drive prefix stays whole
  bool ok = true;
  for (size_t i = start + 1; i < s.size(); ++i) {
    if (s[i] == '/') ok = makeOneDir(s.substr(0, i));
  }
  if (s.back() != '/') ok = makeOneDir(s);
  return ok;
}

bool desktopCreateParentDirs(const String& p) {
  std::string s = desktopNormalizePath(p).str();
  size_t slash = s.rfind('/');
  if (slash == std::string::npos) return true;
  if (slash == 0) return true;  // the parent is the file-system root
  return desktopCreateDirs(String(s.substr(0, slash)));
}

String desktopReadWholeFile(const String& p, bool& ok) {
  std::string data;
  DesktopFileRead result = desktopReadFileInPieces(p, [&data](const char* bytes, size_t n) {
    data.append(bytes, n);
    return true;
  });
  ok = result == DesktopFileRead::DONE;
  if (!ok) return String();
  return String(std::move(data));
}

DesktopFileRead desktopReadFileInPieces(const String& p,
                                        const std::function<bool(const char*, size_t)>& piece) {
  // Only regular files are read: a folder opens fine on Linux but reports a
  // nonsense size, and a named pipe without a writer would block the open, so
  // the open does not wait and anything else is refused. The size is never
  // trusted; reading goes in chunks.
  int fd = ::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return DesktopFileRead::NOT_READABLE;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return DesktopFileRead::NOT_READABLE;
  }
  FILE* f = fdopen(fd, "rb");
  if (f == nullptr) {
    ::close(fd);
    return DesktopFileRead::NOT_READABLE;
  }
  DesktopFileRead result = DesktopFileRead::DONE;
  char chunk[8192];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), f)) > 0) {
    if (!piece(chunk, got)) {
      result = DesktopFileRead::STOPPED;
      break;
    }
  }
  if (result == DesktopFileRead::DONE && ferror(f) != 0) result = DesktopFileRead::READ_FAILED;
  fclose(f);
  return result;
}

namespace fs {

// ---- File ------------------------------------------------------------------

File::File() : f_(nullptr), writeMode_(false) {}

File::~File() { close(); }

File::File(File&& other) noexcept
    : f_(other.f_), path_(std::move(other.path_)), writeMode_(other.writeMode_) {
  other.f_ = nullptr;
  other.writeMode_ = false;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    f_ = other.f_;
    path_ = std::move(other.path_);
    writeMode_ = other.writeMode_;
    other.f_ = nullptr;
    other.writeMode_ = false;
  }
  return *this;
}

bool File::open(const String& localPath, const char* mode) {
  close();
  if (mode == nullptr) mode = "rb";
  path_ = localPath;
  writeMode_ = isWriteMode(mode);
  if (writeMode_) desktopCreateParentDirs(localPath);
  // Reads take regular files only: a folder has no byte stream and a named
  // pipe without a writer would block the open.
  struct stat st;
  if (!writeMode_ && stat(localPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
  f_ = fopen(localPath.c_str(), mode);
  return f_ != nullptr;
}

size_t File::write(uint8_t b) {
  if (f_ == nullptr) return 0;
  return fputc(b, f_) == EOF ? 0 : 1;
}

size_t File::write(const uint8_t* buf, size_t n) {
  if (f_ == nullptr || buf == nullptr || n == 0) return 0;
  return fwrite(buf, 1, n, f_);
}

int File::available() {
  if (f_ == nullptr) return 0;
  long pos = ftell(f_);
  if (pos < 0) return 0;
  long total = (long)size();
  if (total <= pos) return 0;
  long left = total - pos;
  return left > INT_MAX ? INT_MAX : (int)left;
}

int File::read() {
  if (f_ == nullptr) return -1;
  int c = fgetc(f_);
  return c == EOF ? -1 : c;
}

size_t File::read(uint8_t* buf, size_t n) {
  if (f_ == nullptr || buf == nullptr || n == 0) return 0;
  return fread(buf, 1, n, f_);
}

size_t File::readBytes(uint8_t* buf, size_t n) { return read(buf, n); }

size_t File::size() {
  if (f_ == nullptr) return 0;
  long pos = ftell(f_);
  if (pos < 0 || fseek(f_, 0, SEEK_END) != 0) return 0;
  long end = ftell(f_);
  fseek(f_, pos, SEEK_SET);
  return end < 0 ? 0 : (size_t)end;
}

size_t File::position() {
  if (f_ == nullptr) return 0;
  long pos = ftell(f_);
  return pos < 0 ? 0 : (size_t)pos;
}

bool File::seek(uint32_t pos) {
  if (f_ == nullptr) return false;
  return fseek(f_, (long)pos, SEEK_SET) == 0;
}

String File::readStringUntil(char c) {
  std::string out;
  if (f_ == nullptr) return String();
  int ch;
  while ((ch = fgetc(f_)) != EOF) {
    if ((char)ch == c) break;
    out.push_back((char)ch);
  }
  return String(std::move(out));
}

String File::readString() {
  std::string out;
  if (f_ == nullptr) return String();
  char buf[4096];
  size_t got;
  while ((got = fread(buf, 1, sizeof(buf), f_)) > 0) out.append(buf, got);
  return String(std::move(out));
}

void File::flush() {
  if (f_ != nullptr) fflush(f_);
}

void File::close() {
  if (f_ != nullptr) {
    fclose(f_);
    f_ = nullptr;
  }
}

const char* File::name() const {
  const char* p = path_.c_str();
  const char* slash = strrchr(p, '/');
  return slash ? slash + 1 : p;
}

// ---- FS --------------------------------------------------------------------

FS::FS(const char* root) { setRoot(root); }

namespace {

// root with backslashes as "/" and without trailing slashes ("/" stays).
String normalizedRoot(const char* root) {
  std::string r = desktopNormalizePath(String(root ? root : "")).str();
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return String(std::move(r));
}

// The path of cardPath below root: the exact name when it exists, else each
// part matched ignoring case (a folder copied from a card may use other
// letter cases). Empty when nothing is there.
std::string findBelow(const std::string& root, const String& cardPath) {
  std::string rel = cardRelative(cardPath.c_str());
  std::string exact = rel.empty() ? root : root + "/" + rel;
  if (desktopPathExists(String(exact))) return exact;
  std::string cur = root;
  for (const std::string& part : splitParts(rel)) {
    std::string candidate = cur + "/" + part;
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0) {
      cur = candidate;
      continue;
    }
    std::string found = findEntryIgnoringCase(cur, part);
    if (found.empty()) return std::string();
    cur += "/" + found;
  }
  return cur;
}

}  // namespace

void FS::setRoot(const char* root) { root_ = normalizedRoot(root); }

void FS::setShippedRoot(const char* root) { shippedRoot_ = normalizedRoot(root); }

bool FS::beginRoot() {
  desktopCreateDirs(root_);
  return isDirectory(root_.str());
}

String FS::mapPath(const char* path) const {
  std::string rel = cardRelative(path);
  if (rel.empty()) return root_;
  return String(root_.str() + "/" + rel);
}

// The local path a read of cardPath uses: what the writable folder holds
// (exact or matched ignoring case), else what the shipped folder holds, else
// the exact mapping into the writable folder.
String FS::resolveForRead(const String& cardPath) const {
  std::string found = findBelow(root_.str(), cardPath);
  if (found.empty() && !shippedRoot_.isEmpty() && shippedRoot_.str() != root_.str()) {
    found = findBelow(shippedRoot_.str(), cardPath);
  }
  if (found.empty()) return mapPath(cardPath.c_str());
  return String(std::move(found));
}

// The writable-folder path of cardPath for changes (remove, rename): the
// existing entry matched ignoring case, else the exact mapping. Never a
// shipped path.
String FS::resolveForChange(const String& cardPath) const {
  std::string found = findBelow(root_.str(), cardPath);
  if (found.empty()) return mapPath(cardPath.c_str());
  return String(std::move(found));
}

File FS::open(const String& path, const char* mode) {
  File f;
  if (storagePathHasParentRef(path.c_str())) return f;
  if (mode == nullptr) mode = "rb";
  String local = isWriteMode(mode) ? mapPath(path.c_str()) : resolveForRead(path);
  f.open(local, mode);
  return f;
}

bool FS::exists(const String& path) {
  if (storagePathHasParentRef(path.c_str())) return false;
  return desktopPathExists(resolveForRead(path));
}

bool FS::remove(const String& path) {
  if (storagePathHasParentRef(path.c_str())) return false;
  String local = resolveForChange(path);
  if (::remove(local.c_str()) == 0) return true;
  return !desktopPathExists(local);
}

bool FS::mkdir(const String& path) {
  if (storagePathHasParentRef(path.c_str())) return false;
  String local = mapPath(path.c_str());
  desktopCreateDirs(local);
  return isDirectory(local.str());
}

bool FS::rename(const String& from, const String& to) {
  if (storagePathHasParentRef(from.c_str()) || storagePathHasParentRef(to.c_str())) {
    return false;
  }
  String target = mapPath(to.c_str());
  desktopCreateParentDirs(target);
  return ::rename(resolveForChange(from).c_str(), target.c_str()) == 0;
}

bool FS::rmdir(const String& path) {
  if (storagePathHasParentRef(path.c_str())) return false;
  String local = mapPath(path.c_str());
  if (::rmdir(local.c_str()) == 0) return true;
  return !desktopPathExists(local);
}

}  // namespace fs

// ---- Firmware entry points -------------------------------------------------

const char* storageOpenMode(const char* mode) { return mode; }

File storageOpen(const String& path, const char* mode) { return SD.open(path, storageOpenMode(mode)); }

bool storageExists(const String& path) { return SD.exists(path); }

bool storageRemove(const String& path) {
  if (storagePathHasParentRef(path.c_str())) return false;
  if (!storageExists(path)) return true;
  return SD.remove(path);
}

bool storageMkdir(const String& path) {
  if (storagePathHasParentRef(path.c_str())) return false;
  if (storageExists(path)) return true;
  return SD.mkdir(path);
}

bool storageRename(const String& from, const String& to) { return SD.rename(from, to); }
