#include "actions/remote_actions.h"

#include <new>

#include "core/config.h"
#include "core/view.h"
#include "host/board_stubs.h"
#include "host/runtime.h"

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

volatile bool modeToggleTaskRunning = false;
volatile bool modeToggleTaskDone = false;
volatile bool modeToggleTaskOk = false;
volatile bool modeToggleTaskEnable = false;
char modeToggleTaskLabel[16] = "";
char modeToggleTaskMessage[192] = "";
TaskHandle_t modeToggleTaskHandle = nullptr;

volatile bool quickActionTaskRunning = false;
volatile bool quickActionTaskDone = false;
volatile bool quickActionTaskOk = false;
char quickActionTaskLabel[32] = "";
char quickActionTaskMessage[192] = "";
TaskHandle_t quickActionTaskHandle = nullptr;

static const uint32_t SSH_TASK_STACK_BYTES = 16384;
static const UBaseType_t SSH_TASK_PRIORITY = 1;
static const BaseType_t SSH_TASK_CORE = 1;

// Arguments handed to the mode-toggle task, which owns and frees them.
struct ModeToggleTaskArgs {
  String label;
  bool enable;
};

// Arguments handed to the quick-action task, which owns and frees them.
struct QuickActionTaskArgs {
  uint8_t slot;
  bool svxlinkAction;
};

// PENDING: the board edition builds the mode-switch command and runs it over
// SSH here. No SSH transport exists in this build, so the task reports the
// documented failure; the desktop never starts it.
static void modeToggleTaskBody(void* param) {
  ModeToggleTaskArgs* args = (ModeToggleTaskArgs*)param;
  strlcpy(modeToggleTaskLabel, args->label.c_str(), sizeof(modeToggleTaskLabel));
  strlcpy(modeToggleTaskMessage, "SSH mode control is not compiled into this build.",
          sizeof(modeToggleTaskMessage));
  modeToggleTaskEnable = args->enable;
  modeToggleTaskOk = false;
  delete args;
  modeToggleTaskDone = true;
  modeToggleTaskRunning = false;
  modeToggleTaskHandle = nullptr;
  vTaskDelete(nullptr);
}

// PENDING: the board edition checks the preset's preconditions, builds its
// command and runs it over SSH here; the desktop never starts this task.
static void quickActionTaskBody(void* param) {
  QuickActionTaskArgs* args = (QuickActionTaskArgs*)param;
  strlcpy(quickActionTaskLabel, quickActionSlotLabel(args->slot, args->svxlinkAction).c_str(),
          sizeof(quickActionTaskLabel));
  strlcpy(quickActionTaskMessage, "SSH remote control is not compiled into this build.",
          sizeof(quickActionTaskMessage));
  quickActionTaskOk = false;
  delete args;
  quickActionTaskDone = true;
  quickActionTaskRunning = false;
  quickActionTaskHandle = nullptr;
  vTaskDelete(nullptr);
}

void startModeToggleTask(const String& label, bool enable) {
  if (modeToggleTaskRunning) {
    setFooterText("Wait for the current SSH action to finish.", true);
    return;
  }
  ModeToggleTaskArgs* args = new (std::nothrow) ModeToggleTaskArgs{label, enable};
  if (args == nullptr) {
    setFooterText("Could not allocate SSH task memory.", true);
    return;
  }
  modeToggleTaskDone = false;
  modeToggleTaskOk = false;
  modeToggleTaskEnable = enable;
  strlcpy(modeToggleTaskLabel, label.c_str(), sizeof(modeToggleTaskLabel));
  modeToggleTaskMessage[0] = '\0';
  modeToggleTaskRunning = true;
  if (xTaskCreatePinnedToCore(modeToggleTaskBody, "modeToggleSSH", SSH_TASK_STACK_BYTES, args,
                              SSH_TASK_PRIORITY, &modeToggleTaskHandle, SSH_TASK_CORE) == pdPASS) {
    setFooterText(label + (enable ? ": enabling..." : ": disabling..."), true);
    return;
  }
  modeToggleTaskRunning = false;
  delete args;
  setFooterText("Could not start SSH task.", true);
}

void startQuickActionTask(int slot, bool svxlinkAction) {
  if (modeToggleTaskRunning || quickActionTaskRunning) {
    setFooterText("Wait for the current SSH action to finish.", true);
    return;
  }
  if (!isQuickActionSlotConfigured(slot, svxlinkAction)) {
    setFooterText("Preset slot is empty.", true);
    return;
  }
  QuickActionTaskArgs* args = new (std::nothrow) QuickActionTaskArgs{(uint8_t)slot, svxlinkAction};
  if (args == nullptr) {
    setFooterText("Could not allocate SSH task memory.", true);
    return;
  }
  const String label = quickActionSlotLabel(slot, svxlinkAction);
  quickActionTaskDone = false;
  quickActionTaskOk = false;
  strlcpy(quickActionTaskLabel, label.c_str(), sizeof(quickActionTaskLabel));
  quickActionTaskMessage[0] = '\0';
  quickActionTaskRunning = true;
  if (xTaskCreatePinnedToCore(quickActionTaskBody, "quickActionSSH", SSH_TASK_STACK_BYTES, args,
                              SSH_TASK_PRIORITY, &quickActionTaskHandle, SSH_TASK_CORE) == pdPASS) {
    setFooterText(label + ": running...", true);
    return;
  }
  quickActionTaskRunning = false;
  delete args;
  setFooterText("Could not start SSH task.", true);
}

// PENDING: when a mode-toggle task has finished, mark the mode known with the
// requested state, clear nextFetchHeard and show the outcome. No task can be
// started yet, so there is never a result to consume.
void processModeToggleTaskResult() {}

// PENDING: when a quick-action task has finished, show its message (cut to
// 44 characters) in the footer and redraw. No task can be started yet, so
// there is never a result to consume.
void processQuickActionTaskResult() {}
