#pragma once
// The windows the program creates at start-up, after the main window and in
// this order: the configuration window, the advanced output window, the
// firmware window, the About window, the advanced colour-order window, then
// the About windows of editions 1, 2 and 4. All are owned by the main window,
// live for the whole run and are shown modally when needed.

#include "app/TForm1.h"

namespace vantrel::app {

// Creates the windows above with `form` as their owner, joins the
// configuration window to its two advanced windows and, like the firmware
// window, to the selected controller, gives the firmware window `form`'s user
// settings (set them first), and hands them all to `form`. `services` outlives them.
TForm1::Windows createWindows(TForm1& form, ui::Services& services);

} // namespace vantrel::app
