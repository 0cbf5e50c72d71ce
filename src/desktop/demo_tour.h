// A guided run of the program for machines without a screen: signs in with
// the pre-filled account, visits each screen, saves a picture of each into a
// folder and quits. scripts/demo uses it under Xvfb.
#pragma once

#include <string>

#include "desktop/main_frame.h"

namespace orv::gtk {

// Arms the sign-in dialog to sign in by itself and keep its picture.
void ArmTourSignIn(const std::string& folder);
// Visits the main window's screens, saving pictures; returns when done.
void RunTour(MainFrame& frame, const std::string& folder);

}  // namespace orv::gtk
