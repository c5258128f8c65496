// Swap control: lets buffer swaps wait for the display's vertical refresh.
#pragma once

// Sets the swap interval of the current GLX context and drawable through the first of
// GLX_EXT_swap_control, GLX_MESA_swap_control and GLX_SGI_swap_control that the GL offers.
// Returns false, changing nothing, when none is offered or there is no current context.
bool requestSwapInterval(int interval);
