#include "actions/remote_actions.h"

#include "core/config.h"

static const QuickActionSlotConfig* quickActionSlot(int slot, bool svxlinkAction) {
  if (slot < 0 || slot >= quickActionSlotLimit(svxlinkAction)) return nullptr;
  return svxlinkAction ? &cfg.svxlinkActions[slot] : &cfg.quickActions[slot];
}

int quickActionSlotLimit(bool svxlinkAction) {
  return svxlinkAction ? SVXLINK_ACTION_SLOT_COUNT : QUICK_ACTION_SLOT_COUNT;
}

bool isQuickActionSlotConfigured(int slot, bool svxlinkAction) {
  const QuickActionSlotConfig* s = quickActionSlot(slot, svxlinkAction);
  if (s == nullptr || !s->enabled) return false;
  String label = s->label;
  String command = s->command;
  label.trim();
  command.trim();
  return !label.isEmpty() && !command.isEmpty();
}

bool hasConfiguredQuickActions(bool svxlinkAction) {
  for (int i = 0; i < quickActionSlotLimit(svxlinkAction); ++i) {
    if (isQuickActionSlotConfigured(i, svxlinkAction)) return true;
  }
  return false;
}

String quickActionSlotLabel(int slot, bool svxlinkAction) {
  const QuickActionSlotConfig* s = quickActionSlot(slot, svxlinkAction);
  if (s == nullptr) return String();
  String label = s->label;
  label.trim();
  if (!label.isEmpty()) return label;
  String fallback(svxlinkAction ? "DTMF " : "Action ");
  fallback += String(slot + 1);
  return fallback;
}

// PENDING: builds the mode-switch command and hands it to the SSH task; the
// desktop cannot start that task and reports "Could not start SSH task.".
void startModeToggleTask(const String& label, bool enable) {
  (void)label;
  (void)enable;
}

// PENDING: builds the preset command and hands it to the SSH task.
void startQuickActionTask(int slot, bool svxlinkAction) {
  (void)slot;
  (void)svxlinkAction;
}

// PENDING: when a mode-toggle task has finished, mark the mode known with the
// requested state, clear nextFetchHeard and show the outcome. No task can be
// started yet, so there is never a result to consume.
void processModeToggleTaskResult() {}

// PENDING: when a quick-action task has finished, show its message (cut to
// 44 characters) in the footer and redraw. No task can be started yet, so
// there is never a result to consume.
void processQuickActionTaskResult() {}
