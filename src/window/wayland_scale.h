// The largest scale of the Wayland compositor's outputs, asked before Qt
// opens its display: 1 where there is no compositor, or it cannot tell.
#pragma once

int largest_wayland_scale();
