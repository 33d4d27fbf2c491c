#pragma once

// Remote actions: mode toggles and quick actions run on the hotspot or the
// SvxLink host.

// Consumes a finished mode-toggle task: updates the mode status and footer.
void processModeToggleTaskResult();

// Consumes a finished quick-action task: shows its message in the footer.
void processQuickActionTaskResult();
