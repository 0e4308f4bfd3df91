// The program's four long-lived windows, created once at start in this order
// and reachable from each other through these references (the welcome window
// shows the wizard, the wizard shows the finish and welcome windows, every
// window shows the about box). Null until created.
#pragma once

class TfrmWelcome;
class TfrmAbout;
class TfrmFinish;
class TMainForm;

inline TfrmWelcome* frmWelcome = nullptr;
inline TfrmAbout* frmAbout = nullptr;
inline TfrmFinish* frmFinish = nullptr;
inline TMainForm* MainForm = nullptr;
