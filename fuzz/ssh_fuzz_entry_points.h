// Entry point shared by the known-hosts libFuzzer target and its corpus
// replay test: the bytes as the card's known-hosts file, looked up for a
// host the file may or may not name.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "host/ssh_client.h"
#include "host/storage.h"

inline void fuzzSshKnownHostsInput(const uint8_t* data, size_t size) {
  File f = storageOpen(String(SSH_KNOWN_HOSTS_PATH), "wb");
  if (!f || f.write(data, size) != size) abort();
  f.close();
  const String file = desktopSshKnownHostsFile();
  // A plain host, a bracketed host with a port and a name: the lookup
  // reads every line whatever it holds.
  (void)desktopSshKnownHostsPins(file, "127.0.0.1", 22);
  (void)desktopSshKnownHostsPins(file, "127.0.0.1", 2222);
  (void)desktopSshKnownHostsPins(file, "pi-star.local", 22);
}
