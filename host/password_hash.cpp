// Password hashing and random tokens through libsodium.
#include "host/password_hash.h"

#include <sodium.h>
#include <stdio.h>

#include <vector>

namespace {

// sodium_init is safe to call repeatedly and from several threads.
bool sodiumReady() { return sodium_init() >= 0; }

}  // namespace

bool looksLikePasswordHash(const std::string& text) {
  return text.rfind("$argon2id$", 0) == 0 && text.size() < crypto_pwhash_STRBYTES;
}

std::string hashPassword(const std::string& password) {
  if (!sodiumReady()) return std::string();
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    return std::string();
  }
  return std::string(out);
}

bool verifyPassword(const std::string& hash, const std::string& password) {
  if (!sodiumReady() || !looksLikePasswordHash(hash)) return false;
  return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}

std::string randomHexToken(size_t bytes) {
  if (!sodiumReady() || bytes == 0) return std::string();
  std::vector<unsigned char> raw(bytes);
  randombytes_buf(raw.data(), raw.size());
  std::string hex(bytes * 2 + 1, '\0');
  sodium_bin2hex(&hex[0], hex.size(), raw.data(), raw.size());
  hex.resize(bytes * 2);
  return hex;
}

std::string randomSixDigitCode() {
  if (!sodiumReady()) return std::string();
  char text[8];
  snprintf(text, sizeof(text), "%06u", (unsigned)randombytes_uniform(1000000));
  return text;
}

bool constantTimeEquals(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  return a.empty() || sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}
