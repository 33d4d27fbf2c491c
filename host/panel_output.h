#pragma once

// The window or panel the frame is shown on: which video driver and
// renderer are used, how the frame is scaled, turned and letterboxed on the
// output, and how window points map back to the frame.
//
// Driver choice: QSODECK_DESKTOP_VIDEO (x11, wayland, kmsdrm, offscreen)
// forces one, else SDL_VIDEODRIVER, else x11, wayland and kmsdrm are tried in
// turn (the offscreen driver only when asked for). The software renderer is
// used where the driver has a window framebuffer (X11, Wayland, offscreen);
// elsewhere (kmsdrm) the accelerated one (GLES). QSODECK_DESKTOP_ACCEL=1
// prefers the accelerated renderer everywhere.

#include <stdint.h>

#include "host/panel_transform.h"

struct SDL_Renderer;
struct SDL_Texture;

// Starts SDL's video with the chosen driver and creates gWindow and
// gRenderer; traces the driver and the renderer. On failure prints one line
// saying what was tried and what to do, and returns false (nothing is left
// created).
bool panelOpenOutput(const char* title);

// "software" or "accelerated" for the renderer panelOpenOutput made.
const char* panelRendererKind();

// Applies the configuration's panel settings and the border colour (RGB565):
// fullscreen on or off, the window turned to the rotation's natural size
// when the turn changes sideways, and the layout of later presents.
void panelApply(const PanelSettings& s, uint16_t borderColour);

// The settings last applied.
const PanelSettings& panelSettings();

// The layout of the picture on the current renderer output.
PanelLayout panelOutputLayout();
// The layout of the touch mapping on the current window (window points).
PanelLayout panelWindowLayout();

// True when the output is exactly the frame (800 x 480, not turned): parts
// of the frame may then be copied one to one.
bool panelOutputShowsFrameAsIs();

// Fills the output with the border colour and copies the frame texture
// onto it, scaled, turned and centred; the render target must be the
// output. Nothing when renderer or texture is null.
void panelCopyFrame(SDL_Renderer* renderer, SDL_Texture* frame);

// Maps a window point (window coordinates, fractions allowed) to the frame;
// true when it lies on the picture. Without a window the point is taken as
// a frame point.
bool panelWindowPointToFrame(double x, double y, int& fx, int& fy);

// On a text console (kmsdrm): keeps the console from blanking and hides its
// cursor; panelRestoreConsole puts both back. The restore only writes to a
// descriptor opened before, so a signal handler may call it.
void panelTakeOverConsole();
void panelRestoreConsole();
