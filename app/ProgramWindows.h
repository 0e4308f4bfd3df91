// The program's four long-lived windows, made and freed in their fixed order.
#pragma once

#include "ProgramStart.h"

// Creates the welcome, about, finish and wizard windows in this order into the
// references of WizardWindows.h; the wizard's creation also fills texts and
// images of the other three (a failure there is shown in the error box and
// start-up goes on).
void CreateWindows(const TProgramArgs& args);
// Frees them; the wizard window goes last, its destructor ends the library session.
void DestroyWindows();
