#include "actions/remote_actions.h"

// PENDING: when a mode-toggle task has finished, mark the mode known with the
// requested state, clear nextFetchHeard and show the outcome. No task can be
// started yet, so there is never a result to consume.
void processModeToggleTaskResult() {}

// PENDING: when a quick-action task has finished, show its message (cut to
// 44 characters) in the footer and redraw. No task can be started yet, so
// there is never a result to consume.
void processQuickActionTaskResult() {}
