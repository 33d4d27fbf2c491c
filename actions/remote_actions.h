// Remote actions: mode toggles and quick-action presets turned into remote
// shell commands for the hotspot or the SvxLink host.
#pragma once

#include <stdint.h>

#include "core/cycle_parts.h"
#include "host/wstring.h"

// Preset slots per kind (hotspot presets and SvxLink presets).
int quickActionSlotLimit(bool svxlinkAction);
// True when the slot is enabled with a non-empty label and command.
bool isQuickActionSlotConfigured(int slot, bool svxlinkAction);
// True when any slot of the kind is configured.
bool hasConfiguredQuickActions(bool svxlinkAction);
// Trimmed slot label, or "DTMF n" / "Action n" when empty; empty for a bad slot.
String quickActionSlotLabel(int slot, bool svxlinkAction);

// Hand-off state of the two SSH tasks: the starter writes it before the task
// is created, the task once at its end (done last), the main cycle reads it.
extern volatile bool modeToggleTaskRunning;
extern volatile bool modeToggleTaskDone;
extern volatile bool modeToggleTaskOk;
extern volatile bool modeToggleTaskEnable;
extern char modeToggleTaskLabel[16];
extern char modeToggleTaskMessage[192];
extern volatile bool quickActionTaskRunning;
extern volatile bool quickActionTaskDone;
extern volatile bool quickActionTaskOk;
extern char quickActionTaskLabel[32];
extern char quickActionTaskMessage[192];

// Starts the background mode toggle for a confirmed request; the footer
// tells why when it cannot ("Could not start SSH task." on the desktop).
void startModeToggleTask(const String& label, bool enable);
// Starts the background run of one preset slot; the footer tells why when
// it cannot.
void startQuickActionTask(int slot, bool svxlinkAction);
