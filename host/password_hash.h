// Password hashing and random tokens (libsodium): the settings page keeps
// only a salted, deliberately slow hash of its password.
#pragma once

#include <string>

// True when text is a hash this module made (an Argon2id "$argon2id$..." text).
bool looksLikePasswordHash(const std::string& text);
// Salted Argon2id hash of password; empty when the library fails (no memory).
std::string hashPassword(const std::string& password);
// True when password matches hash (false for anything that is not a hash).
bool verifyPassword(const std::string& hash, const std::string& password);
// Hexadecimal text of `bytes` random bytes from the system's generator.
std::string randomHexToken(size_t bytes);
// A random number of six decimal digits, "000000" to "999999".
std::string randomSixDigitCode();
// Comparison whose time does not depend on where the texts differ.
bool constantTimeEquals(const std::string& a, const std::string& b);
